#include "ExtraDevices.h"

#include <cstdio>

namespace ondrel {

namespace {

std::string_view Trim(std::string_view text) {
    const char* blanks = " \t\r\n";
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    std::size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

int DigitValue(char c, int base) {
    int value = -1;
    if (c >= '0' && c <= '9') value = c - '0';
    if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
    return value < base ? value : -1;
}

// A whole field as a number of at most `max`; no sign, no blanks, no overflow.
bool ParseNumber(std::string_view field, int base, unsigned long min, unsigned long max,
                 std::uint16_t* out) {
    if (base == 16 && field.size() > 2 && field[0] == '0' && (field[1] == 'x' || field[1] == 'X'))
        field.remove_prefix(2);
    if (field.empty()) return false;
    unsigned long value = 0;
    for (char c : field) {
        int digit = DigitValue(c, base);
        if (digit < 0) return false;
        value = value * base + digit;
        if (value > max) return false;
    }
    if (value < min) return false;
    *out = static_cast<std::uint16_t>(value);
    return true;
}

bool ParseEntry(std::string_view entry, ExtraHidDevice* device) {
    std::size_t equals = entry.rfind('=');
    if (equals == std::string_view::npos) return false;
    std::string_view path = Trim(entry.substr(0, equals));
    std::string_view identity = Trim(entry.substr(equals + 1));
    if (path.empty()) return false;

    std::string_view fields[4];
    for (int i = 0; i < 4; ++i) {
        std::size_t colon = identity.find(':');
        if ((i < 3) != (colon != std::string_view::npos)) return false;  // exactly four fields
        fields[i] = Trim(identity.substr(0, colon));
        identity = i < 3 ? identity.substr(colon + 1) : std::string_view();
    }
    ExtraHidDevice parsed;
    parsed.path = std::string(path);
    if (!ParseNumber(fields[0], 16, 0, 0xFFFF, &parsed.attributes.vendorId) ||
        !ParseNumber(fields[1], 16, 0, 0xFFFF, &parsed.attributes.productId) ||
        !ParseNumber(fields[2], 10, 1, 0xFFFF, &parsed.caps.inputReportLength) ||
        !ParseNumber(fields[3], 10, 1, 0xFFFF, &parsed.caps.outputReportLength)) {
        return false;
    }
    *device = std::move(parsed);
    return true;
}

}  // namespace

std::vector<ExtraHidDevice> ParseExtraDevices(std::string_view text,
                                              std::vector<std::string>* rejected) {
    std::vector<ExtraHidDevice> devices;
    while (!text.empty()) {
        std::size_t end = text.find(';');
        std::string_view entry = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (entry.empty()) continue;
        ExtraHidDevice device;
        if (ParseEntry(entry, &device)) {
            devices.push_back(std::move(device));
        } else if (rejected) {
            rejected->emplace_back(entry);
        }
    }
    return devices;
}

std::string FormatExtraDevice(const ExtraHidDevice& device) {
    char identity[48];
    std::snprintf(identity, sizeof identity, "=%04X:%04X:%u:%u", device.attributes.vendorId,
                  device.attributes.productId, unsigned{device.caps.inputReportLength},
                  unsigned{device.caps.outputReportLength});
    return device.path + identity;
}

}  // namespace ondrel
