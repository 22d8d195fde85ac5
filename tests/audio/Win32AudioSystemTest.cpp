// The winmm adapter on whatever the system (or Wine) offers: without a mixer
// the handset's controls are refused cleanly; wave device names come as UTF-8.
#include <gmock/gmock.h>

#include "AudioTestSupport.h"
#include "audio/HandsetMixers.h"
#include "platform/Platform.h"

namespace kestrava::testing {
namespace {

bool IsUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        auto byte = static_cast<unsigned char>(text[i]);
        std::size_t length = byte < 0x80           ? 1
                             : (byte >> 5) == 0x6  ? 2
                             : (byte >> 4) == 0xE  ? 3
                             : (byte >> 3) == 0x1E ? 4
                                                   : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += length;
    }
    return true;
}

TEST(Win32AudioSystem, TheHandsetsControlsOpenOnlyWithAUsbMixerAndCloseCleanly) {
    AudioSystem& audio = SystemAudioSystem();
    DiagnosticLog log;
    HandsetMixers mixers(audio, log.Sink());
    bool opened = mixers.Open(0);
    if (audio.MixerDeviceCount() == 0) {
        EXPECT_FALSE(opened);
        EXPECT_THAT(log.texts, ::testing::Contains("CMixerBase::Init: No mixer device present"));
    }
    if (!opened) {
        EXPECT_EQ(mixers.Speaker().Level31(), 0u);
    }
    EXPECT_TRUE(IsUtf8(mixers.HandsetAudioDeviceName()));
    mixers.Close();
    EXPECT_FALSE(mixers.Speaker().IsOpen());
    EXPECT_EQ(mixers.HandsetAudioDeviceName(), "");
}

TEST(Win32AudioSystem, WaveDeviceNamesAreUtf8AndPastTheLastDeviceNoneIsRead) {
    AudioSystem& audio = SystemAudioSystem();
    for (std::uint32_t i = 0; i < audio.WaveOutputCount(); ++i) {
        std::string name;
        if (audio.WaveOutputName(i, &name)) {
            EXPECT_TRUE(IsUtf8(name)) << name;
        }
    }
    for (std::uint32_t i = 0; i < audio.WaveInputCount(); ++i) {
        std::string name;
        if (audio.WaveInputName(i, &name)) {
            EXPECT_TRUE(IsUtf8(name)) << name;
        }
    }
    std::string name;
    EXPECT_FALSE(audio.WaveOutputName(audio.WaveOutputCount() + 5, &name));
    EXPECT_FALSE(audio.WaveInputName(audio.WaveInputCount() + 5, &name));
    EXPECT_EQ(audio.OpenMixer(audio.MixerDeviceCount() + 5, 0), 0u);
}

}  // namespace
}  // namespace kestrava::testing
