// The simulated client on its own thread, attached to a peer program: its
// requests and the peer's commands move the calls, and the lines go out in
// the order they were given.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <thread>

#include "platform/posix/InProcessDesktop.h"
#include "sim/SkypeClientSim.h"

namespace kestrava::sim {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;

constexpr const char* kWang = "\xE7\x8E\x8B\xE5\xB0\x8F\xE6\x98\x8E";  // 王小明

// A program attached to the client: a window on a thread of its own that takes
// whatever the client sends.
class Peer {
  public:
    explicit Peer(InProcessDesktop& desktop) : m_program(desktop.OpenProgram("peer")) {
        std::promise<WindowHandle> created;
        m_thread = std::thread([this, &created] {
            m_program->RegisterWindowClass("peer", "");
            created.set_value(m_program->CreateHiddenWindow(
                "peer", "peer", [this](WindowHandle, std::uint32_t message, WParam, LParam) {
                    if (message == msg::kClose) m_program->PostQuit(0);
                    return LParam{1};
                }));
            m_program->RunMessageLoop();
        });
        m_window = created.get_future().get();
    }
    ~Peer() {
        m_program->Post(m_window, msg::kClose, 0, 0);
        m_thread.join();
    }
    void Attach(WindowHandle api) {
        m_program->Post(api, m_program->RegisterMessage("SkypeControlAPIDiscover"), m_window, 0);
    }
    bool Send(WindowHandle api, const std::string& command) {
        return SendText(*m_program, api, m_window, command, 2s);
    }
    // A step for the client to carry out at once, as a test in another process sends it.
    LParam SendStep(WindowHandle api, const std::string& step) {
        CopyDataPacket packet{SkypeClientSim::kStepData,
                              static_cast<std::uint32_t>(step.size() + 1), step.c_str()};
        return m_program->Send(api, msg::kCopyData, m_window, reinterpret_cast<LParam>(&packet), 2s)
            .value_or(-1);
    }

  private:
    std::unique_ptr<InProcessDesktop::Program> m_program;
    WindowHandle m_window = 0;
    std::thread m_thread;
};

class SkypeClientSimTest : public ::testing::Test {
  protected:
    void SetUp() override {
        skype.Start();
        peer.Attach(skype.ApiWindow());
        ASSERT_TRUE(WaitFor("NOTIFY USERSTATUS ONLINE"));
    }

    // Waits for an entry; with `after`, for one that comes after `after`.
    bool WaitFor(const std::string& entry, std::size_t* position = nullptr) {
        std::size_t from = position ? *position : 0;
        return skype.WaitForLog(
            [&](const std::vector<std::string>& log) {
                for (std::size_t i = from; i < log.size(); ++i) {
                    if (log[i] != entry) continue;
                    if (position) *position = i + 1;
                    return true;
                }
                return false;
            },
            5s);
    }

    std::vector<std::string> NotifiedSince(std::size_t position) {
        std::vector<std::string> lines;
        auto log = skype.Log();
        for (std::size_t i = position; i < log.size(); ++i) {
            if (log[i].rfind("NOTIFY ", 0) == 0) lines.push_back(log[i].substr(7));
        }
        return lines;
    }

