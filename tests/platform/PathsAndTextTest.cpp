#include <gtest/gtest.h>

#include "platform/Paths.h"
#include "platform/WindowSystem.h"

namespace kestrava {
namespace {

TEST(Paths, TheFolderKeepsItsTrailingSeparator) {
    std::string sep(1, kPathSeparator);
    EXPECT_EQ(DirectoryOf("app" + sep + "Kestrava"), "app" + sep);
    EXPECT_EQ(DirectoryOf("Kestrava"), "");
    EXPECT_EQ(FileInFolder("app" + sep, "Pellanor.ini"), "app" + sep + sep + "Pellanor.ini");
}

TEST(CopyDataText, IsTakenUpToItsZeroButNeverPastTheCarriedBytes) {
    const char text[] = "PROTOCOL 5\0junk";
    CopyDataPacket packet{0, sizeof(text), text};
    EXPECT_EQ(TextOfCopyData(reinterpret_cast<LParam>(&packet)), "PROTOCOL 5");

    const char unterminated[4] = {'P', 'I', 'N', 'G'};
    CopyDataPacket cut{0, 4, unterminated};
    EXPECT_EQ(TextOfCopyData(reinterpret_cast<LParam>(&cut)), "PING");

    EXPECT_EQ(TextOfCopyData(0), "");
}

}  // namespace
}  // namespace kestrava
