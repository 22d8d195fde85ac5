// The sender's two lanes: what a person at the handset waits for leaves ahead
// of the contact list's and the history's loading, and neither lane is
// reordered within itself.
#include <algorithm>
#include <atomic>
#include <thread>

#include "EngineFixture.h"
#include "protocol/CommandKeys.h"

namespace kestrava::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;

constexpr auto kWait = 5s;

class CommandLanesTest : public EngineTest {
  protected:
    void Live(const std::string& text) { engine->EnqueueOutgoing(text.c_str(), CommandLane::Live); }
    void Bulk(const std::string& text) { engine->EnqueueOutgoing(text.c_str(), CommandLane::Bulk); }
};

TEST_F(CommandLanesTest, LiveCommandsOvertakeBulkOnesAndEachLaneKeepsItsOrder) {
    {
        // Whenever the sender wakes, "GET CALL 7 STATUS" is the oldest live
        // command: it goes first, the rest waits behind the held send.
        std::lock_guard hold(windows.sendGate);
        Live("GET CALL 7 STATUS");
        Bulk("GET USER a DISPLAYNAME");
        Bulk("GET USER b DISPLAYNAME");
        Live("GET CALL 7 PARTNER_DISPNAME");
        engine->QRV_SendSkypeCommandData(KEY_SKYPE_FLUSH, nullptr, 0);  // a flush in the live lane
        Bulk("GET USER a ONLINESTATUS");
        engine->QueueCommand(KEY_SKYPE_GET_CALL_SEEN, nullptr, 40, CommandLane::Bulk);
        engine->QueueCommand(KEY_SKYPE_GET_CALL_PARTNER_HANDLE, nullptr, 7, CommandLane::Live);
    }
    ASSERT_TRUE(windows.WaitForSends(7, kWait)) << "a lane was left behind";
    std::this_thread::sleep_for(50ms);
    EXPECT_THAT(windows.SentTexts(), ElementsAre("GET CALL 7 STATUS", "GET CALL 7 PARTNER_DISPNAME",
                                                 "GET CALL 7 PARTNER_HANDLE",
                                                 "GET USER a DISPLAYNAME", "GET USER b DISPLAYNAME",
                                                 "GET USER a ONLINESTATUS", "GET CALL 40 SEEN"));
    EXPECT_TRUE(engine->LinkIdle());
}

TEST_F(CommandLanesTest, ALiveCommandQueuedBehindALongBulkLoadGoesOutNext) {
    constexpr int kBulk = 300;
    {
        // The sender takes at most the first bulk command before the hold ends.
        std::lock_guard hold(windows.sendGate);
        for (int i = 0; i < kBulk; ++i) {
            Bulk("GET USER contact" + std::to_string(i) + " DISPLAYNAME");
        }
        Live("GET CALL 9 PARTNER_DISPNAME");
    }
    ASSERT_TRUE(windows.WaitForSends(kBulk + 1, kWait));
    std::vector<std::string> sent = windows.SentTexts();
    auto live = std::find(sent.begin(), sent.end(), "GET CALL 9 PARTNER_DISPNAME");
    ASSERT_NE(live, sent.end());
    EXPECT_LE(live - sent.begin(), 1) << "the live command waited behind the bulk load";
    sent.erase(live);
    for (int i = 0; i < kBulk; ++i) {
        ASSERT_EQ(sent[static_cast<std::size_t>(i)],
                  "GET USER contact" + std::to_string(i) + " DISPLAYNAME")
            << "the bulk lane was reordered";
    }
}

// The sender's exit rules hold across the lanes: a command Skype does not
// take ends the run, both lanes wait for the next command queued, and then
// the live lane still goes first.
TEST_F(CommandLanesTest, ACommandSkypeDoesNotTakeEndsTheRunOfBothLanes) {
    windows.accepting = false;
    {
        std::lock_guard hold(windows.sendGate);
        Live("GET CALL 7 STATUS");
        Bulk("SEARCH FRIENDS");
        Bulk("SEARCH CALLS");
    }
    ASSERT_TRUE(windows.WaitForSends(1, kWait));
    std::this_thread::sleep_for(100ms);
    EXPECT_THAT(windows.SentTexts(), ElementsAre("GET CALL 7 STATUS")) << "the sender should end";
    EXPECT_FALSE(engine->LinkIdle()) << "the bulk lane still waits";

    windows.accepting = true;
    Live("GET CALL 8 STATUS");
    ASSERT_TRUE(windows.WaitForSends(4, kWait));
    EXPECT_THAT(windows.SentTexts(), ElementsAre("GET CALL 7 STATUS", "GET CALL 8 STATUS",
                                                 "SEARCH FRIENDS", "SEARCH CALLS"));
}

