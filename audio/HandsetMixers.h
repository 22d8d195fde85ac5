// The four controls of the handset's mixer, opened and closed together: the
// speaker fader (the playback volume), the microphone fader (the recording
// volume) and the two mute switches of the microphone's playback monitor.
// The speaker fader's device is the handset's audio device, whose name Skype's
// audio commands carry.
#pragma once

#include <mutex>
#include <string>

#include "audio/MixerControls.h"
#include "handset/HandsetSeams.h"
#include "platform/WindowTypes.h"

namespace kestrava {

class HandsetMixers final : public HandsetAudio {
  public:
    // `endpoints` (may be null) helps find the handset's mixer on a system
    // with audio endpoints.
    explicit HandsetMixers(AudioSystem& audio, MixerDiagnostics diagnostics = {},
                           AudioEndpoints* endpoints = nullptr);

    // Opens all four; the faders send their change notices to `notifyWindow`.
    // Monitor switch A is set to 1. True when all four opened.
    bool Open(WindowHandle notifyWindow);
    void Close();
    // A change notice (wParam: the mixer, lParam: the control). The microphone
    // fader sees it only while a call is in progress or has early media.
    void OnMixerControlChange(WParam wParam, LParam lParam, int callStatus);
    // The handset's audio device name (UTF-8); empty while closed.
    std::string HandsetAudioDeviceName() const;

    // The volume dialog reads and sets the faders directly.
    CMixerFader& Speaker() { return m_speaker; }
    CMixerFader& Microphone() { return m_microphone; }
    CMixerNumber& MonitorSwitchA() { return m_monitorA; }
    CMixerNumber& MonitorSwitchB() { return m_monitorB; }

    // HandsetAudio: the announcement's levels (kind 2) and the volume keys.
    void SetSpeakerFader(int kind, int value) override;
    void SetMicrophoneFader(int kind, int value) override;

  private:
    mutable std::recursive_mutex m_lock;
    CMixerFader m_speaker;
    CMixerFader m_microphone;
    CMixerNumber m_monitorA;
    CMixerNumber m_monitorB;
};

}  // namespace kestrava