    InProcessDesktop desktop;
    std::unique_ptr<InProcessDesktop::Program> skypeProgram = desktop.OpenProgram("Skype");
    SkypeClientSim skype{*skypeProgram, *skypeProgram};
    Peer peer{desktop};
};

TEST_F(SkypeClientSimTest, AnIncomingCallRingsUntilTheProgramAnswersAndTicksUntilHeld) {
    std::size_t at = 0;
    skype.IncomingCall(101, "wang.xiaoming");
    ASSERT_TRUE(WaitFor("NOTIFY CALL 101 STATUS RINGING", &at));
    ASSERT_TRUE(WaitFor("NOTIFY CALL 101 STATUS RINGING", &at)) << "a real client rings twice";

    std::size_t asked = at;
    ASSERT_TRUE(peer.Send(skype.ApiWindow(), "GET CALL 101 PARTNER_DISPNAME"));
    ASSERT_TRUE(peer.Send(skype.ApiWindow(), "GET CALL 101 TYPE"));
    // The program pads the id ("%5d").
    ASSERT_TRUE(peer.Send(skype.ApiWindow(), "SET CALL   101 STATUS INPROGRESS"));
    ASSERT_TRUE(WaitFor("NOTIFY CALL 101 DURATION 1", &at));
    EXPECT_THAT(
        NotifiedSince(asked),
        ElementsAre(std::string("CALL 101 PARTNER_DISPNAME ") + kWang, "CALL 101 TYPE INCOMING_P2P",
                    "CALL 101 STATUS INPROGRESS", "CALL 101 DURATION 1"));

    skype.HoldCall(101);
    ASSERT_TRUE(WaitFor("NOTIFY CALL 101 STATUS LOCALHOLD", &at));
    skype.ResumeCall(101);
    ASSERT_TRUE(WaitFor("NOTIFY CALL 101 STATUS INPROGRESS", &at));
    ASSERT_TRUE(WaitFor("NOTIFY CALL 101 DURATION 2", &at)) << "the count runs on after a hold";
    skype.FinishCall(101);
    ASSERT_TRUE(WaitFor("NOTIFY CALL 101 STATUS FINISHED", &at));
    skype.AnswerCall(101);
    EXPECT_TRUE(WaitFor("SCENARIO IGNORED answer 101", &at)) << "an ended call is not answered";
}

TEST_F(SkypeClientSimTest, TheProgramRefusesASecondCallWhileTheFirstIsUp) {
    std::size_t at = 0;
    skype.IncomingCall(101, "wang.xiaoming");
    skype.AnswerCall(101);
    ASSERT_TRUE(WaitFor("NOTIFY CALL 101 STATUS INPROGRESS", &at));
    skype.IncomingCall(77, "yamada.taro");
    ASSERT_TRUE(WaitFor("NOTIFY CALL 77 STATUS RINGING", &at));
    ASSERT_TRUE(peer.Send(skype.ApiWindow(), "SET CALL    77 STATUS FINISHED"));
    ASSERT_TRUE(WaitFor("NOTIFY CALL 77 STATUS REFUSED", &at));
    ASSERT_TRUE(peer.Send(skype.ApiWindow(), "GET CALL 101 STATUS"));
    EXPECT_TRUE(WaitFor("NOTIFY CALL 101 STATUS INPROGRESS", &at));
}

TEST_F(SkypeClientSimTest, ACallPlacedByTheProgramRingsAtTheContactNamedByItsDisplayName) {
    std::size_t at = 0;
    ASSERT_TRUE(peer.Send(skype.ApiWindow(), "CALL alice.liddell"));
    ASSERT_TRUE(WaitFor("NOTIFY CALL 200 STATUS RINGING", &at));
    ASSERT_TRUE(peer.Send(skype.ApiWindow(), "GET CALL 200 PARTNER_DISPNAME"));
    ASSERT_TRUE(WaitFor("NOTIFY CALL 200 PARTNER_DISPNAME Alice", &at));
    skype.GiveUpCall(200);
    EXPECT_TRUE(WaitFor("NOTIFY CALL 200 STATUS CANCELLED", &at));
}

TEST_F(SkypeClientSimTest, AScenarioTellsTheStoryStepByStep) {
    std::string error;
    auto scenario = Scenario::Parse(
        "0 incoming 102 yamada.taro\n20 missed 102\n40 answer 102\n60 end\n", &error);
    ASSERT_TRUE(scenario) << error;
    std::size_t at = 0;
    skype.Play(*scenario);
    ASSERT_TRUE(WaitFor("SCENARIO END", &at));
    EXPECT_THAT(NotifiedSince(0),
                ::testing::IsSupersetOf({"CALL 102 STATUS RINGING", "CALL 102 STATUS MISSED"}));
    EXPECT_TRUE(WaitFor("SCENARIO IGNORED answer 102"));
    ASSERT_TRUE(peer.Send(skype.ApiWindow(), "SEARCH MISSEDCALLS"));
    EXPECT_TRUE(WaitFor("NOTIFY CALLS 102, 12"));
}

TEST_F(SkypeClientSimTest, AStepSentFromOutsideIsCarriedOutAtOnceAndABadOneRefused) {
    EXPECT_EQ(peer.SendStep(skype.ApiWindow(), "incoming 103 alice.liddell"), 1);
    EXPECT_TRUE(WaitFor("NOTIFY CALL 103 STATUS RINGING"));
    EXPECT_EQ(peer.SendStep(skype.ApiWindow(), "incoming 0 alice.liddell"), 0);
    EXPECT_EQ(peer.SendStep(skype.ApiWindow(), "dance"), 0);
    auto log = skype.Log();
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& e) { return e.rfind("STEP REFUSED ", 0) == 0; }),
              2);
}

