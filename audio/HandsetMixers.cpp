#include "audio/HandsetMixers.h"

#include "audio/MixerTypes.h"

namespace kestrava {

using namespace mixer;

namespace {
constexpr int kCallInProgress = 3;   // CALL_INPROGRESS
constexpr int kCallEarlyMedia = 23;  // CALL_EARLYMEDIA
}  // namespace

HandsetMixers::HandsetMixers(AudioSystem& audio, MixerDiagnostics diagnostics,
                             AudioEndpoints* endpoints)
    : m_speaker(audio, diagnostics, endpoints),
      m_microphone(audio, diagnostics, endpoints),
      m_monitorA(audio, diagnostics, endpoints),
      m_monitorB(audio, diagnostics, endpoints) {}

bool HandsetMixers::Open(WindowHandle notifyWindow) {
    std::lock_guard lock(m_lock);
    bool speaker = m_speaker.Init(kDstSpeakers, kDestinationItself, kVolume,
                                  CMixerFader::kVolumeFader, notifyWindow) != 0;
    bool microphone = m_microphone.Init(kDstWaveIn, kSrcMicrophone, kVolume,
                                        CMixerFader::kVolumeFader, notifyWindow) != 0;
    bool monitorA = m_monitorA.Init(kDstSpeakers, kSrcMicrophone, kMute, 0) != 0;
    bool monitorB = m_monitorB.Init(kDstSpeakers, kSrcMicrophone, kMute, 0) != 0;
    if (monitorA) m_monitorA.SetValue(1);
    return speaker && microphone && monitorA && monitorB;
}

void HandsetMixers::Close() {
    std::lock_guard lock(m_lock);
    m_speaker.Close();
    m_microphone.Close();
    m_monitorA.Close();
    m_monitorB.Close();
}

void HandsetMixers::OnMixerControlChange(WParam wParam, LParam lParam, int callStatus) {
    if (callStatus != kCallInProgress && callStatus != kCallEarlyMedia) return;
    std::lock_guard lock(m_lock);
    m_microphone.OnControlChange(static_cast<MixerHandle>(wParam),
                                 static_cast<std::uint32_t>(lParam));
}

std::string HandsetMixers::HandsetAudioDeviceName() const {
    std::lock_guard lock(m_lock);
    return m_speaker.DeviceName();
}

void HandsetMixers::SetSpeakerFader(int kind, int value) {
    std::lock_guard lock(m_lock);
    m_speaker.SetFaderValue(kind, value);
}

void HandsetMixers::SetMicrophoneFader(int kind, int value) {
    std::lock_guard lock(m_lock);
    m_microphone.SetFaderValue(kind, value);
}

}  // namespace kestrava
