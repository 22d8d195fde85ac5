// Browsing the history: filters, cursor moves, the copied selection, and a
// history reloaded under a browse.
#include <gtest/gtest.h>

#include "StoreTestSupport.h"

using namespace session_test;

namespace {

class Browse : public ::testing::Test {
  protected:
    void SetUp() override {                      // newest first, every kind of call
        AddRecord(m_store, 101, 0, 4, "ann");    // received
        AddRecord(m_store, 102, 1, 4, "ben");    // dialed
        AddRecord(m_store, 103, 0, 5, "cid");    // missed
        AddRecord(m_store, 104, 2, 3, "+4411");  // received from a phone line
        AddRecord(m_store, 105, 3, 9, "+4422");  // dialed to a phone line
        AddRecord(m_store, 106, 2, 5, "+4433");  // missed from a phone line
        AddRecord(m_store, 107, -1, -1);         // details not known yet
    }

    void Start(int mode) {
        m_store.SetBrowseMode(mode);
        m_store.ResetBrowse();
        m_store.PrepareSelection();
    }

    // Ids met stepping in one direction until a step fails.
    std::vector<int> Walk(int backward) {
        std::vector<int> ids;
        int id = 0;
        while (ids.size() < 20 && Succeeded(m_store.SelectNextCall(backward, !ids.empty(), &id)))
            ids.push_back(id);
        return ids;
    }

    std::string SelectedHandle() {
        GuardedBuffer out;
        return Succeeded(m_store.GetSelectedPartnerHandle(out.data())) ? out.text() : "<none>";
    }

    CSessionStore m_store;
    int m_id = 0;
};

}  // namespace

TEST_F(Browse, EachModeWalksItsOwnCallsAndStopsOnTheLastOneFound) {
    const std::vector<std::vector<int>> expected = {{101, 104}, {102, 105}, {103, 106}};
    for (int mode = 0; mode < 3; ++mode) {
        Start(mode);
        EXPECT_EQ(expected[mode], Walk(0));
        // The failed step put the cursor back on the last match, not the end.
        EXPECT_EQ(S_OK, m_store.HasCursor());
        EXPECT_EQ(std::vector<int>{expected[mode][0]}, Walk(1));
    }
}

TEST_F(Browse, SkippingOnTheLastRecordLooksAtItAgain) {
    m_store.SetCallType(107, 1);
    Start(CSessionStore::kBrowseDialed);
    for (int step = 0; step < 3; ++step) m_store.SelectNextCall(0, step > 0, &m_id);
    ASSERT_EQ(107, m_id);
    EXPECT_EQ(S_OK, m_store.SelectNextCall(0, 1, &m_id));  // stays at the end
    EXPECT_EQ(107, m_id);
    m_store.SetCallType(107, 0);
    m_id = -7;
    EXPECT_EQ(E_FAIL, m_store.SelectNextCall(0, 1, &m_id));  // no longer matches
    EXPECT_EQ(-7, m_id);
}

TEST_F(Browse, NoMissedCallsLeavesNoCursorAndTheMissedPreset) {
    m_store.ClearCalls();
    AddRecord(m_store, 1, 0, 4);
    Start(CSessionStore::kBrowseMissed);
    EXPECT_EQ(E_FAIL, m_store.SelectNextCall(0, 0, &m_id));
    EXPECT_EQ(E_FAIL, m_store.HasCursor());
    int extra = 0, status = 0, type = -1;
    EXPECT_EQ(E_FAIL, m_store.GetSelectedExtra2(&extra));
    m_store.GetSelectedStatus(&status);
    m_store.GetSelectedType(&type);
    EXPECT_EQ(5, status);  // the handset says "No Missed Calls"
    EXPECT_EQ(0, type);

    // From a cursor of -1 both directions stay inside the history.
    EXPECT_EQ(E_FAIL, m_store.SelectNextCall(1, 0, &m_id));
    AddRecord(m_store, 2, 0, 5);
    ASSERT_EQ(S_OK, m_store.SelectNextCall(0, 0, &m_id));
    EXPECT_EQ(2, m_id);
}

