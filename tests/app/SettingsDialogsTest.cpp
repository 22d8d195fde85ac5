// The settings dialogs over the recorded dialog model: what each shows when it
// opens, what the person's clicks change, and the counters that keep a dialog
// from opening twice. The dialogs run on the test's thread, scripted from the
// model's shown hook, as they run on the main thread in the program.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "FakeWaveDevices.h"
#include "app/DialogSeams.h"
#include "app/SettingsDialogs.h"
#include "platform/MemoryRegistry.h"
#include "platform/Paths.h"
#include "platform/posix/InProcessDesktop.h"
#include "platform/posix/ModelDialogHost.h"
#include "tests/protocol/EngineFixture.h"

namespace kestrava::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class RecordingFaders final : public VolumeFaders {
  public:
    int speaker = 0;
    int microphone = 0;
    std::vector<std::string> calls;

    int SpeakerLevel31() override { return speaker; }
    int MicrophoneLevel31() override { return microphone; }
    void SetSpeakerFader(int kind, int value) override {
        calls.push_back("speaker " + std::to_string(kind) + " " + std::to_string(value));
    }
    void SetMicrophoneFader(int kind, int value) override {
        calls.push_back("mic " + std::to_string(kind) + " " + std::to_string(value));
    }
};

class SettingsDialogsTest : public EngineTest {
  protected:
    using Script = std::function<void(WindowHandle dialog)>;