TEST_F(SkypeClientSimTest, ContactAndConnectionChangesAreToldUnaskedAndAnsweredAfterwards) {
    std::size_t at = 0;
    skype.SetUserOnlineStatus("yamada.taro", "ONLINE");
    ASSERT_TRUE(WaitFor("NOTIFY USER yamada.taro ONLINESTATUS ONLINE", &at));
    skype.SetUserOnlineStatus("nobody.here", "AWAY");
    ASSERT_TRUE(WaitFor("SCENARIO IGNORED online nobody.here AWAY", &at));
    skype.SetConnectionStatus("CONNECTING");
    ASSERT_TRUE(WaitFor("NOTIFY CONNSTATUS CONNECTING", &at));
    ASSERT_TRUE(peer.Send(skype.ApiWindow(), "GET USER yamada.taro ONLINESTATUS"));
    ASSERT_TRUE(WaitFor("NOTIFY USER yamada.taro ONLINESTATUS ONLINE", &at));
    ASSERT_TRUE(peer.Send(skype.ApiWindow(), "GET CONNSTATUS"));
    EXPECT_TRUE(WaitFor("NOTIFY CONNSTATUS CONNECTING", &at));
}

TEST_F(SkypeClientSimTest, AnEndedCallIsInTheHistoryWhenTheChangeIsTold) {
    std::size_t at = 0;
    skype.MissedCall(102, "yamada.taro");
    ASSERT_TRUE(WaitFor("NOTIFY CALL 102 STATUS MISSED", &at));
    ASSERT_TRUE(WaitFor("NOTIFY CALLHISTORYCHANGED", &at));
    ASSERT_TRUE(peer.Send(skype.ApiWindow(), "SEARCH CALLS"));
    EXPECT_TRUE(WaitFor("NOTIFY CALLS 102, 13, 12, 11", &at));
}

// What the client does for each command of the handset's keys, from the calls
// (and the dial field) it has before, told by the lines that follow the reply.
struct Reaction {
    const char* before;  // scenario steps, one per line, all at once
    const char* command;
    std::vector<std::string> after;  // the notified lines up to the next reply
    const char* dialAfter = "";
};

void PrintTo(const Reaction& row, std::ostream* out) {
    *out << '"' << row.command << "\" after \"" << row.before << '"';
}

const char* const kRinging = "0 incoming 101 wang.xiaoming";
const char* const kTalking = "0 incoming 101 wang.xiaoming\n0 answer 101";
const char* const kTalkingAndRinging =
    "0 incoming 101 wang.xiaoming\n0 answer 101\n0 incoming 102 yamada.taro";
const std::vector<std::string> kFinished101 = {"OK", "CALL 101 FAILUREREASON 1",
                                               "CALL 101 STATUS FINISHED", "CALLHISTORYCHANGED"};

