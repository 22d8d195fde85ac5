// The extra device list: what the Windows bus opens beside what SetupAPI finds.
#include <gtest/gtest.h>

#include "hidlib/ExtraDevices.h"

using ondrel::ExtraHidDevice;
using ondrel::ParseExtraDevices;

namespace {

TEST(ExtraDevices, ReadsPathsIdsAndLengths) {
    std::vector<std::string> rejected;
    auto devices = ParseExtraDevices(
        " \\\\.\\pipe\\handset = 0C45:0x1830:8:8 ;;\\\\.\\pipe\\a=b=c45:1800:5:64", &rejected);
    EXPECT_TRUE(rejected.empty());
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].path, "\\\\.\\pipe\\handset");
    EXPECT_EQ(devices[0].attributes.vendorId, 0x0C45);
    EXPECT_EQ(devices[0].attributes.productId, 0x1830);
    EXPECT_EQ(devices[0].caps.inputReportLength, 8);
    EXPECT_EQ(devices[0].caps.outputReportLength, 8);
    EXPECT_EQ(devices[1].path, "\\\\.\\pipe\\a=b") << "the identity follows the last '='";
    EXPECT_EQ(devices[1].attributes.vendorId, 0x0C45);
    EXPECT_EQ(devices[1].caps.inputReportLength, 5);
    EXPECT_EQ(devices[1].caps.outputReportLength, 64);

    EXPECT_EQ(ondrel::FormatExtraDevice(devices[1]), "\\\\.\\pipe\\a=b=0C45:1800:5:64");
    auto again = ParseExtraDevices(ondrel::FormatExtraDevice(devices[1]));
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].attributes.productId, 0x1800);
    EXPECT_TRUE(ParseExtraDevices("").empty());
}

TEST(ExtraDevices, LeavesOutEveryMalformedEntryAndKeepsTheGoodOnes) {
    const char* bad[] = {
        "no-identity",
        "=0C45:1830:8:8",                         // no path
        "p=0C45:1830:8",                          // three fields
        "p=0C45:1830:8:8:8",                      // five
        "p=0C45:1830::8",                         // empty field
        "p=0G45:1830:8:8",                        // not hexadecimal
        "p=10C45:1830:8:8",                       // vendor beyond 16 bits
        "p=0C45:1830:0:8",                        // a report has its id byte at least
        "p=0C45:1830:8:65536",                    // length beyond 16 bits
        "p=0C45:1830:-8:8",                       // no signs
        "p=0C45:1830:8:0x8",                      // lengths are decimal
        "p=0x:1830:8:8",                          // a prefix alone
        "p=0C45:1830:8:99999999999999999999999",  // would overflow any integer
    };
    std::string text = "good=0C45:1830:8:8";
    for (const char* entry : bad) text += std::string(";") + entry;
    std::vector<std::string> rejected;
    auto devices = ParseExtraDevices(text, &rejected);
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].path, "good");
    ASSERT_EQ(rejected.size(), std::size(bad));
    for (std::size_t i = 0; i < rejected.size(); ++i) EXPECT_EQ(rejected[i], bad[i]);
}

}  // namespace
