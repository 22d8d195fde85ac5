// Whole calls through the state machine, in the orders Skype may report
// them: whatever happened before, the call ends on the handset, goes to the
// history, and the next call rings.
#include "CallsFixture.h"

namespace kestrava::testing {
namespace {

using ::testing::_;

class CallLifecycleTest : public CallsTest {
  protected:
    void SetUp() override {
        CallsTest::SetUp();
        device.m_bTransferActive = 0;  // no transfer: the log shows the calls alone
    }
    bool Sent(const std::string& event) {
        return std::find(log.begin(), log.end(), event) != log.end();
    }
    // The next call rings on the handset and becomes the current call.
    void ExpectTheNextCallRings(const char* why) {
        log.clear();
        Line("CALL 4000 STATUS RINGING");
        EXPECT_EQ(CurrentId(), 4000) << why;
        EXPECT_TRUE(Sent("hs 9E")) << why;
        EXPECT_FALSE(Sent("straight SET CALL  4000 STATUS FINISHED")) << why;
    }
};

// The receiver is put down on a held call, or the far end hangs up: Skype
// reports FINISHED (or FAILED, REFUSED) for a call held or in progress.
TEST_F(CallLifecycleTest, AHeldOrAnsweredCallThatEndsLeavesThePhoneReady) {
    for (const char* end : {"FINISHED", "FAILED", "REFUSED", "CANCELLED", "VM_SENT"}) {
        for (const char* before : {"LOCALHOLD", "INPROGRESS"}) {
            SCOPED_TRACE(std::string(before) + " then " + end);
            store.ResetCurrentCall();
            Line("CALL 1234 STATUS RINGING");
            Line("CALL 1234 STATUS INPROGRESS");
            Line(std::string("CALL 1234 STATUS ") + before);
            log.clear();
            Line(std::string("CALL 1234 STATUS ") + end);
            EXPECT_TRUE(Sent("hs 20")) << "the handset goes idle";
            EXPECT_TRUE(Sent("GET CALL 1234 TIMESTAMP")) << "the details are asked";
            Line("CALL 1234 TIMESTAMP 1700000000");
            EXPECT_EQ(CurrentId(), 0);
            EXPECT_EQ(store.HasCall(1234), S_OK);
            ExpectTheNextCallRings("after the call ended");
            Line("CALL 4000 STATUS MISSED");
            Line("CALL 4000 TIMESTAMP 1700000100");
        }
    }
}

// A second call rings as EARLYMEDIA during a call; send answers it and Skype
// holds the first. Either call may then end first.
TEST_F(CallLifecycleTest, AnAnsweredSecondCallIsFollowedToItsEnd) {
    for (int firstEndsFirst : {1, 0}) {
        SCOPED_TRACE(firstEndsFirst ? "the held call ends first" : "the answered call ends first");
        const std::string held = firstEndsFirst ? "1234" : "2234";
        const std::string answered = firstEndsFirst ? "77" : "177";
        Line("CALL " + held + " STATUS RINGING");
        Line("CALL " + held + " STATUS INPROGRESS");
        Line("CALL " + answered + " STATUS EARLYMEDIA");
        log.clear();
        Line("CALL " + held + " STATUS LOCALHOLD");
        Line("CALL " + answered + " STATUS INPROGRESS");
        EXPECT_EQ(SecondStatus(), 3);
        EXPECT_TRUE(Sent("hs 1F")) << "the ring stops: a call is in progress";

        const std::string first = firstEndsFirst ? held : answered;
        const std::string then = firstEndsFirst ? answered : held;
        log.clear();
        Line("CALL " + first + " STATUS FINISHED");
        EXPECT_FALSE(Sent("hs 20")) << "the other call is still up";
        EXPECT_TRUE(Sent("hs 1F"));
        Line("CALL " + first + " TIMESTAMP 1700000000");
        EXPECT_EQ(std::to_string(CurrentId()), then) << "the remaining call is followed";
        log.clear();
        Line("CALL " + then + " STATUS FINISHED");
        EXPECT_TRUE(Sent("hs 20"));
        Line("CALL " + then + " TIMESTAMP 1700000050");
        EXPECT_EQ(CurrentId(), 0);
        EXPECT_EQ(SecondId(), 0);
        EXPECT_EQ(store.HasCall(std::stoi(held)), S_OK);
        EXPECT_EQ(store.HasCall(std::stoi(answered)), S_OK);
        ExpectTheNextCallRings("after both calls ended");
        Line("CALL 4000 STATUS MISSED");
        Line("CALL 4000 TIMESTAMP 1700000100");
    }
}

// A call rings after another call's end but before Skype has answered the
// questions about it: the ended call goes to the history at once.
TEST_F(CallLifecycleTest, ACallThatRingsBeforeTheLastOnesDetailsRings) {
    Line("CALL 1234 STATUS RINGING");
    Line("CALL 1234 STATUS MISSED");
    ExpectTheNextCallRings("between MISSED and the TIMESTAMP reply");
    EXPECT_EQ(History(1234).status, 5);
    EXPECT_CALL(history, HistoryCallTimestamp(1234, 1700000000));
    Line("CALL 1234 TIMESTAMP 1700000000");
    EXPECT_EQ(CurrentId(), 4000) << "the late reply completes the record, not the new call";
}

// Skype's history changes while two calls are up: status lines for history
// calls reach the history alone.
TEST_F(CallLifecycleTest, HistoryLinesDuringTwoCallsLeaveThemAlone) {
    store.AddCall(555, 0);
    Line("CALL 1234 STATUS RINGING");
    Line("CALL 1234 STATUS INPROGRESS");
    Line("CALL 77 STATUS EARLYMEDIA");
    Line("CALL 77 STATUS INPROGRESS");
    log.clear();
    for (const char* status : {"FINISHED", "VM_SENT", "LOCALHOLD", "MISSED", "EARLYMEDIA",
                               "RINGING", "ROUTING", "INPROGRESS"}) {
        Line(std::string("CALL 555 STATUS ") + status);
    }
    EXPECT_TRUE(log.empty()) << "neither the handset nor Skype hears of them";
    EXPECT_EQ(CurrentStatus(), 3);
    EXPECT_EQ(SecondId(), 77);
    EXPECT_EQ(SecondStatus(), 3);
}

// The confirmation window is watched with the calls as the line found them.
TEST_F(CallLifecycleTest, TheDialogWatchSeesTheCallsBeforeTheLine) {
    desktop.Open("TskConFirmForm.UnicodeClass");
    Line("CALL 1234 STATUS RINGING");
    EXPECT_TRUE(Sent("hs 9F")) << "no call was up when the line came";
    Line("CALL 1234 STATUS MISSED");
    log.clear();
    desktop.CloseAll();
    Line("PROTOCOL 5");
    desktop.Open("TskConFirmForm.UnicodeClass");
    Line("CALL 1234 TIMESTAMP 1700000000");
    EXPECT_FALSE(Sent("hs 9F")) << "the archiving line still had the call";
}

}  // namespace
}  // namespace kestrava::testing