const Reaction kReactions[] = {
    {"", "HOOK OFF", {"OK"}},
    {kRinging, "HOOK OFF", {"OK", "CALL 101 STATUS INPROGRESS"}},
    {"0 incoming 101 wang.xiaoming\n0 incoming 102 yamada.taro",
     "HOOK OFF",
     {"OK", "CALL 101 STATUS INPROGRESS"}},
    // Answering a second call holds the call in progress first.
    {kTalkingAndRinging,
     "HOOK OFF",
     {"OK", "CALL 101 STATUS ONHOLD", "CALL 101 STATUS LOCALHOLD", "CALL 102 STATUS INPROGRESS"}},
    {"", "HOOK ON", {"OK"}},
    {kTalking, "HOOK ON", kFinished101},
    {kTalkingAndRinging, "HOOK ON", kFinished101},
    {kRinging, "HOOK ON", {"OK", "CALL 101 STATUS REFUSED", "CALLHISTORYCHANGED"}},
    {"0 outgoing 105 echo123",
     "HOOK ON",
     {"OK", "CALL 105 STATUS CANCELLED", "CALLHISTORYCHANGED"}},
    {"0 incoming 101 wang.xiaoming\n0 answer 101\n0 hold 101", "HOOK ON", {"OK"}},
    {"", "HOOK", {"ERROR 2 Unknown command"}},
    {"", "HOOK SIDEWAYS", {"ERROR 2 Unknown command"}},
    {"", "BTN_RELEASED YES", {"OK"}},
    {kRinging, "BTN_RELEASED YES", {"OK", "CALL 101 STATUS INPROGRESS"}},
    {"0 type 0123",
     "BTN_RELEASED YES",
     {"OK", "CALL 200 STATUS ROUTING", "CALL 200 STATUS ROUTING", "CALL 200 STATUS RINGING"}},
    {"0 type 0123\n0 incoming 101 wang.xiaoming",
     "BTN_RELEASED YES",
     {"OK", "CALL 101 STATUS INPROGRESS"},
     "0123"},
    {"0 type 42", "BTN_RELEASED NO", {"OK"}},
    {kTalkingAndRinging,
     "BTN_RELEASED NO",
     {"OK", "CALL 102 STATUS REFUSED", "CALLHISTORYCHANGED"}},
    {"0 type 42\n0 incoming 101 wang.xiaoming\n0 answer 101", "BTN_RELEASED NO", kFinished101,
     "42"},
    {"0 type 42", "BTN_PRESSED NO", {"OK"}, "42"},
    {kRinging, "BTN_RELEASED UP", {"OK"}},
    {"", "BTN_RELEASED DOWN", {"OK"}},
    {"", "BTN_RELEASED SKYPE", {"OK"}},
    {"", "BTN_RELEASED MAYBE", {"ERROR 2 Unknown command"}},
    {"", "BTN_RELEASED", {"ERROR 2 Unknown command"}},
    {"", "FOCUS", {"OK"}},
    {"", "FOCUS NOW", {"ERROR 2 Unknown command"}},
    {"", "OPEN IM alice.liddell", {"OK"}},
    {"", "OPEN FILETRANSFER alice.liddell", {"OK"}},
    {"", "OPEN IM", {"ERROR 2 Unknown command"}},
    {"", "OPEN WINDOW alice.liddell", {"ERROR 2 Unknown command"}},
    {"",
     "CALL echo123",
     {"CALL 200 STATUS ROUTING", "CALL 200 STATUS ROUTING", "CALL 200 STATUS RINGING"}},
    {"", "SET USERSTATUS DND", {"USERSTATUS DND"}},
    {"", "SET USERSTATUS ONLINE", {"USERSTATUS ONLINE"}},
    {"", "SET USERSTATUS OFFLINE", {"USERSTATUS OFFLINE"}},
    {"", "SET USERSTATUS SKYPEME", {"USERSTATUS SKYPEME"}},
    {"", "SET USERSTATUS AWAY", {"USERSTATUS AWAY"}},
    {"", "SET USERSTATUS NA", {"USERSTATUS NA"}},
    {"", "SET USERSTATUS INVISIBLE", {"USERSTATUS INVISIBLE"}},
    {"", "SET USERSTATUS BUSY", {"ERROR 28 Unknown userstatus"}},
};

class CommandReactionTest : public SkypeClientSimTest,
                            public ::testing::WithParamInterface<Reaction> {};

