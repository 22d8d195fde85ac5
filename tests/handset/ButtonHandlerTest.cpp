// The button handler: what Skype is told for each call situation, Skype's own
// dialogs, the send key's sources (the contact action dialog, the lists, the
// calls) and what happens to a text Skype does not take.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <thread>

#include "HandsetTestSupport.h"
#include "handset/ButtonHandler.h"
#include "handset/HandsetCommands.h"
#include "handset/Keystrokes.h"
#include "handset/SkypeWindows.h"
#include "protocol/CallStatus.h"
#include "session/CListManager.h"

namespace kestrava::testing {
namespace {

using ::testing::_;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::NiceMock;
using ::testing::Return;

constexpr WindowHandle kSkypeMain = 0x500;

class ButtonHandlerTest : public HandsetFixture {
  protected:
    ButtonHandlerTest() {
        ON_CALL(link, SendStraight(_)).WillByDefault([this](const std::string& text) {
            std::lock_guard lock(textLock);
            texts.push_back(text);
            return accepting;
        });
        ON_CALL(desktop, FindTopLevelWindow(_, _))
            .WillByDefault([this](const std::string& name, const std::string*) {
                if (name == SkypeWindows::kMainWindowClass) return kSkypeMain;
                if (name == SkypeWindows::kConfirmationClass) return confirmation;
                if (name == SkypeWindows::kErrorClass) return error;
                return WindowHandle{0};
            });
    }

    void SetCalls(int current, int currentStatus, int second, int secondStatus) {
        store.SetCurrentCallId(current);
        store.SetCurrentCallStatus(currentStatus);
        store.SetSecondCallId(second);
        store.SetSecondCallStatus(secondStatus);
    }

    NiceMock<MockSkypeLink> link;
    NiceMock<MockDesktop> desktop;
    NiceMock<MockContactDialog> dialog;
    ShellState shellState;
    SkypeWindows windows{desktop, shellState};
    CKeystrokes keystrokes{desktop};
    CListManager list;
    CButtonHandler buttons{*device, store, list, link, windows, keystrokes, dialog};

