// Report lengths from a HID report descriptor, counted the way the HID parser
// of the other platform counts them: the longest report of each kind in
// bytes, plus one byte for the report id (sent as 0 when the device has none).
#pragma once

#include <cstddef>
#include <cstdint>

#include "HidBus.h"

namespace ondrel {

struct ReportLayout {
    HidCaps caps;
    bool usesReportIds = false;
};

// Malformed or truncated descriptors yield what was parsed up to the fault.
ReportLayout ParseReportDescriptor(const std::uint8_t* descriptor, std::size_t size);

}  // namespace ondrel