TEST_F(Browse, AnUnknownModeSelectsNothing) {
    Start(7);
    m_id = -3;
    EXPECT_EQ(E_FAIL, m_store.SelectNextCall(0, 0, &m_id));
    EXPECT_EQ(-3, m_id);
}

TEST_F(Browse, OnlyTheSelectedRecordUnderTheCursorIsCopied) {
    Start(CSessionStore::kBrowseReceived);
    ASSERT_EQ(S_OK, m_store.SelectNextCall(0, 0, &m_id));
    EXPECT_EQ("<none>", SelectedHandle());  // selecting does not copy
    m_store.RefreshSelection(104);          // details of another call
    EXPECT_EQ("<none>", SelectedHandle());
    m_store.RefreshSelection(101);
    EXPECT_EQ("ann", SelectedHandle());

    m_store.SetCallPartnerHandle(101, "ann2", 4);
    EXPECT_EQ("ann", SelectedHandle());
    m_store.RefreshSelection(101);
    // Read once; the position stays at the end until the next step.
    EXPECT_EQ("ann2", ReadText(m_store, &CSessionStore::ReadSelectedHandleChar));
    EXPECT_EQ("", ReadText(m_store, &CSessionStore::ReadSelectedHandleChar));
}

TEST_F(Browse, AHistoryReloadedUnderABrowseIsNeverReadPastItsEnd) {
    Start(CSessionStore::kBrowseMissed);
    m_store.SelectNextCall(0, 0, &m_id);
    m_store.SelectNextCall(0, 1, &m_id);
    ASSERT_EQ(106, m_id);  // cursor at index 5

    m_store.ClearCalls();
    AddRecord(m_store, 201, 0, 5, "gus");
    AddRecord(m_store, 202, 0, 4, "hal");
    m_store.RefreshSelection(106);
    GuardedBuffer text;
    EXPECT_EQ(E_FAIL, m_store.GetSelectedExtraText(text.data()));
    EXPECT_TRUE(text.GuardIntact());
    EXPECT_EQ(E_FAIL, m_store.SelectNextCall(0, 1, &m_id));

    ASSERT_EQ(S_OK, m_store.SelectNextCall(1, 0, &m_id));  // from the new end
    EXPECT_EQ(201, m_id);
    m_store.RefreshSelection(m_id);
    EXPECT_EQ("gus", SelectedHandle());

    m_store.ClearCalls();
    EXPECT_EQ(E_FAIL, m_store.SelectNextCall(1, 0, &m_id));
    int extra = 0;
    EXPECT_EQ(E_FAIL, m_store.GetSelectedExtra1(&extra));
}

// A history brought up to date under a browse: the cursor stays on its record
// wherever that moves, and starts again once the record has left.
TEST_F(Browse, AHistoryBroughtUpToDateKeepsTheCursorOnItsRecord) {
    Start(CSessionStore::kBrowseMissed);
    ASSERT_EQ(S_OK, m_store.SelectNextCall(0, 0, &m_id));
    ASSERT_EQ(103, m_id);
    m_store.RefreshSelection(m_id);

    // Two new calls in front, 101 gone: 103 moves from index 2 to index 3.
    m_store.MatchCalls({301, 302, 102, 103, 104, 105, 106, 107});
    EXPECT_EQ("cid", SelectedHandle());
    ASSERT_EQ(S_OK, m_store.SelectNextCall(0, 1, &m_id));
    EXPECT_EQ(106, m_id) << "the next missed call after the one shown";
    ASSERT_EQ(S_OK, m_store.SelectNextCall(1, 1, &m_id));
    EXPECT_EQ(103, m_id);

    // The browsed record leaves: the browse starts again from the newest call.
    m_store.MatchCalls({302, 104, 105, 106});
    EXPECT_EQ("<none>", SelectedHandle());
    ASSERT_EQ(S_OK, m_store.SelectNextCall(0, 0, &m_id));
    EXPECT_EQ(106, m_id);
}
