// Stand-ins for the parts of the program that the handset's input reaches but
// that are not built yet: the mixer controls (the handset's faders). They
// report what would have been done, so simulation mode and tests can see it.
#pragma once

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>

#include "handset/HandsetSeams.h"

namespace kestrava {

class FaderStandIn final : public HandsetAudio {
  public:
    using Trace = std::function<void(const std::string&)>;
    explicit FaderStandIn(Trace trace) : m_trace(std::move(trace)) {}

    void SetSpeakerFader(int kind, int value) override {
        m_speaker = value;
        Report("speaker", kind, value);
    }
    void SetMicrophoneFader(int kind, int value) override {
        m_microphone = value;
        Report("microphone", kind, value);
    }
    int LastSpeaker() const { return m_speaker; }
    int LastMicrophone() const { return m_microphone; }

  private:
    void Report(const char* fader, int kind, int value) {
        if (m_trace) {
            m_trace(std::string("mixer: ") + fader + " fader kind " + std::to_string(kind) +
                    " value " + std::to_string(value));
        }
    }
    Trace m_trace;
    std::atomic<int> m_speaker{-1};
    std::atomic<int> m_microphone{-1};
};

}  // namespace kestrava
