// The current and second call as the end of a call uses them: archive,
// promote.
#include <gtest/gtest.h>

#include "StoreTestSupport.h"

using namespace session_test;

namespace {

struct Shown {
    std::string handle, name, duration;
    int status = -2;
};

// What the handset shows for history record `id` in browse mode `mode`.
Shown ShowHistoryRecord(CSessionStore& store, int mode, int id) {
    store.SetBrowseMode(mode);
    store.ResetBrowse();
    int found = 0;
    for (int skip = 0; Succeeded(store.SelectNextCall(0, skip, &found)) && found != id; skip = 1) {
    }
    Shown shown;
    store.RefreshSelection(id);
    GuardedBuffer out;
    if (Succeeded(store.GetSelectedPartnerHandle(out.data()))) shown.handle = out.text();
    if (Succeeded(store.GetSelectedPartnerName(out.data()))) shown.name = out.text();
    shown.duration = ReadText(store, &CSessionStore::ReadDurationChar);
    store.GetSelectedStatus(&shown.status);
    return shown;
}

}  // namespace

TEST(CallLifecycle, ArchivingTheCurrentCallPutsAllItsPropertiesAtTheFront) {
    CSessionStore store;
    store.AddCall(1, 0);
    store.SetCurrentCallId(50);
    store.SetCurrentCallStatus(4);
    store.SetCurrentCallType(1);
    store.SetCurrentCallPartnerHandle("jo.smith", 8);
    store.SetCurrentCallPartnerName("Jo Smith", 8);
    store.SetCurrentCallDuration(125);
    store.SetCurrentCallTimestamp(1700000000);

    store.ArchiveCurrentCall();
    int first = 0, flag = 0;
    store.GetCallIdAt(0, &first);
    store.GetCallHasDetails(50, &flag);
    EXPECT_EQ(50, first);
    EXPECT_EQ(1, flag);  // setting the name marked it
    const Shown shown = ShowHistoryRecord(store, CSessionStore::kBrowseDialed, 50);
    EXPECT_EQ("jo.smith", shown.handle);
    EXPECT_EQ("Jo Smith", shown.name);
    EXPECT_EQ("00:02:05", shown.duration);
    EXPECT_EQ(4, shown.status);
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
    store.SetCurrentCallId(50);
    store.SetCurrentCallPartnerHandle("jo", 2);
    store.SetSecondCallId(51);
    store.SetSecondCallStatus(2);
    store.SetSecondCallPartnerHandle("lee", 3);
    store.SetSecondCallPartnerName("Lee Park", 8);

    store.PromoteSecondCall();
    store.ResetSecondCall();
    int id = 0, status = 0;
    store.GetCurrentCallId(&id);
    store.GetCurrentCallStatus(&status);
    EXPECT_EQ(51, id);
    EXPECT_EQ(2, status);
    GuardedBuffer handle, name;
    store.GetCurrentCallPartnerHandle(handle.data());
    store.GetCurrentCallPartnerName(name.data());
    EXPECT_EQ("lee", handle.text());
    EXPECT_EQ("Lee Park", name.text());
}
