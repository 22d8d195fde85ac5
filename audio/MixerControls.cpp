#include "audio/MixerControls.h"

#include <algorithm>
#include <cstdio>

#include "audio/HandsetDeviceRule.h"
#include "audio/MixerTypes.h"

namespace kestrava {

using namespace mixer;

namespace {
// Cuts a UTF-8 text to at most `limit` bytes without splitting a character.
std::string CutUtf8(std::string text, std::size_t limit) {
    if (text.size() <= limit) return text;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    text.resize(end);
    return text;
}

constexpr bool KnownUnits(std::uint32_t controlType) {
    switch (controlType & kUnitsMask) {
        case kUnitsBoolean:
        case kUnitsSigned:
        case kUnitsUnsigned:
        case kUnitsDecibels:
        case kUnitsPercent:
            return true;
        default:
            return false;
    }
}
}  // namespace

// ---------------------------------------------------------------------------
// CMixerBase

CMixerBase::CMixerBase(AudioSystem& audio, MixerDiagnostics diagnostics, AudioEndpoints* endpoints)
    : m_audio(audio), m_diagnostics(std::move(diagnostics)), m_endpoints(endpoints) {}

CMixerBase::~CMixerBase() {
    Close();
}

void CMixerBase::Diagnose(const char* function, const std::string& text) const {
    if (m_diagnostics) m_diagnostics(std::string(function) + ": " + text);
}

int CMixerBase::OpenHandsetMixer(WindowHandle notifyWindow) {
    std::lock_guard lock(m_lock);
    Close();
    std::uint32_t count = m_audio.MixerDeviceCount();
    if (count == 0) {
        Diagnose("CMixerBase::Init", "No mixer device present");
        return 0;
    }
    const std::vector<AudioEndpoint> endpoints = AllEndpoints(m_endpoints);
    for (std::uint32_t i = 0; i < count; ++i) {
        MixerHandle opened = m_audio.OpenMixer(i, notifyWindow);
        if (opened == 0) continue;
        MixerCapabilities capabilities;
        if (!m_audio.Capabilities(opened, &capabilities)) {
            m_audio.CloseMixer(opened);
            Diagnose("CMixerBase::Init", "Could not open mixer device");
            return 0;
        }
        if (IsHandsetDevice(capabilities.productName, endpoints)) {
            mixer = opened;
            deviceName = CutUtf8(capabilities.productName, kDeviceNameSize - 1);
            return 1;
        }
        m_audio.CloseMixer(opened);
    }
    Diagnose("CMixerBase::Init", "Could not open mixer device");
    return 0;
}

int CMixerBase::Init(std::uint32_t destinationType, std::uint32_t sourceType,
                     std::uint32_t controlType, WindowHandle notifyWindow) {
    std::lock_guard lock(m_lock);
    if (!OpenHandsetMixer(notifyWindow)) return 0;

    MixerCapabilities capabilities;
    if (!m_audio.Capabilities(mixer, &capabilities)) {
        Diagnose("CMixerBase::Init", "Could not open mixer device");
        Close();
        return 0;
    }
    MixerLineInfo line;
    bool found = false;
    for (std::uint32_t d = 0; d < capabilities.destinations && !found; ++d) {
        found = m_audio.DestinationLine(mixer, d, &line) && line.componentType == destinationType;
    }
    if (!found) {
        Diagnose("CMixerBase::Init", "Warning: the destination line \n" +
                                         LineTypeName(destinationType) + "\nwas not found.");
        Close();
        return 0;
    }
    if (sourceType != kDestinationItself) {
        MixerLineInfo destination = line;
        found = false;
        for (std::uint32_t j = 0; j < destination.connections && !found; ++j) {
            found = m_audio.SourceLine(mixer, destination.destination, j, &line) &&
                    line.componentType == sourceType;
        }
        if (!found) {
            Diagnose("CMixerBase::Init", "Warning: the source line \n" + LineTypeName(sourceType) +
                                             "\n not found.\n\n(Associated to Destination line \n" +
                                             LineTypeName(destinationType) + ")");
            Close();
            return 0;
        }
    }

    channels = line.channels;
    if (line.controls == 0) {
        Diagnose("CMixerBase::Init",
                 "No controls available for this audio line: " + LineTypeName(line.componentType));
        Close();
        return 0;
    }
    if (!m_audio.ControlByType(mixer, line.lineId, controlType, &control)) {
        Diagnose("CMixerBase::Init",
                 "Could not find specified mixer control. Associated Windows control will be "
                 "disabled.\nControl type: " +
                     ControlTypeName(controlType) +
                     ",\n\nDest line type: " + LineTypeName(destinationType) +
                     ",\nSrc  line type: " + LineTypeName(sourceType) + "\n");
        Close();
        return 0;
    }
    if (!InitMXDetails()) {
        Close();
        return 0;
    }
    return 1;
}

int CMixerBase::InitMXDetails() {
    details = MixerValueShape{};
    details.controlId = control.controlId;
    details.channels = (control.flags & kFlagUniform) ? 1 : channels;
    bool multiple = (control.flags & kFlagMultiple) != 0;
    details.items = multiple ? control.items : 0;
    if (!KnownUnits(control.controlType)) {
        Diagnose("CMixerBase::InitMXDetails", "Control uses unknown units.");
        return 0;
    }
    std::size_t words = static_cast<std::size_t>(multiple ? control.items : 1) * details.channels;
    values.clear();
    value = nullptr;
    // A line without channels or a list without items leaves nothing to read.
    if (words == 0) {
        Diagnose("CMixerBase::InitMXDetails", "Memory allocation error.");
        return 0;
    }
    values.assign(words, 0);
    return 1;
}

int CMixerBase::Read() {
    std::lock_guard lock(m_lock);
    if (mixer == 0 || values.empty()) return 0;
    return m_audio.ReadControl(mixer, details, values.data(), values.size()) ? 1 : 0;
}

int CMixerBase::Write() {
    std::lock_guard lock(m_lock);
    if (mixer == 0 || values.empty()) return 0;
    return m_audio.WriteControl(mixer, details, values.data(), values.size()) ? 1 : 0;
}

void CMixerBase::Close() {
    std::lock_guard lock(m_lock);
    if (mixer != 0) m_audio.CloseMixer(mixer);
    mixer = 0;
    values.clear();
    value = nullptr;
    deviceName.clear();
}

bool CMixerBase::IsOpen() const {
    std::lock_guard lock(m_lock);
    return mixer != 0;
}

MixerHandle CMixerBase::Mixer() const {
    std::lock_guard lock(m_lock);
    return mixer;
}

std::uint32_t CMixerBase::ControlId() const {
    std::lock_guard lock(m_lock);
    return control.controlId;
}

std::string CMixerBase::DeviceName() const {
    std::lock_guard lock(m_lock);
    return deviceName;
}

// ---------------------------------------------------------------------------
// CMixerFader

int CMixerFader::Init(std::uint32_t destinationType, std::uint32_t sourceType,
                      std::uint32_t controlType, int faderSubType, WindowHandle notifyWindow) {
    std::lock_guard lock(m_lock);
    subType = faderSubType;
    position = 0;
    balance = 0.0f;
    if (!CMixerBase::Init(destinationType, sourceType, controlType, notifyWindow)) return 0;

    std::int64_t span = static_cast<std::int64_t>(control.maximum) - control.minimum;
    range = span > 0 ? static_cast<unsigned>(span) : 0;
    steps = control.steps;
    step = steps != 0 ? range / steps : 0;
    // Every use of the fader divides by the step.
    if (step == 0) {
        Diagnose("CMixerFader::Init", "Control has no usable step: range " + std::to_string(range) +
                                          ", steps " + std::to_string(steps) + ".");
        Close();
        return 0;
    }
    if (!(channels > 1 || (subType != 0 && subType != 1 && subType != 3))) {
        Diagnose("CMixerFader::Init", "Wrong sub-type for a fader control.");
        Close();
        return 0;
    }
    value = values.empty() ? nullptr : values.data();
    if (value == nullptr) {
        Diagnose("CMixerFader::Init", "m_Value NULL.");
        Close();
        return 0;
    }
    if (Read()) UpdatePosition();
    return 1;
}

void CMixerFader::UpdatePosition() {
    if (subType != kVolumeFader) return;
    if (value == nullptr) {
        Diagnose("CMixerFader::SetHVSliderPos", "m_Value NULL.");
        return;
    }
    std::uint32_t x = value[0];
    if (details.channels >= 2) {
        std::uint32_t left = value[0];
        std::uint32_t right = value[1];
        x = std::max(left, right);
        if (x > 0) {
            balance = static_cast<float>((static_cast<double>(right) - left) / x);
        }
    }
    position = static_cast<int>(x / step);
}

void CMixerFader::SetFaderValue(int kind, int v) {
    std::lock_guard lock(m_lock);
    if (value == nullptr) {
        Diagnose("CMixerFader::SetFaderValue", "m_Value NULL.");
        return;
    }
    // Start from what the control holds now: it may have been moved elsewhere
    // (the system's mixer, the volume dialog) since the last look.
    if (Read()) UpdatePosition();

    const std::uint64_t top = static_cast<std::uint64_t>(steps) * step;
    std::uint64_t t = 0;
    switch (kind) {
        case 0:
            t = std::min<std::uint64_t>(
                static_cast<std::uint64_t>(std::max(position + 25, 0)) * step, top);
            break;
        case 1:
            t = position - 25 > 0 ? static_cast<std::uint64_t>(position - 25) * step : 0;
            break;
        case 2:
        case 4: {
            // A level from the configuration may lie outside the 0..31 scale.
            std::uint64_t level = static_cast<std::uint64_t>(std::clamp(v, 0, 31));
            t = (level * top) >> 5;
            break;
        }
        default:
            t = 0;
            break;
    }
    const auto target = static_cast<std::uint32_t>(t);

    if (subType != kVolumeFader) return;
    if (details.channels < 2) {
        value[0] = target;
    } else if (balance > 0) {
        value[1] = target;
        value[0] = static_cast<std::uint32_t>(target * (1.0 - static_cast<double>(balance)));
    } else {
        value[0] = target;
        value[1] = static_cast<std::uint32_t>(target * (1.0 + static_cast<double>(balance)));
    }
    if (Write()) position = static_cast<int>(target / step);
}

unsigned CMixerFader::Level31() {
    std::lock_guard lock(m_lock);
    if (value == nullptr || !Read()) return 0;
    std::uint64_t level = static_cast<std::uint64_t>(value[0]) * 32 / step / steps;
    // The very top of the control would read 32 on a 0..31 scale.
    return static_cast<unsigned>(std::min<std::uint64_t>(level, 31));
}

int CMixerFader::OnControlChange(MixerHandle mixerHandle, std::uint32_t controlId) {
    std::lock_guard lock(m_lock);
    if (value == nullptr || mixer == 0 || mixerHandle != mixer || controlId != control.controlId) {
        return 0;
    }
    if (!Read()) return 0;
    // Never above what the control can hold.
    std::uint32_t floor = kRecordingFloor;
    if (control.maximum >= 0) floor = std::min(floor, static_cast<std::uint32_t>(control.maximum));
    // Only a raised level is written: our own write comes back as a notice.
    if (value[0] < floor) {
        value[0] = floor;
        Write();
    }
    UpdatePosition();
    Read();
    return 0;
}

int CMixerFader::Position() const {
    std::lock_guard lock(m_lock);
    return position;
}

float CMixerFader::Balance() const {
    std::lock_guard lock(m_lock);
    return balance;
}

// ---------------------------------------------------------------------------
// CMixerNumber

int CMixerNumber::Init(std::uint32_t destinationType, std::uint32_t sourceType,
                       std::uint32_t controlType, int itemIndex) {
    std::lock_guard lock(m_lock);
    index = itemIndex;
    std::uint32_t controlClass = controlType & kClassMask;
    if (controlClass != kClassSwitch && controlClass != kClassList) {
        Close();
        Diagnose("CMixerNumber::Init", "Wrong control type: " + ControlTypeName(controlType));
        return 0;
    }
    if (!CMixerBase::Init(destinationType, sourceType, controlType, 0)) return 0;
    bool multiple = (control.flags & kFlagMultiple) != 0;
    // Also a single-item control: the index must lie inside the value buffer.
    bool inside = index >= 0 && static_cast<std::size_t>(index) < values.size() &&
                  (!multiple || static_cast<std::uint32_t>(index) < control.items);
    if (!inside) {
        Diagnose("CMixerNumber::Init", "Invalid control index passed: " + std::to_string(index));
        Close();
        return 0;
    }
    value = values.data();
    Read();
    return 1;
}

int CMixerNumber::SetValue(std::uint32_t v) {
    std::lock_guard lock(m_lock);
    if (value == nullptr || !Read()) return 0;
    value[index] = v;
    return Write();
}

std::uint32_t CMixerNumber::GetValue() {
    std::lock_guard lock(m_lock);
    if (value == nullptr || !Read()) return 0;
    return value[index];
}

}  // namespace kestrava
