// The handset's keys as a person uses them, with everything real but the two
// peers: the simulated client moves its calls only because of what the
// program tells it, and its dial field shows what the program typed.
#include "LiveProgram.h"
#include "handset/ContactDialog.h"
#include "protocol/CallStatus.h"
#include "session/CSessionStore.h"

namespace kestrava::testing {
namespace {

constexpr std::uint8_t kHold = 0x23, kSend = 0x31, kErase = 0x41, kDigit0 = 0xB0, kStar = 0xBA,
                       kPound = 0xBB, kPlus = 0xBE, kDown = 0xBD, kRedial = 0xD0, kAway = 0x76,
                       kCallList = 0x6E, kFirstDialed = 0x6B, kChat = 0xD2, kSendFile = 0xD3;

class KeysIntegrationTest : public LiveProgram {
  protected:
    int CurrentStatus() {
        int status = -1;
        if (CSessionStore* store = application->SessionStore())
            store->GetCurrentCallStatus(&status);
        return status;
    }
    int SecondStatus() {
        int status = -1;
        if (CSessionStore* store = application->SessionStore()) store->GetSecondCallStatus(&status);
        return status;
    }
    // The commands the client received from log entry `from` on.
    std::vector<std::string> CommandsSince(long from) {
        std::vector<std::string> commands;
        auto log = skype.Log();
        for (long i = from; i < static_cast<long>(log.size()); ++i) {
            if (log[i].rfind("COMMAND ", 0) == 0) commands.push_back(log[i].substr(8));
        }
        return commands;
    }
    long LogSize() { return static_cast<long>(skype.Log().size()); }
    // The commands the keys sent: the engine's own questions (GET) left out.
    std::vector<std::string> KeyCommandsSince(long from) {
        std::vector<std::string> commands;
        for (std::string& command : CommandsSince(from)) {
            if (command.rfind("GET ", 0) != 0) commands.push_back(std::move(command));
        }
        return commands;
    }

    // Presses a list key and waits until its dialog shows the filled list.
    DialogModel OpenList(std::uint8_t key, const std::string& title) {
        handset.PressKey(key);
        WaitUntil([&] {
            DialogModel model = dialogs.Current();
            return model.open && model.title == title &&
                   !model.lines[CContactDialog::kListControl].empty();
        });
        return dialogs.Current();
    }
    bool DialogClosed() {
        return WaitUntil([&] { return !dialogs.Current().open; });
    }

    // Rings call `id` from Alice and answers it by lifting the receiver.
    void AnswerByLifting(int id) {
        skype.IncomingCall(id, "alice.liddell");
        ASSERT_TRUE(handset.WaitForRinging(true, kPatience));
        long from = LogSize();
        handset.LiftReceiver();
        char text[64];
        std::snprintf(text, sizeof text, "SET CALL %5d STATUS INPROGRESS", id);
        ASSERT_TRUE(WaitForCommand(text, from));
        ASSERT_TRUE(handset.WaitForRinging(false, kPatience));
        ASSERT_TRUE(WaitUntil([&] { return CurrentStatus() == CALL_INPROGRESS; }));
    }
};

TEST_F(KeysIntegrationTest, LiftingAnswersHoldResumesAndPuttingTheReceiverDownEndsTheCall) {
    AnswerByLifting(101);
    ASSERT_TRUE(WaitForLogEntry("NOTIFY CALL 101 STATUS INPROGRESS"));

    long from = LogSize();
    handset.PressKey(kHold);
    ASSERT_TRUE(WaitForCommand("SET CALL   101 STATUS ONHOLD", from));
    ASSERT_TRUE(WaitForLogEntry("NOTIFY CALL 101 STATUS LOCALHOLD", from));
    ASSERT_TRUE(WaitUntil([&] { return CurrentStatus() == CALL_LOCALHOLD; }));

    from = LogSize();
    handset.PressKey(kHold);
    ASSERT_TRUE(WaitForCommand("SET CALL   101 STATUS INPROGRESS", from));
    ASSERT_TRUE(WaitForLogEntry("NOTIFY CALL 101 STATUS INPROGRESS", from));
    ASSERT_TRUE(WaitUntil([&] { return CurrentStatus() == CALL_INPROGRESS; }));

    from = LogSize();
    handset.PutDownReceiver();
    ASSERT_TRUE(WaitForCommand("HOOK ON", from));
    ASSERT_TRUE(WaitForLogEntry("NOTIFY CALL 101 STATUS FINISHED", from));
    EXPECT_EQ(CommandsSince(from).front(), "HOOK ON") << "one text for the hang-up";
    // The program is set to hide Skype once a call is over.
    ASSERT_EQ(library->m_bSupportHideWindows.load(), 1);
    EXPECT_TRUE(WaitForLogEntry("WINDOW CLOSE tskMainForm.UnicodeClass", from));
    EXPECT_TRUE(WaitUntil([&] { return CurrentStatus() == -1; })) << "the call has ended";
}

TEST_F(KeysIntegrationTest, TheSendKeyAnswersASecondCallAfterHoldingTheFirstInTwoTexts) {
    AnswerByLifting(101);
    std::size_t reports = handset.OutputReports().size();
    skype.IncomingCall(102, "+4930123456");
    ASSERT_GE(WaitForHandsetCommand(HS_CALL_ALERT, static_cast<long>(reports)), 0)
        << "the second call rings at the handset";
    ASSERT_TRUE(WaitUntil([&] { return SecondStatus() == CALL_EARLYMEDIA; }));

    long from = LogSize();
    handset.PressKey(kSend);
    ASSERT_TRUE(WaitForLogEntry("NOTIFY CALL 102 STATUS INPROGRESS", from));
    auto commands = CommandsSince(from);
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ(commands[0], "SET CALL   101 STATUS ONHOLD");
    EXPECT_EQ(commands[1], "SET CALL   102 STATUS INPROGRESS");
    EXPECT_TRUE(WaitForLogEntry("NOTIFY CALL 101 STATUS LOCALHOLD", from));
}

TEST_F(KeysIntegrationTest, DigitsAndSignsAreTypedIntoSkypesDialFieldAndTheSendKeyDialsThem) {
    long from = LogSize();
    for (std::uint8_t key :
         {kPlus, static_cast<std::uint8_t>(kDigit0 + 4), static_cast<std::uint8_t>(kDigit0 + 9),
          kStar, kPound, kErase, kErase, static_cast<std::uint8_t>(kDigit0 + 3)}) {
        handset.PressKey(key);
    }
    ASSERT_TRUE(WaitUntil([&] { return skype.DialText() == "+493"; })) << skype.DialText();
    auto commands = CommandsSince(from);
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "FOCUS"), 8)
        << "the dial field is focused before each key";

