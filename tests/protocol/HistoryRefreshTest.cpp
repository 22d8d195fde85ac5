// A change of Skype's history costs what changed: the same sequence of
// changes brought in one refresh at a time leaves the handset exactly the
// lists and the missed count that loading the whole history again gives.
#include "AccountFixture.h"
#include "protocol/CommandKeys.h"

namespace kestrava::testing {
namespace {

using ::testing::ElementsAre;

// Skype's side of the history: its calls newest first, and the answers it
// gives to the program's questions about them.
struct ClientHistory {
    struct Call {
        int id;
        const char* type;
        const char* status;
        bool seen;
    };
    std::vector<Call> calls;

    std::string SearchReply() const {
        std::string reply = "CALLS";
        for (std::size_t i = 0; i < calls.size(); ++i) {
            reply += (i ? ", " : " ") + std::to_string(calls[i].id);
        }
        return reply;
    }
    const Call* Find(int id) const {
        for (const Call& call : calls) {
            if (call.id == id) return &call;
        }
        return nullptr;
    }
};

// What the handset can browse: each list's ids in order, and the missed count.
struct Shown {
    std::vector<int> received, dialed, missed;
    int unseenMissed = 0;
    bool operator==(const Shown&) const = default;
};

class HistoryRefreshTest : public AccountTest {
  protected:
    // Answers every question the program queued until it asks no more, as
    // Skype does in order; returns how many questions about calls it asked.
    int AnswerQuestions() {
        int asked = 0;
        for (int round = 0; round < 100; ++round) {
            std::vector<std::string> replies;
            for (const std::string& event : g_events.Take()) {
                unsigned key = 0;
                int id = 0;
                // Either lane: the history's questions go in the bulk one.
                if (std::sscanf(event.c_str(), "queue %u - %d", &key, &id) != 2 &&
                    std::sscanf(event.c_str(), "bulk %u - %d", &key, &id) != 2) {
                    continue;
                }
                if (key == KEY_SKYPE_SEARCH_CALLS) replies.push_back(client.SearchReply());
                const ClientHistory::Call* call = client.Find(id);
                if (call == nullptr) continue;
                const std::string prefix = "CALL " + std::to_string(id);
                if (key == KEY_SKYPE_GET_CALL_TYPE)
                    replies.push_back(prefix + " TYPE " + call->type);
                if (key == KEY_SKYPE_GET_CALL_STATUS) {
                    replies.push_back(prefix + " STATUS " + call->status);
                }
                if (key == KEY_SKYPE_GET_CALL_SEEN) {
                    replies.push_back(prefix + " SEEN " + (call->seen ? "TRUE" : "FALSE"));
                }
                // The details a call's end asks for; the timestamp comes last.
                if (key == KEY_SKYPE_GET_CALL_PARTNER_HANDLE) {
                    replies.push_back(prefix + " PARTNER_HANDLE caller" + std::to_string(id));
                }
                if (key == KEY_SKYPE_GET_CALL_DURATION) replies.push_back(prefix + " DURATION 0");
                if (key == KEY_SKYPE_GET_CALL_TIMESTAMP) {
                    replies.push_back(prefix + " TIMESTAMP 1700000000");
                }
                if (key == KEY_SKYPE_GET_CALL_TYPE || key == KEY_SKYPE_GET_CALL_STATUS ||
                    key == KEY_SKYPE_GET_CALL_SEEN) {
                    ++asked;
                }
            }
            if (replies.empty()) return asked;
            for (const std::string& reply : replies) FeedLive(reply);
        }
        ADD_FAILURE() << "the questions never ended";
        return asked;
    }

    int Changed() {
        Feed("CALLHISTORYCHANGED");
        return AnswerQuestions();
    }

    static Shown WhatTheHandsetShows(CSessionStore& from) {
        Shown shown;
        for (auto [mode, list] : {std::pair{CSessionStore::kBrowseReceived, &shown.received},
                                  std::pair{CSessionStore::kBrowseDialed, &shown.dialed},
                                  std::pair{CSessionStore::kBrowseMissed, &shown.missed}}) {
            from.SetBrowseMode(mode);
            from.ResetBrowse();
            int id = 0;
            while (list->size() < 100 && from.SelectNextCall(0, !list->empty(), &id) == S_OK) {
                list->push_back(id);
            }
        }
        from.CountUnseenMissedCalls(&shown.unseenMissed);
        return shown;
    }

