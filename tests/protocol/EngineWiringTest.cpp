// The dispatcher behind the real engine, wired as the shell wires it: lines
// arrive on the parser thread, commands leave through the engine's queue or
// straight to Skype's window, and the confirmation window is watched while no
// lines come.
#include <thread>

#include "CallsFixture.h"
#include "app/EngineLink.h"
#include "protocol/CSkypeEngine.h"

namespace kestrava::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::_;
using ::testing::Invoke;

class EngineWiringTest : public CallsTest {
  protected:
    void SetUp() override {
        CallsTest::SetUp();
        device.m_bTransferActive = 0;
        ON_CALL(collaborators, CurrentCallId()).WillByDefault(Invoke([this] {
            return CurrentId();
        }));
        ON_CALL(collaborators, CurrentCallStatus()).WillByDefault(Invoke([this] {
            return CurrentStatus();
        }));
        // Only the parser thread writes the log; the test waits on this count.
        ON_CALL(hid, SendCommand(_)).WillByDefault(Invoke([this](std::uint8_t command) {
            if (command == 0x9F) ++failedSignals;
            return S_OK;
        }));
        shellState.mainWindow = 0x100;
        shellState.skypeApiWindow = 0x200;
        engineCalls.SetSessionStore(&store);
        engine =
            std::make_unique<CSkypeEngine>(shellState, windows, collaborators, engineDispatcher);
        engineLink.SetEngine(engine.get());
        engine->SetDisplayEnabled(1);
    }
    void TearDown() override {
        engine.reset();
        engineLink.SetEngine(nullptr);
    }

    ShellState shellState;
    RecordingWindowSystem windows;
    ::testing::NiceMock<MockLinkCollaborators> collaborators;
    EngineLink engineLink;
    IgnoredHistoryLines noHistory;
    IgnoredUserLines noUsers;
    CCallStateMachine engineCalls{engineLink, device, shell, desktop, noHistory};
    CNotificationDispatcher engineDispatcher{engineCalls, noUsers, noHistory, device, desktop};
    std::atomic<int> failedSignals{0};
    std::unique_ptr<CSkypeEngine> engine;
};

TEST_F(EngineWiringTest, ARingingCallIsTakenAndASecondOneRefusedStraightAway) {
    engine->EnqueueIncoming("CALL 1234 STATUS RINGING");
    ASSERT_TRUE(windows.WaitForSends(1, 5s));
    engine->EnqueueIncoming("CALL 77 STATUS RINGING");
    ASSERT_TRUE(windows.WaitForSends(2, 5s));
    EXPECT_EQ(windows.SentTexts(), (std::vector<std::string>{"GET CALL 1234 PARTNER_DISPNAME",
                                                             "SET CALL    77 STATUS FINISHED"}));
    EXPECT_EQ(CurrentId(), 1234);
    EXPECT_EQ(CurrentStatus(), 2);
}

TEST_F(EngineWiringTest, TheConfirmationWindowIsNoticedWhileNoLinesCome) {
    desktop.Open("TskConFirmForm.UnicodeClass");
    for (int i = 0; i < 500 && failedSignals == 0; ++i) std::this_thread::sleep_for(10ms);
    EXPECT_EQ(failedSignals, 1);
}

}  // namespace
}  // namespace kestrava::testing
