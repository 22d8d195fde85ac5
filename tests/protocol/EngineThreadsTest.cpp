// Threads the engine cannot create, and action threads started while the
// engine is being destroyed.
#include <mutex>
#include <thread>

#include "EngineFixture.h"
#include "protocol/CommandKeys.h"

namespace kestrava::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;

constexpr auto kWait = 5s;

// Starts threads only while `allowed`; counts the bodies started and finished,
// and records what the engine traces.
struct ThreadLedger {
    std::atomic<bool> allowed{true};
    std::atomic<int> started{0};
    std::atomic<int> finished{0};
    std::mutex lock;
    std::vector<std::string> traces;

    EngineThreads Threads() {
        return {[this](std::thread& thread, std::function<void()> body) {
                    if (!allowed) return false;
                    ++started;
                    thread = std::thread([this, body = std::move(body)] {
                        body();
                        ++finished;
                    });
                    return true;
                },
                [this](const std::string& line) {
                    std::lock_guard hold(lock);
                    traces.push_back(line);
                }};
    }
    std::vector<std::string> Traces() {
        std::lock_guard hold(lock);
        return traces;
    }
};

class EngineThreadsTest : public EngineTest {
  protected:
    void MakeEngine() {
        engine.reset();
        engine = std::make_unique<CSkypeEngine>(shell, windows, links, dispatcher,
                                                CSkypeEngine::kSendTimeout, ledger.Threads());
    }
    ThreadLedger ledger;
};

TEST_F(EngineThreadsTest, ThreadsThatCannotStartAreTracedAndTheOperationsFail) {
    ledger.allowed = false;
    MakeEngine();
    EXPECT_THAT(ledger.Traces(),
                ElementsAre("CreateThead MessageInQueueThreadProc is failed...\n",
                            "CreateThead MessageOutQueueThreadProc is failed...\n"));

    EXPECT_EQ(engine->EnqueueOutgoing("PING"), E_FAIL);
    EXPECT_EQ(engine->EnqueueIncoming("USERSTATUS ONLINE"), E_FAIL);
    engine->SetApiAction(API_ACTION_DISCOVER);
    EXPECT_EQ(engine->StartApiThread(), E_FAIL);
    auto traces = ledger.Traces();
    ASSERT_EQ(traces.size(), 5u);
    EXPECT_EQ(traces[2], "CreateThead MessageOutQueueThreadProc is failed...\n");
    EXPECT_EQ(traces[3], "CreateThead MessageInQueueThreadProc is failed...\n");
    EXPECT_EQ(traces[4], "CreateThead QueueAPIThreadProc is failed...\n");
    EXPECT_TRUE(windows.Sends().empty());
    EXPECT_TRUE(windows.Broadcasts().empty());
}

TEST_F(EngineThreadsTest, ThreadsThatCouldNotStartAreStartedByTheNextLineOrCommand) {
    ledger.allowed = false;
    MakeEngine();
    ledger.allowed = true;

    std::atomic<bool> dispatched{false};
    EXPECT_CALL(dispatcher, Dispatch("USERSTATUS AWAY", ::testing::_, ::testing::_)).WillOnce([&] {
        dispatched = true;
    });
    // The first line restarts the parser (and is dropped, with a new discover).
    EXPECT_EQ(engine->EnqueueIncoming("USERSTATUS ONLINE"), S_OK);
    EXPECT_EQ(engine->EnqueueIncoming("USERSTATUS AWAY"), S_OK);
    EXPECT_EQ(engine->EnqueueOutgoing("PING"), S_OK);
    ASSERT_TRUE(windows.WaitForSends(1, kWait));
    ASSERT_TRUE(windows.WaitForBroadcasts(1, kWait));
    auto deadline = std::chrono::steady_clock::now() + kWait;
    while (!dispatched && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
    }
    engine.reset();
    EXPECT_THAT(windows.SentTexts(), ElementsAre("PING"));
    EXPECT_EQ(ledger.started.load(), ledger.finished.load());
}

// The set-up after attaching starts the audio routing on a thread of its own;
// the destructor must join that one too, however the two meet.
TEST_F(EngineThreadsTest, ActionsStartedWhileTheEngineIsDestroyedAreAllJoined) {
    ON_CALL(links, HandsetAudioDeviceName()).WillByDefault(::testing::Return("USB Audio Device"));
    for (int round = 0; round < 300; ++round) {
        MakeEngine();
        RunAction(API_ACTION_ATTACHED);
        if (round % 3 == 1) std::this_thread::yield();
        if (round % 3 == 2) std::this_thread::sleep_for(std::chrono::microseconds(round % 50));
        engine.reset();
        ASSERT_EQ(ledger.started.load(), ledger.finished.load()) << "round " << round;
    }
}

}  // namespace
}  // namespace kestrava::testing
