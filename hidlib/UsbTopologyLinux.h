// The USB tree on Linux, read from sysfs (bus/usb/devices): root hubs usb1,
// usb2, ... stand for the host controllers; a hub's port p is the device
// directory "<hub>.<p>" (or "<bus>-<p>" below a root hub).
#pragma once

#include <string>

#include "UsbTopology.h"

namespace ondrel {

class LinuxUsbTopology final : public UsbTopology {
  public:
    explicit LinuxUsbTopology(std::string sysfsRoot = "/sys");
    std::unique_ptr<UsbHub> OpenRootHub(int index) override;

  private:
    std::string m_sysfsRoot;
};

// " 2.00" -> 0x0200, "1.10" -> 0x0110; 0 when unreadable.
std::uint16_t ParseUsbVersion(const std::string& text);

}  // namespace ondrel