    void SetUp() override {
        EngineTest::SetUp();
        folder = std::filesystem::temp_directory_path() /
                 ("kestrava-dialogs-" +
                  std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
        shell.moduleDirectory = folder.string() + kPathSeparator;
        settings.SetEngine(engine.get());
        settings.SetFaders(&faders);
        // Each dialog that opens runs the script given for its resource.
        host.SetShownHook([this](WindowHandle dialog) {
            auto it = scripts.find(host.Current().resourceId);
            if (it != scripts.end()) it->second(dialog);
        });
    }
    void TearDown() override {
        host.SetShownHook(nullptr);
        std::filesystem::remove_all(folder);
        EngineTest::TearDown();
    }

    void Configure(const std::string& ini) {
        std::ofstream(folder / "Pellanor.ini", std::ios::binary) << ini;
        int flags[10];
        engine->LoadConfiguration(shell.moduleDirectory.c_str(), &flags[0], &flags[1], &flags[2],
                                  &flags[3], &flags[4], &flags[5], &flags[6], &flags[7], &flags[8],
                                  &flags[9]);
    }
    std::vector<int> ResourcesShown() {
        std::vector<int> ids;
        for (const auto& dialog : host.Dialogs()) ids.push_back(dialog.resourceId);
        return ids;
    }

    std::filesystem::path folder;
    InProcessDesktop desktop;
    std::unique_ptr<InProcessDesktop::Program> program = desktop.OpenProgram("Kestrava");
    ModelDialogHost host{*program};
    RecordingFaders faders;
    SettingsDialogs settings{host, shell};
    std::map<int, Script> scripts;
};

TEST_F(SettingsDialogsTest, TheAboutBoxShowsTheCustomerTextLineByLineOrAnEmptyBlock) {
    struct Case {
        const char* ini;
        std::string shown;
    };
    const Case cases[] = {
        {"[NAME]\nCustomerINFO=Front Desk\\nCall us\n", "Front Desk\r\nCall us"},
        {"[NAME]\nCustomerINFO=\n", ""},
        {"[NAME]\nName=Kestrava\n", ""},
    };
    for (const Case& c : cases) {
        Configure(c.ini);
        std::string text = "not set";
        scripts[IDD_ABOUT] = [&](WindowHandle dialog) {
            text = host.ControlText(dialog, IDC_CUSTOMER_INFO);
            host.Press(dialog, kCancel);
        };
        settings.ShowAbout();
        EXPECT_EQ(text, c.shown) << c.ini;
        EXPECT_EQ(host.Current().result, kCancel);
        EXPECT_FALSE(host.Current().open);
    }
}

TEST_F(SettingsDialogsTest, TheVolumeSlidersStandUpsideDownAtTheFadersLevels) {
    faders.speaker = 10;
    faders.microphone = 31;
    DialogModel shown;
    scripts[IDD_VOLUME] = [&](WindowHandle dialog) {
        shown = host.Current();
        EXPECT_EQ(settings.VolumeOpenCount(), 1);
        host.Press(dialog, kOk);
    };
    settings.ShowVolumeControl();
    EXPECT_EQ(shown.trackbars[IDC_SPEAKER_SLIDER].maximum, 31);
    EXPECT_EQ(shown.trackbars[IDC_MIC_SLIDER].minimum, 0);
    EXPECT_EQ(shown.trackbars[IDC_SPEAKER_SLIDER].position, 21);
    EXPECT_EQ(shown.trackbars[IDC_MIC_SLIDER].position, 0);
    EXPECT_EQ(settings.VolumeOpenCount(), 0);
    EXPECT_EQ(g_pausedMs.load(), 500) << "the dialog lingers before it goes";
    EXPECT_THAT(faders.calls, IsEmpty());
}

TEST_F(SettingsDialogsTest, EachScrollNoticeSetsAtMostOneFaderTheMicrophoneFirst) {
    faders.speaker = 16;
    faders.microphone = 16;
    scripts[IDD_VOLUME] = [&](WindowHandle dialog) {
        host.MoveTrackbar(dialog, IDC_SPEAKER_SLIDER, 0);  // to the top
        host.SetTrackbarPosition(dialog, IDC_SPEAKER_SLIDER, 31);
        host.MoveTrackbar(dialog, IDC_MIC_SLIDER, 5);  // both moved: the microphone wins
        host.MoveTrackbar(dialog, IDC_MIC_SLIDER, 5);  // then the speaker follows
        host.MoveTrackbar(dialog, IDC_MIC_SLIDER, 5);  // nothing moved: nothing set
        host.Press(dialog, kCancel);
    };
    settings.ShowVolumeControl();
    EXPECT_THAT(faders.calls, ElementsAre("speaker 4 31", "mic 4 26", "speaker 4 0"));
    EXPECT_EQ(settings.LastSpeakerLevel(), 0);
    EXPECT_EQ(settings.LastMicLevel(), 26);
}

TEST_F(SettingsDialogsTest, WithoutFadersTheSlidersStandAtTheBottomAndChangeNothing) {
    settings.SetFaders(nullptr);
    int position = -1;
    scripts[IDD_VOLUME] = [&](WindowHandle dialog) {
        position = host.TrackbarPosition(dialog, IDC_SPEAKER_SLIDER);
        host.MoveTrackbar(dialog, IDC_SPEAKER_SLIDER, 0);
        host.Press(dialog, kOk);
    };
    settings.ShowVolumeControl();
    EXPECT_EQ(position, 31);
    EXPECT_THAT(faders.calls, IsEmpty());
}

TEST_F(SettingsDialogsTest, AdvancedSettingsKeepTheCheckBoxesOnOkAndOnEsc) {
    struct Case {
        int autoSwitch, autoRun;
        std::vector<int> clicks;
        int closeWith;
        int autoSwitchAfter, autoRunAfter;
    };
    const Case cases[] = {
        {1, 1, {IDC_AUTO_RUN_SKYPE}, kCancel, 1, 0},
        {1, 1, {IDC_AUTO_RUN_SKYPE}, kOk, 1, 0},
        {0, 1, {IDC_AUTO_SWITCH_AUDIO, IDC_AUTO_RUN_SKYPE}, kCancel, 1, 0},
        {0, 0, {}, kCancel, 0, 0},
    };
    for (const Case& c : cases) {
        shell.SupportAutoSwitchAudioDevice = c.autoSwitch;
        shell.SupportAutoRunSkype = c.autoRun;
        bool shownSwitch = false, shownRun = false;
        scripts[IDD_ADVANCED] = [&](WindowHandle dialog) {
            shownSwitch = host.IsChecked(dialog, IDC_AUTO_SWITCH_AUDIO);
            shownRun = host.IsChecked(dialog, IDC_AUTO_RUN_SKYPE);
            for (int id : c.clicks) host.ClickCheckBox(dialog, id);
            host.Press(dialog, c.closeWith);
        };
        settings.ShowAdvancedSettings();
        EXPECT_EQ(shownSwitch, c.autoSwitch != 0);
        EXPECT_EQ(shownRun, c.autoRun != 0);
        EXPECT_EQ(shell.SupportAutoSwitchAudioDevice.load(), c.autoSwitchAfter);
        EXPECT_EQ(shell.SupportAutoRunSkype.load(), c.autoRunAfter);
        EXPECT_EQ(settings.AdvancedOpenCount(), 0);
    }
}

TEST_F(SettingsDialogsTest, TheRingListIsFilledAndTheChosenRingIsSelectedNextTime) {
    Configure("[RINGS]\nNUMOFRINGS=3\nRING_1=Classic\nRING_2=Chime\nRING_3=Bell\n");
    scripts[IDD_ADVANCED] = [&](WindowHandle dialog) {
        EXPECT_EQ(host.ComboSelection(dialog, IDC_RING_LIST), 0);
        host.ChooseComboEntry(dialog, IDC_RING_LIST, 2);
        host.Press(dialog, kOk);
    };
    settings.ShowAdvancedSettings();
    EXPECT_EQ(settings.RingIndex(), 2);
    EXPECT_THAT(host.Current().comboLines[IDC_RING_LIST], ElementsAre("Classic", "Chime", "Bell"));

    int selected = -1;
    scripts[IDD_ADVANCED] = [&](WindowHandle dialog) {
        selected = host.ComboSelection(dialog, IDC_RING_LIST);
        host.Press(dialog, kOk);
    };
    settings.ShowAdvancedSettings();
    EXPECT_EQ(selected, 2);
}

// A command that arrives while a dialog is open runs in the dialog's loop: the
// scripts below open dialogs from inside other dialogs just as that would.
TEST_F(SettingsDialogsTest, AGuardedDialogOpensOnceAboutOpensWhileAnotherIsOpen) {
    struct Case {
        int resource;
        std::function<void()> show;
    };
    const Case cases[] = {
        {IDD_VOLUME, [&] { settings.ShowVolumeControl(); }},
        {IDD_ADVANCED, [&] { settings.ShowAdvancedSettings(); }},
        {IDD_AUDIO_DEVICES, [&] { settings.ShowAudioDeviceSettings(); }},
    };
    for (const Case& c : cases) {
        const std::size_t before = host.Dialogs().size();
        scripts[c.resource] = [&](WindowHandle dialog) {
            c.show();  // the same command again: not opened
            settings.ShowAbout();
            host.Press(dialog, kOk);
        };
        scripts[IDD_ABOUT] = [&](WindowHandle dialog) {
            c.show();  // still guarded while About is open above it
            host.Press(dialog, kOk);
        };
        c.show();
        std::vector<int> shown = ResourcesShown();
        shown.erase(shown.begin(), shown.begin() + static_cast<long>(before));
        EXPECT_THAT(shown, ElementsAre(c.resource, IDD_ABOUT)) << c.resource;

        // Ended, it opens again.
        scripts[c.resource] = [&](WindowHandle dialog) { host.Press(dialog, kCancel); };
        c.show();
        EXPECT_EQ(ResourcesShown().back(), c.resource);
    }
    EXPECT_EQ(settings.VolumeOpenCount() + settings.AdvancedOpenCount() +
                  settings.AudioDevicesOpenCount(),
              0);
}

TEST_F(SettingsDialogsTest, TheAudioDevicesProcedureRunsInsideTheCounter) {
    std::vector<std::uint32_t> messages;
    int countAtInit = -1;
    settings.SetAudioDevicesProcedure(
        [&](WindowHandle dialog, std::uint32_t message, WParam wParam, LParam) -> LParam {
            messages.push_back(message);
            if (message == msg::kInitDialog) countAtInit = settings.AudioDevicesOpenCount();
            if (message == msg::kCommand && LowWord(wParam) == kCancel) host.EndDialog(dialog, 7);
            return 1;
        });
    scripts[IDD_AUDIO_DEVICES] = [&](WindowHandle dialog) { host.Press(dialog, kCancel); };
    settings.ShowAudioDeviceSettings();
    EXPECT_THAT(messages, ElementsAre(msg::kInitDialog, msg::kCommand, msg::kDestroy));
    EXPECT_EQ(countAtInit, 1);
    EXPECT_EQ(host.Current().result, 7);
    EXPECT_EQ(settings.AudioDevicesOpenCount(), 0);
}

class NoDeviceWords final : public ResourceStrings {
  public:
    std::string Load(int) override { return "No device"; }
};

// Exit from the tray while the dialog is open: the program's quit request
// ends the dialog's loop, and the routing watcher must end with the dialog,
// not run on through shutdown into a window object that is gone.
TEST_F(SettingsDialogsTest, AQuitWhileAudioDevicesIsOpenEndsTheWatcherWithTheDialog) {
    FakeWaveDevices audio;
    audio.SetBoth({"Modem", "USB Phone"});
    MemoryRegistry registry;
    const Registry::Key key = registry.CreateUserKey(kSoundMapperKey);
    registry.WriteString(key, kPlaybackValue, "Modem");
    registry.WriteString(key, kRecordValue, "Modem");
    registry.CloseKey(key);
    std::atomic<std::int32_t> autoSwitch{0};
    NoDeviceWords words;
    AudioDeviceSettings logic(registry, audio, autoSwitch, std::chrono::milliseconds(5));
    AudioDevicesWindow window(host, *program, words, logic);
    settings.SetAudioDevicesProcedure([&](WindowHandle d, std::uint32_t m, WParam w, LParam l) {
        return window.Procedure(d, m, w, l);
    });
    bool watchedWhileOpen = false;
    scripts[IDD_AUDIO_DEVICES] = [&](WindowHandle) {
        watchedWhileOpen = logic.WatcherRunning();
        program->PostQuit(3);
    };

    settings.ShowAudioDeviceSettings();

    EXPECT_TRUE(watchedWhileOpen);
    EXPECT_FALSE(logic.WatcherRunning());
    EXPECT_FALSE(logic.IsOpen());
    EXPECT_EQ(settings.AudioDevicesOpenCount(), 0);
    // The quit request is left for the program's own loop.
    EXPECT_EQ(program->RunMessageLoop(), 3);
    settings.SetAudioDevicesProcedure(nullptr);
}

}  // namespace
}  // namespace kestrava::testing
