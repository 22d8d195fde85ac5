#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "FakeWaveDevices.h"
#include "app/AudioDeviceSettings.h"
#include "platform/MemoryRegistry.h"

namespace kestrava {
namespace {

using namespace std::chrono_literals;
using testing::FakeWaveDevices;

// The dialog's controls as the logic sees them. The watcher calls it from its
// own thread, so everything is locked.
class FakeDialogView : public AudioDeviceDialogView {
  public:
    struct Box {
        std::vector<std::string> lines;
        int selected = -1;
        bool dropDownClosed = false;
    };

    bool AutoSwitchChecked() override {
        std::lock_guard lock(m_lock);
        return m_checked;
    }
    void SetAutoSwitchChecked(bool checked) override {
        std::lock_guard lock(m_lock);
        m_checked = checked;
    }
    void InsertText(int comboId, int index, const std::string& text) override {
        std::lock_guard lock(m_lock);
        auto& lines = m_boxes[comboId].lines;
        ASSERT_LE(static_cast<std::size_t>(index), lines.size());
        lines.insert(lines.begin() + index, text);
    }
    void SelectIndex(int comboId, int index) override {
        {
            std::lock_guard lock(m_lock);
            m_boxes[comboId].selected = index;
        }
        m_changed.notify_all();
    }
    std::string SelectedText(int comboId) override {
        std::lock_guard lock(m_lock);
        const Box& box = m_boxes[comboId];
        if (box.selected < 0 || box.selected >= static_cast<int>(box.lines.size())) return {};
        return box.lines[box.selected];
    }
    void CloseDropDown(int comboId) override {
        std::lock_guard lock(m_lock);
        m_boxes[comboId].dropDownClosed = true;
    }
    void AnswerSentMessages(std::chrono::milliseconds maxWait) override {
        std::this_thread::sleep_for(maxWait);
    }

    Box BoxOf(int comboId) {
        std::lock_guard lock(m_lock);
        return m_boxes[comboId];
    }
    // The user picks a line.
    void Pick(int comboId, int index) { SelectIndex(comboId, index); }
    void Check(bool checked) { SetAutoSwitchChecked(checked); }
    // True once the box selects `index`; gives up after a generous while.
    bool WaitForSelection(int comboId, int index) {
        std::unique_lock lock(m_lock);
        return m_changed.wait_for(lock, 10s, [&] { return m_boxes[comboId].selected == index; });
    }

  private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::map<int, Box> m_boxes;
    bool m_checked = false;
};

const FakeWaveDevices::Names kOutputs = {"Modem", "Onboard Audio", "USB Phone"};
const FakeWaveDevices::Names kInputs = {"Line In", "Onboard Mic", "USB Phone"};
const std::vector<std::string> kOutputLines = {"Modem", "Onboard Audio", "USB Phone"};
const std::vector<std::string> kInputLines = {"Line In", "Onboard Mic", "USB Phone"};

class AudioDeviceSettingsTest : public ::testing::Test {
  protected:
    AudioDeviceSettingsTest() {
        audio.SetOutputs(kOutputs);
        audio.SetInputs(kInputs);
    }
    void Store(const std::string& name, const std::string& value) {
        Registry::Key key = registry.CreateUserKey(kSoundMapperKey);
        registry.WriteString(key, name, value);
        registry.CloseKey(key);
    }
    std::string Stored(const std::string& name) {
        auto values = registry.ValuesOf(kSoundMapperKey);
        auto found = values.find(name);
        if (found == values.end()) return "(none)";
        return std::get<std::string>(found->second);
    }
    void Init() { settings.OnInitDialog(view, "No Speaker", "No MIC"); }
    // Polls a condition the watcher brings about; gives up after a generous while.
    template <typename Condition>
    static bool Eventually(Condition condition) {
        for (auto end = std::chrono::steady_clock::now() + 10s;
             std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(1ms)) {
            if (condition()) return true;
        }
        return condition();
    }

