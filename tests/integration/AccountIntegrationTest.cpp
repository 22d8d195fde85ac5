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
// searches the calls, Skype lists `listed`, and the program asks for the seen
// flag of `seen` in that order (the calls whose flag can still change, and new
// ones), then the balance; the calls in `known` are not asked for again.
void ExpectRefresh(sim::SkypeClientSim& skype, long from, const std::string& listed,
                   const std::vector<std::string>& seen, const std::vector<std::string>& known) {
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
    ASSERT_TRUE(waitFor("COMMAND GET CALL " + seen.back() + " SEEN", search));
    auto log = skype.Log();
    long at = search;
    for (const auto& id : seen) {
        long next = IndexOf(log, "COMMAND GET CALL " + id + " SEEN", at + 1);
        EXPECT_GT(next, at) << id << "'s seen flag is asked for in its place";
        if (next > at) at = next;
    }
    for (const auto& id : known) {
        for (const char* property : {"TYPE", "STATUS", "SEEN"}) {
            EXPECT_LT(IndexOf(log, "COMMAND GET CALL " + id + " " + property, search), 0)
                << id << " " << property << " is known already";
        }
    }
}

TEST_F(AccountIntegrationTest, AChangedHistoryAsksOnlyForWhatCanHaveChanged) {
    long from = Size(skype.Log());
    skype.Notify("CALLHISTORYCHANGED");
    // Call 12 is the one missed call not yet seen.
    ExpectRefresh(skype, from, "13, 12, 11", {"12"}, {"13", "11"});
}

// The client tells of the change as the call ends, whether or not the program
// has archived the call yet: the new call joins the history in front of the
// older ones, which are kept, and the missed count takes it in.
TEST_F(AccountIntegrationTest, AMissedCallJoinsTheHistoryRefreshedAfterIt) {
    ASSERT_TRUE(WaitForLcd("1 Missed Calls")) << handset.LcdPicture();
    long from = Size(skype.Log());
    skype.MissedCall(102, "yamada.taro");
    ExpectRefresh(skype, from, "102, 13, 12, 11", {"102", "12"}, {"13", "11"});
    EXPECT_TRUE(WaitForLcd("2 Missed Calls")) << handset.LcdPicture();
}

}  // namespace
}  // namespace kestrava::testing
