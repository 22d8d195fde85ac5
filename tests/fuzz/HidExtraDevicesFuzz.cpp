// Any text as the list of extra devices; every entry that parses must come
// back the same through its own text form.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "ExtraDevices.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ondrel;
    std::vector<std::string> rejected;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const ExtraHidDevice& device : ParseExtraDevices(text, &rejected)) {
        std::vector<ExtraHidDevice> again = ParseExtraDevices(FormatExtraDevice(device));
        if (again.size() != 1 || again[0].path != device.path ||
            again[0].attributes.vendorId != device.attributes.vendorId ||
            again[0].attributes.productId != device.attributes.productId ||
            again[0].caps.inputReportLength != device.caps.inputReportLength ||
            again[0].caps.outputReportLength != device.caps.outputReportLength) {
            std::abort();
        }
    }
    return 0;
}
