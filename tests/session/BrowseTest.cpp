// Browsing the history on the handset: filters, cursor moves, the cached
// selection, and a history rebuilt under a browse.
#include <gtest/gtest.h>

#include <vector>

#include "StoreTestSupport.h"

using namespace session_test;

namespace {

class Browse : public ::testing::Test {
  protected:
    // Newest first: a mix of every kind of call.
    void SetUp() override {
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

    // Ids met walking forward from the start.
    std::vector<int> WalkForward() {
        std::vector<int> ids;
        int id = 0;
        for (int skip = 0; Succeeded(m_store.SelectNextCall(0, skip, &id)); skip = 1) {
            ids.push_back(id);
            if (ids.size() > 20) break;
        }
        return ids;
    }

    std::vector<int> WalkBackward() {
        std::vector<int> ids;
        int id = 0;
        while (Succeeded(m_store.SelectNextCall(1, 0, &id))) {
            ids.push_back(id);
            if (ids.size() > 20) break;
        }
        return ids;
    }

    std::string SelectedHandle() {
        GuardedBuffer out;
        if (!Succeeded(m_store.GetSelectedPartnerHandle(out.data()))) return "<none>";
        return out.text();
    }

    CSessionStore m_store;
};

}  // namespace

TEST_F(Browse, EachModeWalksItsOwnCallsBothWays) {
    Start(CSessionStore::kBrowseReceived);
    EXPECT_EQ((std::vector<int>{101, 104}), WalkForward());
    EXPECT_EQ((std::vector<int>{101}), WalkBackward());

    Start(CSessionStore::kBrowseDialed);
    EXPECT_EQ((std::vector<int>{102, 105}), WalkForward());
    EXPECT_EQ((std::vector<int>{102}), WalkBackward());

    Start(CSessionStore::kBrowseMissed);
    EXPECT_EQ((std::vector<int>{103, 106}), WalkForward());
    EXPECT_EQ((std::vector<int>{103}), WalkBackward());
}

TEST_F(Browse, AFailedStepLeavesTheCursorOnTheLastCallFound) {
    Start(CSessionStore::kBrowseDialed);
    int id = 0;
    ASSERT_EQ(S_OK, m_store.SelectNextCall(0, 0, &id));  // 102 at index 1
    ASSERT_EQ(S_OK, m_store.SelectNextCall(0, 1, &id));  // 105 at index 4
    EXPECT_EQ(105, id);

    // Nothing dialed after it: the cursor goes back to 105, not to the end.
    id = -7;
    EXPECT_EQ(E_FAIL, m_store.SelectNextCall(0, 1, &id));
    EXPECT_EQ(-7, id);
    EXPECT_EQ(S_OK, m_store.HasCursor());
    ASSERT_EQ(S_OK, m_store.SelectNextCall(1, 0, &id));
    EXPECT_EQ(102, id);
}

TEST_F(Browse, SkippingFromTheLastRecordStaysInsideTheHistory) {
    Start(CSessionStore::kBrowseMissed);
    int id = 0;
    ASSERT_EQ(S_OK, m_store.SelectNextCall(0, 0, &id));
    ASSERT_EQ(S_OK, m_store.SelectNextCall(0, 1, &id));
    EXPECT_EQ(106, id);
    EXPECT_EQ(E_FAIL, m_store.SelectNextCall(0, 1, &id));  // from 106 over 107
    EXPECT_EQ(E_FAIL, m_store.SelectNextCall(0, 1, &id));  // again, from 106
    int extra = 0;
    EXPECT_EQ(S_OK, m_store.GetSelectedExtra1(&extra));  // the cursor is inside

    // On the last record itself skipping cannot advance: the step looks at
    // that record again and finds it only while it matches.
    m_store.SetCallType(107, 1);
    Start(CSessionStore::kBrowseDialed);
    ASSERT_EQ(S_OK, m_store.SelectNextCall(0, 0, &id));
    ASSERT_EQ(S_OK, m_store.SelectNextCall(0, 1, &id));
    ASSERT_EQ(S_OK, m_store.SelectNextCall(0, 1, &id));
    ASSERT_EQ(107, id);
    EXPECT_EQ(S_OK, m_store.SelectNextCall(0, 1, &id));
    EXPECT_EQ(107, id);
    m_store.SetCallType(107, 0);
    EXPECT_EQ(E_FAIL, m_store.SelectNextCall(0, 1, &id));
    EXPECT_EQ(S_OK, m_store.HasCursor());
}

TEST_F(Browse, NoMissedCallsLeavesNoCursorAndTheMissedPreset) {
    CSessionStore store;
    AddRecord(store, 1, 0, 4);
    AddRecord(store, 2, 1, 4);
    store.SetBrowseMode(CSessionStore::kBrowseMissed);
    store.ResetBrowse();
    store.PrepareSelection();

    int id = 0;
    EXPECT_EQ(E_FAIL, store.SelectNextCall(0, 0, &id));
    EXPECT_EQ(E_FAIL, store.HasCursor());
    int extra = 0;
    EXPECT_EQ(E_FAIL, store.GetSelectedExtra2(&extra));
    int status = 0, type = 0;
    store.GetSelectedStatus(&status);
    store.GetSelectedType(&type);
    EXPECT_EQ(5, status);  // the handset shows "No Missed Calls"
    EXPECT_EQ(0, type);

    // With the cursor at -1 both directions stay inside the history, and a
    // missed call that arrives later is found from the front.
    EXPECT_EQ(E_FAIL, store.SelectNextCall(0, 0, &id));
    EXPECT_EQ(E_FAIL, store.SelectNextCall(1, 0, &id));
    AddRecord(store, 3, 0, 5);
    ASSERT_EQ(S_OK, store.SelectNextCall(0, 0, &id));
    EXPECT_EQ(3, id);
    EXPECT_EQ(S_OK, store.HasCursor());
}

TEST_F(Browse, AnEmptyHistoryOrAnUnknownModeSelectsNothing) {
    CSessionStore empty;
    int id = -3;
    EXPECT_EQ(E_FAIL, empty.SelectNextCall(0, 0, &id));
    EXPECT_EQ(S_OK, empty.HasCursor());  // the cursor was not touched

    m_store.SetBrowseMode(7);
    m_store.ResetBrowse();
    EXPECT_EQ(E_FAIL, m_store.SelectNextCall(0, 0, &id));
    EXPECT_EQ(-3, id);

    // An unknown mode presets nothing.
    m_store.PrepareSelection();
    int type = 0;
    m_store.GetSelectedType(&type);
    EXPECT_EQ(-1, type);
}

TEST_F(Browse, RefreshCopiesOnlyTheSelectedRecordUnderTheCursor) {
    Start(CSessionStore::kBrowseReceived);
    int id = 0;
    ASSERT_EQ(S_OK, m_store.SelectNextCall(0, 0, &id));
    ASSERT_EQ(101, id);
    EXPECT_EQ("<none>", SelectedHandle());  // selecting does not copy

    // Details of another call arrive: nothing changes on the display.
    EXPECT_EQ(S_OK, m_store.RefreshSelection(104));
    EXPECT_EQ("<none>", SelectedHandle());

    EXPECT_EQ(S_OK, m_store.RefreshSelection(101));
    EXPECT_EQ("ann", SelectedHandle());
    int type = 0, status = 0;
    m_store.GetSelectedType(&type);
    m_store.GetSelectedStatus(&status);
    EXPECT_EQ(0, type);
    EXPECT_EQ(4, status);

    // The record changes; the display shows it only after a refresh.
    m_store.SetCallPartnerHandle(101, "ann2", 4);
    EXPECT_EQ("ann", SelectedHandle());
    m_store.RefreshSelection(101);
    EXPECT_EQ("ann2", SelectedHandle());
}

TEST_F(Browse, TheHandleIsReadOnceAndAStepStartsItAgain) {
    Start(CSessionStore::kBrowseReceived);
    int id = 0;
    m_store.SelectNextCall(0, 0, &id);
    m_store.RefreshSelection(id);
    EXPECT_EQ("ann", ReadText(m_store, &CSessionStore::ReadSelectedHandleChar));
    EXPECT_EQ("", ReadText(m_store, &CSessionStore::ReadSelectedHandleChar));

    m_store.SelectNextCall(0, 1, &id);
    m_store.RefreshSelection(id);
    EXPECT_EQ("+4411", ReadText(m_store, &CSessionStore::ReadSelectedHandleChar));
}

TEST_F(Browse, ResetAndPrepareClearTheSelectionButKeepModeAndHistory) {
    Start(CSessionStore::kBrowseMissed);
    int id = 0;
    m_store.SelectNextCall(0, 0, &id);
    m_store.RefreshSelection(id);
    ASSERT_EQ("cid", SelectedHandle());

    m_store.PrepareSelection();
    EXPECT_EQ("<none>", SelectedHandle());

    m_store.ResetBrowse();
    int seen = 1, status = 0;
    m_store.GetSelectedSeen(&seen);
    m_store.GetSelectedStatus(&status);
    EXPECT_EQ(0, seen);
    EXPECT_EQ(-1, status);
    EXPECT_EQ((std::vector<int>{103, 106}), WalkForward());  // still mode 2
}

TEST_F(Browse, AHistoryRebuiltUnderABrowseIsNeverReadPastItsEnd) {
    Start(CSessionStore::kBrowseMissed);
    int id = 0;
    m_store.SelectNextCall(0, 0, &id);
    m_store.SelectNextCall(0, 1, &id);
    ASSERT_EQ(106, id);  // cursor at index 5

    // A reload clears the history and lists fewer calls.
    m_store.ClearCalls();
    AddRecord(m_store, 201, 0, 5, "gus");
    AddRecord(m_store, 202, 0, 4, "hal");

    // The old selection is not refreshed from a record that is no longer there.
    EXPECT_EQ(S_OK, m_store.RefreshSelection(106));
    int extra = 0;
    EXPECT_EQ(E_FAIL, m_store.GetSelectedExtra1(&extra));
    GuardedBuffer text;
    EXPECT_EQ(E_FAIL, m_store.GetSelectedExtraText(text.data()));
    EXPECT_TRUE(text.GuardIntact());

    // Forward finds nothing past the old position; backward starts at the new end.
    EXPECT_EQ(E_FAIL, m_store.SelectNextCall(0, 1, &id));
    ASSERT_EQ(S_OK, m_store.SelectNextCall(1, 0, &id));
    EXPECT_EQ(201, id);
    m_store.RefreshSelection(id);
    EXPECT_EQ("gus", SelectedHandle());

    // Cleared to nothing while browsing: every step fails, nothing is read.
    m_store.ClearCalls();
    EXPECT_EQ(E_FAIL, m_store.SelectNextCall(1, 0, &id));
    EXPECT_EQ(E_FAIL, m_store.SelectNextCall(0, 1, &id));
    EXPECT_EQ(E_FAIL, m_store.GetSelectedExtra2(&extra));
}
