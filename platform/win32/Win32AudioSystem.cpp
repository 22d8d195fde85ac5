#include "Win32AudioSystem.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <mmsystem.h>

#include <algorithm>

#include "WideText.h"

namespace kestrava {

namespace {

HMIXEROBJ Object(MixerHandle mixer) {
    return reinterpret_cast<HMIXEROBJ>(mixer);
}

void CopyLine(const MIXERLINEW& source, MixerLineInfo* line) {
    line->destination = source.dwDestination;
    line->source = source.dwSource;
    line->lineId = source.dwLineID;
    line->componentType = source.dwComponentType;
    line->channels = source.cChannels;
    line->connections = source.cConnections;
    line->controls = source.cControls;
    line->name = WideFieldToUtf8(source.szName);
}

bool LineInfo(MixerHandle mixer, DWORD flags, std::uint32_t destination, std::uint32_t source,
              MixerLineInfo* line) {
    if (mixer == 0 || line == nullptr) return false;
    MIXERLINEW info = {};
    info.cbStruct = sizeof(info);
    info.dwDestination = destination;
    info.dwSource = source;
    if (mixerGetLineInfoW(Object(mixer), &info, MIXER_OBJECTF_HMIXER | flags) != MMSYSERR_NOERROR) {
        return false;
    }
    CopyLine(info, line);
    return true;
}

// The details structure for `shape`, after checking the caller's room.
bool Details(const MixerValueShape& shape, const std::uint32_t* values, std::size_t count,
             MIXERCONTROLDETAILS* details) {
    std::size_t words =
        static_cast<std::size_t>(shape.channels) * std::max<std::uint32_t>(shape.items, 1);
    if (values == nullptr || words == 0 || count < words) return false;
    *details = {};
    details->cbStruct = sizeof(*details);
    details->dwControlID = shape.controlId;
    details->cChannels = shape.channels;
    details->cMultipleItems = shape.items;
    details->cbDetails = sizeof(MIXERCONTROLDETAILS_UNSIGNED);
    details->paDetails = const_cast<std::uint32_t*>(values);
    return true;
}

static_assert(sizeof(MIXERCONTROLDETAILS_UNSIGNED) == sizeof(std::uint32_t));

}  // namespace

std::uint32_t Win32AudioSystem::MixerDeviceCount() {
    return mixerGetNumDevs();
}

MixerHandle Win32AudioSystem::OpenMixer(std::uint32_t index, WindowHandle notifyWindow) {
    HMIXER mixer = nullptr;
    MMRESULT result =
        notifyWindow != 0
            ? mixerOpen(&mixer, index, static_cast<DWORD_PTR>(notifyWindow), 0, CALLBACK_WINDOW)
            : mixerOpen(&mixer, index, 0, 0, 0);
    if (result != MMSYSERR_NOERROR) return 0;
    return reinterpret_cast<MixerHandle>(mixer);
}

void Win32AudioSystem::CloseMixer(MixerHandle mixer) {
    if (mixer != 0) mixerClose(reinterpret_cast<HMIXER>(mixer));
}

bool Win32AudioSystem::Capabilities(MixerHandle mixer, MixerCapabilities* capabilities) {
    if (mixer == 0 || capabilities == nullptr) return false;
    MIXERCAPSW caps = {};
    // An open handle stands for its device here.
    if (mixerGetDevCapsW(static_cast<UINT_PTR>(mixer), &caps, sizeof(caps)) != MMSYSERR_NOERROR) {
        return false;
    }
    capabilities->productName = WideFieldToUtf8(caps.szPname);
    capabilities->destinations = caps.cDestinations;
    return true;
}

bool Win32AudioSystem::DestinationLine(MixerHandle mixer, std::uint32_t destination,
                                       MixerLineInfo* line) {
    return LineInfo(mixer, MIXER_GETLINEINFOF_DESTINATION, destination, 0, line);
}

bool Win32AudioSystem::SourceLine(MixerHandle mixer, std::uint32_t destination,
                                  std::uint32_t source, MixerLineInfo* line) {
    return LineInfo(mixer, MIXER_GETLINEINFOF_SOURCE, destination, source, line);
}

bool Win32AudioSystem::ControlByType(MixerHandle mixer, std::uint32_t lineId,
                                     std::uint32_t controlType, MixerControlInfo* control) {
    if (mixer == 0 || control == nullptr) return false;
    MIXERCONTROLW found = {};
    found.cbStruct = sizeof(found);
    MIXERLINECONTROLSW request = {};
    request.cbStruct = sizeof(request);
    request.dwLineID = lineId;
    request.dwControlType = controlType;
    request.cControls = 1;
    request.cbmxctrl = sizeof(found);
    request.pamxctrl = &found;
    if (mixerGetLineControlsW(Object(mixer), &request,
                              MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) !=
        MMSYSERR_NOERROR) {
        return false;
    }
    control->controlId = found.dwControlID;
    control->controlType = found.dwControlType;
    control->flags = found.fdwControl;
    control->items = found.cMultipleItems;
    control->minimum = found.Bounds.lMinimum;
    control->maximum = found.Bounds.lMaximum;
    control->steps = found.Metrics.cSteps;
    control->name = WideFieldToUtf8(found.szName);
    return true;
}

bool Win32AudioSystem::ReadControl(MixerHandle mixer, const MixerValueShape& shape,
                                   std::uint32_t* values, std::size_t count) {
    MIXERCONTROLDETAILS details;
    if (mixer == 0 || !Details(shape, values, count, &details)) return false;
    return mixerGetControlDetailsW(Object(mixer), &details,
                                   MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) ==
           MMSYSERR_NOERROR;
}

bool Win32AudioSystem::WriteControl(MixerHandle mixer, const MixerValueShape& shape,
                                    const std::uint32_t* values, std::size_t count) {
    MIXERCONTROLDETAILS details;
    if (mixer == 0 || !Details(shape, values, count, &details)) return false;
    return mixerSetControlDetails(Object(mixer), &details,
                                  MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) ==
           MMSYSERR_NOERROR;
}

std::uint32_t Win32AudioSystem::WaveOutputCount() {
    return waveOutGetNumDevs();
}

std::uint32_t Win32AudioSystem::WaveInputCount() {
    return waveInGetNumDevs();
}

bool Win32AudioSystem::WaveOutputName(std::uint32_t index, std::string* name) {
    WAVEOUTCAPSW caps = {};
    if (name == nullptr || waveOutGetDevCapsW(index, &caps, sizeof(caps)) != MMSYSERR_NOERROR) {
        return false;
    }
    *name = WideFieldToUtf8(caps.szPname);
    return true;
}

bool Win32AudioSystem::WaveInputName(std::uint32_t index, std::string* name) {
    WAVEINCAPSW caps = {};
    if (name == nullptr || waveInGetDevCapsW(index, &caps, sizeof(caps)) != MMSYSERR_NOERROR) {
        return false;
    }
    *name = WideFieldToUtf8(caps.szPname);
    return true;
}

}  // namespace kestrava
