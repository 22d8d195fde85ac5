// The handset's four controls as the shell opens them, over the simulated
// machine's sound cards.
#include <gmock/gmock.h>

#include <thread>

#include "AudioTestSupport.h"
#include "audio/HandsetMixers.h"
#include "sim/SimAudioDevices.h"

namespace kestrava::testing {
namespace {

using ::testing::ElementsAre;

constexpr WindowHandle kMainWindow = 0x100;
constexpr std::uint32_t kCodecStep = sim::kCodecVolumeMaximum / sim::kCodecVolumeSteps;
constexpr std::uint32_t kFullScale = kCodecStep * sim::kCodecVolumeSteps;

class HandsetMixersTest : public ::testing::Test {
  protected:
    PostRecorder windows;
    MemoryAudioSystem audio{&windows};
    sim::SimAudioControls ids = sim::AddSimulatedAudioDevices(audio);
    HandsetMixers mixers{audio};
};

TEST_F(HandsetMixersTest, OpensTheCodecsFourControlsAndUnmutesNothingButMonitorA) {
    EXPECT_EQ(mixers.HandsetAudioDeviceName(), "");
    ASSERT_TRUE(mixers.Open(kMainWindow));
    EXPECT_EQ(mixers.HandsetAudioDeviceName(), sim::kHandsetCodecName);
    EXPECT_EQ(mixers.Speaker().ControlId(), ids.speakerVolume);
    EXPECT_EQ(mixers.Microphone().ControlId(), ids.microphoneVolume);
    EXPECT_EQ(mixers.MonitorSwitchB().ControlId(), ids.monitorMute);
    EXPECT_THAT(audio.ControlValues(ids.monitorMute), ElementsAre(1u));
    EXPECT_EQ(audio.OpenHandles(), 4u);

    mixers.Close();
    EXPECT_EQ(audio.OpenHandles(), 0u);
    EXPECT_EQ(mixers.HandsetAudioDeviceName(), "");
}

TEST_F(HandsetMixersTest, WithoutTheCodecNothingOpensAndTheFadersIgnoreTheKeys) {
    MemoryAudioSystem cardOnly;
    cardOnly.AddMixer(sim::kOnBoardCardName);
    HandsetMixers none(cardOnly);
    EXPECT_FALSE(none.Open(kMainWindow));
    none.SetSpeakerFader(0, 0);
    EXPECT_EQ(none.Speaker().Level31(), 0u);
    EXPECT_EQ(none.HandsetAudioDeviceName(), "");
    EXPECT_EQ(cardOnly.OpenHandles(), 0u);
}

TEST_F(HandsetMixersTest, TheAnnouncementSetsBothFadersOnTheThirtyOneScale) {
    ASSERT_TRUE(mixers.Open(kMainWindow));
    mixers.SetSpeakerFader(2, 16);
    mixers.SetMicrophoneFader(2, 8);
    EXPECT_THAT(audio.ControlValues(ids.speakerVolume), ElementsAre((16 * kFullScale) >> 5));
    EXPECT_THAT(audio.ControlValues(ids.microphoneVolume), ElementsAre((8 * kFullScale) >> 5));
    EXPECT_EQ(mixers.Speaker().Level31(), 16u);
    EXPECT_EQ(mixers.Microphone().Level31(), 8u);
}

TEST_F(HandsetMixersTest, AChangeElsewhereIsPostedToEveryWindowThatAskedForNotices) {
    ASSERT_TRUE(mixers.Open(kMainWindow));
    std::size_t before = windows.Posts().size();  // monitor A's unmuting was a change too
    ASSERT_TRUE(audio.SetControlValues(ids.microphoneVolume, {5000}));
    auto all = windows.Posts();
    std::vector<PostRecorder::Posted> posts(all.begin() + before, all.end());
    // Both faders asked for notices on their own handles; the switches did not.
    ASSERT_EQ(posts.size(), 2u);
    for (const auto& post : posts) {
        EXPECT_EQ(post.window, kMainWindow);
        EXPECT_EQ(post.message, msg::kMixerControlChange);
        EXPECT_EQ(post.lParam, static_cast<LParam>(ids.microphoneVolume));
    }
    EXPECT_EQ(posts[1].wParam, mixers.Microphone().Mixer());
    // The same value again is no change.
    ASSERT_TRUE(audio.SetControlValues(ids.microphoneVolume, {5000}));
    EXPECT_EQ(windows.Posts().size(), before + 2);
}

TEST_F(HandsetMixersTest, TheMicrophoneFloorHoldsOnlyDuringACall) {
    const std::pair<int, std::uint32_t> cases[] = {
        {3, 10000},   // in progress
        {23, 10000},  // early media
        {2, 5000},    // ringing in
        {15, 5000},   // on hold
        {-1, 5000},   // no call
    };
    ASSERT_TRUE(mixers.Open(kMainWindow));
    for (const auto& [status, expected] : cases) {
        ASSERT_TRUE(audio.SetControlValues(ids.microphoneVolume, {5000}));
        mixers.OnMixerControlChange(mixers.Microphone().Mixer(), ids.microphoneVolume, status);
        EXPECT_THAT(audio.ControlValues(ids.microphoneVolume), ElementsAre(expected))
            << "call status " << status;
    }
    // The speaker's own notice is not the microphone's business.
    ASSERT_TRUE(audio.SetControlValues(ids.speakerVolume, {10}));
    mixers.OnMixerControlChange(mixers.Speaker().Mixer(), ids.speakerVolume, 3);
    EXPECT_THAT(audio.ControlValues(ids.speakerVolume), ElementsAre(10u));
}

// The keys, the announcement and the dialog reach the faders from three
// threads while the main thread reopens them; every value stays on the scale.
TEST_F(HandsetMixersTest, FadersStayWholeUnderKeysFromSeveralThreads) {
    ASSERT_TRUE(mixers.Open(kMainWindow));
    std::atomic<bool> stop{false};
    std::thread keys([&] {
        for (int i = 0; !stop; ++i) mixers.SetSpeakerFader(i % 2, 0);
    });
    std::thread dialog([&] {
        while (!stop) {
            EXPECT_LE(mixers.Speaker().Level31(), 31u);
            mixers.SetMicrophoneFader(4, 20);
        }
    });
    for (int i = 0; i < 50; ++i) {
        mixers.Close();
        mixers.Open(kMainWindow);
        EXPECT_FALSE(mixers.HandsetAudioDeviceName().empty());
    }
    stop = true;
    keys.join();
    dialog.join();
    EXPECT_LE(audio.ControlValues(ids.speakerVolume).at(0), kFullScale);
    // Untouched, or set whole by the dialog: never a torn or stray value.
    EXPECT_THAT(audio.ControlValues(ids.microphoneVolume),
                ElementsAre(::testing::AnyOf(20000u, (20 * kFullScale) >> 5)));
    mixers.Close();
    EXPECT_EQ(audio.OpenHandles(), 0u);
}

}  // namespace
}  // namespace kestrava::testing
