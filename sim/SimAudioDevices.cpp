#include "SimAudioDevices.h"

namespace kestrava::sim {

namespace {
// Values as the system gives them (MIXERLINE_COMPONENTTYPE_..., MIXERCONTROL_...).
constexpr std::uint32_t kDstSpeakers = 4;
constexpr std::uint32_t kDstWaveIn = 7;
constexpr std::uint32_t kSrcMicrophone = 0x1003;
constexpr std::uint32_t kSrcWaveOut = 0x1008;
constexpr std::uint32_t kVolume = 0x50030001;
constexpr std::uint32_t kMute = 0x20010002;

MixerControlInfo Volume() {
    MixerControlInfo control;
    control.controlType = kVolume;
    control.minimum = 0;
    control.maximum = kCodecVolumeMaximum;
    control.steps = kCodecVolumeSteps;
    control.name = "Volume";
    return control;
}

MixerControlInfo Mute() {
    MixerControlInfo control;
    control.controlType = kMute;
    control.flags = 1;  // one value for all channels
    control.minimum = 0;
    control.maximum = 1;
    control.name = "Mute";
    return control;
}
}  // namespace

SimAudioControls AddSimulatedAudioDevices(MemoryAudioSystem& audio) {
    // The on-board card has the same lines; only its name tells it apart.
    std::uint32_t card = audio.AddMixer(kOnBoardCardName);
    std::uint32_t cardSpeakers = audio.AddDestination(card, kDstSpeakers, 2, "Speakers");
    audio.AddControl(card, cardSpeakers, MemoryAudioSystem::kDestinationLine, Volume(), 40000);
    std::uint32_t cardCapture = audio.AddDestination(card, kDstWaveIn, 2, "Recording");
    std::uint32_t cardMicrophone = audio.AddSource(card, cardCapture, kSrcMicrophone, 2);
    audio.AddControl(card, cardCapture, cardMicrophone, Volume(), 40000);

    SimAudioControls ids;
    std::uint32_t codec = audio.AddMixer(kHandsetCodecName);
    std::uint32_t speakers = audio.AddDestination(codec, kDstSpeakers, 1, "Speaker");
    ids.speakerVolume =
        audio.AddControl(codec, speakers, MemoryAudioSystem::kDestinationLine, Volume(), 20000);
    audio.AddSource(codec, speakers, kSrcWaveOut, 1, "Wave");
    std::uint32_t monitor = audio.AddSource(codec, speakers, kSrcMicrophone, 1, "Microphone");
    ids.monitorMute = audio.AddControl(codec, speakers, monitor, Mute(), 0);
    std::uint32_t capture = audio.AddDestination(codec, kDstWaveIn, 1, "Capture");
    std::uint32_t microphone = audio.AddSource(codec, capture, kSrcMicrophone, 1, "Microphone");
    ids.microphoneVolume = audio.AddControl(codec, capture, microphone, Volume(), 20000);

    audio.AddWaveOutput(kOnBoardCardName);
    audio.AddWaveOutput(kHandsetCodecName);
    audio.AddWaveInput(kOnBoardCardName);
    audio.AddWaveInput(kHandsetCodecName);
    return ids;
}

}  // namespace kestrava::sim
