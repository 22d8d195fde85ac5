// The call history: adding, rebuilding, the by-id operations, texts and the
// redial list.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StoreTestSupport.h"
#include "session/ContactActionSink.h"

using namespace session_test;
using ::testing::_;
using ::testing::ElementsAre;

namespace {

std::vector<int> HistoryIds(CSessionStore& store) {
    int count = 0;
    store.GetCallCount(&count);
    std::vector<int> ids;
    for (int i = 0; i < count; ++i) {
        int id = 0;
        EXPECT_EQ(S_OK, store.GetCallIdAt(i, &id));
        ids.push_back(id);
    }
    return ids;
}

// Browses to `id` (received calls) so that the Selected getters show it.
void SelectReceived(CSessionStore& store, int id) {
    store.SetBrowseMode(CSessionStore::kBrowseReceived);
    store.ResetBrowse();
    int found = 0;
    while (Succeeded(store.SelectNextCall(0, found != 0, &found)) && found != id) {
    }
    ASSERT_EQ(id, found);
    store.RefreshSelection(id);
}

}  // namespace

TEST(SessionHistory, RebuildKeepsTheSearchOrderAndAnEndedCallGoesToTheFront) {
    CSessionStore store;
    for (int id : {30, 20, 10}) EXPECT_EQ(S_OK, store.AddCall(id, 0));
    EXPECT_THAT(HistoryIds(store), ElementsAre(30, 20, 10));

    EXPECT_EQ(S_OK, store.AddCall(40, 1));
    EXPECT_THAT(HistoryIds(store), ElementsAre(40, 30, 20, 10));

    store.ClearCalls();
    EXPECT_THAT(HistoryIds(store), ElementsAre());
    EXPECT_EQ(E_FAIL, store.HasCall(40));
}

TEST(SessionHistory, AddingAKnownIdFailsAndOnlyChangesItsDetailsFlag) {
    CSessionStore store;
    AddRecord(store, 7, 1, 4, "alice");
    store.SetCallDuration(7, 61);
    store.SetCallTimestamp(7, 1000000000);
    store.AddCall(8, 0);

    int flag = -1;
    store.GetCallHasDetails(7, &flag);
    EXPECT_EQ(0, flag);

    EXPECT_EQ(E_FAIL, store.AddCall(7, 1));
    store.GetCallHasDetails(7, &flag);
    EXPECT_EQ(1, flag);
    // Still one record, still in its place, still with its fields.
    EXPECT_THAT(HistoryIds(store), ElementsAre(7, 8));
    EXPECT_EQ(E_FAIL, store.AddCall(7, 0));
    store.GetCallHasDetails(7, &flag);
    EXPECT_EQ(0, flag);

    store.SetBrowseMode(CSessionStore::kBrowseDialed);
    store.ResetBrowse();
    int id = 0;
    ASSERT_EQ(S_OK, store.SelectNextCall(0, 0, &id));
    store.RefreshSelection(id);
    GuardedBuffer handle;
    ASSERT_EQ(S_OK, store.GetSelectedPartnerHandle(handle.data()));
    EXPECT_EQ("alice", handle.text());
    EXPECT_EQ("00:01:01", ReadText(store, &CSessionStore::ReadDurationChar));
}

TEST(SessionHistory, OperationsOnAnUnknownIdFailAndChangeNothing) {
    CSessionStore store;
    AddRecord(store, 5, 0, 3, "bob");

    EXPECT_EQ(E_FAIL, store.SetCallStatus(6, 5));
    EXPECT_EQ(E_FAIL, store.SetCallType(6, 0));
    EXPECT_EQ(E_FAIL, store.SetCallSeen(6, 1));
    EXPECT_EQ(E_FAIL, store.SetCallPartnerHandle(6, "x", 1));
    EXPECT_EQ(E_FAIL, store.SetCallPartnerName(6, "x", 1));
    EXPECT_EQ(E_FAIL, store.SetCallDuration(6, 1));
    EXPECT_EQ(E_FAIL, store.SetCallTimestamp(6, 1));
    EXPECT_EQ(E_FAIL, store.HasCall(6));
    EXPECT_THAT(HistoryIds(store), ElementsAre(5));

    // Unknown calls have no details: the handset then asks Skype for them.
    int flag = 9;
    EXPECT_EQ(S_OK, store.GetCallHasDetails(6, &flag));
    EXPECT_EQ(0, flag);
}

TEST(SessionHistory, PositionsOutsideTheHistoryFailWithoutWriting) {
    CSessionStore store;
    store.AddCall(1, 0);
    int id = 77;
    EXPECT_EQ(E_FAIL, store.GetCallIdAt(-1, &id));
    EXPECT_EQ(E_FAIL, store.GetCallIdAt(1, &id));
    EXPECT_EQ(77, id);
    EXPECT_EQ(S_OK, store.GetCallIdAt(0, &id));
    EXPECT_EQ(1, id);
}

TEST(SessionHistory, CountsOnlyUnseenMissedIncomingCalls) {
    CSessionStore store;
    AddRecord(store, 1, 0, 5);  // missed, unseen
    AddRecord(store, 2, 2, 5);  // missed from a phone line, unseen
    AddRecord(store, 3, 0, 5);
    store.SetCallSeen(3, 1);    // missed, seen
    AddRecord(store, 4, 1, 5);  // outgoing: never a missed call
    AddRecord(store, 5, 0, 4);  // answered
    int count = -1;
    EXPECT_EQ(S_OK, store.CountUnseenMissedCalls(&count));
    EXPECT_EQ(2, count);
}

