// The call history: order, known and unknown ids, texts, the redial list.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "StoreTestSupport.h"
#include "session/ContactActionSink.h"

using namespace session_test;
using ::testing::ElementsAre;

namespace {

std::vector<int> HistoryIds(CSessionStore& store) {
    std::vector<int> ids;
    int id = 0;
    for (int i = 0; Succeeded(store.GetCallIdAt(i, &id)); ++i) ids.push_back(id);
    return ids;
}

}  // namespace

TEST(SessionHistory, ReloadKeepsTheSearchOrderAndAnEndedCallGoesToTheFront) {
    CSessionStore store;
    for (int id : {30, 20, 10}) EXPECT_EQ(S_OK, store.AddCall(id, 0));
    EXPECT_EQ(S_OK, store.AddCall(40, 1));
    EXPECT_THAT(HistoryIds(store), ElementsAre(40, 30, 20, 10));
    int id = 77;
    EXPECT_EQ(E_FAIL, store.GetCallIdAt(-1, &id));
    EXPECT_EQ(77, id);
}

TEST(SessionHistory, AKnownIdOnlyChangesItsDetailsFlag) {
    CSessionStore store;
    AddRecord(store, 7, 0, 5);  // an unseen missed call
    store.AddCall(8, 0);
    int flag = -1, unseen = 0;
    EXPECT_EQ(E_FAIL, store.AddCall(7, 1));
    store.GetCallHasDetails(7, &flag);
    store.CountUnseenMissedCalls(&unseen);
    EXPECT_EQ(1, flag);
    EXPECT_EQ(1, unseen);  // still missed, still there once, still in its place
    EXPECT_THAT(HistoryIds(store), ElementsAre(7, 8));
}

TEST(SessionHistory, AnUnknownIdFailsAndHasNoDetails) {
    CSessionStore store;
    store.AddCall(5, 0);
    EXPECT_EQ(E_FAIL, store.SetCallStatus(6, 5));
    EXPECT_EQ(E_FAIL, store.SetCallPartnerHandle(6, "x", 1));
    EXPECT_EQ(E_FAIL, store.HasCall(6));
    int flag = 9;
    EXPECT_EQ(S_OK, store.GetCallHasDetails(6, &flag));  // the handset then asks Skype
    EXPECT_EQ(0, flag);
}

TEST(SessionHistory, CountsOnlyUnseenMissedIncomingCalls) {
    CSessionStore store;
    AddRecord(store, 1, 0, 5);
    AddRecord(store, 2, 2, 5);  // from a phone line
    AddRecord(store, 3, 0, 5);
    store.SetCallSeen(3, 1);
    AddRecord(store, 4, 1, 5);  // outgoing
    AddRecord(store, 5, 0, 4);  // answered
    int count = -1;
    store.CountUnseenMissedCalls(&count);
    EXPECT_EQ(2, count);
}

// A change of Skype's history brings the history up to date: known records
// keep what is known of them and take the listed order, new ids get empty
// records, unlisted ones leave; what is left to ask is reported.
TEST(SessionHistory, MatchingASearchKeepsKnownRecordsAndReportsWhatToAsk) {
    CSessionStore store;
    AddRecord(store, 40, 0, 5, "ann");  // missed, not yet seen: can still change
    AddRecord(store, 30, 1, 4, "ben");  // dialed
    AddRecord(store, 20, 0, 5);         // missed, seen
    store.SetCallSeen(20, 1);
    AddRecord(store, 10, 2, 5);  // missed from a phone line, not yet seen
    store.SetCallPartnerName(40, "Ann", 3);
    store.AddCall(40, 1);  // its details are complete

    const auto match = store.MatchCalls({50, 30, 40, 50, 10, 60});
    EXPECT_THAT(HistoryIds(store), ElementsAre(50, 30, 40, 10, 60));
    EXPECT_THAT(match.added, ElementsAre(50, 60)) << "a repeated id counts once";
    EXPECT_THAT(match.unseenMissed, ElementsAre(40, 10));
    int details = 0, unseen = 0;
    store.GetCallHasDetails(40, &details);
    EXPECT_EQ(1, details) << "a kept record keeps its details";
    store.GetCallHasDetails(50, &details);
    EXPECT_EQ(0, details);
    store.CountUnseenMissedCalls(&unseen);
    EXPECT_EQ(2, unseen);
    EXPECT_EQ(E_FAIL, store.HasCall(20));

    const auto none = store.MatchCalls({});
    EXPECT_TRUE(none.added.empty() && none.unseenMissed.empty());
    EXPECT_TRUE(HistoryIds(store).empty());
}