TEST_P(CommandReactionTest, MovesTheCallsAsARealClientDoes) {
    const Reaction& row = GetParam();
    std::string error;
    auto before = Scenario::Parse(std::string(row.before) + "\n0 notify READY\n", &error);
    ASSERT_TRUE(before) << error;
    for (const auto& step : before->steps) skype.Perform(step);
    std::size_t at = 0;
    ASSERT_TRUE(WaitFor("NOTIFY READY", &at));
    ASSERT_TRUE(peer.Send(skype.ApiWindow(), row.command));
    ASSERT_TRUE(peer.Send(skype.ApiWindow(), "PING"));
    std::size_t pong = at;
    ASSERT_TRUE(WaitFor("NOTIFY PONG", &pong));
    std::vector<std::string> after;
    auto log = skype.Log();
    for (std::size_t i = at; i + 1 < pong; ++i) {
        if (log[i].rfind("NOTIFY ", 0) == 0) after.push_back(log[i].substr(7));
    }
    EXPECT_EQ(after, row.after);
    EXPECT_EQ(skype.DialText(), row.dialAfter);
}

INSTANTIATE_TEST_SUITE_P(SkypeClientSim, CommandReactionTest, ::testing::ValuesIn(kReactions));

// Skype's windows as another program finds and drives them through the desktop.
class SkypeWindowsTest : public SkypeClientSimTest {
  protected:
    WindowHandle Child(const std::string& className) {
        for (const auto& child : finder->ChildWindows(Main())) {
            if (child.className == className) return child.window;
        }
        return 0;
    }
    WindowHandle Main() {
        return finder->FindTopLevelWindow(SimSkypeWindows::kMainWindowClass, nullptr);
    }

    std::unique_ptr<InProcessDesktop::Program> finder = desktop.OpenProgram("finder");
};

TEST_F(SkypeWindowsTest, TheDialFieldTypesTheHandsetsKeysOnceFocused) {
    struct Press {
        std::uint8_t key, scan;
    };
    // As the program presses them: 1, 2, *, +, shift-3 (#), 3, backspace.
    const Press presses[] = {{0x31, 1}, {0x32, 2}, {0x6A, 0x6A}, {0x6B, 0x6B}, {0x41, 0}};
    finder->InjectKey(0x31, 1, false);  // before FOCUS: the field has no focus yet
    ASSERT_TRUE(peer.Send(skype.ApiWindow(), "FOCUS"));
    EXPECT_EQ(desktop.FocusWindow(), Child(SimSkypeWindows::kDialFieldClass));
    EXPECT_EQ(finder->ForegroundWindow(), Main());
    for (const auto& press : presses) {
        finder->InjectKey(press.key, press.scan, false);
        finder->InjectKey(press.key, press.scan, true);
    }
    finder->InjectKey(0xA0, 0xA0, false);
    finder->InjectKey(0x33, 3, false);
    finder->InjectKey(0x33, 3, true);
    finder->InjectKey(0xA0, 0xA0, true);
    finder->InjectKey(0x33, 3, false);
    std::size_t at = 0;
    ASSERT_TRUE(WaitFor("DIAL 12*+#3", &at));
    finder->InjectKey(0x08, 0x08, false);
    ASSERT_TRUE(WaitFor("DIAL 12*+#", &at));
    EXPECT_EQ(skype.DialText(), "12*+#") << "the letter A types nothing";
    for (int i = 0; i < 6; ++i) finder->InjectKey(0x08, 0x08, false);
    ASSERT_TRUE(WaitFor("DIAL", &at));
    EXPECT_EQ(skype.DialText(), "") << "backspace on an empty field does nothing";
}

