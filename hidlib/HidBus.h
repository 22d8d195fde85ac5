// Port: the HID devices of the machine, as the handset component needs them.
//
// A bus lists the present HID interfaces, opens one synchronously for
// attribute queries and output reports, and opens one for the read thread:
// a reader that waits for either an input report or a stop request.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ondrel {

struct HidAttributes {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t version = 0;
};

// Report lengths as the HID parser gives them: each counts the report id byte.
struct HidCaps {
    std::uint16_t inputReportLength = 0;
    std::uint16_t outputReportLength = 0;
    std::uint16_t featureReportLength = 0;
};

// A synchronous handle: attribute queries and output reports.
class HidWriteHandle {
  public:
    virtual ~HidWriteHandle() = default;
    virtual bool Attributes(HidAttributes* attributes) = 0;
    virtual bool Capabilities(HidCaps* caps) = 0;
    // One output report, byte 0 being the report id. Safe to call from several threads.
    virtual bool Write(const std::uint8_t* report, std::size_t length) = 0;
};

// The read side of the read thread.
class HidReader {
  public:
    enum class Outcome { Report, Stopped, Failed };

    virtual ~HidReader() = default;
    // Starts a read of up to `length` bytes and waits, without time-out, for the
    // report or the stop request; the stop request is looked at first. Report:
    // `buffer` starts with the report id byte; bytes not delivered are left alone.
    // Stopped: the request is consumed and the read cancelled. A read that cannot
    // start (device gone or never opened) leaves only the stop request to wait for.
    virtual Outcome ReadOrStop(std::uint8_t* buffer, std::size_t length) = 0;
    // Latched until ReadOrStop consumes it; callable from any thread.
    virtual void RequestStop() = 0;
    // False when the device could not be opened (the reader then only stops).
    virtual bool IsOpen() const = 0;
};

class HidBus {
  public:
    virtual ~HidBus() = default;
    // Interface paths of the present HID devices, in the system's order.
    virtual std::vector<std::string> DevicePaths() = 0;
    // Opens a device for reading and writing, shared; nullptr when it cannot be opened.
    virtual std::unique_ptr<HidWriteHandle> OpenDevice(const std::string& path) = 0;
    // Never null: a reader whose device did not open still answers the stop request.
    virtual std::unique_ptr<HidReader> OpenReader(const std::string& path) = 0;
};

// The bus of the machine the library runs on.
std::shared_ptr<HidBus> SystemHidBus();

}  // namespace ondrel
