// The current and the second call: resets, promotion and archiving into the
// history as the end of a call uses them.
#include <gtest/gtest.h>

#include "StoreTestSupport.h"

using namespace session_test;

namespace {

std::string Text(CSessionStore& store, HResult (CSessionStore::*get)(char*)) {
    GuardedBuffer out;
    EXPECT_EQ(S_OK, (store.*get)(out.data()));
    return out.text();
}

// Shows history record `id` (dialed or received) and returns its handle and name.
struct Shown {
    std::string handle, name, duration;
    int type = -2, status = -2, seen = -2;
};

Shown ShowHistoryRecord(CSessionStore& store, int mode, int id) {
    store.SetBrowseMode(mode);
    store.ResetBrowse();
    int found = 0;
    for (int skip = 0; Succeeded(store.SelectNextCall(0, skip, &found)) && found != id; skip = 1) {
    }
    Shown shown;
    if (found != id) return shown;
    store.RefreshSelection(id);
    GuardedBuffer out;
    if (Succeeded(store.GetSelectedPartnerHandle(out.data()))) shown.handle = out.text();
    if (Succeeded(store.GetSelectedPartnerName(out.data()))) shown.name = out.text();
    shown.duration = ReadText(store, &CSessionStore::ReadDurationChar);
    store.GetSelectedType(&shown.type);
    store.GetSelectedStatus(&shown.status);
    store.GetSelectedSeen(&shown.seen);
    return shown;
}

void FillCurrentCall(CSessionStore& store, int id) {
    store.SetCurrentCallId(id);
    store.SetCurrentCallStatus(4);
    store.SetCurrentCallType(1);
    store.SetCurrentCallSeen(1);
    store.SetCurrentCallPartnerHandle("jo.smith", 8);
    store.SetCurrentCallPartnerName("Jo Smith", 8);
    store.SetCurrentCallDuration(125);
    store.SetCurrentCallTimestamp(1700000000);
}

}  // namespace

TEST(CallLifecycle, ArchivingTheCurrentCallPutsAllItsPropertiesAtTheFront) {
    CSessionStore store;
    store.AddCall(1, 0);
    FillCurrentCall(store, 50);

    EXPECT_EQ(S_OK, store.ArchiveCurrentCall());
    int first = 0;
    store.GetCallIdAt(0, &first);
    EXPECT_EQ(50, first);
    int flag = 0;
    store.GetCallHasDetails(50, &flag);
    EXPECT_EQ(1, flag);  // a name was set

    const Shown shown = ShowHistoryRecord(store, CSessionStore::kBrowseDialed, 50);
    EXPECT_EQ("jo.smith", shown.handle);
    EXPECT_EQ("Jo Smith", shown.name);
    EXPECT_EQ("00:02:05", shown.duration);
    EXPECT_EQ(4, shown.status);
    EXPECT_EQ(1, shown.seen);

    // The source stays until the caller resets it.
    EXPECT_EQ("jo.smith", Text(store, &CSessionStore::GetCurrentCallPartnerHandle));
}

TEST(CallLifecycle, ArchivingACallTheHistoryListsUpdatesItInPlace) {
    CSessionStore store;
    store.AddCall(1, 0);
    store.AddCall(50, 0);
    FillCurrentCall(store, 50);
    store.ArchiveCurrentCall();
    int count = 0, second = 0;
    store.GetCallCount(&count);
    store.GetCallIdAt(1, &second);
    EXPECT_EQ(2, count);
    EXPECT_EQ(50, second);
    EXPECT_EQ("jo.smith", ShowHistoryRecord(store, CSessionStore::kBrowseDialed, 50).handle);
}

