// Every STATUS value of a CALL line, by the role of the line's call and the
// current call's status when the line arrived: what the store holds after,
// and what the handset, Skype and the system saw, in order.
#include "CallsFixture.h"

namespace kestrava::testing {
namespace {

constexpr int kCurrent = 1234;
constexpr int kSecond = 77;
constexpr int kOld = 555;  // a call of the history

// The handset goes on with the other call (1F in progress or held).
Events EndOnHandsetShowing(const char* command) {
    return Join({kStop, {"sounds off", std::string("hs ") + command, "pause 20"}});
}

Events AskName(int id) {
    return {QueuedText(KEY_SKYPE_GET_CALL_PARTNER_DISPNAME, id)};
}

struct Before {
    int currentId = 0, currentStatus = -1;
    int secondId = 0, secondStatus = -1;
    bool errorWindow = false;
};

struct After {
    int currentId, currentStatus, currentType;
    int secondId, secondStatus;
    int oldStatus;  // status of the history call kOld
};

struct StatusCase {
    const char* name;
    Before before;
    const char* line;
    After after;
    Events events;
};

void PrintTo(const StatusCase& c, std::ostream* os) {
    *os << c.name << ": " << c.line;
}

// Shorthands for the state before a line.
Before NoCall() {
    return {};
}
Before Current(int status) {
    return {kCurrent, status};
}
Before WithSecond(int status, int secondStatus) {
    return {kCurrent, status, kSecond, secondStatus};
}
Before ErrorWindowOpen(int status) {
    return {kCurrent, status, 0, -1, true};
}

// Store states after a line: current call id/status/type, second id/status,
// status of the history call.
After Unchanged(const Before& b) {
    return {b.currentId, b.currentStatus, -1, b.secondId, b.secondStatus, -1};
}
After CurrentBecomes(const Before& b, int status, int type = -1) {
    return {b.currentId, status, type, b.secondId, b.secondStatus, -1};
}
After SecondBecomes(const Before& b, int status) {
    return {b.currentId, b.currentStatus, -1, b.secondId, status, -1};
}
After OldBecomes(const Before& b, int status) {
    return {b.currentId, b.currentStatus, -1, b.secondId, b.secondStatus, status};
}

const StatusCase kCases[] = {
    {"RoutingOfANewCall",
     NoCall(),
     "CALL 1234 STATUS ROUTING",
     {kCurrent, 0, -1, 0, -1, -1},
     Join({{"hs 98", "pause 20"}, kStop, AskName(kCurrent)})},
    {"RoutingOfAHistoryCall", NoCall(), "CALL 555 STATUS ROUTING", Unchanged(NoCall()), {}},

    {"RingingWithNoCall",
     NoCall(),
     "CALL 1234 STATUS RINGING",
     {kCurrent, 2, 0, 0, -1, -1},
     Join({kStop, {"hs 1A", "hs 9E", "pause 1000"}, AskName(kCurrent)})},
    {"RingingOfARoutedCall", Current(0), "CALL 1234 STATUS RINGING",
     CurrentBecomes(Current(0), 1, 1), Join({kStop, AskName(kCurrent)})},
    {"RingingOfAnAnsweredCall", Current(3), "CALL 1234 STATUS RINGING", Unchanged(Current(3)), {}},
    {"SecondRingingIsRefused",
     Current(3),
     "CALL 77 STATUS RINGING",
     Unchanged(Current(3)),
     {"straight SET CALL    77 STATUS FINISHED"}},

    {"EarlyMediaWithNoCall",
     NoCall(),
     "CALL 1234 STATUS EARLYMEDIA",
     {kCurrent, 23, 2, 0, -1, -1},
     Join({kStop, {"hs 9E", "pause 1000"}, AskName(kCurrent)})},
    {"EarlyMediaOfARoutedCall", Current(0), "CALL 1234 STATUS EARLYMEDIA",
     CurrentBecomes(Current(0), 23), Join({kStop, AskName(kCurrent)})},
    {"EarlyMediaOfAnAnsweredCall",
     Current(3),
     "CALL 1234 STATUS EARLYMEDIA",
     Unchanged(Current(3)),
     {}},
    {"EarlyMediaOfAnotherCallMakesItSecond",
     Current(3),
     "CALL 77 STATUS EARLYMEDIA",
     {kCurrent, 3, -1, kSecond, 23, -1},
     Join({kStop, {"hs 9E"}, AskName(kSecond)})},
    {"EarlyMediaOfTheSecondAgain",
     WithSecond(3, 23),
     "CALL 77 STATUS EARLYMEDIA",
     Unchanged(WithSecond(3, 23)),
     {}},
    // A search lists live calls too: a listed call whose status has not come
    // yet may be one that starts now (CallLifecycleTest has the ended ones).
    {"EarlyMediaOfAListedCall",
     Current(3),
     "CALL 555 STATUS EARLYMEDIA",
     {kCurrent, 3, -1, kOld, 23, -1},
     Join({kStop, {"hs 9E"}, AskName(kOld)})},
    {"AThirdCallIsRefused",
     WithSecond(15, 3),
     "CALL 99 STATUS EARLYMEDIA",
     Unchanged(WithSecond(15, 3)),
     {"straight SET CALL    99 STATUS FINISHED"}},
    {"RoutingDuringACallIsTheSecondCall",
     Current(15),
     "CALL 77 STATUS ROUTING",
     {kCurrent, 15, -1, kSecond, 0, -1},
     {}},
    {"RingingOfTheSecondOutgoingCall",
     WithSecond(15, 0),
     "CALL 77 STATUS RINGING",
     SecondBecomes(WithSecond(15, 0), 1),
     {}},
    {"RingingOfAListedCallDuringACall",
     Current(3),
     "CALL 555 STATUS RINGING",
     Unchanged(Current(3)),
     {"straight SET CALL   555 STATUS FINISHED"}},

    {"MissedWhileRinging", Current(2), "CALL 1234 STATUS MISSED", CurrentBecomes(Current(2), 5),
     Join({EndOnHandset(), CallDetails(kCurrent)})},
    {"FailedWithSkypesErrorWindowOpen", ErrorWindowOpen(2), "CALL 1234 STATUS FAILED",
     CurrentBecomes(ErrorWindowOpen(2), 6),
     Join({kStop, {"hs 9F", "sounds off"}, EndOnHandset(), CallDetails(kCurrent)})},
    {"FailedWithoutTheErrorWindow", Current(1), "CALL 1234 STATUS FAILED",
     CurrentBecomes(Current(1), 6), Join({EndOnHandset(), CallDetails(kCurrent)})},
    {"CancelledWhileRoutingHangsUp", Current(0), "CALL 1234 STATUS CANCELLED",
     CurrentBecomes(Current(0), 9),
     Join({{"sounds off", "HOOK ON"}, EndOnHandset(), CallDetails(kCurrent)})},
    {"BusyInEarlyMediaHangsUp", Current(23), "CALL 1234 STATUS BUSY",
     CurrentBecomes(Current(23), 8),
     Join({{"sounds off", "HOOK ON"}, EndOnHandset(), CallDetails(kCurrent)})},
    // Every final status ends the call it names, from any status it holds.
    {"RefusedOfAnAnsweredCallEndsIt", Current(3), "CALL 1234 STATUS REFUSED",
     CurrentBecomes(Current(3), 7), Join({EndOnHandset(), CallDetails(kCurrent)})},
    {"FailedOfAHeldCallEndsIt", Current(15), "CALL 1234 STATUS FAILED",
     CurrentBecomes(Current(15), 6), Join({EndOnHandset(), CallDetails(kCurrent)})},
    {"AnEndedCallEndsOnce", Current(5), "CALL 1234 STATUS MISSED", Unchanged(Current(5)), {}},
    // The call in progress stays on the handset when the ringing second call ends.
    {"MissedSecondCall", WithSecond(3, 2), "CALL 77 STATUS MISSED",
     SecondBecomes(WithSecond(3, 2), 5), Join({EndOnHandsetShowing("1F"), CallDetails(kSecond)})},
    {"MissedHistoryCall", NoCall(), "CALL 555 STATUS MISSED", OldBecomes(NoCall(), 5), {}},
    // A history record's status reaches the history alone, whatever calls are up.
    {"MissedHistoryCallDuringTwoCalls",
     WithSecond(3, 2),
     "CALL 555 STATUS MISSED",
     OldBecomes(WithSecond(3, 2), 5),
     {}},

    {"AnsweredWhileRinging", Current(2), "CALL 1234 STATUS INPROGRESS",
     CurrentBecomes(Current(2), 3), Join({kStop, {"sounds off", "hs 1F"}})},
    {"ResumedFromHold", Current(15), "CALL 1234 STATUS INPROGRESS", CurrentBecomes(Current(15), 3),
     Join({kStop, {"sounds off", "hs 1F"}})},
    {"InProgressAgain", Current(3), "CALL 1234 STATUS INPROGRESS", Unchanged(Current(3)), {}},
    {"SecondCallAnswered", WithSecond(15, 2), "CALL 77 STATUS INPROGRESS",
     SecondBecomes(WithSecond(15, 2), 3), Join({kStop, {"sounds off", "hs 1F"}})},
    {"SecondCallAnsweredFromEarlyMedia", WithSecond(15, 23), "CALL 77 STATUS INPROGRESS",
     SecondBecomes(WithSecond(15, 23), 3), Join({kStop, {"sounds off", "hs 1F"}})},
    {"InProgressOfAHistoryCallWhileTheSecondRings",
     WithSecond(3, 2),
     "CALL 555 STATUS INPROGRESS",
     Unchanged(WithSecond(3, 2)),
     {}},
    {"InProgressOfAnUnknownCallWithNoRingingSecond",
     WithSecond(3, 3),
     "CALL 99 STATUS INPROGRESS",
     Unchanged(WithSecond(3, 3)),
     {}},

    {"HoldOfAnAnsweredCall",
     Current(3),
     "CALL 1234 STATUS LOCALHOLD",
     CurrentBecomes(Current(3), 15),
     {}},
    // With the call held a waiting call rings (resuming or answering stops it).
    {"HoldWhileASecondCallWaits", WithSecond(3, 23), "CALL 1234 STATUS LOCALHOLD",
     CurrentBecomes(WithSecond(3, 23), 15), Join({kStop, {"hs 9E"}})},
    {"HoldAgainWhileASecondCallWaits",
     WithSecond(15, 23),
     "CALL 1234 STATUS LOCALHOLD",
     Unchanged(WithSecond(15, 23)),
     {}},
    {"HoldWhileRinging", Current(2), "CALL 1234 STATUS LOCALHOLD", Unchanged(Current(2)), {}},
    {"HoldOfTheSecondCall",
     WithSecond(15, 3),
     "CALL 77 STATUS LOCALHOLD",
     SecondBecomes(WithSecond(15, 3), 15),
     {}},
    {"HoldOfAHistoryCall",
     WithSecond(15, 3),
     "CALL 555 STATUS LOCALHOLD",
     Unchanged(WithSecond(15, 3)),
     {}},

    {"FinishedAnsweredCall", Current(3), "CALL 1234 STATUS FINISHED", CurrentBecomes(Current(3), 4),
     Join({EndOnHandset(),
           {"GET CALL 1234 PARTNER_DISPNAME", "GET CALL 1234 PARTNER_HANDLE", "GET CALL 1234 SEEN",
            "GET CALL 1234 TYPE", "GET CALL 1234 DURATION", "GET CALL 1234 TIMESTAMP"}})},
    {"FinishedWhileASecondCallRings",
     WithSecond(3, 2),
     "CALL 1234 STATUS FINISHED",
     {kCurrent, 4, -1, kSecond, 2, -1},
     Join({EndOnHandset(),
           {"hs 9E", "pause 1000", "GET CALL 1234 PARTNER_DISPNAME", "GET CALL 1234 PARTNER_HANDLE",
            "GET CALL 1234 SEEN", "GET CALL 1234 TYPE", "GET CALL 1234 DURATION",
            "GET CALL 1234 TIMESTAMP"}})},
    {"FinishedWhileRouting", Current(0), "CALL 1234 STATUS FINISHED", CurrentBecomes(Current(0), 4),
     Join({EndOnHandset(), CallDetails(kCurrent)})},
    // The program's own refusal of a ringing call comes back as FINISHED.
    {"FinishedWhileRinging", Current(2), "CALL 1234 STATUS FINISHED", CurrentBecomes(Current(2), 4),
     Join({EndOnHandset(), CallDetails(kCurrent)})},
    {"FinishedOfAHeldCall", Current(15), "CALL 1234 STATUS FINISHED",
     CurrentBecomes(Current(15), 4), Join({EndOnHandset(), CallDetails(kCurrent)})},
    {"FinishedOfAHeldCallWhileTheSecondIsAnswered",
     WithSecond(15, 3),
     "CALL 1234 STATUS FINISHED",
     {kCurrent, 4, -1, kSecond, 3, -1},
     Join({EndOnHandsetShowing("1F"), CallDetails(kCurrent)})},
    {"FinishedHistoryCall", NoCall(), "CALL 555 STATUS FINISHED", OldBecomes(NoCall(), 4), {}},
    {"FinishedHistoryCallDuringTwoCalls",
     WithSecond(3, 3),
     "CALL 555 STATUS FINISHED",
     OldBecomes(WithSecond(3, 3), 4),
     {}},
    {"FinishedSecondCall", WithSecond(15, 3), "CALL 77 STATUS FINISHED",
     SecondBecomes(WithSecond(15, 3), 4), Join({EndOnHandsetShowing("1F"), CallDetails(kSecond)})},

    {"VoicemailRecording",
     Current(3),
     "CALL 1234 STATUS VM_RECORDING",
     CurrentBecomes(Current(3), 18),
     {}},
    {"VoicemailRedirectOfAHistoryCall",
     NoCall(),
     "CALL 555 STATUS VM_REDIRECT",
     OldBecomes(NoCall(), 22),
     {}},
    {"VoicemailGreetingOfAnotherCall",
     WithSecond(3, 2),
     "CALL 77 STATUS VM_PLAYING_GREETING",
     SecondBecomes(WithSecond(3, 2), 17),
     {}},
    {"VoicemailSent", Current(18), "CALL 1234 STATUS VM_SENT", CurrentBecomes(Current(18), 20),
     Join({EndOnHandset(), CallDetails(kCurrent)})},
    {"VoicemailCancelledOfAnotherCall", WithSecond(3, 18), "CALL 77 STATUS VM_CANCELLED",
     SecondBecomes(WithSecond(3, 18), 21), Join({EndOnHandsetShowing("1F"), CallDetails(kSecond)})},
    {"VoicemailSentOfAHistoryCallDuringACall",
     Current(3),
     "CALL 555 STATUS VM_SENT",
     OldBecomes(Current(3), 20),
     {}},
    {"VoicemailSentOfAHistoryCall",
     NoCall(),
     "CALL 555 STATUS VM_SENT",
     OldBecomes(NoCall(), 20),
     {}},

    {"UnknownValue", Current(3), "CALL 1234 STATUS ONHOLD", Unchanged(Current(3)), {}},
    {"LowerCaseValue", NoCall(), "CALL 1234 STATUS ringing", Unchanged(NoCall()), {}},
};

class StatusTableTest : public CallsTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(StatusTableTest, MovesTheStoreAndTellsTheHandset) {
    const StatusCase& c = GetParam();
    store.AddCall(kOld, 0);
    store.SetCallType(kOld, 1);  // a dialed call, so the browse finds it in any status
    if (c.before.currentId != 0) SetCurrent(c.before.currentId, c.before.currentStatus);
    if (c.before.secondId != 0) SetSecond(c.before.secondId, c.before.secondStatus);
    if (c.before.errorWindow) desktop.Open("TskSERForm.UnicodeClass");

