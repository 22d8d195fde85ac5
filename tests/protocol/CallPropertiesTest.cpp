// The other properties of a CALL line, and the TIMESTAMP reply that closes a
// call into the history.
#include "CallsFixture.h"

namespace kestrava::testing {
namespace {

using ::testing::StrEq;

TEST_F(CallsTest, TheCallersNameIsEveryWordFromTheFourthOnEachFollowedByABlank) {
    SetCurrent(1234, 2);
    EXPECT_CALL(caller, SetCallerName(StrEq("John Smith ")));
    Line("CALL 1234 PARTNER_DISPNAME John  Smith");
    EXPECT_EQ(CurrentName(), "John Smith ");
    EXPECT_EQ(log, Join({kStop, {"render John Smith ", "hs 3F"}}));
}

TEST_F(CallsTest, TheContactListLearnsWhoIsCalling) {
    CListManager contacts;
    ListManagerCallerDetails details(contacts);
    calls.SetCallerDetails(&details);
    SetCurrent(1234, 2);
    Line("CALL 1234 PARTNER_DISPNAME Ann  Lee");
    Line("CALL 1234 PARTNER_HANDLE ann.lee");
    calls.SetCallerDetails(nullptr);
    char name[CListManager::kTextBufferSize];
    ASSERT_EQ(contacts.GetCallerName(name), S_OK);
    EXPECT_STREQ(name, "Ann Lee ");
    std::string handle;
    char c = 0;
    while (handle.size() < 20 && contacts.ReadCallerHandleChar(&c) == S_OK) handle += c;
    EXPECT_EQ(handle, "ann.lee");
}

TEST_F(CallsTest, ALongNameIsCutTo254BytesWithoutSplittingACharacter) {
    SetCurrent(1234, 3);
    std::string word(250, 'a');
    Line("CALL 1234 PARTNER_DISPNAME " + word + " \xC3\xA9\xC3\xA9 more");
    // 250 + blank = 251 bytes; the next two-byte characters would end at 253
    // and 255, so only the first fits.
    EXPECT_EQ(CurrentName(), word + " \xC3\xA9");
    EXPECT_TRUE(log.empty()) << "an answered call's name is not shown again";
}

TEST_F(CallsTest, TheNameOfTheSecondOrAHistoryCallGoesToItsRecordOnly) {
    SetCurrent(1234, 3);
    SetSecond(77, 2);
    store.AddCall(555, 0);
    store.SetCallType(555, 0);
    EXPECT_CALL(caller, SetCallerName(::testing::_)).Times(0);
    Line("CALL 77 PARTNER_DISPNAME Ann");
    Line("CALL 555 PARTNER_DISPNAME Old Friend");
    char name[CSessionStore::kTextBufferSize];
    store.GetSecondCallPartnerName(name);
    EXPECT_STREQ(name, "Ann ");
    EXPECT_EQ(History(555).name, "Old Friend ");
    EXPECT_TRUE(log.empty());
}

// The pending bit must be up when the announcement leaves: the handset may
// answer with its transfer reply before SendCommand has even returned.
TEST_F(CallsTest, TheDisplayBitIsSetBeforeEachAnnouncement) {
    SetCurrent(1234, 2);
    Line("CALL 1234 PARTNER_DISPNAME Ann");
    EXPECT_EQ(contentAtSend[0x3F] & 0x20, 0x20);

    device.m_nDisplayContent = 0;
    EXPECT_CALL(caller, SetCallerHandle(StrEq("ann.k")));
    Line("CALL 1234 PARTNER_HANDLE ann.k");
    EXPECT_EQ(contentAtSend[0x3E] & 0x10, 0x10);

    store.SetCurrentCallStatus(4);
    device.m_nDisplayContent = 0;
    contentAtSend.clear();
    Line("CALL 1234 TIMESTAMP 1700000000");
    EXPECT_EQ(contentAtSend[0x3E] & 0x2000, 0x2000) << "the call timer";
}

TEST_F(CallsTest, TheCallersHandleIsShownWhileTheCallRings) {
    SetCurrent(1234, 23);
    Line("CALL 1234 PARTNER_HANDLE +4930123");
    EXPECT_EQ(log, Join({kStop, {"render +4930123", "hs 3E"}}));
    char handle[CSessionStore::kTextBufferSize];
    store.GetCurrentCallPartnerHandle(handle);
    EXPECT_STREQ(handle, "+4930123");

    // With the display off the handle is still marked as pending.
    displayEnabled = false;
    device.m_nDisplayContent = 0;
    log.clear();
    Line("CALL 1234 PARTNER_HANDLE +4930123");
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(device.m_nDisplayContent, 0x10);

    // An answered call's handle is only stored.
    store.SetCurrentCallStatus(3);
    device.m_nDisplayContent = 0;
    Line("CALL 1234 PARTNER_HANDLE other");
    EXPECT_EQ(device.m_nDisplayContent, 0);
}

TEST_F(CallsTest, TypeSeenAndDurationGoToTheRecordOfTheirRole) {
    SetCurrent(1234, 3);
    SetSecond(77, 2);
    store.AddCall(555, 0);
    // Every SEEN reply reaches the history's load, whatever the call's role:
    // a search lists live calls too.
    EXPECT_CALL(history, HistoryCallSeen(1234, 1));
    EXPECT_CALL(history, HistoryCallSeen(77, 0));
    EXPECT_CALL(history, HistoryCallSeen(555, 1));
    Line("CALL 1234 TYPE OUTGOING_PSTN");
    Line("CALL 77 TYPE SOMETHING_NEW");
    Line("CALL 555 TYPE INCOMING_P2P");
    Line("CALL 1234 SEEN TRUE");
    Line("CALL 77 SEEN true");
    Line("CALL 555 SEEN TRUE");
    Line("CALL 1234 DURATION 65");
    Line("CALL 77 DURATION 9");

    EXPECT_EQ(CurrentType(), 3);
    int value = 0;
    store.GetSecondCallType(&value);
    EXPECT_EQ(value, -1);
    EXPECT_EQ(History(555).type, 0);
    store.GetCurrentCallSeen(&value);
    EXPECT_EQ(value, 1);
    store.GetSecondCallSeen(&value);
    EXPECT_EQ(value, 0) << "only TRUE, in capitals, is seen";
    EXPECT_EQ(History(555).seen, 1);
    store.GetCurrentCallDuration(&value);
    EXPECT_EQ(value, 65);
    store.GetSecondCallDuration(&value);
    EXPECT_EQ(value, 9);
    EXPECT_EQ(log, (Events{"bulk GET CALL 555 PARTNER_HANDLE"}))
        << "a history record's TYPE reply asks for the partner's handle in the bulk lane; a live "
           "call asks itself";
}

TEST_F(CallsTest, AShortLineNeverSeesThePreviousLinesWords) {
    SetCurrent(1234, 3);
    Line("CALL 1234 SEEN TRUE");
    Line("CALL 1234 SEEN");
    int seen = 1;
    store.GetCurrentCallSeen(&seen);
    EXPECT_EQ(seen, 0);
    Line("CALL 1234 DURATION 30");
    Line("CALL 1234 DURATION");
    store.GetCurrentCallDuration(&seen);
    EXPECT_EQ(seen, 0);
}

// A missed call from the ring to the history, with the replies Skype sends.
TEST_F(CallsTest, AMissedCallIsArchivedWhenItsTimestampArrives) {
    Line("CALL 1234 STATUS RINGING");
    Line("CALL 1234 PARTNER_DISPNAME Ann");
    log.clear();
    Line("CALL 1234 STATUS MISSED");
    EXPECT_EQ(log, Join({EndOnHandset(), CallDetails(1234)}));
    EXPECT_EQ(CurrentStatus(), 5);

    log.clear();
    Line("CALL 1234 PARTNER_HANDLE ann.k");
    Line("CALL 1234 TYPE INCOMING_P2P");
    Line("CALL 1234 SEEN FALSE");
    Line("CALL 1234 DURATION 0");
    Line("CALL 1234 TIMESTAMP 1700000000");
    EXPECT_EQ(log, Join({kStop, {"missed calls shown"}}));
    EXPECT_EQ(CurrentId(), 0) << "no call is current any more";
    HistoryView archived = History(1234);
    ASSERT_TRUE(archived.found);
    EXPECT_EQ(archived.status, 5);
    EXPECT_EQ(archived.name, "Ann ");
    EXPECT_EQ(archived.handle, "ann.k");
    int unseen = 0;
    store.CountUnseenMissedCalls(&unseen);
    EXPECT_EQ(unseen, 1);
}

TEST_F(CallsTest, WithTheDisplayOffAMissedCallIsArchivedSilently) {
    displayEnabled = false;
    SetCurrent(1234, 5);
    store.SetCurrentCallType(0);
    Line("CALL 1234 TIMESTAMP 1700000000");
    EXPECT_EQ(log, kStop);
    EXPECT_TRUE(History(1234).found);
}

TEST_F(CallsTest, AFinishedCallMakesWayForTheSecondCall) {
    SetCurrent(1234, 4);
    store.SetCurrentCallType(1);
    SetSecond(77, 2);
    store.SetSecondCallPartnerName("Bob ", 4);
    Line("CALL 1234 TIMESTAMP 1700000000");
    EXPECT_EQ(log, Join({kStop, {"hs 3E"}}));
    EXPECT_TRUE(History(1234).found);
    EXPECT_EQ(CurrentId(), 77);
    EXPECT_EQ(CurrentStatus(), 2);
    EXPECT_EQ(CurrentName(), "Bob ");
    EXPECT_EQ(SecondId(), 0);
}

TEST_F(CallsTest, ATimestampBeforeTheCallHasEndedLeavesItCurrent) {
    SetCurrent(1234, 3);
    Line("CALL 1234 TIMESTAMP 1700000000");
    EXPECT_EQ(CurrentId(), 1234);
    EXPECT_FALSE(History(1234).found);
    EXPECT_TRUE(log.empty());
}

TEST_F(CallsTest, TheSecondCallIsArchivedOnItsOwnTimestamp) {
    SetCurrent(1234, 3);
    SetSecond(77, 5);
    store.SetSecondCallType(0);
    Line("CALL 77 TIMESTAMP 1700000000");
    EXPECT_EQ(log, Join({kStop, {"missed calls shown"}}));
    EXPECT_EQ(History(77).status, 5);
    EXPECT_EQ(SecondId(), 0);
    EXPECT_EQ(CurrentId(), 1234);

    // Still ringing: nothing to close.
    SetSecond(78, 2);
    log.clear();
    Line("CALL 78 TIMESTAMP 1700000000");
    EXPECT_EQ(SecondId(), 78);
    EXPECT_TRUE(log.empty());
}

TEST_F(CallsTest, AHistoryCallsTimestampGoesToTheHistoryWithItsFullWidth) {
    EXPECT_CALL(history, HistoryCallTimestamp(555, CallTime{4102444800}));
    Line("CALL 555 TIMESTAMP 4102444800");
}

}  // namespace
}  // namespace kestrava::testing
