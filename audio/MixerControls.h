// The handset's mixer controls: one control of one line of the handset's
// USB audio mixer, opened through the AudioSystem port. CMixerFader is a
// volume fader (speaker, microphone), CMixerNumber one value of a switch or
// list control (the microphone monitor's mute).
//
// Each object is used from the main thread, the input worker and the keypad
// handler; every operation takes the object's one lock, so each read-modify-
// write of the control is whole.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/AudioEndpoints.h"
#include "platform/AudioSystem.h"

namespace kestrava {

// Where failure texts go ("<function>: <text>"); an empty sink discards them.
using MixerDiagnostics = std::function<void(const std::string&)>;

class CMixerBase {
  public:
    // deviceName keeps at most this many bytes.
    static constexpr std::size_t kDeviceNameSize = 255;

    // With `endpoints` the handset's mixer is found through the endpoint it
    // is named after (audio/HandsetDeviceRule.h); it may be null.
    explicit CMixerBase(AudioSystem& audio, MixerDiagnostics diagnostics = {},
                        AudioEndpoints* endpoints = nullptr);
    CMixerBase(const CMixerBase&) = delete;
    CMixerBase& operator=(const CMixerBase&) = delete;
    virtual ~CMixerBase();

    // Opens the handset's mixer and selects the control `controlType` of the
    // source line `sourceType` of the destination line `destinationType`
    // (kDestinationItself: of the destination line). 1 or 0; on 0 it is closed.
    int Init(std::uint32_t destinationType, std::uint32_t sourceType, std::uint32_t controlType,
             WindowHandle notifyWindow);
    // Opens the first mixer device that is the handset's (IsHandsetDevice).
    int OpenHandsetMixer(WindowHandle notifyWindow);
    // Refreshes the value buffer from the control; 1 on success.
    int Read();
    // Writes the value buffer to the control; 1 on success.
    int Write();
    // Safe on a closed object.
    void Close();

    bool IsOpen() const;
    MixerHandle Mixer() const;
    std::uint32_t ControlId() const;
    // The opened mixer's product name (UTF-8); empty when closed.
    std::string DeviceName() const;

  protected:
    void Diagnose(const char* function, const std::string& text) const;
    int InitMXDetails();

    mutable std::recursive_mutex m_lock;
    AudioSystem& m_audio;
    MixerDiagnostics m_diagnostics;
    AudioEndpoints* m_endpoints;

    MixerHandle mixer = 0;
    MixerControlInfo control;
    unsigned channels = 0;
    std::string deviceName;
    MixerValueShape details;
    std::vector<std::uint32_t> values;
    // The first value of the buffer (the left channel; the right follows) once
    // a fader or a switch has been set up; null while closed.
    std::uint32_t* value = nullptr;
};

class CMixerFader : public CMixerBase {
  public:
    static constexpr int kVolumeFader = 2;
    // During a call the handset's microphone level is held at least here.
    static constexpr std::uint32_t kRecordingFloor = 10000;

    using CMixerBase::CMixerBase;

    int Init(std::uint32_t destinationType, std::uint32_t sourceType, std::uint32_t controlType,
             int subType, WindowHandle notifyWindow);
    // kind 0 one notch up, 1 one notch down, 2 and 4 an absolute level of
    // 0..31; any other kind sets 0.
    void SetFaderValue(int kind, int value);
    // The first channel's value on the 0..31 scale; 0 when it cannot be read.
    unsigned Level31();
    // A change notice: a recording level pulled under the floor is raised to
    // it. Always 0.
    int OnControlChange(MixerHandle mixerHandle, std::uint32_t controlId);

    int Position() const;
    float Balance() const;

  private:
    void UpdatePosition();

    int subType = 0;
    unsigned range = 0;
    unsigned step = 0;
    unsigned steps = 0;
    int position = 0;
    float balance = 0.0f;
};

class CMixerNumber : public CMixerBase {
  public:
    using CMixerBase::CMixerBase;

    // Never asks for notices.
    int Init(std::uint32_t destinationType, std::uint32_t sourceType, std::uint32_t controlType,
             int index);
    // 1 when the value at the index was stored; 0 when the read or write failed.
    int SetValue(std::uint32_t v);
    // The value at the index; 0 when it cannot be read.
    std::uint32_t GetValue();

  private:
    int index = 0;
};

}  // namespace kestrava
