// The link's queues, its sender and parser threads, and the link actions.
#include <thread>

#include "EngineFixture.h"
#include "protocol/CommandKeys.h"

namespace kestrava::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::_;
using ::testing::ElementsAre;
using ::testing::InSequence;
using ::testing::Return;

constexpr auto kWait = 5s;

TEST_F(EngineTest, CommandsLeaveInQueueOrderFromTheMainWindowToSkype) {
    constexpr int kPerThread = 200;
    auto producer = [this](char tag) {
        for (int i = 0; i < kPerThread; ++i) {
            engine->EnqueueOutgoing((std::string(1, tag) + std::to_string(i)).c_str());
        }
    };
    std::thread a(producer, 'a');
    std::thread b(producer, 'b');
    a.join();
    b.join();
    ASSERT_TRUE(windows.WaitForSends(2 * kPerThread, kWait));
    int nextA = 0, nextB = 0;
    for (const auto& sent : windows.Sends()) {
        EXPECT_EQ(sent.target, kSkypeWindow);
        EXPECT_EQ(sent.sender, kMainWindow);
        int& next = sent.text[0] == 'a' ? nextA : nextB;
        EXPECT_EQ(sent.text.substr(1), std::to_string(next++)) << "out of order";
    }
    EXPECT_EQ(nextA, kPerThread);
    EXPECT_EQ(nextB, kPerThread);
}

TEST_F(EngineTest, ACommandQueuedBeforeAttachingIsDropped) {
    shell.skypeApiWindow = 0;
    engine->EnqueueOutgoing("GET USERSTATUS");
    std::this_thread::sleep_for(100ms);
    shell.skypeApiWindow = kSkypeWindow;
    engine->EnqueueOutgoing("SEARCH FRIENDS");
    ASSERT_TRUE(windows.WaitForSends(1, kWait));
    std::this_thread::sleep_for(50ms);
    EXPECT_THAT(windows.SentTexts(), ElementsAre("SEARCH FRIENDS"));
}

TEST_F(EngineTest, ACommandSkypeDoesNotTakeIsDroppedAndTheRestWaitsForTheNextCommand) {
    windows.accepting = false;
    {
        std::lock_guard hold(windows.sendGate);
        engine->EnqueueOutgoing("GET USERSTATUS");
        engine->EnqueueOutgoing("SEARCH FRIENDS");
    }
    ASSERT_TRUE(windows.WaitForSends(1, kWait));
    std::this_thread::sleep_for(100ms);
    EXPECT_THAT(windows.SentTexts(), ElementsAre("GET USERSTATUS")) << "the sender should end";

    windows.accepting = true;
    engine->EnqueueOutgoing("SEARCH CALLS");
    ASSERT_TRUE(windows.WaitForSends(3, kWait));
    EXPECT_THAT(windows.SentTexts(),
                ElementsAre("GET USERSTATUS", "SEARCH FRIENDS", "SEARCH CALLS"));
}

TEST_F(EngineTest, AnEmptyCommandNeverReachesSkypeNorHoldsBackTheCommandsBehindIt) {
    // The flush key's empty text, with the caller's name request queued
    // behind it before the sender reaches it.
    {
        std::lock_guard hold(windows.sendGate);
        engine->EnqueueOutgoing("PING");
        engine->QRV_SendSkypeCommandData(KEY_SKYPE_FLUSH, nullptr, 0);
        engine->EnqueueOutgoing("GET CALL 101 PARTNER_DISPNAME");
        engine->QRV_SendSkypeCommandData(KEY_SKYPE_FLUSH, nullptr, 0);
        engine->QRV_SendSkypeCommandData(KEY_SKYPE_FLUSH, nullptr, 0);
        engine->EnqueueOutgoing("GET AUDIO_IN");
    }
    EXPECT_TRUE(windows.WaitForSends(3, kWait)) << "a command waits for the next one queued";
    std::this_thread::sleep_for(100ms);
    EXPECT_THAT(windows.SentTexts(),
                ElementsAre("PING", "GET CALL 101 PARTNER_DISPNAME", "GET AUDIO_IN"));

    // A flush on an idle sender, and one at the end of a run.
    engine->QRV_SendSkypeCommandData(KEY_SKYPE_FLUSH, nullptr, 0);
    engine->EnqueueOutgoing("GET AUDIO_OUT");
    engine->QRV_SendSkypeCommandData(KEY_SKYPE_FLUSH, nullptr, 0);
    ASSERT_TRUE(windows.WaitForSends(4, kWait));
    std::this_thread::sleep_for(50ms);
    EXPECT_THAT(windows.SentTexts(), ElementsAre("PING", "GET CALL 101 PARTNER_DISPNAME",
                                                 "GET AUDIO_IN", "GET AUDIO_OUT"));
}