    std::mutex textLock;
    std::vector<std::string> texts;
    bool accepting = true;
    WindowHandle confirmation = 0, error = 0;
};

struct HangUpCase {
    int currentStatus, secondStatus, current, second;
    const char* text;
    bool closesSkype;
};

void PrintTo(const HangUpCase& c, std::ostream* os) {
    *os << "SA " << c.currentStatus << ", SB " << c.secondStatus << ", A " << c.current << ", B "
        << c.second;
}

class HangUpTest : public ButtonHandlerTest, public ::testing::WithParamInterface<HangUpCase> {};

TEST_P(HangUpTest, TellsSkypeAndClosesItsWindowOnlyWhenHidingIsOn) {
    const HangUpCase& c = GetParam();
    for (int hide : {1, 0}) {
        SCOPED_TRACE(hide);
        texts.clear();
        device->m_bSupportHideWindows = hide;
        device->m_nDisplayContent = display::kCallList | display::kSingleItem;
        SetCalls(c.current, c.currentStatus, c.second, c.secondStatus);
        EXPECT_CALL(desktop, PostClose(kSkypeMain)).Times(c.closesSkype && hide ? 1 : 0);

        buttons.HandleButton(0x20);

        EXPECT_THAT(texts, ElementsAre(c.text));
        EXPECT_EQ(device->m_nDisplayContent, 0);
        ::testing::Mock::VerifyAndClearExpectations(&desktop);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Calls, HangUpTest,
    ::testing::Values(
        // Setting up or ringing, with a second call in one of those states: the second ends.
        HangUpCase{2, 2, 10, 11, "SET CALL    11 STATUS FINISHED", false},
        HangUpCase{23, 23, 10, 11, "SET CALL    11 STATUS FINISHED", false},
        // Ringing in, no second call: Skype decides.
        HangUpCase{2, -1, 10, 0, "BTN_RELEASED NO", false},
        // Voicemail.
        HangUpCase{17, 2, 10, 11, "SET CALL    11 STATUS FINISHED", false},
        HangUpCase{19, 19, 0, 11, "BTN_RELEASED NO", false},
        HangUpCase{18, -1, 10, 0, "SET CALL    10 STATUS FINISHED", true},
        HangUpCase{21, 3, 0, 11, "BTN_RELEASED NO", true},
        // Voicemail redirect.
        HangUpCase{22, 1, 10, 11, "SET CALL    11 STATUS FINISHED", false},
        HangUpCase{22, -1, 10, 0, "HOOK ON", true},
        // Held while the second call is in progress.
        HangUpCase{15, 3, 10, 11, "HOOK ON", false},
        // In progress, with and without a second call ringing.
        HangUpCase{3, 2, 10, 11, "SET CALL    10 STATUS FINISHED", true},
        HangUpCase{3, -1, 10, 0, "HOOK ON", true},
        // Everything else, by which calls exist.
        HangUpCase{15, -1, 10, 0, "SET CALL    10 STATUS FINISHED", true},
        HangUpCase{-1, -1, 0, 0, "BTN_RELEASED NO", true},
        HangUpCase{4, 2, 0, 11, "HOOK ON", false}));

TEST_F(ButtonHandlerTest, HangUpClosesSkypesConfirmationOrErrorWindowInsteadOfAnyCall) {
    for (bool confirm : {true, false}) {
        SCOPED_TRACE(confirm);
        texts.clear();
        confirmation = confirm ? 0x700 : 0;
        error = confirm ? 0 : 0x701;
        WindowHandle shown = confirm ? confirmation : error;
        device->m_bSupportHideWindows = 1;
        device->m_nDisplayContent = display::kContactList;
        SetCalls(10, 3, 0, -1);
        EXPECT_CALL(desktop, PostClickActivate(shown));
        EXPECT_CALL(desktop, PostClose(shown));
        EXPECT_CALL(desktop, PostClose(kSkypeMain)).Times(0);

        buttons.HandleButton(0x20);

        EXPECT_THAT(texts, ElementsAre("BTN_RELEASED NO"));
        EXPECT_EQ(device->m_nDisplayContent, 0);
        ::testing::Mock::VerifyAndClearExpectations(&desktop);
    }
}

TEST_F(ButtonHandlerTest, SendActsOnTheSelectedLineByTheListTheDialogShows) {
    struct Case {
        int mode;
        bool redial, chat, file;  // flags left over from other list keys
        const char* text;
        bool goesIdle;
    };
    for (const Case& c : {
             Case{ContactActionDialog::kRedial, true, true, true, "CALL echo123", false},
             Case{ContactActionDialog::kRedial, false, false, false, "CALL echo123", false},
             Case{ContactActionDialog::kChat, false, true, false, "OPEN IM echo123", true},
             Case{ContactActionDialog::kChat, true, false, true, "OPEN IM echo123", true},
             Case{ContactActionDialog::kSendFile, false, false, true, "OPEN FILETRANSFER echo123",
                  true},
             Case{ContactActionDialog::kSendFile, true, true, false, "OPEN FILETRANSFER echo123",
                  true},
         }) {
        SCOPED_TRACE(::testing::Message() << c.text << " " << c.redial << c.chat << c.file);
        texts.clear();
        output.Clear();
        ON_CALL(dialog, ShowsSelectableList()).WillByDefault(Return(true));
        ON_CALL(dialog, SelectedHandle()).WillByDefault(Return("echo123"));
        ON_CALL(dialog, OpenMode()).WillByDefault(Return(c.mode));
        ON_CALL(dialog, RedialFlag()).WillByDefault(Return(c.redial));
        ON_CALL(dialog, ChatFlag()).WillByDefault(Return(c.chat));
        ON_CALL(dialog, FileFlag()).WillByDefault(Return(c.file));
        EXPECT_CALL(dialog, CloseAndClear());

        EXPECT_EQ(buttons.HandleButton(0x31), 1);

        EXPECT_THAT(texts, ElementsAre(c.text));
        EXPECT_EQ(output.Events(), c.goesIdle ? std::vector<std::string>{Cmd(HS_CALL_IDLE)}
                                              : std::vector<std::string>{});
        ::testing::Mock::VerifyAndClearExpectations(&dialog);
    }

    // With a call ringing a chat opens, and the handset goes on ringing.
    texts.clear();
    output.Clear();
    SetCalls(10, 2, 0, -1);
    ON_CALL(dialog, OpenMode()).WillByDefault(Return(ContactActionDialog::kChat));
    EXPECT_EQ(buttons.HandleButton(0x31), 1);
    EXPECT_THAT(texts, ElementsAre("OPEN IM echo123"));
    EXPECT_THAT(output.Events(), IsEmpty()) << "the ringing call was silenced";
}

TEST_F(ButtonHandlerTest, SendWithNoLineSelectedInTheDialogOnlyClosesIt) {
    ON_CALL(dialog, ShowsSelectableList()).WillByDefault(Return(true));
    ON_CALL(dialog, SelectedHandle()).WillByDefault(Return(""));
    EXPECT_CALL(dialog, CloseAndClear());
    SetCalls(0, -1, 0, -1);
    EXPECT_EQ(buttons.HandleButton(0x31), 0);
    EXPECT_THAT(texts, IsEmpty());
}

TEST_F(ButtonHandlerTest, SendInContactListModeCallsTheSelectedContact) {
    list.AppendContact("alice.w", CListManager::kReachable);
    list.SelectNextContact(0, 0);
    device->m_nDisplayContent = display::kContactList;
    EXPECT_CALL(dialog, ClearListFlags());
    buttons.HandleButton(0x31);
    EXPECT_THAT(texts, ElementsAre("CALL alice.w"));
    EXPECT_EQ(device->m_nDisplayContent, 0);
}

TEST_F(ButtonHandlerTest, SendInCallListModeCallsTheWholePartnerHandle) {
    // Longer than any cut the handle could suffer, up to what the store keeps.
    const std::string handle = "+" + std::string(CCallRecord::kMaxTextLength - 1, '7');
    SelectCall(5, 1, 4, 60, 0, handle, CSessionStore::kBrowseDialed);
    device->m_nDisplayContent = display::kCallList;
    buttons.HandleButton(0x31);
    EXPECT_THAT(texts, ElementsAre("CALL " + handle));
    EXPECT_EQ(device->m_nDisplayContent, 0);
}

TEST_F(ButtonHandlerTest, SendOnACallEntryWithoutHandleSendsNothingAndKeepsTheList) {
    SelectCall(5, 0, 4, 60, 0);
    device->m_nDisplayContent = display::kCallList;
    EXPECT_EQ(buttons.HandleButton(0x31), 0);
    EXPECT_THAT(texts, IsEmpty());
    EXPECT_EQ(device->m_nDisplayContent, display::kCallList);
}

TEST_F(ButtonHandlerTest, SendWithoutAListAnswersByTheCalls) {
    struct Case {
        int current, currentStatus, second, secondStatus;
        std::vector<std::string> texts;
    };
    for (const Case& c : {
             Case{0, -1, 0, -1, {"BTN_RELEASED YES"}},
             Case{10, 1, 0, -1, {}},  // our own call rings out
             Case{10, 0, 0, -1, {}},
             Case{10, 15, 0, -1, {"SET CALL    10 STATUS INPROGRESS"}},
             // A second call rings in: the current one is held first, then it is answered.
             Case{10,
                  3,
                  11,
                  2,
                  {"SET CALL    10 STATUS ONHOLD", "SET CALL    11 STATUS INPROGRESS"}},
             Case{10,
                  3,
                  11,
                  23,
                  {"SET CALL    10 STATUS ONHOLD", "SET CALL    11 STATUS INPROGRESS"}},
             Case{10, 2, 0, -1, {"BTN_RELEASED YES"}},
         }) {
        SCOPED_TRACE(c.currentStatus);
        texts.clear();
        SetCalls(c.current, c.currentStatus, c.second, c.secondStatus);
        buttons.HandleButton(0x31);
        EXPECT_EQ(texts, c.texts);
    }
}

TEST_F(ButtonHandlerTest, HookOffAnswersTheCurrentCallWithItsIdInFivePlaces) {
    SetCalls(42, 2, 0, -1);
    device->m_nDisplayContent = display::kContactList;
    buttons.HandleButton(0x1F);
    SetCalls(0, -1, 7, 2);
    buttons.HandleButton(0x1F);
    SetCalls(0, -1, 0, -1);
    buttons.HandleButton(0x1F);
    EXPECT_THAT(texts, ElementsAre("SET CALL    42 STATUS INPROGRESS", "HOOK OFF"));
    EXPECT_EQ(device->m_nDisplayContent, 0);
}

TEST_F(ButtonHandlerTest, HoldTogglesOnlyACallInProgressOrHeld) {
    SetCalls(0, 3, 0, -1);
    buttons.HandleButton(0x23);
    SetCalls(10, 2, 0, -1);
    buttons.HandleButton(0x23);
    SetCalls(10, 3, 0, -1);
    buttons.HandleButton(0x23);
    SetCalls(10, 15, 0, -1);
    buttons.HandleButton(0x23);
    EXPECT_THAT(texts,
                ElementsAre("SET CALL    10 STATUS ONHOLD", "SET CALL    10 STATUS INPROGRESS"));
}

TEST_F(ButtonHandlerTest, ATextSkypeDoesNotTakeStartsRediscovery) {
    EXPECT_CALL(link, Rediscover()).Times(0);
    EXPECT_EQ(buttons.HandleButton(0x53), 1);
    ::testing::Mock::VerifyAndClearExpectations(&link);

    accepting = false;
    EXPECT_CALL(link, Rediscover());
    EXPECT_EQ(buttons.HandleButton(0x73), 0);
    EXPECT_THAT(texts, ElementsAre("FOCUS", "SET USERSTATUS ONLINE"));
}

TEST_F(ButtonHandlerTest, HangUpAsksARunningTransferToStopBeforeItActs) {
    device->m_bTransferActive = 1;
    EXPECT_CALL(renderer, SetAbort(1)).WillRepeatedly([this](int) {
        // The upload worker answers the stop at once.
        device->m_bTransferActive = 0;
        device->m_bAbortPending = 0;
        return S_OK;
    });
    SetCalls(10, 3, 0, -1);
    buttons.HandleButton(0x20);
    EXPECT_THAT(texts, ElementsAre("HOOK ON"));
    EXPECT_EQ(device->m_bAbortPending, 0);
}

// A store whose current call ends (the second one promoted in its place)
// right after its id has been read, as when the parser ends it between two
// reads of the input worker.
class CallEndingStore final : public CSessionStore {
  public:
    HResult GetCurrentCallId(int* id) override {
        HResult result = CSessionStore::GetCurrentCallId(id);
        if (endOnRead.exchange(false)) {
            SetCurrentCallTimestamp(1700000000);
            ArchiveCurrentCall();
            ResetCurrentCall();
            PromoteSecondCall();
            ResetSecondCall();
        }
        return result;
    }
    std::atomic<bool> endOnRead{false};
};

TEST_F(ButtonHandlerTest, AKeyNeverPairsTheEndedCallWithThePromotedCallsStatus) {
    struct Case {
        int key, currentStatus, secondStatus;
    };
    // Hold and send resume a held current call.
    const Case cases[] = {{0x23, CALL_FINISHED, CALL_LOCALHOLD},
                          {0x31, CALL_FINISHED, CALL_LOCALHOLD}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        CallEndingStore calls;
        calls.SetCurrentCallId(101);
        calls.SetCurrentCallStatus(c.currentStatus);
        calls.SetSecondCallId(102);
        calls.SetSecondCallStatus(c.secondStatus);
        CButtonHandler handler{*device, calls, list, link, windows, keystrokes, dialog};
        texts.clear();
        calls.endOnRead = true;
        handler.HandleButton(c.key);
        for (const std::string& text : texts) {
            EXPECT_EQ(text.find(" 101 "), std::string::npos) << text << ": the ended call";
        }
    }
}

// The parser ends the current call and promotes the second one while the
// hold key is pressed: the key acts on one call with that call's own status,
// never on the ended call with the status of the one promoted in its place.
TEST_F(ButtonHandlerTest, HoldWhileTheSecondCallIsPromotedSeesOneCallWhole) {
    // Odd calls come up ringing, even ones held: an odd call is never resumed.
    constexpr int kCalls = 20000;
    auto promotedStatus = [](int id) { return id % 2 ? CALL_RINGING_IN : CALL_LOCALHOLD; };
    SetCalls(1, CALL_FINISHED, 2, promotedStatus(2));
    std::atomic<bool> done{false};
    std::thread parser([&] {
        for (int id = 2; id < kCalls; ++id) {
            // As a call's TIMESTAMP reply ends it.
            store.CloseCurrentCall(1700000000);
            store.SetSecondCallStatus(promotedStatus(id + 1));
            store.SetSecondCallId(id + 1);
            store.SetCurrentCallStatus(CALL_FINISHED);
        }
        done = true;
    });
    while (!done) buttons.HandleButton(0x23);
    parser.join();
    std::lock_guard lock(textLock);
    for (const std::string& text : texts) {
        int id = 0;
        char status[16] = {};
        ASSERT_EQ(std::sscanf(text.c_str(), "SET CALL %d STATUS %15s", &id, status), 2) << text;
        EXPECT_EQ(id % 2, 0) << text << ": an ended call resumed";
        EXPECT_STREQ(status, "INPROGRESS") << text;
    }
}

TEST_F(ButtonHandlerTest, FocusFromTheLinkWorkerWhileTheHandsetHangsUp) {
    constexpr int kPresses = 50;
    SetCalls(10, 3, 0, -1);
    std::thread linkWorker([this] {
        for (int i = 0; i < kPresses; ++i) buttons.HandleButton(0x53);
    });
    for (int i = 0; i < kPresses; ++i) buttons.HandleButton(0x20);
    linkWorker.join();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "FOCUS"), kPresses);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "HOOK ON"), kPresses);
}

}  // namespace
}  // namespace kestrava::testing
