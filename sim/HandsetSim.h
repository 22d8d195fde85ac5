// The simulated handset: a model of the handset's firmware that stands where
// the real device would be, so that the HID library's real open, read thread
// and writes run against it.
//
// This header fixes how tests and simulation mode drive it; the device
// boundary (a device-file-like channel the HID adapters open) and the
// firmware model are built behind it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrava::sim {

class HandsetSim {
  public:
    using OutputReport = std::array<std::uint8_t, 8>;

    static constexpr std::uint16_t kVendorId = 0x0C45;
    static constexpr std::uint16_t kProductId = 0x1830;  // bits 11 and 12 set

    // Key codes the handset sends for its hook switch.
    static constexpr std::uint8_t kKeyHookUp = 0x1F;
    static constexpr std::uint8_t kKeyHookDown = 0x20;

    virtual ~HandsetSim() = default;

    // A person at the handset.
    virtual void PressKey(std::uint8_t keyCode) = 0;  // one key press report
    virtual void LiftReceiver() = 0;                  // hook up
    virtual void PutDownReceiver() = 0;               // hook down
    virtual void Unplug() = 0;
    virtual void PlugIn() = 0;

    // What a person would see and hear.
    virtual bool IsRinging() const = 0;
    // The LCD as text: 32 columns of half-width characters, full-width
    // characters as 16x16 block art below the text line.
    virtual std::string LcdPicture() const = 0;
    // The LCD's characters only (full-width characters as '?'), for quick checks.
    virtual std::string LcdText() const = 0;

    // Every output report the program wrote, oldest first.
    virtual std::vector<OutputReport> OutputReports() const = 0;
};

}  // namespace kestrava::sim
