// The wave-device part of the audio system, as the routing tests need it: a
// list of output and of input devices, each with a name or unreadable.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/AudioSystem.h"

namespace kestrava::testing {

class FakeWaveDevices final : public NoAudioDevices {
  public:
    using Names = std::vector<std::optional<std::string>>;

    // nullopt entries are devices whose capabilities cannot be read.
    void SetOutputs(Names names) {
        std::lock_guard lock(m_lock);
        m_outputs = std::move(names);
    }
    void SetInputs(Names names) {
        std::lock_guard lock(m_lock);
        m_inputs = std::move(names);
    }
    // The same devices on both sides.
    void SetBoth(const Names& names) {
        SetOutputs(names);
        SetInputs(names);
    }

    std::uint32_t WaveOutputCount() override {
        std::lock_guard lock(m_lock);
        return static_cast<std::uint32_t>(m_outputs.size());
    }
    std::uint32_t WaveInputCount() override {
        std::lock_guard lock(m_lock);
        return static_cast<std::uint32_t>(m_inputs.size());
    }
    // An unreadable device scribbles on the buffer, as a failed system call may.
    bool WaveOutputName(std::uint32_t index, std::string* name) override {
        std::lock_guard lock(m_lock);
        return Read(m_outputs, index, name);
    }
    bool WaveInputName(std::uint32_t index, std::string* name) override {
        std::lock_guard lock(m_lock);
        return Read(m_inputs, index, name);
    }

  private:
    static bool Read(const Names& names, std::uint32_t index, std::string* name) {
        if (index >= names.size()) return false;
        if (!names[index]) {
            *name = "garbage";
            return false;
        }
        *name = *names[index];
        return true;
    }

    std::mutex m_lock;
    Names m_outputs;
    Names m_inputs;
};

}  // namespace kestrava::testing
