#include "UsbTopologyLinux.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace ondrel {

namespace {

std::string ReadLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

bool IsDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

unsigned ReadHex(const std::string& path) {
    unsigned value = 0;
    std::sscanf(ReadLine(path).c_str(), "%x", &value);
    return value;
}

constexpr unsigned kHubClass = 0x09;

class LinuxUsbHub final : public UsbHub {
  public:
    // `devices` is .../bus/usb/devices; `name` is "usb1" or "1-1.2".
    LinuxUsbHub(std::string devices, std::string name, int bus)
        : m_devices(std::move(devices)), m_name(std::move(name)), m_bus(bus) {}

    std::optional<int> PortCount() override {
        std::string text = ReadLine(Dir(m_name) + "/maxchild");
        int ports = 0;
        if (std::sscanf(text.c_str(), "%d", &ports) != 1 || ports < 0) return std::nullopt;
        return ports;
    }

    std::optional<UsbConnection> Connection(int port) override {
        UsbConnection connection;
        std::string child = Dir(ChildName(port));
        if (!IsDirectory(child)) return connection;  // nothing attached
        connection.connected = true;
        connection.isHub = ReadHex(child + "/bDeviceClass") == kHubClass;
        connection.vendorId = static_cast<std::uint16_t>(ReadHex(child + "/idVendor"));
        connection.productId = static_cast<std::uint16_t>(ReadHex(child + "/idProduct"));
        connection.bcdUsb = ParseUsbVersion(ReadLine(child + "/version"));
        return connection;
    }

    std::unique_ptr<UsbHub> OpenExternalHub(int port) override {
        std::string name = ChildName(port);
        if (!IsDirectory(Dir(name))) return nullptr;
        return std::make_unique<LinuxUsbHub>(m_devices, name, m_bus);
    }

  private:
    std::string Dir(const std::string& name) const { return m_devices + "/" + name; }
    std::string ChildName(int port) const {
        if (m_name.rfind("usb", 0) == 0) return std::to_string(m_bus) + "-" + std::to_string(port);
        return m_name + "." + std::to_string(port);
    }

    std::string m_devices;
    std::string m_name;
    int m_bus;
};

}  // namespace

std::uint16_t ParseUsbVersion(const std::string& text) {
    unsigned major = 0, minor = 0;
    if (std::sscanf(text.c_str(), " %u.%2u", &major, &minor) != 2) return 0;
    // BCD: 2.00 -> 0x0200, 1.10 -> 0x0110.
    return static_cast<std::uint16_t>(((major / 10) << 12) | ((major % 10) << 8) |
                                      ((minor / 10) << 4) | (minor % 10));
}

LinuxUsbTopology::LinuxUsbTopology(std::string sysfsRoot) : m_sysfsRoot(std::move(sysfsRoot)) {}

std::unique_ptr<UsbHub> LinuxUsbTopology::OpenRootHub(int index) {
    std::string devices = m_sysfsRoot + "/bus/usb/devices";
    std::string name = "usb" + std::to_string(index + 1);
    if (!IsDirectory(devices + "/" + name)) return nullptr;
    return std::make_unique<LinuxUsbHub>(devices, name, index + 1);
}

std::shared_ptr<UsbTopology> SystemUsbTopology() {
    const char* sysfs = std::getenv("ONDREL_SYSFS_ROOT");  // as for the HID bus
    return std::make_shared<LinuxUsbTopology>(sysfs && *sysfs ? sysfs : "/sys");
}

}  // namespace ondrel