    Line(c.line);

    EXPECT_EQ(log, c.events);
    EXPECT_EQ(CurrentId(), c.after.currentId);
    EXPECT_EQ(CurrentStatus(), c.after.currentStatus);
    EXPECT_EQ(CurrentType(), c.after.currentType);
    EXPECT_EQ(SecondId(), c.after.secondId);
    EXPECT_EQ(SecondStatus(), c.after.secondStatus);
    EXPECT_EQ(History(kOld).status, c.after.oldStatus);
    int count = 0;
    store.GetCallCount(&count);
    EXPECT_EQ(count, 1) << "status lines never add to the history";
}

INSTANTIATE_TEST_SUITE_P(Calls, StatusTableTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The caller's name is asked for only with the display on; by handle when
// the fonts are not supported. Either way the handset expects a single text.
TEST_F(CallsTest, RingingAsksForTheCallerAsTheDisplayAllows) {
    Line("CALL 1234 STATUS RINGING");
    EXPECT_EQ(log.back(), "GET CALL 1234 PARTNER_DISPNAME");
    EXPECT_EQ(device.m_nDisplayContent, 1);

    store.ResetCurrentCall();
    fontsSupported = false;
    log.clear();
    Line("CALL 1234 STATUS RINGING");
    EXPECT_EQ(log.back(), "GET CALL 1234 PARTNER_HANDLE");

    store.ResetCurrentCall();
    displayEnabled = false;
    device.m_nDisplayContent = 0;
    log.clear();
    Line("CALL 1234 STATUS RINGING");
    EXPECT_EQ(log.back(), "pause 1000") << "nothing is asked with the display off";
    EXPECT_EQ(device.m_nDisplayContent, 0);
}

TEST_F(CallsTest, RingingWithNoTransferRunningGoesStraightToTheRing) {
    device.m_bTransferActive = 0;
    Line("CALL 1234 STATUS RINGING");
    EXPECT_EQ(log, Join({{"hs 1A", "hs 9E", "pause 1000"}, AskName(kCurrent)}));
}

TEST_F(CallsTest, ARingingLineWhoseIdDoesNotParseChangesNothing) {
    for (const char* line :
         {"CALL abc STATUS RINGING", "CALL 0 STATUS ROUTING", "CALL STATUS EARLYMEDIA",
          "CALL x STATUS FINISHED", "CALL -5 STATUS RINGING", "CALL -2147483648 STATUS ROUTING",
          "CALL 2147483648 STATUS RINGING", "CALL 99999999999999999999 STATUS EARLYMEDIA"}) {
        Line(line);
        EXPECT_EQ(CurrentId(), 0) << line;
        EXPECT_EQ(CurrentStatus(), -1) << line;
        EXPECT_EQ(SecondId(), 0) << line;
    }
    EXPECT_TRUE(log.empty()) << "the handset and Skype hear nothing";
}

TEST_F(CallsTest, TheLargestIdOfIntIsStillACall) {
    device.m_bTransferActive = 0;
    Line("CALL 2147483647 STATUS RINGING");
    EXPECT_EQ(CurrentId(), 2147483647);
}

TEST_F(CallsTest, AnIdThatDoesNotParseNeverPassesForTheCurrentCall) {
    SetCurrent(kCurrent, 3);
    Line("CALL junk STATUS FINISHED");
    Line("CALL junk STATUS RINGING");
    EXPECT_EQ(CurrentStatus(), 3);
    EXPECT_TRUE(log.empty()) << "no refusal is sent for call 0 either";
}

}  // namespace
}  // namespace kestrava::testing