    // The whole history loaded from nothing into a store of its own, as after
    // an attach; the refreshed store is left as it is.
    Shown AfterAFullLoad() {
        CSessionStore reference;
        history->SetSessionStore(&reference);
        calls->SetSessionStore(&reference);
        Feed(client.SearchReply());
        const int asked = AnswerQuestions();
        EXPECT_EQ(asked, 3 * static_cast<int>(client.calls.size()));
        history->SetSessionStore(&store);
        calls->SetSessionStore(&store);
        return WhatTheHandsetShows(reference);
    }

    ClientHistory client;
};

TEST_F(HistoryRefreshTest, EachChangeAsksOnlyWhatChangedAndShowsWhatAFullLoadShows) {
    client.calls = {{14, "OUTGOING_P2P", "FINISHED", true},
                    {13, "INCOMING_P2P", "MISSED", false},
                    {12, "INCOMING_PSTN", "FINISHED", true},
                    {11, "INCOMING_P2P", "MISSED", true},
                    {10, "OUTGOING_PSTN", "CANCELLED", true}};
    Feed(client.SearchReply());  // the load after attaching
    EXPECT_EQ(AnswerQuestions(), 15);
    ASSERT_EQ(engine->HistoryLoaded(), 1);

    struct Step {
        const char* what;
        std::function<void(std::vector<ClientHistory::Call>&)> change;
        int asked;  // three for a new call, one for each unseen missed call kept
    };
    const std::vector<Step> steps = {
        {"nothing changed", [](auto&) {}, 1},
        {"a missed call",
         [](auto& calls) {
             calls.insert(calls.begin(), {15, "INCOMING_P2P", "MISSED", false});
         },
         3 + 1},
        {"a missed call seen in Skype", [](auto& calls) { calls[2].seen = true; }, 2},
        {"two calls at once, one missed",
         [](auto& calls) {
             calls.insert(calls.begin(), {{17, "INCOMING_PSTN", "MISSED", false},
                                          {16, "OUTGOING_P2P", "FINISHED", true}});
         },
         6 + 1},
        {"the oldest calls dropped", [](auto& calls) { calls.resize(calls.size() - 3); }, 2},
        {"every call deleted", [](auto& calls) { calls.clear(); }, 0},
        {"a call after the empty history",
         [](auto& calls) {
             calls.push_back({18, "OUTGOING_P2P", "FINISHED", true});
         },
         3},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.change(client.calls);
        EXPECT_EQ(Changed(), step.asked);
        EXPECT_EQ(engine->HistoryLoaded(), 1);
        EXPECT_EQ(history->LastCallMarker(), 0) << "the refresh ended";
        const Shown refreshed = WhatTheHandsetShows(store);
        EXPECT_EQ(refreshed, AfterAFullLoad());
    }
}

// The call that ends is in the history before Skype lists it (the program
// archives it itself): the refresh asks nothing about it but its seen flag
// when it was missed, and the missed count follows at once.
TEST_F(HistoryRefreshTest, AnEndedCallArchivedByTheProgramIsNotAskedForAgain) {
    client.calls = {{11, "INCOMING_P2P", "FINISHED", true}};
    Feed(client.SearchReply());
    AnswerQuestions();
    shell.g_bHandsetAnnounced = 1;

    client.calls.insert(client.calls.begin(), {12, "INCOMING_P2P", "MISSED", false});
    FeedLive("CALL 12 STATUS RINGING");
    FeedLive("CALL 12 TYPE INCOMING_P2P");
    FeedLive("CALL 12 STATUS MISSED");
    AnswerQuestions();  // what the program asks of the call as it ends
    ASSERT_EQ(store.HasCall(12), S_OK) << "archived as it ended";
    EXPECT_EQ(Changed(), 1);
    const Shown shown = WhatTheHandsetShows(store);
    EXPECT_THAT(shown.missed, ElementsAre(12));
    EXPECT_EQ(shown.unseenMissed, 1);
    EXPECT_EQ(shown, AfterAFullLoad());
}

}  // namespace
}  // namespace kestrava::testing