TEST(SessionTexts, TextsAreCutBoundedByTheirLengthAndNeverOverrunTheBuffer) {
    CSessionStore store;
    const std::string longName(600, 'n');
    EXPECT_EQ(S_OK, store.SetCurrentCallPartnerName(longName.c_str(), 600));
    GuardedBuffer out;
    ASSERT_EQ(S_OK, store.GetCurrentCallPartnerName(out.data()));
    EXPECT_EQ(std::string(254, 'n'), out.text());
    EXPECT_TRUE(out.GuardIntact());

    const char unterminated[4] = {'a', 'b', 'c', 'd'};
    store.SetCurrentCallPartnerName(unterminated, 3);
    store.GetCurrentCallPartnerName(out.data());
    EXPECT_EQ("abc", out.text());
    EXPECT_EQ('\0', out.bytes[254]);  // zero-filled behind the text

    store.SetCurrentCallPartnerName("xy", 200);  // stops at the terminating zero
    store.GetCurrentCallPartnerName(out.data());
    EXPECT_EQ("xy", out.text());
    EXPECT_EQ(E_FAIL, store.SetCurrentCallPartnerName("zz", -1));
    store.GetCurrentCallPartnerName(out.data());
    EXPECT_EQ("xy", out.text());
}

namespace {

class MockContactActions : public ContactActionSink {
  public:
    MOCK_METHOD(void, AddCallEntry, (const CCallRecord& record), (override));
    MOCK_METHOD(void, AddContactEntry, (const CUserEntry& entry), (override));
};

class RedialList : public ::testing::Test {
  protected:
    std::vector<std::string> Post() {
        std::vector<std::string> posted;
        EXPECT_CALL(m_sink, AddCallEntry).WillRepeatedly([&](const CCallRecord& r) {
            posted.push_back(r.PartnerHandle);
        });
        EXPECT_EQ(S_OK, m_store.PostRecentDialedCalls());
        return posted;
    }

    MockContactActions m_sink;
    CSessionStore m_store{&m_sink};
};

}  // namespace

TEST_F(RedialList, PostsEachDialedHandleOnceNewestFirst) {
    AddRecord(m_store, 1, 1, 4, "carol");
    AddRecord(m_store, 2, 0, 3, "dave");   // received
    AddRecord(m_store, 3, 3, 4, "+4930");  // to a phone line
    AddRecord(m_store, 4, 1, 4, "carol");
    AddRecord(m_store, 5, 1, 4, "Carol");  // handles differ by case
    AddRecord(m_store, 6, 1, 4);           // handle not known yet
    EXPECT_THAT(Post(), ElementsAre("carol", "+4930", "Carol"));

    m_store.SetContactActionSink(nullptr);
    EXPECT_EQ(E_FAIL, m_store.PostRecentDialedCalls());
}

TEST_F(RedialList, StopsAfterTwentyOneHandles) {
    for (int id = 1; id <= 30; ++id) AddRecord(m_store, id, 1, 4, "u" + std::to_string(id));
    const std::vector<std::string> posted = Post();
    ASSERT_EQ(21u, posted.size());
    EXPECT_EQ("u21", posted.back());
}
