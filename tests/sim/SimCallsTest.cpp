// The simulated client's calls: what it sends for each thing that happens to
// a call in each state.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "sim/SimCalls.h"

namespace kestrava::sim {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;
using Lines = SimCalls::Lines;

constexpr long long kStart = 1700000000;
constexpr const char* kWang = "\xE7\x8E\x8B\xE5\xB0\x8F\xE6\x98\x8E";  // 王小明
constexpr const char* kChanged = "CALLHISTORYCHANGED";
constexpr const char* kNotNow = "ERROR 24 SET CALL: status cannot change now";

enum class From { RingingIn, RingingOut, InProgress, OnHold, Finished, Missed };

// Call 101 brought into a state the way it happens: rung, answered, held, ended.
void Bring(SimCalls& calls, From state) {
    if (state == From::RingingOut) {
        calls.Outgoing(101, "wang.xiaoming", kWang, kStart);
        return;
    }
    calls.Incoming(101, "wang.xiaoming", kWang, kStart);
    if (state == From::Missed) calls.GiveUp(101);
    if (state == From::RingingIn || state == From::Missed) return;
    calls.AnswerAtClient(101);
    if (state == From::OnHold) calls.HoldAtClient(101);
    if (state == From::Finished) calls.FarEndHangsUp(101);
}

Lines Do(SimCalls& calls, const std::string& event) {
    if (event == "answer") return calls.AnswerAtClient(101);
    if (event == "hold") return calls.HoldAtClient(101);
    if (event == "resume") return calls.ResumeAtClient(101);
    if (event == "finish") return calls.FarEndHangsUp(101);
    if (event == "give up") return calls.GiveUp(101);
    if (event == "tick") return calls.Tick();
    // "SET <property> <value>", as the program sends it
    std::string rest = event.substr(4);
    auto blank = rest.find(' ');
    return calls.Set(101, rest.substr(0, blank), rest.substr(blank + 1));
}

struct Transition {
    From from;
    const char* event;
    Lines sent;
};

const Transition kTransitions[] = {
    // A ringing incoming call: the program or the person at the client answers
    // it, the program refuses it, or the caller gives up.
    {From::RingingIn, "SET STATUS INPROGRESS", {"CALL 101 STATUS INPROGRESS"}},
    {From::RingingIn, "SET STATUS FINISHED", {"CALL 101 STATUS REFUSED", kChanged}},
    {From::RingingIn, "SET STATUS ONHOLD", {kNotNow}},
    {From::RingingIn, "answer", {"CALL 101 STATUS INPROGRESS"}},
    {From::RingingIn, "give up", {"CALL 101 STATUS MISSED", kChanged}},
    {From::RingingIn, "hold", {}},
    {From::RingingIn, "finish", {}},
    {From::RingingIn, "tick", {}},
    // An outgoing call rings at the far end: only the far end answers it.
    {From::RingingOut, "SET STATUS INPROGRESS", {kNotNow}},
    {From::RingingOut, "SET STATUS FINISHED", {"CALL 101 STATUS CANCELLED", kChanged}},
    {From::RingingOut, "answer", {"CALL 101 STATUS INPROGRESS"}},
    {From::RingingOut, "give up", {"CALL 101 STATUS CANCELLED", kChanged}},
    {From::RingingOut, "tick", {}},
    // An answered call.
    {From::InProgress,
     "SET STATUS ONHOLD",
     {"CALL 101 STATUS ONHOLD", "CALL 101 STATUS LOCALHOLD"}},
    {From::InProgress,
     "SET STATUS FINISHED",
     {"CALL 101 FAILUREREASON 1", "CALL 101 STATUS FINISHED", kChanged}},
    {From::InProgress, "SET STATUS INPROGRESS", {"CALL 101 STATUS INPROGRESS"}},
    {From::InProgress, "hold", {"CALL 101 STATUS ONHOLD", "CALL 101 STATUS LOCALHOLD"}},
    {From::InProgress,
     "finish",
     {"CALL 101 FAILUREREASON 1", "CALL 101 STATUS FINISHED", kChanged}},
    {From::InProgress, "tick", {"CALL 101 DURATION 1"}},
    {From::InProgress, "answer", {}},
    {From::InProgress, "give up", {}},
    {From::InProgress, "resume", {}},
    // A held call.
    {From::OnHold, "SET STATUS INPROGRESS", {"CALL 101 STATUS INPROGRESS"}},
    {From::OnHold, "SET STATUS ONHOLD", {"CALL 101 STATUS LOCALHOLD"}},
    {From::OnHold,
     "SET STATUS FINISHED",
     {"CALL 101 FAILUREREASON 1", "CALL 101 STATUS FINISHED", kChanged}},
    {From::OnHold, "resume", {"CALL 101 STATUS INPROGRESS"}},
    {From::OnHold, "finish", {"CALL 101 FAILUREREASON 1", "CALL 101 STATUS FINISHED", kChanged}},
    {From::OnHold, "tick", {}},
    {From::OnHold, "hold", {}},
    // Ended calls stay ended.
    {From::Finished, "SET STATUS INPROGRESS", {kNotNow}},
    {From::Finished, "SET STATUS FINISHED", {kNotNow}},
    {From::Finished, "finish", {}},
    {From::Finished, "tick", {}},
    {From::Missed, "SET STATUS INPROGRESS", {kNotNow}},
    {From::Missed, "answer", {}},
    {From::Missed, "give up", {}},
};

TEST(SimCalls, EachStateAnswersEachEventWithTheLinesARealClientSends) {
    for (const auto& row : kTransitions) {
        SimCalls calls;
        Bring(calls, row.from);
        EXPECT_EQ(Do(calls, row.event), row.sent)
            << "state " << static_cast<int>(row.from) << ", event " << row.event;
    }
}

TEST(SimCalls, NewCallsRingAndCallIdsAreNotReused) {
    SimCalls calls;
    EXPECT_THAT(calls.Incoming(101, "wang.xiaoming", kWang, kStart),
                ElementsAre("CALL 101 STATUS RINGING", "CALL 101 STATUS RINGING"));
    EXPECT_THAT(calls.Outgoing(102, "echo123", "Echo", kStart),
                ElementsAre("CALL 102 STATUS ROUTING", "CALL 102 STATUS ROUTING",
                            "CALL 102 STATUS RINGING"));
    EXPECT_THAT(calls.Incoming(101, "yamada.taro", "Taro", kStart), IsEmpty());
    EXPECT_THAT(calls.Get(101, "PARTNER_HANDLE"),
                ElementsAre("CALL 101 PARTNER_HANDLE wang.xiaoming"));
}

TEST(SimCalls, EveryPropertyIsAnsweredInTheOrderAsked) {
    SimCalls calls;
    Bring(calls, From::InProgress);
    calls.Tick();
    calls.Tick();
    calls.FarEndHangsUp(101);
    Lines replies;
    for (const char* property : {"STATUS", "PARTNER_HANDLE", "PARTNER_DISPNAME", "TYPE",
                                 "TIMESTAMP", "DURATION", "SEEN", "FAILUREREASON"}) {
        for (auto& line : calls.Get(101, property)) replies.push_back(line);
    }
    EXPECT_THAT(
        replies,
        ElementsAre("CALL 101 STATUS FINISHED", "CALL 101 PARTNER_HANDLE wang.xiaoming",
                    std::string("CALL 101 PARTNER_DISPNAME ") + kWang, "CALL 101 TYPE INCOMING_P2P",
                    "CALL 101 TIMESTAMP 1700000000", "CALL 101 DURATION 2", "CALL 101 SEEN TRUE",
                    "CALL 101 FAILUREREASON 1"));
}

TEST(SimCalls, AMissedCallIsUnseenUntilMarkedAndUnknownCallsAreErrors) {
    SimCalls calls;
    Bring(calls, From::Missed);
    EXPECT_THAT(calls.Get(101, "SEEN"), ElementsAre("CALL 101 SEEN FALSE"));
    EXPECT_THAT(calls.Get(101, "FAILUREREASON"), ElementsAre("CALL 101 FAILUREREASON 0"));
    EXPECT_THAT(calls.Set(101, "SEEN", ""), ElementsAre("CALL 101 SEEN TRUE"));
    EXPECT_THAT(calls.Get(101, "SEEN"), ElementsAre("CALL 101 SEEN TRUE"));
    EXPECT_THAT(calls.Get(9, "STATUS"), ElementsAre("ERROR 11 Invalid call id"));
    EXPECT_THAT(calls.Set(9, "STATUS", "FINISHED"), ElementsAre("ERROR 11 Invalid call id"));
    EXPECT_THAT(calls.Set(101, "STATUS", "DANCING"),
                ElementsAre("ERROR 21 SET CALL: invalid status"));
}

TEST(SimCalls, TheDurationStandsStillWhileHeldAndRunsOnWhenResumed) {
    SimCalls calls;
    Bring(calls, From::InProgress);
    EXPECT_TRUE(calls.AnyInProgress());
    EXPECT_THAT(calls.Tick(), ElementsAre("CALL 101 DURATION 1"));
    calls.Set(101, "STATUS", "ONHOLD");
    EXPECT_FALSE(calls.AnyInProgress());
    EXPECT_THAT(calls.Tick(), IsEmpty());
    calls.Set(101, "STATUS", "INPROGRESS");
    EXPECT_THAT(calls.Tick(), ElementsAre("CALL 101 DURATION 2"));
}

TEST(SimCalls, ASecondCallRingsBesideTheFirstAndCanBeRefused) {
    SimCalls calls;
    Bring(calls, From::InProgress);
    EXPECT_THAT(calls.Incoming(77, "yamada.taro", "Taro", kStart),
                ElementsAre("CALL 77 STATUS RINGING", "CALL 77 STATUS RINGING"));
    EXPECT_THAT(calls.Tick(), ElementsAre("CALL 101 DURATION 1")) << "the second call only rings";
    EXPECT_THAT(calls.Set(77, "STATUS", "FINISHED"),
                ElementsAre("CALL 77 STATUS REFUSED", kChanged));
    EXPECT_THAT(calls.Get(101, "STATUS"), ElementsAre("CALL 101 STATUS INPROGRESS"));
}

TEST(SimCalls, ACallFromAPhoneNumberReportsEarlyMediaUntilAnswered) {
    SimCalls calls;
    Bring(calls, From::InProgress);
    EXPECT_THAT(calls.Incoming(78, "+4930123456", "+4930123456", kStart),
                ElementsAre("CALL 78 STATUS EARLYMEDIA"));
    EXPECT_THAT(calls.Get(78, "STATUS"), ElementsAre("CALL 78 STATUS EARLYMEDIA"));
    EXPECT_THAT(calls.Get(78, "TYPE"), ElementsAre("CALL 78 TYPE INCOMING_PSTN"));
    calls.Set(101, "STATUS", "ONHOLD");
    EXPECT_THAT(calls.Set(78, "STATUS", "INPROGRESS"), ElementsAre("CALL 78 STATUS INPROGRESS"));
    EXPECT_THAT(calls.Get(101, "STATUS"), ElementsAre("CALL 101 STATUS LOCALHOLD"));
}

TEST(SimCalls, TheHistoryListsEndedCallsNewestFirst) {
    SimCalls calls;
    calls.AddPast({11, "alice.liddell", "Alice", true, CallState::Finished, 1, 60, true, 1});
    calls.Incoming(101, "wang.xiaoming", kWang, kStart);
    EXPECT_THAT(calls.History(false), ElementsAre(11)) << "a ringing call is not history yet";
    calls.GiveUp(101);
    calls.Outgoing(102, "echo123", "Echo", kStart);
    calls.Set(102, "STATUS", "FINISHED");
    EXPECT_THAT(calls.History(false), ElementsAre(102, 101, 11));
    EXPECT_THAT(calls.History(true), ElementsAre(101));

    // A client that keeps two calls forgets the oldest altogether, also
    // when a call ends later; a call that is up is not history and stays.
    calls.Incoming(103, "yamada.taro", "Taro", kStart);
    calls.LimitHistory(2);
    EXPECT_THAT(calls.History(false), ElementsAre(102, 101));
    EXPECT_THAT(calls.Get(11, "STATUS"), ElementsAre("ERROR 11 Invalid call id"));
    ASSERT_THAT(calls.AnswerAtClient(103), Not(IsEmpty()));
    calls.FarEndHangsUp(103);
    EXPECT_THAT(calls.History(false), ElementsAre(103, 102));
    EXPECT_THAT(calls.Get(101, "STATUS"), ElementsAre("ERROR 11 Invalid call id"));
}

}  // namespace
}  // namespace kestrava::sim
