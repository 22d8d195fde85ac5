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

TEST_F(BrowseIntegrationTest, AContactGoingOfflineMovesBehindTheReachableOnes) {
    long from = static_cast<long>(skype.Log().size());
    skype.SetUserOnlineStatus("alice.liddell", "OFFLINE");
    ASSERT_TRUE(WaitForLogEntry("NOTIFY USER alice.liddell ONLINESTATUS OFFLINE", from));
    // The program takes the line in on the parser thread; the list shows it
    // once the first reachable contact is another one.
    ASSERT_TRUE(WaitUntil([&] {
        return Show({kLeaveList, kContactList, kFirstA}) == "Echo / Sound Test Service ";
    }));
    EXPECT_EQ(Show({kNext}), "??? ");
    // All contacts: the reachable ones first, then the others by name (山田太郎 last).
    std::vector<std::string> all{Show({kLeaveList, kContactList, kFirstB})};
    for (int i = 0; i < 3; ++i) all.push_back(Show({kNext}));
    EXPECT_EQ(all,
              (std::vector<std::string>{"Echo / Sound Test Service ", "??? ", "Alice ", "???? "}));
}

TEST_F(BrowseIntegrationTest, EachCallListShowsItsNewestCallWithTheCallersName) {
    EXPECT_EQ(Show({kCallList, kFirstA}), "Alice ") << "received";
    EXPECT_EQ(Show({kLeaveList, kCallList, kFirstB}), "???? ") << "dialed: 山田太郎";
    EXPECT_EQ(Show({kLeaveList, kCallList, kFirstMissed}), "??? ") << "missed: 王小明";
}

}  // namespace
}  // namespace kestrava::testing
