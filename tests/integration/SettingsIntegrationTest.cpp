// The tray menu's settings in the running program: the person at the
// computer opens a dialog from the tray and what they change reaches the
// handset's codec or the system's preferred devices.
#include <gmock/gmock.h>

#include "LiveProgram.h"
#include "app/SettingsDialogIds.h"

namespace kestrava::testing {
namespace {

constexpr std::uint32_t kFullScale =
    sim::kCodecVolumeMaximum / sim::kCodecVolumeSteps * sim::kCodecVolumeSteps;
constexpr const char* kSoundMapper = "Software\\Microsoft\\Multimedia\\Sound Mapper";

class SettingsIntegration : public LiveProgram {
  protected:
    void BeforeRun() override {
        dialogs.SetShownHook([this](DialogHost::DialogHandle dialog) { shown = dialog; });
    }

    // Waits for a dialog to be shown and gives its handle (0 when none came).
    DialogHost::DialogHandle WaitForDialog() {
        WaitUntil([&] { return shown.load() != 0; });
        return shown.exchange(0);
    }

    std::string StoredDevice(const char* name) {
        auto values = registry.ValuesOf(kSoundMapper);
        auto found = values.find(name);
        if (found == values.end()) return {};
        const std::string* text = std::get_if<std::string>(&found->second);
        return text ? *text : std::string();
    }

    std::atomic<DialogHost::DialogHandle> shown{0};
};

TEST_F(SettingsIntegration, TheSpeakerSliderAtTheTopSetsTheCodecsSpeakerToItsTopLevel) {
    ASSERT_TRUE(tray.RightClick(IDM_VOLUME));
    DialogHost::DialogHandle dialog = WaitForDialog();
    ASSERT_NE(dialog, 0u) << "Volume Control did not open";
    EXPECT_EQ(dialogs.Current().resourceId, IDD_VOLUME);
    // The sliders stand upside down: the top of the speaker's is position 0.
    ASSERT_TRUE(dialogs.MoveTrackbar(dialog, IDC_SPEAKER_SLIDER, 0));
    const std::vector<std::uint32_t> topLevel{(31 * kFullScale) >> 5};
    EXPECT_TRUE(WaitUntil([&] {
        return audio.ControlValues(audioControls.speakerVolume) == topLevel;
    })) << audio.ControlValues(audioControls.speakerVolume).at(0);
    ASSERT_TRUE(dialogs.Press(dialog, kOk));
    EXPECT_TRUE(WaitUntil([&] { return !dialogs.Current().open; }));
    // Leaving right after the dialog has ended (the program's exit may come
    // while the dialog's loop is still winding down) ends the program.
}

TEST_F(SettingsIntegration, ThePreferredDevicesPointAwayFromTheHandsetAndTheDialogShowsThem) {
    // After attaching, the system's preferred devices were set to the on-board card.
    EXPECT_TRUE(WaitUntil([&] { return StoredDevice("Playback") == sim::kOnBoardCardName; }));
    EXPECT_EQ(StoredDevice("Record"), sim::kOnBoardCardName);

    program->Post(application->State().mainWindow.load(), msg::kCommand, IDM_AUDIO_DEVICES, 0);
    DialogHost::DialogHandle dialog = WaitForDialog();
    ASSERT_NE(dialog, 0u) << "Audio Device Settings did not open";
    DialogModel model = dialogs.Current();
    EXPECT_EQ(model.resourceId, IDD_AUDIO_DEVICES);
    EXPECT_THAT(model.comboLines[IDC_SPEAKER_DEVICE],
                ::testing::ElementsAre(sim::kOnBoardCardName, sim::kHandsetCodecName));
    EXPECT_EQ(model.comboSelection[IDC_SPEAKER_DEVICE], 0);
    EXPECT_EQ(model.comboSelection[IDC_MIC_DEVICE], 0);

    // The person picks the handset's codec as the speaker and closes with Esc:
    // the choice is written as OK would.
    ASSERT_TRUE(dialogs.ChooseComboEntry(dialog, IDC_SPEAKER_DEVICE, 1));
    ASSERT_TRUE(dialogs.Press(dialog, kCancel));
    EXPECT_TRUE(WaitUntil([&] { return StoredDevice("Playback") == sim::kHandsetCodecName; }));
    EXPECT_EQ(StoredDevice("Record"), sim::kOnBoardCardName);
}

}  // namespace
}  // namespace kestrava::testing
