#include "MemoryAudioSystem.h"

#include <algorithm>

#include "WindowTypes.h"

namespace kestrava {

namespace {
constexpr std::uint32_t kUniform = 1;
constexpr std::uint32_t kMultiple = 2;

// Line ids as the system builds them: the destination index in the low word,
// the source index plus one above it (0 for the destination line itself).
std::uint32_t LineIdOf(std::uint32_t destination, std::uint32_t source) {
    std::uint32_t above = source == MemoryAudioSystem::kDestinationLine ? 0 : source + 1;
    return (above << 16) | (destination & 0xFFFF);
}
}  // namespace

std::uint32_t MemoryAudioSystem::AddMixer(const std::string& productName) {
    std::lock_guard lock(m_lock);
    m_mixers.push_back(Mixer{productName, true, false, {}});
    return static_cast<std::uint32_t>(m_mixers.size() - 1);
}

void MemoryAudioSystem::SetCapabilitiesUnreadable(std::uint32_t mixer) {
    std::lock_guard lock(m_lock);
    if (mixer < m_mixers.size()) m_mixers[mixer].capabilitiesReadable = false;
}

void MemoryAudioSystem::SetOpenRefused(std::uint32_t mixer) {
    std::lock_guard lock(m_lock);
    if (mixer < m_mixers.size()) m_mixers[mixer].openRefused = true;
}

std::uint32_t MemoryAudioSystem::AddDestination(std::uint32_t mixer, std::uint32_t componentType,
                                                std::uint32_t channels, const std::string& name) {
    std::lock_guard lock(m_lock);
    if (mixer >= m_mixers.size()) return kDestinationLine;
    auto& destinations = m_mixers[mixer].destinations;
    auto index = static_cast<std::uint32_t>(destinations.size());
    Destination destination;
    destination.line.info.destination = index;
    destination.line.info.lineId = LineIdOf(index, kDestinationLine);
    destination.line.info.componentType = componentType;
    destination.line.info.channels = channels;
    destination.line.info.name = name;
    destinations.push_back(std::move(destination));
    return index;
}

std::uint32_t MemoryAudioSystem::AddSource(std::uint32_t mixer, std::uint32_t destination,
                                           std::uint32_t componentType, std::uint32_t channels,
                                           const std::string& name) {
    std::lock_guard lock(m_lock);
    if (mixer >= m_mixers.size() || destination >= m_mixers[mixer].destinations.size()) {
        return kDestinationLine;
    }
    auto& sources = m_mixers[mixer].destinations[destination].sources;
    auto index = static_cast<std::uint32_t>(sources.size());
    Line line;
    line.info.destination = destination;
    line.info.source = index;
    line.info.lineId = LineIdOf(destination, index);
    line.info.componentType = componentType;
    line.info.channels = channels;
    line.info.name = name;
    sources.push_back(std::move(line));
    return index;
}

std::uint32_t MemoryAudioSystem::AddControl(std::uint32_t mixer, std::uint32_t destination,
                                            std::uint32_t source, MixerControlInfo info,
                                            std::uint32_t initial) {
    std::lock_guard lock(m_lock);
    Line* line = LineOf(mixer, destination, source);
    if (line == nullptr) return 0;
    info.controlId = m_nextControlId++;
    Control control;
    control.channels =
        (info.flags & kUniform) ? 1 : std::max<std::uint32_t>(line->info.channels, 1);
    std::uint32_t items = (info.flags & kMultiple) ? std::max<std::uint32_t>(info.items, 1) : 1;
    control.values.assign(static_cast<std::size_t>(items) * control.channels, initial);
    control.info = std::move(info);
    line->controls.push_back(std::move(control));
    return line->controls.back().info.controlId;
}

void MemoryAudioSystem::AddWaveOutput(const std::string& name, bool readable) {
    std::lock_guard lock(m_lock);
    m_waveOutputs.push_back(WaveDevice{name, readable});
}

void MemoryAudioSystem::AddWaveInput(const std::string& name, bool readable) {
    std::lock_guard lock(m_lock);
    m_waveInputs.push_back(WaveDevice{name, readable});
}

bool MemoryAudioSystem::SetControlValues(std::uint32_t controlId,
                                         const std::vector<std::uint32_t>& values) {
    std::vector<Notice> notices;
    {
        std::lock_guard lock(m_lock);
        std::uint32_t mixer = 0;
        Control* control = FindControl(controlId, &mixer);
        if (control == nullptr || values.size() != control->values.size()) return false;
        MixerValueShape shape;
        shape.controlId = controlId;
        shape.channels = control->channels;
        notices = Store(mixer, *control, shape, values.data());
    }
    Post(notices);
    return true;
}

std::vector<std::uint32_t> MemoryAudioSystem::ControlValues(std::uint32_t controlId) const {
    std::lock_guard lock(m_lock);
    auto* self = const_cast<MemoryAudioSystem*>(this);
    Control* control = self->FindControl(controlId);
    return control ? control->values : std::vector<std::uint32_t>{};
}

std::size_t MemoryAudioSystem::OpenHandles() const {
    std::lock_guard lock(m_lock);
    return m_open.size();
}

std::uint32_t MemoryAudioSystem::MixerDeviceCount() {
    std::lock_guard lock(m_lock);
    return static_cast<std::uint32_t>(m_mixers.size());
}

MixerHandle MemoryAudioSystem::OpenMixer(std::uint32_t index, WindowHandle notifyWindow) {
    std::lock_guard lock(m_lock);
    if (index >= m_mixers.size() || m_mixers[index].openRefused) return 0;
    MixerHandle handle = m_nextHandle++;
    m_open.push_back(OpenMixerEntry{handle, index, notifyWindow});
    return handle;
}

void MemoryAudioSystem::CloseMixer(MixerHandle mixer) {
    std::lock_guard lock(m_lock);
    std::erase_if(m_open, [mixer](const OpenMixerEntry& entry) { return entry.handle == mixer; });
}

bool MemoryAudioSystem::Capabilities(MixerHandle handle, MixerCapabilities* capabilities) {
    std::lock_guard lock(m_lock);
    Mixer* mixer = MixerOf(handle);
    if (mixer == nullptr || !mixer->capabilitiesReadable || capabilities == nullptr) return false;
    capabilities->productName = mixer->productName;
    capabilities->destinations = static_cast<std::uint32_t>(mixer->destinations.size());
    return true;
}

bool MemoryAudioSystem::DestinationLine(MixerHandle handle, std::uint32_t destination,
                                        MixerLineInfo* line) {
    std::lock_guard lock(m_lock);
    Mixer* mixer = MixerOf(handle);
    if (mixer == nullptr || line == nullptr || destination >= mixer->destinations.size()) {
        return false;
    }
    const Destination& found = mixer->destinations[destination];
    *line = found.line.info;
    line->connections = static_cast<std::uint32_t>(found.sources.size());
    line->controls = static_cast<std::uint32_t>(found.line.controls.size());
    return true;
}

bool MemoryAudioSystem::SourceLine(MixerHandle handle, std::uint32_t destination,
                                   std::uint32_t source, MixerLineInfo* line) {
    std::lock_guard lock(m_lock);
    std::uint32_t index = 0;
    if (MixerOf(handle, &index) == nullptr || line == nullptr) return false;
    if (source == kDestinationLine) return false;
    Line* found = LineOf(index, destination, source);
    if (found == nullptr) return false;
    *line = found->info;
    line->controls = static_cast<std::uint32_t>(found->controls.size());
    return true;
}

bool MemoryAudioSystem::ControlByType(MixerHandle handle, std::uint32_t lineId,
                                      std::uint32_t controlType, MixerControlInfo* control) {
    std::lock_guard lock(m_lock);
    Mixer* mixer = MixerOf(handle);
    if (mixer == nullptr || control == nullptr) return false;
    auto search = [&](const Line& line) {
        if (line.info.lineId != lineId) return false;
        for (const Control& candidate : line.controls) {
            if (candidate.info.controlType == controlType) {
                *control = candidate.info;
                return true;
            }
        }
        return false;
    };
    for (const Destination& destination : mixer->destinations) {
        if (search(destination.line)) return true;
        for (const Line& source : destination.sources) {
            if (search(source)) return true;
        }
    }
    return false;
}

bool MemoryAudioSystem::ReadControl(MixerHandle handle, const MixerValueShape& shape,
                                    std::uint32_t* values, std::size_t count) {
    std::lock_guard lock(m_lock);
    std::uint32_t index = 0;
    if (MixerOf(handle, &index) == nullptr || values == nullptr) return false;
    std::uint32_t owner = 0;
    Control* control = FindControl(shape.controlId, &owner);
    if (control == nullptr || owner != index || !ShapeFits(*control, shape, count)) return false;
    if (shape.channels == control->channels) {
        std::copy(control->values.begin(), control->values.end(), values);
    } else {
        values[0] = control->values[0];  // one value for all channels: the first
    }
    return true;
}

bool MemoryAudioSystem::WriteControl(MixerHandle handle, const MixerValueShape& shape,
                                     const std::uint32_t* values, std::size_t count) {
    std::vector<Notice> notices;
    {
        std::lock_guard lock(m_lock);
        std::uint32_t index = 0;
        if (MixerOf(handle, &index) == nullptr || values == nullptr) return false;
        std::uint32_t owner = 0;
        Control* control = FindControl(shape.controlId, &owner);
        if (control == nullptr || owner != index || !ShapeFits(*control, shape, count)) {
            return false;
        }
        notices = Store(index, *control, shape, values);
    }
    Post(notices);
    return true;
}

std::uint32_t MemoryAudioSystem::WaveOutputCount() {
    std::lock_guard lock(m_lock);
    return static_cast<std::uint32_t>(m_waveOutputs.size());
}

std::uint32_t MemoryAudioSystem::WaveInputCount() {
    std::lock_guard lock(m_lock);
    return static_cast<std::uint32_t>(m_waveInputs.size());
}

bool MemoryAudioSystem::WaveOutputName(std::uint32_t index, std::string* name) {
    std::lock_guard lock(m_lock);
    return WaveName(m_waveOutputs, index, name);
}

bool MemoryAudioSystem::WaveInputName(std::uint32_t index, std::string* name) {
    std::lock_guard lock(m_lock);
    return WaveName(m_waveInputs, index, name);
}

bool MemoryAudioSystem::WaveName(const std::vector<WaveDevice>& devices, std::uint32_t index,
                                 std::string* name) {
    if (index >= devices.size() || !devices[index].readable || name == nullptr) return false;
    // The system keeps at most 31 characters of a product name.
    *name = devices[index].name.substr(0, 31);
    return true;
}

MemoryAudioSystem::Mixer* MemoryAudioSystem::MixerOf(MixerHandle handle, std::uint32_t* index) {
    for (const OpenMixerEntry& entry : m_open) {
        if (entry.handle == handle) {
            if (index) *index = entry.index;
            return &m_mixers[entry.index];
        }
    }
    return nullptr;
}

MemoryAudioSystem::Line* MemoryAudioSystem::LineOf(std::uint32_t mixer, std::uint32_t destination,
                                                   std::uint32_t source) {
    if (mixer >= m_mixers.size() || destination >= m_mixers[mixer].destinations.size()) {
        return nullptr;
    }
    Destination& found = m_mixers[mixer].destinations[destination];
    if (source == kDestinationLine) return &found.line;
    return source < found.sources.size() ? &found.sources[source] : nullptr;
}

MemoryAudioSystem::Control* MemoryAudioSystem::FindControl(std::uint32_t controlId,
                                                           std::uint32_t* mixer) {
    for (std::uint32_t m = 0; m < m_mixers.size(); ++m) {
        for (Destination& destination : m_mixers[m].destinations) {
            auto search = [&](Line& line) -> Control* {
                for (Control& control : line.controls) {
                    if (control.info.controlId == controlId) return &control;
                }
                return nullptr;
            };
            Control* found = search(destination.line);
            for (std::size_t s = 0; found == nullptr && s < destination.sources.size(); ++s) {
                found = search(destination.sources[s]);
            }
            if (found) {
                if (mixer) *mixer = m;
                return found;
            }
        }
    }
    return nullptr;
}

// The system checks the details it is given against the control: the item
// count of a multiple-item control (0 otherwise), the channels (all of them,
// or one for all on a single-item control) and the room in the caller's buffer.
bool MemoryAudioSystem::ShapeFits(const Control& control, const MixerValueShape& shape,
                                  std::size_t count) {
    bool multiple = (control.info.flags & kMultiple) != 0;
    std::uint32_t items = multiple ? std::max<std::uint32_t>(control.info.items, 1) : 1;
    if (multiple ? shape.items != control.info.items : shape.items != 0) return false;
    bool allChannels = shape.channels == control.channels;
    if (!allChannels && !(shape.channels == 1 && !multiple)) return false;
    return count >= static_cast<std::size_t>(shape.channels) * items;
}

std::vector<MemoryAudioSystem::Notice> MemoryAudioSystem::Store(std::uint32_t mixer,
                                                                Control& control,
                                                                const MixerValueShape& shape,
                                                                const std::uint32_t* values) {
    std::vector<std::uint32_t> before = control.values;
    if (shape.channels == control.channels) {
        std::copy(values, values + control.values.size(), control.values.begin());
    } else {
        std::fill(control.values.begin(), control.values.end(), values[0]);
    }
    std::vector<Notice> notices;
    // Only a real change is announced, so a listener that writes back the
    // same value does not start an endless exchange.
    if (before == control.values) return notices;
    for (const OpenMixerEntry& entry : m_open) {
        if (entry.index == mixer && entry.notifyWindow != 0) {
            notices.push_back(Notice{entry.notifyWindow, entry.handle, control.info.controlId});
        }
    }
    return notices;
}

void MemoryAudioSystem::Post(const std::vector<Notice>& notices) {
    if (m_notices == nullptr) return;
    for (const Notice& notice : notices) {
        m_notices->Post(notice.window, msg::kMixerControlChange, notice.handle,
                        static_cast<LParam>(notice.controlId));
    }
}

}  // namespace kestrava