TEST_F(EngineTest, NoCommandQueuedWhileTheSenderEndsIsLeftBehind) {
    constexpr int kCommands = 400;
    for (int i = 0; i < kCommands; ++i) {
        engine->EnqueueOutgoing(std::to_string(i).c_str());
        // Vary the timing so that many commands arrive just as a run ends.
        if (i % 3 == 0) std::this_thread::yield();
        if (i % 50 == 0) std::this_thread::sleep_for(1ms);
    }
    EXPECT_TRUE(windows.WaitForSends(kCommands, kWait))
        << "only " << windows.Sends().size() << " of " << kCommands << " were sent";
}

TEST_F(EngineTest, LinesFromSkypeAreDispatchedInOrderWithTheCurrentCallSnapshot) {
    ON_CALL(links, CurrentCallId()).WillByDefault(Return(17));
    ON_CALL(links, CurrentCallStatus()).WillByDefault(Return(3));
    std::atomic<int> dispatched{0};
    {
        InSequence order;
        EXPECT_CALL(dispatcher, Dispatch("CALL 17 STATUS INPROGRESS", 17, 3));
        EXPECT_CALL(dispatcher, Dispatch("CALL 17 DURATION 1", 17, 3));
        EXPECT_CALL(dispatcher, Dispatch("USERSTATUS AWAY", 17, 3)).WillOnce([&] {
            dispatched = 1;
        });
    }
    engine->EnqueueIncoming("CALL 17 STATUS INPROGRESS");
    engine->EnqueueIncoming("CALL 17 DURATION 1");
    engine->EnqueueIncoming("USERSTATUS AWAY");
    auto deadline = std::chrono::steady_clock::now() + kWait;
    while (!dispatched && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_TRUE(dispatched);
}

TEST_F(EngineTest, TheParserSleepsWhileIdleInsteadOfPolling) {
    std::atomic<int> watches{0};
    EXPECT_CALL(dispatcher, Dispatch("PONG", _, _));
    EXPECT_CALL(dispatcher, WatchSkypeDialogs(_)).WillRepeatedly([&](int) { ++watches; });
    engine->EnqueueIncoming("PONG");
    auto deadline = std::chrono::steady_clock::now() + kWait;
    while (watches == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
    }
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(watches.load(), 1) << "an idle parser woke up with nothing to do";
}

TEST_F(EngineTest, AttachSetUpAsksForProtocolAndStatusFirstThenRoutesAudioAndLoadsLists) {
    ON_CALL(links, HandsetAudioDeviceName()).WillByDefault(Return("USB Audio Device"));
    std::atomic<bool> ready{false};
    {
        InSequence order;
        EXPECT_CALL(links, PreferNonHandsetDevices());
        EXPECT_CALL(links, ClearCalls());
        EXPECT_CALL(links, ClearContacts());
        EXPECT_CALL(links, HandleButton(0x53));
        EXPECT_CALL(links, SetLinkReady(1));
        EXPECT_CALL(links, RestartFocusTimer()).WillOnce([&] { ready = true; });
    }
    RunAction(API_ACTION_ATTACHED);
    ASSERT_TRUE(windows.WaitForSends(9, kWait));
    auto texts = windows.SentTexts();
    EXPECT_EQ(texts[0], "PROTOCOL 5");
    EXPECT_EQ(texts[1], "GET USERSTATUS");
    auto at = [&texts](const std::string& text) {
        return std::find(texts.begin(), texts.end(), text) - texts.begin();
    };
    EXPECT_LT(at("SEARCH FRIENDS"), at("SEARCH CALLS"));
    EXPECT_LT(at("SET AUDIO_IN USB Audio Device "), at("SET AUDIO_OUT USB Audio Device "));
    EXPECT_LT(at("SET AUDIO_OUT USB Audio Device "), at("SET RINGER USB Audio Device "));
    EXPECT_LT(at("SET RINGER USB Audio Device "), at("GET AUDIO_IN"));
    EXPECT_LT(at("GET AUDIO_IN"), at("GET AUDIO_OUT"));
    EXPECT_LT(at("GET AUDIO_OUT"), static_cast<long>(texts.size()));
    engine.reset();  // joins the action threads
    EXPECT_TRUE(ready);
}

void RecordAndSleep(std::chrono::milliseconds duration) {
    RecordPause(duration);
    std::this_thread::sleep_for(duration);
}

TEST_F(EngineTest, DetachResetsTheAudioBeforeBroadcastingDiscoverWithANullWindow) {
    SetPauseHook(&RecordAndSleep);  // the pause is what lets the sender deliver the resets
    RunAction(API_ACTION_DETACH);
    ASSERT_TRUE(windows.WaitForBroadcasts(1, kWait));
    engine.reset();
    std::string discover = "BROADCAST " + std::to_string(shell.discoverMessage.load()) + " 0";
    EXPECT_THAT(windows.Events(), ElementsAre("SEND SET AUDIO_IN", "SEND SET AUDIO_OUT",
                                              "SEND SET RINGER", discover));
    EXPECT_EQ(shell.skypeApiWindow.load(), 0u);
    EXPECT_EQ(g_pausedMs.load(), 400) << "the detach waits for the sender";
}

TEST_F(EngineTest, EveryStartedActionRunsItsOwnCodeEvenWhenStartedBackToBack) {
    RunAction(API_ACTION_DISCOVER);
    RunAction(API_ACTION_DETACH);
    engine->StartApiThread();  // nothing pending: nothing runs
    ASSERT_TRUE(windows.WaitForBroadcasts(2, kWait));
    engine.reset();
    auto broadcasts = windows.Broadcasts();
    ASSERT_EQ(broadcasts.size(), 2u);
    std::vector<WParam> senders{broadcasts[0].wParam, broadcasts[1].wParam};
    EXPECT_THAT(senders, ::testing::UnorderedElementsAre(kMainWindow, 0u));
}

TEST_F(EngineTest, DestructionWaitsForARunningActionToFinish) {
    SetPauseHook(nullptr);  // the detach really waits 400 ms here
    RunAction(API_ACTION_DETACH);
    engine.reset();
    EXPECT_EQ(windows.Broadcasts().size(), 1u);
    EXPECT_EQ(shell.skypeApiWindow.load(), 0u);
}

TEST_F(EngineTest, TheTrayShowsConnectedOnlyWithTheHandsetAndAnOnlineUser) {
    EXPECT_CALL(links, HandsetPresent()).WillOnce(Return(true)).WillOnce(Return(false));
    {
        InSequence order;
        EXPECT_CALL(links, ShowTrayState(_, 13));
        EXPECT_CALL(links, ShowTrayState(_, 14));
    }
    engine->UpdateTrayState();
    engine->UpdateTrayState();
}

}  // namespace
}  // namespace kestrava::testing
