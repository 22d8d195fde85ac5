// The handset's mixer controls in the running program: once attached, Skype's
// audio goes to the handset's codec by name, and the handset's announcement
// sets the codec's speaker and microphone levels.
#include <gmock/gmock.h>

#include "LiveProgram.h"

namespace kestrava::testing {
namespace {

using MixerIntegration = LiveProgram;

constexpr std::uint32_t kFullScale =
    sim::kCodecVolumeMaximum / sim::kCodecVolumeSteps * sim::kCodecVolumeSteps;

TEST_F(MixerIntegration, SkypesAudioGoesToTheCodecAndTheAnnouncementSetsItsLevels) {
    const std::string name = sim::kHandsetCodecName;
    EXPECT_TRUE(WaitForCommand("SET AUDIO_IN " + name + " "));
    EXPECT_TRUE(WaitForCommand("SET AUDIO_OUT " + name + " "));
    EXPECT_TRUE(WaitForCommand("SET RINGER " + name + " "));

    // The levels of the configuration, on the 0..31 scale.
    const auto speaker = static_cast<std::uint32_t>(library->m_nReg04Value.load());
    const auto microphone = static_cast<std::uint32_t>(library->m_nReg1CValue.load());
    const std::vector<std::uint32_t> speakerValue{(speaker * kFullScale) >> 5};
    const std::vector<std::uint32_t> microphoneValue{(microphone * kFullScale) >> 5};
    EXPECT_TRUE(WaitUntil([&] {
        return audio.ControlValues(audioControls.speakerVolume) == speakerValue;
    })) << "speaker "
        << audio.ControlValues(audioControls.speakerVolume).at(0);
    EXPECT_TRUE(WaitUntil([&] {
        return audio.ControlValues(audioControls.microphoneVolume) == microphoneValue;
    })) << "microphone "
        << audio.ControlValues(audioControls.microphoneVolume).at(0);
    EXPECT_EQ(audio.ControlValues(audioControls.monitorMute), std::vector<std::uint32_t>{1});
}

}  // namespace
}  // namespace kestrava::testing
