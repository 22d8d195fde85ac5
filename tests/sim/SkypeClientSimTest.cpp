// The simulated client on its own thread, attached to a peer program: its
// requests and the peer's commands move the calls, and the lines go out in
// the order they were given.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kestrava::sim