TEST(SessionTexts, LongTextsAreCutAndNeverOverrunTheCallersBuffer) {
    CSessionStore store;
    const std::string longName(600, 'n');
    store.AddCall(1, 0);
    store.SetCallType(1, 0);
    store.SetCallStatus(1, 3);
    EXPECT_EQ(S_OK, store.SetCallPartnerName(1, longName.c_str(), 600));
    EXPECT_EQ(S_OK, store.SetCurrentCallPartnerHandle(longName.c_str(), 600));
    SelectReceived(store, 1);

    GuardedBuffer name;
    ASSERT_EQ(S_OK, store.GetSelectedPartnerName(name.data()));
    EXPECT_EQ(std::string(254, 'n'), name.text());
    EXPECT_TRUE(name.GuardIntact());

    GuardedBuffer handle;
    ASSERT_EQ(S_OK, store.GetCurrentCallPartnerHandle(handle.data()));
    EXPECT_EQ(254u, handle.text().size());
    EXPECT_TRUE(handle.GuardIntact());
}

TEST(SessionTexts, TheGivenLengthBoundsTheReadAndAShorterTextReplacesALongerOne) {
    CSessionStore store;
    // The length covers only part of the text; the rest is not the caller's.
    const char unterminated[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(S_OK, store.SetCurrentCallPartnerName(unterminated, 3));
    GuardedBuffer out;
    store.GetCurrentCallPartnerName(out.data());
    EXPECT_EQ("abc", out.text());

    // A length beyond the terminating zero stops at the zero.
    EXPECT_EQ(S_OK, store.SetCurrentCallPartnerName("xy", 200));
    store.GetCurrentCallPartnerName(out.data());
    EXPECT_EQ("xy", out.text());
    EXPECT_EQ('\0', out.bytes[2]);
    EXPECT_EQ('\0', out.bytes[254]);  // the buffer is zero-filled

    EXPECT_EQ(E_FAIL, store.SetCurrentCallPartnerName("zz", -1));
    store.GetCurrentCallPartnerName(out.data());
    EXPECT_EQ("xy", out.text());

    EXPECT_EQ(S_OK, store.SetCurrentCallPartnerName(nullptr, 0));
    store.GetCurrentCallPartnerName(out.data());
    EXPECT_EQ("", out.text());
}

TEST(SessionTexts, GettersRefuseANullBuffer) {
    CSessionStore store;
    EXPECT_EQ(E_FAIL, store.GetCurrentCallPartnerName(nullptr));
    EXPECT_EQ(E_FAIL, store.GetCallCount(nullptr));
    EXPECT_EQ(E_FAIL, store.ReadClockChar(nullptr));
}

// ---- the redial list --------------------------------------------------------

namespace {

class MockContactActions : public ContactActionSink {
  public:
    MOCK_METHOD(void, AddCallEntry, (const CCallRecord& record), (override));
};

class RedialList : public ::testing::Test {
  protected:
    // Records the handles in the order they are posted.
    void ExpectPosts() {
        EXPECT_CALL(m_sink, AddCallEntry(_)).WillRepeatedly([this](const CCallRecord& record) {
            m_posted.push_back(record.PartnerHandle);
        });
    }

    MockContactActions m_sink;
    CSessionStore m_store{&m_sink};
    std::vector<std::string> m_posted;
};

}  // namespace

TEST_F(RedialList, PostsDialedHandlesOnceNewestFirst) {
    AddRecord(m_store, 1, 1, 4, "carol");
    AddRecord(m_store, 2, 0, 3, "dave");   // received: not for redial
    AddRecord(m_store, 3, 3, 4, "+4930");  // to a phone line
    AddRecord(m_store, 4, 1, 4, "carol");  // older call to the same handle
    AddRecord(m_store, 5, 1, 4, "Carol");  // handles differ by case
    AddRecord(m_store, 6, 1, 4);           // handle not known yet
    ExpectPosts();

    EXPECT_EQ(S_OK, m_store.PostRecentDialedCalls());
    EXPECT_THAT(m_posted, ElementsAre("carol", "+4930", "Carol"));
}

TEST_F(RedialList, StopsAfterTwentyOneHandles) {
    for (int id = 1; id <= 30; ++id) {
        AddRecord(m_store, id, 1, 4, "user" + std::to_string(id));
    }
    ExpectPosts();
    m_store.PostRecentDialedCalls();
    ASSERT_EQ(21u, m_posted.size());
    EXPECT_EQ("user1", m_posted.front());
    EXPECT_EQ("user21", m_posted.back());
}

TEST_F(RedialList, TheDialogMayReadTheStoreWhileItTakesAnEntry) {
    AddRecord(m_store, 1, 1, 4, "erin");
    // Same thread, lock held: the re-entrant lock lets the dialog read back.
    EXPECT_CALL(m_sink, AddCallEntry(_)).WillOnce([this](const CCallRecord& record) {
        EXPECT_EQ(S_OK, m_store.HasCall(record.CallId));
    });
    m_store.PostRecentDialedCalls();
}

TEST(SessionRedial, WithoutADialogNothingIsPostedAndTheResultSaysSo) {
    CSessionStore store;
    AddRecord(store, 1, 1, 4, "frank");
    EXPECT_EQ(E_FAIL, store.PostRecentDialedCalls());
}
