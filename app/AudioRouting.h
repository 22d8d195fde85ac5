// Keeps the handset's sound device out of the system's preferred devices.
//
// After each attach to Skype the engine asks for PreferNonHandsetDevices: the
// preferred playback and recording devices (the Sound Mapper's "Playback" and
// "Record" values) are set to a device that is not the handset, so only Skype,
// which is pointed at the handset afterwards, uses the handset's codec.
//
// The playback side takes its names from the output devices and the record
// side from the input devices; a device whose name cannot be read has none
// and is never chosen.
//
// A system with audio endpoints no longer reads those values: there the
// default endpoints are set instead (app/EndpointRouting.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "audio/HandsetDeviceRule.h"
#include "platform/AudioEndpoints.h"
#include "platform/AudioSystem.h"
#include "platform/Registry.h"

namespace kestrava {

inline constexpr char kSoundMapperKey[] = "Software\\Microsoft\\Multimedia\\Sound Mapper";
inline constexpr char kPlaybackValue[] = "Playback";
inline constexpr char kRecordValue[] = "Record";
inline constexpr char kPreferredOnlyValue[] = "PreferredOnly";
inline constexpr char kPreferredCountValue[] = "SetupPreferredAudioDevicesCount";
// Registry texts of this feature are read into buffers of this many UTF-16
// units (the system's device names have at most 31).
inline constexpr std::size_t kSoundMapperTextCapacity = 80;

enum class AudioSide { Playback, Record };

// Device names of one side by index; nullopt where the name cannot be read.
using DeviceNames = std::vector<std::optional<std::string>>;

DeviceNames ReadDeviceNames(AudioSystem& audio, AudioSide side);
// The index of the device named exactly `name`, or -1.
int FindDevice(const DeviceNames& names, const std::string& name);

class AudioRouting {
  public:
    // With endpoints (may be null) that the system has, those are routed.
    AudioRouting(Registry& registry, AudioSystem& audio, AudioEndpoints* endpoints = nullptr);

    // Sets "Playback" and "Record" to a device that is not the handset, or
    // on a system with endpoints the default endpoints.
    // Returns 1 always: the set-up after attaching goes on whatever happened.
    int PreferNonHandsetDevices();

  private:
    void PreferInExistingKey(Registry::Key key, const DeviceNames& outputs,
                             const DeviceNames& inputs);
    void PreferInNewKey(Registry::Key key, const DeviceNames& outputs, const DeviceNames& inputs);

    Registry& m_registry;
    AudioSystem& m_audio;
    AudioEndpoints* m_endpoints;
    std::recursive_mutex m_lock;
};

}  // namespace kestrava
