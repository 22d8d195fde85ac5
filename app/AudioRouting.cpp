#include "app/AudioRouting.h"

#include "app/EndpointRouting.h"

namespace kestrava {

namespace {

// One device or none leaves nothing to choose.
bool HasChoice(const DeviceNames& names) {
    return names.size() > 1;
}

// The first nameable non-handset device, searching down from the last
// index or up from 0.
std::optional<std::string> FirstNonHandset(const DeviceNames& names, bool downward) {
    const std::size_t count = names.size();
    for (std::size_t step = 0; step < count; ++step) {
        const auto& name = names[downward ? count - 1 - step : step];
        if (name && !IsHandsetName(*name)) return name;
    }
    return std::nullopt;
}

}  // namespace

DeviceNames ReadDeviceNames(AudioSystem& audio, AudioSide side) {
    const bool playback = side == AudioSide::Playback;
    const std::uint32_t count = playback ? audio.WaveOutputCount() : audio.WaveInputCount();
    DeviceNames names;
    names.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        std::string name;
        const bool read = playback ? audio.WaveOutputName(i, &name) : audio.WaveInputName(i, &name);
        names.push_back(read ? std::optional<std::string>(std::move(name)) : std::nullopt);
    }
    return names;
}

int FindDevice(const DeviceNames& names, const std::string& name) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] && *names[i] == name) return static_cast<int>(i);
    }
    return -1;
}

AudioRouting::AudioRouting(Registry& registry, AudioSystem& audio, AudioEndpoints* endpoints)
    : m_registry(registry), m_audio(audio), m_endpoints(endpoints) {}

int AudioRouting::PreferNonHandsetDevices() {
    std::lock_guard lock(m_lock);
    if (m_endpoints && PreferNonHandsetEndpoints(*m_endpoints)) return 1;
    const DeviceNames outputs = ReadDeviceNames(m_audio, AudioSide::Playback);
    const DeviceNames inputs = ReadDeviceNames(m_audio, AudioSide::Record);
    if (!HasChoice(outputs) && !HasChoice(inputs)) return 1;

    if (Registry::Key key = m_registry.OpenUserKey(kSoundMapperKey)) {
        PreferInExistingKey(key, outputs, inputs);
        m_registry.CloseKey(key);
    } else if ((key = m_registry.CreateUserKey(kSoundMapperKey)) != 0) {
        PreferInNewKey(key, outputs, inputs);
        m_registry.CloseKey(key);
    }
    return 1;
}

// The user (or the system) chose before: each side independently gets the
// highest-numbered device that is not the handset.
void AudioRouting::PreferInExistingKey(Registry::Key key, const DeviceNames& outputs,
                                       const DeviceNames& inputs) {
    if (HasChoice(outputs)) {
        if (auto name = FirstNonHandset(outputs, true))
            m_registry.WriteString(key, kPlaybackValue, *name);
    }
    if (HasChoice(inputs)) {
        if (auto name = FirstNonHandset(inputs, true))
            m_registry.WriteString(key, kRecordValue, *name);
    }
}

// A fresh set-up: the lowest-numbered non-handset devices, then the two words
// the system keeps beside them. Nothing more is written once a write fails,
// so the words never describe names that are not there.
void AudioRouting::PreferInNewKey(Registry::Key key, const DeviceNames& outputs,
                                  const DeviceNames& inputs) {
    const auto playback = HasChoice(outputs) ? FirstNonHandset(outputs, false) : std::nullopt;
    const auto record = HasChoice(inputs) ? FirstNonHandset(inputs, false) : std::nullopt;
    if (!playback && !record) return;
    if (playback && !m_registry.WriteString(key, kPlaybackValue, *playback)) return;
    if (record && !m_registry.WriteString(key, kRecordValue, *record)) return;
    if (!m_registry.WriteDword(key, kPreferredOnlyValue, 0)) return;
    m_registry.WriteDword(key, kPreferredCountValue, static_cast<std::uint32_t>(outputs.size()));
}

}  // namespace kestrava
