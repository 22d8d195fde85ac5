// Calls as a person lives them, with everything real but the two peers.
// The handset announces itself once the link is up and the history has
// loaded, so the display is on when the calls come.
#include "LiveProgram.h"

namespace kestrava::testing {
namespace {

using CallIntegrationTest = LiveProgram;

TEST_F(CallIntegrationTest, AnIncomingCallRingsAndTheCallersChineseNameAppears) {
    std::size_t before = handset.OutputReports().size();
    skype.IncomingCall(101, "wang.xiaoming");
    ASSERT_TRUE(handset.WaitForRinging(true, kPatience));
    ASSERT_TRUE(WaitForCommand("GET CALL 101 PARTNER_DISPNAME"));
    // 王小明 and the blank a name ends in: three full-width characters drawn
    // from the font files, then a half-width blank.
    ASSERT_TRUE(WaitForLcd("??? ")) << handset.LcdPicture();
    EXPECT_NE(handset.LcdPicture().find('#'), std::string::npos) << "the glyphs are not blank";
    EXPECT_TRUE(handset.IsRinging());

    auto reports = handset.OutputReports();
    long end = IndexOfCommand(reports, HS_END_TRANSFER, static_cast<long>(before));
    long alert = IndexOfCommand(reports, HS_CALL_ALERT, static_cast<long>(before));
    long font = IndexOfCommand(reports, HS_TEXT_FONT, static_cast<long>(before));
    ASSERT_GE(end, 0);
    EXPECT_LT(end, alert) << "the ring comes after the display is cleared";
    EXPECT_LT(alert, font) << "the name is announced after the ring";
}

TEST_F(CallIntegrationTest, AnAnsweredCallStopsRingingAndEndsWithTheCallTimer) {
    skype.IncomingCall(101, "alice.liddell");
    ASSERT_TRUE(handset.WaitForRinging(true, kPatience));
    ASSERT_TRUE(WaitForLcd("Alice ")) << handset.LcdPicture();
    skype.AnswerCall(101);
    ASSERT_TRUE(handset.WaitForRinging(false, kPatience)) << "HS_CALL_ACTIVE stops the ring";
    ASSERT_TRUE(skype.WaitForLog(
        [](const auto& log) { return IndexOf(log, "NOTIFY CALL 101 DURATION 2") >= 0; },
        kPatience));
    skype.FinishCall(101);
    ASSERT_TRUE(WaitForCommand("GET CALL 101 TIMESTAMP"));
    // The call timer: the handset asks for it and gets the call's duration.
    ASSERT_TRUE(WaitUntil([&] { return handset.LcdField(0x83).size() >= 8; }))
        << handset.LcdPicture();
    std::string timer = handset.LcdField(0x83);
    EXPECT_EQ(timer.size(), 8u) << timer;
    EXPECT_EQ(timer.substr(0, 6), "00:00:") << timer;
    EXPECT_GE(timer.substr(6), "02") << "the call lasted at least two seconds";
}

TEST_F(CallIntegrationTest, AMissedCallIsArchivedAndTheMissedCountShows) {
    int transfers = handset.TransfersCompleted();
    skype.MissedCall(102, "yamada.taro");
    ASSERT_TRUE(WaitForCommand("GET CALL 102 TIMESTAMP"));
    auto log = skype.Log();
    long first = IndexOf(log, "COMMAND GET CALL 102 PARTNER_DISPNAME");
    ASSERT_GE(first, 0);
    const char* expected[] = {"PARTNER_HANDLE", "TYPE", "SEEN", "DURATION", "TIMESTAMP"};
    long at = first;
    for (const char* property : expected) {
        long next = IndexOf(log, std::string("COMMAND GET CALL 102 ") + property, at + 1);
        EXPECT_GT(next, at) << property << " is asked for in its place";
        if (next > at) at = next;
    }
    // The count is drawn again. The client says its history changed as the
    // call ends, so the count is taken over a history that is being reloaded;
    // the account tests follow that reload.
    ASSERT_TRUE(WaitUntil([&] {
        std::string text = handset.LcdText();
        return handset.TransfersCompleted() > transfers && text.size() > 13 &&
               text.compare(text.size() - 13, 13, " Missed Calls") == 0;
    })) << handset.LcdPicture();
    EXPECT_FALSE(handset.IsRinging());
}

TEST_F(CallIntegrationTest, ASecondRingingCallIsRefusedAtOnceWithItsIdPadded) {
    skype.IncomingCall(101, "wang.xiaoming");
    ASSERT_TRUE(handset.WaitForRinging(true, kPatience));
    skype.IncomingCall(77, "alice.liddell");
    ASSERT_TRUE(WaitForCommand("SET CALL    77 STATUS FINISHED"));
    ASSERT_TRUE(skype.WaitForLog(
        [](const auto& log) { return IndexOf(log, "NOTIFY CALL 77 STATUS REFUSED") >= 0; },
        kPatience));
    ASSERT_TRUE(WaitForLcd("??? ")) << "the first caller's name still shows";
    EXPECT_TRUE(handset.IsRinging()) << "the first call still rings";
}

TEST_F(CallIntegrationTest, UnpluggingTheHandsetDuringATransferStopsItAndTheProgramGoesOn) {
    int transfers = handset.TransfersCompleted();
    skype.IncomingCall(101, "wang.xiaoming");
    // The name's glyphs stream unit by unit; pull the plug while they do.
    ASSERT_TRUE(WaitUntil([&] { return library->m_bTransferActive.load() == 1; }));
    handset.Unplug();
    program->Post(application->State().mainWindow.load(), msg::kDeviceChange, kDeviceNodesChanged,
                  0);
    ASSERT_TRUE(WaitUntil([&] { return library->handsetPresent.load() == 0; }));
    EXPECT_EQ(library->m_bTransferActive.load(), 0) << "the transfer was stopped";
    EXPECT_EQ(library->m_bAbortPending.load(), 0) << "and the stop was answered";

    // Plugged in again, the handset is found and the link works as before.
    handset.PlugIn();
    program->Post(application->State().mainWindow.load(), msg::kDeviceChange, kDeviceNodesChanged,
                  0);
    ASSERT_TRUE(WaitUntil([&] { return library->handsetPresent.load() == 1; }));
    EXPECT_GE(handset.TransfersCompleted(), transfers);
}

}  // namespace
}  // namespace kestrava::testing
