// The HID bus on Linux: devices from sysfs (class/hidraw), reports through
// their device nodes. Both roots are configurable so that tests can point the
// bus at a tree of their own. A device node that is a local socket of the
// sequenced-packet kind is connected to instead of opened: it carries one
// report per packet, as a hidraw node does.
#pragma once

#include <map>
#include <mutex>
#include <string>

#include "HidBus.h"
#include "ReportDescriptor.h"

namespace ondrel {

class LinuxHidBus final : public HidBus {
  public:
    explicit LinuxHidBus(std::string sysfsRoot = "/sys", std::string deviceRoot = "/dev");

    std::vector<std::string> DevicePaths() override;
    std::unique_ptr<HidWriteHandle> OpenDevice(const std::string& path) override;
    std::unique_ptr<HidReader> OpenReader(const std::string& path) override;

    struct DeviceInfo {
        HidAttributes attributes;
        ReportLayout layout;
        bool valid = false;
    };
    // What sysfs says about the hidraw node `name` ("hidraw0").
    DeviceInfo Describe(const std::string& name) const;

  private:
    std::string NameOf(const std::string& path) const;

    std::string m_sysfsRoot;
    std::string m_deviceRoot;
};

// Opens a device node, or connects when it is a socket; -1 on failure.
int OpenDeviceNode(const std::string& path, bool nonBlocking);

}  // namespace ondrel
