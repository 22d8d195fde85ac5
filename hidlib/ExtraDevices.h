// Devices the HID bus is told about instead of finding them: a path to open
// and the identity that the path itself cannot report (a named pipe has no
// HID attributes or capabilities). The Windows bus lists them before the
// devices SetupAPI finds; the text form is what ONDREL_EXTRA_DEVICES holds.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "HidBus.h"

namespace ondrel {

struct ExtraHidDevice {
    std::string path;
    HidAttributes attributes;
    HidCaps caps;  // input and output report lengths, each counting the report id byte
};

// Parses "<path>=<vendor>:<product>:<input length>:<output length>" entries
// separated by ';'. Vendor and product are hexadecimal (an "0x" in front is
// allowed), the lengths decimal and at least 1. The identity follows the last
// '=', so the path may hold '=' itself. Blank entries are skipped; entries that
// do not parse are left out and, when `rejected` is given, appended to it.
std::vector<ExtraHidDevice> ParseExtraDevices(std::string_view text,
                                              std::vector<std::string>* rejected = nullptr);

// The entry for one device, as ParseExtraDevices reads it.
std::string FormatExtraDevice(const ExtraHidDevice& device);

}  // namespace ondrel