TEST_F(SkypeWindowsTest, TheTreeIsFoundByClassAndThePageControlFollowsClicks) {
    ASSERT_NE(Main(), 0u);
    EXPECT_TRUE(finder->IsWindowVisible(Main()));
    std::vector<std::string> classes;
    for (const auto& child : finder->ChildWindows(Main())) classes.push_back(child.className);
    EXPECT_THAT(
        classes,
        ElementsAre(SimSkypeWindows::kPageControlClass, SimSkypeWindows::kBackgroundGridClass,
                    SimSkypeWindows::kContactListClass, SimSkypeWindows::kDialFieldClass));
    WindowHandle tabs = Child(SimSkypeWindows::kPageControlClass);
    WindowHandle grid = Child(SimSkypeWindows::kBackgroundGridClass);
    EXPECT_EQ(finder->SelectedTab(tabs), 0);
    EXPECT_FALSE(finder->IsWindowVisible(grid));

    std::size_t at = 0;
    finder->PostClick(tabs, 2 * 80 + 5, 11);
    ASSERT_TRUE(WaitFor("WINDOW TAB 2", &at));
    EXPECT_EQ(finder->SelectedTab(tabs), 2);
    EXPECT_TRUE(finder->IsWindowVisible(grid)) << "the dial tab shows the grid";
    finder->PostClick(tabs, 56, 30);  // below the tabs: no change
    finder->PostClick(tabs, 56, 11);  // the program's click on the first tab
    ASSERT_TRUE(WaitFor("WINDOW TAB 0", &at));
    EXPECT_FALSE(finder->IsWindowVisible(grid));
    EXPECT_THAT(skype.Log(),
                ::testing::Contains("WINDOW CLICK TTntPageControl.UnicodeClass 56 30"));
    EXPECT_THAT(skype.Log(), ::testing::Not(::testing::Contains("WINDOW TAB 1")));

    std::string error;
    skype.Play(*Scenario::Parse("0 tab 2\n", &error));
    ASSERT_TRUE(WaitFor("WINDOW TAB 2", &at));
    finder->PostClick(grid, 44, 14);
    ASSERT_TRUE(WaitFor("WINDOW CLICK tSkBgGrid.UnicodeClass 44 14", &at));
    EXPECT_EQ(desktop.FocusWindow(), Child(SimSkypeWindows::kDialFieldClass))
        << "a click on the grid gives the dial field the keys";
}

TEST_F(SkypeWindowsTest, DialogsOpenOnAScenarioStepAndCloseOnRequestWhileTheMainWindowHides) {
    std::string error;
    skype.Play(*Scenario::Parse("0 confirm\n0 error\n10 confirm\n", &error));
    std::size_t at = 0;
    ASSERT_TRUE(WaitFor("WINDOW OPEN TskConFirmForm.UnicodeClass", &at));
    ASSERT_TRUE(WaitFor("WINDOW OPEN TskSERForm.UnicodeClass", &at));
    ASSERT_TRUE(WaitFor("SCENARIO IGNORED confirm", &at)) << "one confirmation at a time";
    WindowHandle confirmation =
        finder->FindTopLevelWindow(SimSkypeWindows::kConfirmationClass, nullptr);
    ASSERT_NE(confirmation, 0u);
    finder->PostClickActivate(confirmation);
    finder->PostClose(confirmation);
    ASSERT_TRUE(WaitFor("WINDOW ACTIVATE TskConFirmForm.UnicodeClass", &at));
    ASSERT_TRUE(WaitFor("WINDOW CLOSE TskConFirmForm.UnicodeClass", &at));
    EXPECT_FALSE(finder->IsWindow(confirmation));
    EXPECT_EQ(finder->FindTopLevelWindow(SimSkypeWindows::kConfirmationClass, nullptr), 0u);
    EXPECT_NE(finder->FindTopLevelWindow(SimSkypeWindows::kErrorClass, nullptr), 0u);

    WindowHandle main = Main();
    finder->PostClose(main);
    finder->PostSystemCommand(main, Desktop::kMinimize);
    ASSERT_TRUE(WaitFor("WINDOW CLOSE tskMainForm.UnicodeClass", &at));
    ASSERT_TRUE(WaitFor("WINDOW MINIMIZE tskMainForm.UnicodeClass", &at));
    EXPECT_TRUE(finder->IsWindow(main)) << "the client goes to the tray, it does not end";
    EXPECT_FALSE(finder->IsWindowVisible(main));
    ASSERT_TRUE(peer.Send(skype.ApiWindow(), "FOCUS"));
    EXPECT_TRUE(finder->IsWindowVisible(main));
    ASSERT_TRUE(peer.Send(skype.ApiWindow(), "PING"));
    EXPECT_TRUE(WaitFor("NOTIFY PONG", &at)) << "the API still answers";
}

}  // namespace
}  // namespace kestrava::sim
