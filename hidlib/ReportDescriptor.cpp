#include "ReportDescriptor.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <vector>

namespace ondrel {

namespace {

enum ItemType { kMain = 0, kGlobal = 1, kLocal = 2 };
enum MainTag { kInput = 0x8, kOutput = 0x9, kFeature = 0xB };
enum GlobalTag { kReportSize = 0x7, kReportId = 0x8, kReportCount = 0x9, kPush = 0xA, kPop = 0xB };

struct Globals {
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    std::uint32_t reportId = 0;
};

std::uint16_t BytesWithId(const std::map<std::uint32_t, std::uint64_t>& bitsPerId) {
    std::uint64_t longest = 0;
    for (const auto& [id, bits] : bitsPerId) longest = std::max(longest, bits);
    if (longest == 0) return 0;
    return static_cast<std::uint16_t>(
        std::min<std::uint64_t>(longest / 8 + (longest % 8 != 0) + 1, 0xFFFF));
}

// A descriptor may declare more bits than 64 bits can count; the length is
// capped anyway, so the sum stops at the largest count instead of wrapping.
void AddBits(std::uint64_t& total, std::uint64_t bits) {
    total = bits > UINT64_MAX - total ? UINT64_MAX : total + bits;
}

}  // namespace

ReportLayout ParseReportDescriptor(const std::uint8_t* d, std::size_t size) {
    ReportLayout layout;
    Globals globals;
    std::vector<Globals> stack;
    std::map<std::uint32_t, std::uint64_t> input, output, feature;

    std::size_t i = 0;
    while (i < size) {
        std::uint8_t prefix = d[i];
        if (prefix == 0xFE) {  // long item: size, tag, data
            if (i + 1 >= size) break;
            i += 3 + d[i + 1];
            continue;
        }
        std::size_t dataSize = (prefix & 3) == 3 ? 4 : (prefix & 3);
        if (i + 1 + dataSize > size) break;
        std::uint32_t value = 0;
        for (std::size_t k = 0; k < dataSize; ++k) value |= std::uint32_t{d[i + 1 + k]} << (8 * k);
        int type = (prefix >> 2) & 3;
        int tag = prefix >> 4;
        if (type == kGlobal) {
            switch (tag) {
                case kReportSize:
                    globals.reportSize = value;
                    break;
                case kReportCount:
                    globals.reportCount = value;
                    break;
                case kReportId:
                    globals.reportId = value;
                    layout.usesReportIds = true;
                    break;
                case kPush:
                    stack.push_back(globals);
                    break;
                case kPop:
                    if (!stack.empty()) {
                        globals = stack.back();
                        stack.pop_back();
                    }
                    break;
                default:
                    break;
            }
        } else if (type == kMain) {
            std::uint64_t bits = std::uint64_t{globals.reportSize} * globals.reportCount;
            if (tag == kInput) AddBits(input[globals.reportId], bits);
            if (tag == kOutput) AddBits(output[globals.reportId], bits);
            if (tag == kFeature) AddBits(feature[globals.reportId], bits);
        }
        i += 1 + dataSize;
    }
    layout.caps.inputReportLength = BytesWithId(input);
    layout.caps.outputReportLength = BytesWithId(output);
    layout.caps.featureReportLength = BytesWithId(feature);
    return layout;
}

}  // namespace ondrel
