// Mixers for the audio tests: a handset codec laid out as the system shows
// one (speakers with their own volume and the microphone monitor's mute,
// recording with the microphone's volume), with the shape of each control
// chosen by the test.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "Fakes.h"
#include "audio/MixerTypes.h"
#include "platform/MemoryAudioSystem.h"

namespace kestrava::testing {

struct CodecShape {
    std::string name = "USB Audio Device";
    std::uint32_t speakerChannels = 1;
    std::int32_t maximum = 65535;
    std::uint32_t steps = 100;  // step 655
    std::uint32_t initial = 0;
};

struct CodecIds {
    std::uint32_t mixer = 0;
    std::uint32_t speaker = 0;
    std::uint32_t microphone = 0;
    std::uint32_t monitor = 0;
};

inline MixerControlInfo VolumeControl(const CodecShape& shape) {
    MixerControlInfo control;
    control.controlType = mixer::kVolume;
    control.maximum = shape.maximum;
    control.steps = shape.steps;
    return control;
}

inline CodecIds AddCodec(MemoryAudioSystem& audio, const CodecShape& shape = {}) {
    CodecIds ids;
    ids.mixer = audio.AddMixer(shape.name);
    auto speakers = audio.AddDestination(ids.mixer, mixer::kDstSpeakers, shape.speakerChannels);
    ids.speaker = audio.AddControl(ids.mixer, speakers, MemoryAudioSystem::kDestinationLine,
                                   VolumeControl(shape), shape.initial);
    auto monitor = audio.AddSource(ids.mixer, speakers, mixer::kSrcMicrophone, 1);
    MixerControlInfo mute;
    mute.controlType = mixer::kMute;
    mute.maximum = 1;
    ids.monitor = audio.AddControl(ids.mixer, speakers, monitor, mute);
    auto capture = audio.AddDestination(ids.mixer, mixer::kDstWaveIn, 1);
    auto microphone = audio.AddSource(ids.mixer, capture, mixer::kSrcMicrophone, 1);
    ids.microphone =
        audio.AddControl(ids.mixer, capture, microphone, VolumeControl(shape), shape.initial);
    return ids;
}

// A window system that keeps every posted message whole.
class PostRecorder : public RecordingWindowSystem {
  public:
    struct Posted {
        WindowHandle window;
        std::uint32_t message;
        WParam wParam;
        LParam lParam;
    };
    bool Post(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) override {
        std::lock_guard lock(m_postLock);
        m_posts.push_back({window, message, wParam, lParam});
        return true;
    }
    std::vector<Posted> Posts() {
        std::lock_guard lock(m_postLock);
        return m_posts;
    }

  private:
    std::mutex m_postLock;
    std::vector<Posted> m_posts;
};

// Collects the mixer objects' diagnostic texts.
struct DiagnosticLog {
    std::vector<std::string> texts;
    std::function<void(const std::string&)> Sink() {
        return [this](const std::string& text) { texts.push_back(text); };
    }
};

}  // namespace kestrava::testing