TEST(CallLifecycle, ArchivingTheSecondCallKeepsTheHistoryDuration) {
    CSessionStore store;
    store.AddCall(60, 0);
    store.SetCallDuration(60, 300);
    store.SetSecondCallId(60);
    store.SetSecondCallType(0);
    store.SetSecondCallStatus(4);
    store.SetSecondCallPartnerHandle("kim", 3);
    store.SetSecondCallDuration(9);
    store.SetSecondCallTimestamp(1700000000);

    store.ArchiveSecondCall();
    const Shown shown = ShowHistoryRecord(store, CSessionStore::kBrowseReceived, 60);
    EXPECT_EQ("kim", shown.handle);
    EXPECT_EQ("00:05:00", shown.duration);
}

TEST(CallLifecycle, PromotingTheSecondCallCarriesItsPartnerIntoTheCurrentCall) {
    CSessionStore store;
    FillCurrentCall(store, 50);
    store.SetSecondCallId(51);
    store.SetSecondCallStatus(2);
    store.SetSecondCallType(0);
    store.SetSecondCallPartnerHandle("lee", 3);
    store.SetSecondCallPartnerName("Lee Park", 8);

    EXPECT_EQ(S_OK, store.PromoteSecondCall());
    int id = 0, status = 0, type = 0;
    store.GetCurrentCallId(&id);
    store.GetCurrentCallStatus(&status);
    store.GetCurrentCallType(&type);
    EXPECT_EQ(51, id);
    EXPECT_EQ(2, status);
    EXPECT_EQ(0, type);
    EXPECT_EQ("lee", Text(store, &CSessionStore::GetCurrentCallPartnerHandle));
    EXPECT_EQ("Lee Park", Text(store, &CSessionStore::GetCurrentCallPartnerName));
    int seconds = -1;
    store.GetCurrentCallDuration(&seconds);
    EXPECT_EQ(0, seconds);  // the second call's own duration came along too

    store.GetSecondCallId(&id);
    EXPECT_EQ(51, id);  // left as it was
}

TEST(CallLifecycle, ResetsClearWhatEachCallMustForget) {
    CSessionStore store;
    FillCurrentCall(store, 50);
    store.ResetCurrentCall();
    int id = -1, status = 0, type = 0, seen = 0, seconds = -1;
    store.GetCurrentCallId(&id);
    store.GetCurrentCallStatus(&status);
    store.GetCurrentCallType(&type);
    store.GetCurrentCallSeen(&seen);
    store.GetCurrentCallDuration(&seconds);
    EXPECT_EQ(0, id);
    EXPECT_EQ(-1, status);
    EXPECT_EQ(-1, type);
    EXPECT_EQ(1, seen);
    EXPECT_EQ(0, seconds);
    EXPECT_EQ("", Text(store, &CSessionStore::GetCurrentCallPartnerName));

    // The second call keeps its duration and timestamp through a reset.
    store.SetSecondCallId(51);
    store.SetSecondCallPartnerName("Mo", 2);
    store.SetSecondCallDuration(33);
    store.ResetSecondCall();
    store.GetSecondCallId(&id);
    store.GetSecondCallDuration(&seconds);
    EXPECT_EQ(0, id);
    EXPECT_EQ(33, seconds);
    EXPECT_EQ("", Text(store, &CSessionStore::GetSecondCallPartnerName));
}

TEST(CallLifecycle, AMissedCallThatEndsIsCountedAndBrowsable) {
    CSessionStore store;
    // The parser's sequence when the TIMESTAMP of a missed current call arrives.
    store.SetCurrentCallId(70);
    store.SetCurrentCallStatus(2);
    store.SetCurrentCallType(0);
    store.SetCurrentCallStatus(5);
    store.SetCurrentCallSeen(0);
    store.SetCurrentCallPartnerHandle("nia", 3);
    store.SetCurrentCallTimestamp(1700000000);
    store.ArchiveCurrentCall();
    store.ResetCurrentCall();

    int count = 0;
    store.CountUnseenMissedCalls(&count);
    EXPECT_EQ(1, count);
    EXPECT_EQ("nia", ShowHistoryRecord(store, CSessionStore::kBrowseMissed, 70).handle);
    store.SetCallSeen(70, 1);
    store.CountUnseenMissedCalls(&count);
    EXPECT_EQ(0, count);
}
