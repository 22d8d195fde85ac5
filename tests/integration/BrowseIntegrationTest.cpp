// The person at the handset browses the contact list and the three call
// lists; each entry shows on the LCD as the handset asks for its text.
#include "LiveProgram.h"

namespace kestrava::testing {
namespace {

constexpr std::uint8_t kContactList = 0x60, kCallList = 0x6E, kLeaveList = 0x6F, kFirstA = 0x6A,
                       kFirstB = 0x6B, kFirstMissed = 0x6D, kNext = 0x62;

class BrowseIntegrationTest : public LiveProgram {
  protected:
    // Presses the keys and gives the LCD once the transfer they lead to has ended.
    std::string Show(std::initializer_list<std::uint8_t> keys) {
        int transfers = handset.TransfersCompleted();
        for (std::uint8_t key : keys) handset.PressKey(key);
        EXPECT_TRUE(WaitUntil([&] { return handset.TransfersCompleted() > transfers; }))
            << "no entry was shown";
        return handset.LcdText();
    }
};

// Glyph cells show as "?" in the LCD's text; the entry's name ends in a blank.
TEST_F(BrowseIntegrationTest, TheReachableContactsShowOneAfterTheOtherAndAllContactsFromTheFirst) {
    EXPECT_EQ(Show({kContactList, kFirstA}), "Alice ");
    EXPECT_EQ(Show({kNext}), "Echo / Sound Test Service ");
    EXPECT_EQ(Show({kNext}), "??? ") << "王小明 is away, still reachable";
    EXPECT_EQ(Show({kLeaveList, kContactList, kFirstB}), "Alice ");
}

TEST_F(BrowseIntegrationTest, EachCallListShowsItsNewestCallWithTheCallersName) {
    EXPECT_EQ(Show({kCallList, kFirstA}), "Alice ") << "received";
    EXPECT_EQ(Show({kLeaveList, kCallList, kFirstB}), "???? ") << "dialed: 山田太郎";
    EXPECT_EQ(Show({kLeaveList, kCallList, kFirstMissed}), "??? ") << "missed: 王小明";
}

}  // namespace
}  // namespace kestrava::testing