    from = LogSize();
    handset.PressKey(kSend);
    ASSERT_TRUE(WaitForCommand("BTN_RELEASED YES", from));
    ASSERT_TRUE(skype.WaitForLog(
        [&](const auto& log) {
            for (long i = from; i < static_cast<long>(log.size()); ++i) {
                if (log[i].rfind("NOTIFY CALL ", 0) == 0 &&
                    log[i].find(" STATUS ROUTING") != std::string::npos)
                    return true;
            }
            return false;
        },
        kPatience))
        << "the client dials what the field holds";
    EXPECT_EQ(skype.DialText(), "");
}

TEST_F(KeysIntegrationTest, ADialedCallIsBrowsedThenRedialedFromTheContactActionDialog) {
    // The dialed calls: the newest one's details come when it is shown.
    long from = LogSize();
    int transfers = handset.TransfersCompleted();
    handset.PressKey(kCallList);
    handset.PressKey(kFirstDialed);
    ASSERT_TRUE(WaitForCommand("GET CALL 13 PARTNER_HANDLE", from));
    ASSERT_TRUE(WaitForLogEntry("NOTIFY CALL 13 TIMESTAMP 1796660000", from));
    // The person reads the entry before pressing on.
    ASSERT_TRUE(WaitUntil([&] { return handset.TransfersCompleted() > transfers; }));

    handset.PressKey(kRedial);
    ASSERT_TRUE(WaitUntil([&] {
        DialogModel model = dialogs.Current();
        return model.open && model.lines[CContactDialog::kListControl].size() == 1;
    }));
    DialogModel model = dialogs.Current();
    EXPECT_EQ(model.title, "Redial");
    EXPECT_EQ(model.lines[CContactDialog::kListControl][0], "yamada.taro");

    handset.PressKey(kDown);
    ASSERT_TRUE(
        WaitUntil([&] { return dialogs.Current().selection[CContactDialog::kListControl] == 0; }));
    from = LogSize();
    handset.PressKey(kSend);
    ASSERT_TRUE(WaitForCommand("CALL yamada.taro", from));
    ASSERT_TRUE(WaitForLogEntry("NOTIFY CALL 200 STATUS ROUTING", from));
    EXPECT_TRUE(WaitUntil([&] { return !dialogs.Current().open; })) << "the dialog closes";
}

