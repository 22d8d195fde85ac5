// A hidraw node's description in a sysfs tree of our own: the first byte
// splits the input into the uevent text and the report descriptor. The
// rest of the uevent text is also read as a USB version.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "FuzzSupport.h"
#include "HidBusLinux.h"
#include "UsbTopologyLinux.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kestrava::fuzz;
    static TempFolder root;
    static const bool made = [] {
        root.Create("kestrava-fuzz-sysfs");
        return std::filesystem::create_directories(root.Path() / "class/hidraw/hidraw0/device");
    }();
    (void)made;
    Bytes in(data, size);
    std::string uevent = in.Text(in.Byte());
    std::string descriptor = in.Rest();
    auto device = root.Path() / "class/hidraw/hidraw0/device";
    std::ofstream(device / "uevent", std::ios::binary | std::ios::trunc) << uevent;
    std::ofstream(device / "report_descriptor", std::ios::binary | std::ios::trunc) << descriptor;

    ondrel::LinuxHidBus bus(root.Path().string(), root.Path().string());
    bus.Describe("hidraw0");
    ondrel::ParseUsbVersion(uevent);
    return 0;
}
