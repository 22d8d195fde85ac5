// Port: the machine's USB tree as the port scanner walks it: host controllers,
// their root hubs, each hub's ports and the hubs hanging on them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

namespace ondrel {

// What a hub reports for one of its ports.
struct UsbConnection {
    bool connected = false;      // connection status 1: a device is attached
    bool isHub = false;          // the attached device is a hub
    std::uint16_t vendorId = 0;  // from the attached device's device descriptor
    std::uint16_t productId = 0;
    std::uint16_t bcdUsb = 0;
};

class UsbHub {
  public:
    virtual ~UsbHub() = default;
    // Number of downstream ports (the hub descriptor); nullopt when the node
    // information cannot be read.
    virtual std::optional<int> PortCount() = 0;
    // Connection information of port 1..PortCount(); nullopt when the query fails.
    virtual std::optional<UsbConnection> Connection(int port) = 0;
    // Opens the hub attached to `port`; nullptr when its name or handle cannot be had.
    virtual std::unique_ptr<UsbHub> OpenExternalHub(int port) = 0;
};

class UsbTopology {
  public:
    static constexpr int kMaxControllers = 10;

    virtual ~UsbTopology() = default;
    // Opens host controller `index` (0..kMaxControllers-1) and its root hub;
    // nullptr when either cannot be opened.
    virtual std::unique_ptr<UsbHub> OpenRootHub(int index) = 0;
    // Host controllers found by their device interface class instead of by
    // number, walked after the numbered ones. A system whose numbered names do
    // not cover every controller lists them here; none by default.
    virtual int InterfaceControllerCount() { return 0; }
    // Opens interface controller `index` (0..InterfaceControllerCount()-1) and
    // its root hub; nullptr when either cannot be opened.
    virtual std::unique_ptr<UsbHub> OpenInterfaceRootHub(int) { return nullptr; }
};

std::shared_ptr<UsbTopology> SystemUsbTopology();

}  // namespace ondrel
