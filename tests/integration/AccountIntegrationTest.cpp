// The account side of the link as the person at the handset lives it: the
// handset announced once the history has loaded, the client losing and
// regaining its connection, a contact going offline, the history reloading
// after Skype says it changed.
#include "LiveProgram.h"

namespace kestrava::testing {
namespace {

using AccountIntegrationTest = LiveProgram;

long Size(const std::vector<std::string>& entries) {
    return static_cast<long>(entries.size());
}

TEST_F(AccountIntegrationTest, TheHandsetIsAnnouncedAfterTheHistoryLoadsAndShowsTheMissedCount) {
    auto reports = handset.OutputReports();
    long ready = IndexOfCommand(reports, HS_READY);
    ASSERT_GE(ready, 0);
    EXPECT_GT(IndexOfCommand(reports, HS_READY_DONE, ready + 1), ready);
    // The ready sequence waits for the last history record's SEEN reply.
    auto log = skype.Log();
    EXPECT_GE(IndexOf(log, "NOTIFY CALL 11 SEEN TRUE"), 0);
    // The default history holds one unseen missed call.
    EXPECT_TRUE(WaitForLcd("1 Missed Calls")) << handset.LcdPicture();
}

TEST_F(AccountIntegrationTest, LosingTheConnectionTellsHandsetAndTrayAndRegainingItAnnouncesAgain) {
    long reportsFrom = static_cast<long>(handset.OutputReports().size());
    long traceFrom = Size(Trace());
    skype.SetConnectionStatus("CONNECTING");
    long offline = WaitForHandsetCommand(HS_STATUS_OFFLINE, reportsFrom);
    ASSERT_GE(offline, 0) << "the handset is told the link is down";
    ASSERT_TRUE(WaitForTrace("tray: not connected", traceFrom));
    EXPECT_TRUE(WaitUntil([&] { return !application->State().g_bHandsetAnnounced.load(); }));

    traceFrom = Size(Trace());
    skype.SetConnectionStatus("ONLINE");
    ASSERT_TRUE(WaitForTrace("tray: connected", traceFrom));
    // The history is loaded already, so the handset is announced again at once.
    long ready = WaitForHandsetCommand(HS_READY, offline + 1);
    ASSERT_GE(ready, 0);
    EXPECT_GT(WaitForHandsetCommand(HS_READY_DONE, ready + 1), ready);
    EXPECT_TRUE(WaitUntil([&] { return application->State().g_bHandsetAnnounced.load(); }));
}

TEST_F(AccountIntegrationTest, AContactGoingOfflineIsTakenInAndTheProgramGoesOn) {
    long from = Size(skype.Log());
    skype.SetUserOnlineStatus("alice.liddell", "OFFLINE");
    ASSERT_TRUE(WaitForLogEntry("NOTIFY USER alice.liddell ONLINESTATUS OFFLINE", from));
    // The program still follows calls, from that contact too.
    skype.IncomingCall(101, "alice.liddell");
    ASSERT_TRUE(handset.WaitForRinging(true, kPatience));
    EXPECT_TRUE(WaitForLcd("Alice ")) << handset.LcdPicture();
}

// After Skype's CALLHISTORYCHANGED at log entry `from` onwards: the program
// searches the calls, Skype lists `ids`, and every listed call is asked for
// again in that order, then the balance.
void ExpectReload(sim::SkypeClientSim& skype, long from, const std::string& listed,
                  const std::vector<std::string>& ids) {
    auto waitFor = [&](const std::string& entry, long after) {
        return skype.WaitForLog(
            [&](const std::vector<std::string>& log) { return IndexOf(log, entry, after) >= 0; },
            kPatience);
    };
    ASSERT_TRUE(waitFor("NOTIFY CALLHISTORYCHANGED", from));
    long changed = IndexOf(skype.Log(), "NOTIFY CALLHISTORYCHANGED", from);
    ASSERT_TRUE(waitFor("COMMAND SEARCH CALLS", changed));
    long search = IndexOf(skype.Log(), "COMMAND SEARCH CALLS", changed);
    ASSERT_TRUE(waitFor("NOTIFY CALLS " + listed, search));
    ASSERT_TRUE(waitFor("COMMAND GET PRIVILEGE SKYPEOUT", search));
    ASSERT_TRUE(waitFor("COMMAND GET CALL " + ids.back() + " SEEN", search));
    auto log = skype.Log();
    long at = search;
    for (const auto& id : ids) {
        for (const char* property : {"TYPE", "STATUS", "SEEN"}) {
            long next = IndexOf(log, "COMMAND GET CALL " + id + " " + property, at + 1);
            EXPECT_GT(next, at) << id << " " << property << " is asked for in its place";
            if (next > at) at = next;
        }
    }
    EXPECT_GT(IndexOf(log, "COMMAND GET PRIVILEGE SKYPEOUT", at + 1), at);
}

TEST_F(AccountIntegrationTest, AChangedHistoryIsSearchedAndReloadedInTheClientsOrder) {
    long from = Size(skype.Log());
    skype.Notify("CALLHISTORYCHANGED");
    ExpectReload(skype, from, "13, 12, 11", {"13", "12", "11"});
    // The reloaded records complete: each call's partner is asked for.
    EXPECT_TRUE(WaitForCommand("GET CALL 11 PARTNER_HANDLE", from));
}

// The client tells of the change as the call ends, before the program has
// archived the call, so the archive lands in the history just emptied for
// the reload. The reply must rebuild it all the same, or the older calls
// would be lost.
TEST_F(AccountIntegrationTest, AMissedCallJoinsTheHistoryReloadedAfterIt) {
    long from = Size(skype.Log());
    skype.MissedCall(102, "yamada.taro");
    ExpectReload(skype, from, "102, 13, 12, 11", {"102", "13", "12", "11"});
}

}  // namespace
}  // namespace kestrava::testing