// Bulk questions go out only as fast as Skype's replies come back through
// the parser: a live question then never waits behind a long backlog of
// bulk replies. Live commands never wait on that window, and a client that
// leaves questions unanswered only slows the bulk lane, never stops it.
TEST_F(CommandLanesTest, BulkWaitsForTheRepliesItIsOwedAndLiveNeverDoes) {
    constexpr int kWindow = CSkypeEngine::kBulkWindow;
    constexpr int kBulk = 3 * kWindow;
    for (int i = 0; i < kBulk; ++i) Bulk("GET USER contact" + std::to_string(i) + " DISPLAYNAME");
    ASSERT_TRUE(windows.WaitForSends(kWindow, kWait));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(windows.SentTexts().size(), static_cast<std::size_t>(kWindow))
        << "bulk went on while no reply came back";

    Live("GET CALL 9 PARTNER_DISPNAME");
    ASSERT_TRUE(windows.WaitForSends(kWindow + 1, kWait)) << "a live command waited on bulk";
    EXPECT_EQ(windows.SentTexts().back(), "GET CALL 9 PARTNER_DISPNAME");

    // Enough answered to free half the window (the live question counts
    // too): the bulk lane goes on and fills it again.
    constexpr int kReplies = kWindow / 2 + 1;
    constexpr int kRefill = kWindow / 2;
    for (int i = 0; i < kReplies; ++i) {
        engine->EnqueueIncoming(("USER contact" + std::to_string(i) + " DISPLAYNAME C").c_str());
    }
    ASSERT_TRUE(windows.WaitForSends(kWindow + 1 + kRefill, kWait));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(windows.SentTexts().size(), static_cast<std::size_t>(kWindow + 1 + kRefill));

    // Nothing more answers: after a while the rest still goes, in order.
    ASSERT_TRUE(windows.WaitForSends(kBulk + 1, kWait)) << "unanswered questions stopped the load";
    std::vector<std::string> sent = windows.SentTexts();
    sent.erase(std::find(sent.begin(), sent.end(), "GET CALL 9 PARTNER_DISPNAME"));
    for (int i = 0; i < kBulk; ++i) {
        ASSERT_EQ(sent[static_cast<std::size_t>(i)],
                  "GET USER contact" + std::to_string(i) + " DISPLAYNAME");
    }
}

// After attaching, the contact and call searches load behind everything live.
TEST_F(CommandLanesTest, TheAttachSetUpSearchesInTheBulkLane) {
    std::atomic<bool> setUpDone{false};
    ON_CALL(links, RestartFocusTimer()).WillByDefault([&] { setUpDone = true; });
    {
        std::lock_guard hold(windows.sendGate);
        RunAction(API_ACTION_ATTACHED);
        auto deadline = std::chrono::steady_clock::now() + kWait;
        while (!setUpDone && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(1ms);
        }
        ASSERT_TRUE(setUpDone);
        Live("GET CALL 5 PARTNER_DISPNAME");
    }
    ASSERT_TRUE(windows.WaitForSends(7, kWait));
    std::this_thread::sleep_for(50ms);
    std::vector<std::string> sent = windows.SentTexts();
    // The searches go after every live command queued while Skype was busy
    // (a live command queued once they had left, such as Windows' audio
    // device questions, may follow them).
    const auto friends = std::find(sent.begin(), sent.end(), "SEARCH FRIENDS");
    ASSERT_NE(friends, sent.end());
    ASSERT_NE(friends + 1, sent.end());
    EXPECT_EQ(*(friends + 1), "SEARCH CALLS");
    EXPECT_NE(std::find(sent.begin(), friends, "GET CALL 5 PARTNER_DISPNAME"), friends);
}

}  // namespace
}  // namespace kestrava::testing