    FakeWaveDevices audio;
    MemoryRegistry registry;
    std::atomic<std::int32_t> autoSwitch{0};
    FakeDialogView view;
    // Declared last: its watcher stops before the view and the ports go.
    AudioDeviceSettings settings{registry, audio, autoSwitch, 5ms};
};

TEST_F(AudioDeviceSettingsTest, InitListsTheDevicesAndSelectsTheStoredOnes) {
    Store("Playback", "Onboard Audio");
    Store("Record", "USB Phone");
    autoSwitch = 1;
    Init();

    EXPECT_TRUE(settings.IsOpen());
    EXPECT_TRUE(view.AutoSwitchChecked());
    EXPECT_EQ(view.BoxOf(IDC_SPEAKER_DEVICE).lines, kOutputLines);
    EXPECT_EQ(view.BoxOf(IDC_MIC_DEVICE).lines, kInputLines);
    EXPECT_EQ(view.BoxOf(IDC_SPEAKER_DEVICE).selected, 1);
    EXPECT_EQ(view.BoxOf(IDC_MIC_DEVICE).selected, 2);
    EXPECT_TRUE(settings.WatcherRunning());
}

// The system's names run up to 31 characters; 31 Chinese ones are 93 UTF-8
// bytes, more than the 80 the values are read into, yet what the system
// stores (31 UTF-16 units) fits.
TEST_F(AudioDeviceSettingsTest, LongChineseNamesAreSelectedAndFollowed) {
    std::string speaker, mic;
    for (int i = 0; i < 31; ++i) speaker += "扬";
    for (int i = 0; i < 27; ++i) mic += "麦";
    audio.SetOutputs({"Onboard Audio", speaker});
    audio.SetInputs({"Onboard Mic", mic});
    Store("Playback", speaker);
    Store("Record", mic);
    Init();

    EXPECT_EQ(view.BoxOf(IDC_SPEAKER_DEVICE).selected, 1);
    EXPECT_EQ(view.BoxOf(IDC_MIC_DEVICE).selected, 1);
    ASSERT_TRUE(settings.WatcherRunning());
    Store("Playback", "Onboard Audio");
    EXPECT_TRUE(view.WaitForSelection(IDC_SPEAKER_DEVICE, 0));
    Store("Playback", speaker);
    EXPECT_TRUE(view.WaitForSelection(IDC_SPEAKER_DEVICE, 1));
}

TEST_F(AudioDeviceSettingsTest, InitSelectsTheFirstDeviceWhenNoneHasTheStoredName) {
    Store("Playback", "Onboard audio");  // names compare exactly
    Store("Record", "Gone");
    Init();

    EXPECT_EQ(view.BoxOf(IDC_SPEAKER_DEVICE).selected, 0);
    EXPECT_EQ(view.BoxOf(IDC_MIC_DEVICE).selected, 0);
}

TEST_F(AudioDeviceSettingsTest, WithoutStoredChoicesTheListsStayUnselectedAndUnwatched) {
    for (bool keyExists : {false, true}) {
        SCOPED_TRACE(keyExists ? "Record missing" : "key missing");
        FakeDialogView fresh;
        if (keyExists) Store("Playback", "Modem");
        AudioDeviceSettings local(registry, audio, autoSwitch, 5ms);
        local.OnInitDialog(fresh, "No Speaker", "No MIC");

        EXPECT_TRUE(local.IsOpen());
        EXPECT_EQ(fresh.BoxOf(IDC_SPEAKER_DEVICE).lines, kOutputLines);
        EXPECT_EQ(fresh.BoxOf(IDC_MIC_DEVICE).selected, -1);
        EXPECT_FALSE(local.WatcherRunning());
        local.OnCommand(fresh, 1);
    }
}

TEST_F(AudioDeviceSettingsTest, WithoutDevicesTheBoxesSayNoSpeakerAndNoMic) {
    audio.SetBoth({});
    Init();

    auto speaker = view.BoxOf(IDC_SPEAKER_DEVICE);
    auto microphone = view.BoxOf(IDC_MIC_DEVICE);
    EXPECT_EQ(speaker.lines, std::vector<std::string>{"No Speaker"});
    EXPECT_EQ(microphone.lines, std::vector<std::string>{"No MIC"});
    EXPECT_EQ(speaker.selected, 0);
    EXPECT_EQ(microphone.selected, 0);
    EXPECT_TRUE(speaker.dropDownClosed);
    EXPECT_TRUE(microphone.dropDownClosed);
}

TEST_F(AudioDeviceSettingsTest, OkAndEscBothKeepTheChoicesAndCloseTheDialog) {
    for (int command : {1, 2}) {
        SCOPED_TRACE(command);
        Store("Playback", "Modem");
        Store("Record", "Line In");
        autoSwitch = 0;
        FakeDialogView dialog;
        AudioDeviceSettings local(registry, audio, autoSwitch, 5ms);
        local.OnInitDialog(dialog, "No Speaker", "No MIC");
        dialog.Pick(IDC_SPEAKER_DEVICE, 1);
        dialog.Pick(IDC_MIC_DEVICE, 1);
        dialog.Check(true);

        EXPECT_TRUE(local.OnCommand(dialog, command));

        EXPECT_EQ(Stored("Playback"), "Onboard Audio");
        EXPECT_EQ(Stored("Record"), "Onboard Mic");
        EXPECT_EQ(autoSwitch.load(), 1);
        EXPECT_FALSE(local.IsOpen());
        EXPECT_FALSE(local.WatcherRunning());
    }
}

TEST_F(AudioDeviceSettingsTest, OtherCommandsLeaveTheDialogOpen) {
    Store("Playback", "Modem");
    Store("Record", "Line In");
    Init();
    view.Pick(IDC_SPEAKER_DEVICE, 1);

    EXPECT_FALSE(settings.OnCommand(view, IDC_SPEAKER_DEVICE));

    EXPECT_TRUE(settings.IsOpen());
    EXPECT_EQ(Stored("Playback"), "Modem");
}

TEST_F(AudioDeviceSettingsTest, ANameNoDeviceHasIsNotWritten) {
    // No devices: the boxes show "No Speaker" and "No MIC".
    audio.SetBoth({});
    Store("Playback", "Modem");
    Init();
    settings.OnCommand(view, 1);
    EXPECT_EQ(Stored("Playback"), "Modem");
    EXPECT_EQ(Stored("Record"), "(none)");
}

TEST_F(AudioDeviceSettingsTest, DevicesThatWentAwayOrHaveNoNameAreNotWritten) {
    audio.SetOutputs({"Modem", std::nullopt, "USB Phone"});
    Store("Playback", "Modem");
    Store("Record", "Line In");
    Init();
    EXPECT_EQ(view.BoxOf(IDC_SPEAKER_DEVICE).lines,
              (std::vector<std::string>{"Modem", "", "USB Phone"}));
    view.Pick(IDC_SPEAKER_DEVICE, 1);  // the nameless device
    view.Pick(IDC_MIC_DEVICE, 1);      // unplugged before OK
    audio.SetInputs({"Line In"});

    settings.OnCommand(view, 1);

    EXPECT_EQ(Stored("Playback"), "Modem");
    EXPECT_EQ(Stored("Record"), "Line In");
}

TEST_F(AudioDeviceSettingsTest, WatcherFollowsAChangeMadeElsewhere) {
    Store("Playback", "Modem");
    Store("Record", "Line In");
    Init();
    ASSERT_EQ(view.BoxOf(IDC_SPEAKER_DEVICE).selected, 0);

    Store("Playback", "USB Phone");
    EXPECT_TRUE(view.WaitForSelection(IDC_SPEAKER_DEVICE, 2));
    Store("Record", "Onboard Mic");
    EXPECT_TRUE(view.WaitForSelection(IDC_MIC_DEVICE, 1));
    EXPECT_EQ(view.BoxOf(IDC_SPEAKER_DEVICE).selected, 2);

    EXPECT_TRUE(settings.OnCommand(view, 2));
    EXPECT_FALSE(settings.WatcherRunning());
    // The dialog writes what it showed last.
    EXPECT_EQ(Stored("Playback"), "USB Phone");
}

TEST_F(AudioDeviceSettingsTest, WatcherEndsWhenTheValueCannotBeRead) {
    Store("Playback", "Modem");
    Store("Record", "Line In");
    Init();
    ASSERT_TRUE(settings.WatcherRunning());

    registry.Restore({{kSoundMapperKey, {{"Playback", "Modem"}}}});

    EXPECT_TRUE(Eventually([&] { return !settings.WatcherRunning(); }));
    // A dialog opened again starts a new one.
    Store("Record", "Line In");
    settings.OnCommand(view, 1);
    FakeDialogView again;
    settings.OnInitDialog(again, "No Speaker", "No MIC");
    EXPECT_TRUE(settings.WatcherRunning());
    settings.OnCommand(again, 1);
}

}  // namespace
}  // namespace kestrava
