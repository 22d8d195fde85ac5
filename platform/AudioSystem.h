// Port: the system's audio devices. Mixer devices with their destination and
// source lines and controls, read and written as arrays of 32-bit values, and
// the names of the wave (playback and recording) devices.
//
// Values of line component types, control types and flags are the system's
// own (MIXERLINE_COMPONENTTYPE_..., MIXERCONTROL_CONTROLTYPE_...). Names are
// UTF-8 on this port, whatever the system's code page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "WindowTypes.h"

namespace kestrava {

// An open mixer device; 0 is none. A change notice carries it in wParam
// (MM_MIXM_CONTROL_CHANGE, with the control's id in lParam).
using MixerHandle = std::uintptr_t;

struct MixerCapabilities {
    std::string productName;
    std::uint32_t destinations = 0;
};

struct MixerLineInfo {
    std::uint32_t destination = 0;  // index of the destination line
    std::uint32_t source = 0;       // index of the source line within it
    std::uint32_t lineId = 0;
    std::uint32_t componentType = 0;
    std::uint32_t channels = 0;
    std::uint32_t connections = 0;  // source lines of a destination
    std::uint32_t controls = 0;
    std::string name;
};

struct MixerControlInfo {
    std::uint32_t controlId = 0;
    std::uint32_t controlType = 0;
    std::uint32_t flags = 0;  // 1 uniform, 2 multiple
    std::uint32_t items = 0;  // of a multiple-item control
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    std::uint32_t steps = 0;
    std::string name;
};

// Which values of a control a read or write covers: `channels` (1 for a
// uniform control) times `items` (1 unless multiple), 4 bytes each.
struct MixerValueShape {
    std::uint32_t controlId = 0;
    std::uint32_t channels = 1;
    std::uint32_t items = 0;  // as the system's details structure: 0 unless multiple
};

class AudioSystem {
  public:
    virtual ~AudioSystem() = default;

    virtual std::uint32_t MixerDeviceCount() = 0;
    // Opens mixer device `index`; with a non-zero `notifyWindow` the system
    // posts MM_MIXM_CONTROL_CHANGE there when a control changes. 0 on failure.
    virtual MixerHandle OpenMixer(std::uint32_t index, WindowHandle notifyWindow) = 0;
    virtual void CloseMixer(MixerHandle mixer) = 0;
    virtual bool Capabilities(MixerHandle mixer, MixerCapabilities* capabilities) = 0;
    virtual bool DestinationLine(MixerHandle mixer, std::uint32_t destination,
                                 MixerLineInfo* line) = 0;
    virtual bool SourceLine(MixerHandle mixer, std::uint32_t destination, std::uint32_t source,
                            MixerLineInfo* line) = 0;
    // The line's first control of `controlType`.
    virtual bool ControlByType(MixerHandle mixer, std::uint32_t lineId, std::uint32_t controlType,
                               MixerControlInfo* control) = 0;
    // `values` holds `count` words; the call fails unless `count` covers the shape.
    virtual bool ReadControl(MixerHandle mixer, const MixerValueShape& shape, std::uint32_t* values,
                             std::size_t count) = 0;
    virtual bool WriteControl(MixerHandle mixer, const MixerValueShape& shape,
                              const std::uint32_t* values, std::size_t count) = 0;

    virtual std::uint32_t WaveOutputCount() = 0;
    virtual std::uint32_t WaveInputCount() = 0;
    // Product names (the system keeps at most 31 characters); false when the
    // device's capabilities cannot be read.
    virtual bool WaveOutputName(std::uint32_t index, std::string* name) = 0;
    virtual bool WaveInputName(std::uint32_t index, std::string* name) = 0;
};

// A system without audio devices; fakes derive from it and add what they need.
class NoAudioDevices : public AudioSystem {
  public:
    std::uint32_t MixerDeviceCount() override { return 0; }
    MixerHandle OpenMixer(std::uint32_t, WindowHandle) override { return 0; }
    void CloseMixer(MixerHandle) override {}
    bool Capabilities(MixerHandle, MixerCapabilities*) override { return false; }
    bool DestinationLine(MixerHandle, std::uint32_t, MixerLineInfo*) override { return false; }
    bool SourceLine(MixerHandle, std::uint32_t, std::uint32_t, MixerLineInfo*) override {
        return false;
    }
    bool ControlByType(MixerHandle, std::uint32_t, std::uint32_t, MixerControlInfo*) override {
        return false;
    }
    bool ReadControl(MixerHandle, const MixerValueShape&, std::uint32_t*, std::size_t) override {
        return false;
    }
    bool WriteControl(MixerHandle, const MixerValueShape&, const std::uint32_t*,
                      std::size_t) override {
        return false;
    }
    std::uint32_t WaveOutputCount() override { return 0; }
    std::uint32_t WaveInputCount() override { return 0; }
    bool WaveOutputName(std::uint32_t, std::string*) override { return false; }
    bool WaveInputName(std::uint32_t, std::string*) override { return false; }
};

}  // namespace kestrava
