// The simulated machine's sound devices: an on-board card (mixer and wave
// device 0) and the handset's USB codec (device 1) with its speaker volume,
// its microphone recording volume and the mute of the microphone's playback
// monitor. Simulation mode and the integration tests use the same devices.
#pragma once

#include <cstdint>

#include "platform/MemoryAudioSystem.h"

namespace kestrava::sim {

inline constexpr const char* kHandsetCodecName = "USB Audio Device";
inline constexpr const char* kOnBoardCardName = "On-board Audio";

// The codec's volume controls run 0..65535 in 100 steps.
inline constexpr std::int32_t kCodecVolumeMaximum = 65535;
inline constexpr std::uint32_t kCodecVolumeSteps = 100;

struct SimAudioControls {
    std::uint32_t speakerVolume = 0;
    std::uint32_t microphoneVolume = 0;
    std::uint32_t monitorMute = 0;
};

// Adds both cards to `audio`; gives the ids of the codec's controls.
SimAudioControls AddSimulatedAudioDevices(MemoryAudioSystem& audio);

}  // namespace kestrava::sim