// Whatever list keys, closes and sends came before, the send key acts on the
// list the open dialog shows.
TEST_F(KeysIntegrationTest, TheSendKeyActsOnTheListTheOpenDialogShows) {
    // Redial, send before the list is armed, then down and send: a call.
    OpenList(kRedial, "Redial");
    long from = LogSize();
    handset.PressKey(kSend);
    ASSERT_TRUE(WaitForCommand("BTN_RELEASED YES", from));
    ASSERT_TRUE(dialogs.Current().open) << "the dialog is not armed yet";
    handset.PressKey(kDown);
    ASSERT_TRUE(
        WaitUntil([&] { return dialogs.Current().selection[CContactDialog::kListControl] == 0; }));
    std::size_t reports = handset.OutputReports().size();
    from = LogSize();
    handset.PressKey(kSend);
    ASSERT_TRUE(WaitForCommand("CALL yamada.taro", from)) << ClientLogSince(from);
    EXPECT_TRUE(DialogClosed());
    auto sent = handset.OutputReports();
    for (std::size_t i = reports; i < sent.size(); ++i) {
        EXPECT_FALSE(IsCommand(sent[i], HS_CALL_IDLE)) << "a call is no chat";
    }
    for (const std::string& command : CommandsSince(from)) {
        EXPECT_EQ(command.rfind("OPEN ", 0), std::string::npos) << command;
    }
    // The call is given up before the other lists.
    handset.PutDownReceiver();
    ASSERT_TRUE(WaitUntil([&] { return CurrentStatus() == -1; })) << ClientLogSince(from);

    // Chat closed with Cancel, then send file.
    DialogModel model = OpenList(kChat, "Chat");
    ASSERT_TRUE(dialogs.Press(model.handle, kCancel));
    ASSERT_TRUE(DialogClosed());
    model = OpenList(kSendFile, "Send File");
    ASSERT_FALSE(model.lines[CContactDialog::kListControl].empty());
    std::string first = model.lines[CContactDialog::kListControl][0];
    handset.PressKey(kDown);
    ASSERT_TRUE(
        WaitUntil([&] { return dialogs.Current().selection[CContactDialog::kListControl] == 0; }));
    from = LogSize();
    handset.PressKey(kSend);
    ASSERT_TRUE(DialogClosed());
    handset.PressKey(kAway);
    ASSERT_TRUE(WaitForCommand("SET USERSTATUS AWAY", from));
    EXPECT_EQ(KeyCommandsSince(from),
              (std::vector<std::string>{"OPEN FILETRANSFER " + first, "SET USERSTATUS AWAY"}));

    // Chat, then redial (the chat dialog stays), chat again (it closes),
    // then send file.
    OpenList(kChat, "Chat");
    handset.PressKey(kRedial);
    handset.PressKey(kChat);
    ASSERT_TRUE(DialogClosed());
    model = OpenList(kSendFile, "Send File");
    ASSERT_FALSE(model.lines[CContactDialog::kListControl].empty()) << dialogs.Current().title;
    first = model.lines[CContactDialog::kListControl][0];
    handset.PressKey(kDown);
    ASSERT_TRUE(
        WaitUntil([&] { return dialogs.Current().selection[CContactDialog::kListControl] == 0; }));
    from = LogSize();
    handset.PressKey(kSend);
    ASSERT_TRUE(DialogClosed());
    handset.PressKey(kAway);  // keys are handled in order: the send key is done
    ASSERT_TRUE(WaitForCommand("SET USERSTATUS AWAY", from));
    EXPECT_EQ(KeyCommandsSince(from),
              (std::vector<std::string>{"OPEN FILETRANSFER " + first, "SET USERSTATUS AWAY"}));
}

TEST_F(KeysIntegrationTest, HangingUpWhileSkypeAsksForConfirmationClosesItAndSendsOnlyNo) {
    skype.Perform({0, "confirm", {}});
    ASSERT_TRUE(WaitForLogEntry("WINDOW OPEN TskConFirmForm.UnicodeClass"));
    long from = LogSize();
    handset.PutDownReceiver();
    // A key after it: the handset's keys are handled in order, so once its
    // text arrives the hang-up has sent everything it was going to.
    handset.PressKey(kAway);
    ASSERT_TRUE(WaitForCommand("SET USERSTATUS AWAY", from));
    EXPECT_TRUE(WaitForLogEntry("WINDOW CLOSE TskConFirmForm.UnicodeClass", from));
    EXPECT_EQ(CommandsSince(from),
              (std::vector<std::string>{"BTN_RELEASED NO", "SET USERSTATUS AWAY"}));
}

TEST_F(KeysIntegrationTest, AStatusKeyChangesTheUsersStatusAndTheHandsetShowsTheNewOne) {
    std::size_t reports = handset.OutputReports().size();
    long from = LogSize();
    handset.PressKey(kAway);
    ASSERT_TRUE(WaitForCommand("SET USERSTATUS AWAY", from));
    ASSERT_TRUE(WaitForLogEntry("NOTIFY USERSTATUS AWAY", from));
    EXPECT_GE(WaitForHandsetCommand(HS_STATUS_AWAY, static_cast<long>(reports)), 0);
}

}  // namespace
}  // namespace kestrava::testing
