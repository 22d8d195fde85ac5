// Any bytes as a HID report descriptor.
#include <cstddef>
#include <cstdint>

#include "ReportDescriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Malformed and truncated descriptors included: they yield what was
    // parsed up to the fault, never a read past the end.
    ondrel::ParseReportDescriptor(data, size);
    return 0;
}
