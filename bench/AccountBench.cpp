// Loading the call history and the contact list through the line handlers,
// as Skype's replies after attaching would: a history of 5,000 calls (the
// call search reply, then TYPE, STATUS and SEEN for each up to the last SEEN)
// and 10,000 contacts (the contact search reply, then a display name and a
// reachability for each). Prints the peak resident size at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "CountingLink.h"
#include "Fakes.h"
#include "app/ShellState.h"
#include "handset/CDeviceLibrary.h"
#include "platform/Desktop.h"
#include "platform/Pause.h"
#include "protocol/CSkypeEngine.h"
#include "protocol/CallHistory.h"
#include "protocol/CallStateMachine.h"
#include "protocol/CommandKeys.h"
#include "protocol/NotificationDispatcher.h"
#include "protocol/SkypeLink.h"
#include "protocol/UserLines.h"
#include "session/CListManager.h"
#include "session/CSessionStore.h"

#if !defined(_WIN32)
#include <sys/resource.h>
#endif

namespace {

using namespace kestrava;
using namespace kestrava::testing;

void NoPause(std::chrono::milliseconds) {}

using NoWindows = NullDesktop;

// The handlers behind the dispatcher, with an engine and a handset library as
// they see them; the handset's commands go nowhere.
struct Account {
    Account() {
        SetPauseHook(&NoPause);
        engine = std::make_unique<CSkypeEngine>(shell, windows, links, dispatcher);
        device = std::make_unique<CDeviceLibrary>(loader, osShell);
        device->m_nProtocol = 5;
        shell.g_bHandsetAnnounced = 1;
        users = std::make_unique<CUserLines>(link, *engine, *device, shell);
        history = std::make_unique<CCallHistory>(link, *engine);
        calls = std::make_unique<CCallStateMachine>(link, *device, osShell, desktop, *history);
        lines =
            std::make_unique<CNotificationDispatcher>(*calls, *users, *history, *device, desktop);
    }
    ~Account() { SetPauseHook(nullptr); }

    void Feed(const std::string& line) { lines->Dispatch(line, 0, -1); }

    ShellState shell;
    RecordingWindowSystem windows;
    ::testing::NiceMock<MockLinkCollaborators> links;
    ::testing::NiceMock<MockDispatcher> dispatcher;
    FakeModuleLoader loader;  // no handset library: commands are dropped
    RecordingShell osShell;
    CountingLink link{false};
    std::unique_ptr<CSkypeEngine> engine;
    std::unique_ptr<CDeviceLibrary> device;
    NoWindows desktop;
    std::unique_ptr<CUserLines> users;
    std::unique_ptr<CCallHistory> history;
    std::unique_ptr<CCallStateMachine> calls;
    std::unique_ptr<CNotificationDispatcher> lines;
};

void BM_LoadCallHistory(benchmark::State& state) {
    const int calls = static_cast<int>(state.range(0));
    Account account;
    std::string search = "CALLS";
    for (int i = 0; i < calls; ++i) search += (i ? ", " : " ") + std::to_string(1000 + i);
    CSessionStore store;
    account.history->SetSessionStore(&store);
    account.calls->SetSessionStore(&store);
    std::vector<std::string> replies;
    for (int i = 0; i < calls; ++i) {
        const std::string prefix = "CALL " + std::to_string(1000 + i);
        replies.push_back(prefix + " TYPE INCOMING_P2P");
        replies.push_back(prefix + " STATUS MISSED");
        replies.push_back(prefix + " SEEN FALSE");
    }
    for (auto _ : state) {
        store.ClearCalls();
        account.engine->SetHistoryLoaded(0);
        account.Feed(search);
        for (const auto& reply : replies) account.Feed(reply);
        if (!account.engine->HistoryLoaded()) state.SkipWithError("the load did not end");
    }
    state.SetItemsProcessed(state.iterations() * calls);
}
BENCHMARK(BM_LoadCallHistory)->Arg(5000)->Unit(benchmark::kMillisecond);

// The commands one call's end costs with a history of N calls: the call
// rings, is answered and finishes, Skype announces its history changed and
// lists the new call in front (the oldest leaves, so the size stays N), and
// answers exactly what the program asks, in order. A third of the history is
// missed calls, all seen but one. Reported per call end.
void BM_CommandsPerCallEnd(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    Account account;
    std::vector<std::pair<unsigned, int>> asked;
    account.link.asked = &asked;
    CSessionStore store;
    account.history->SetSessionStore(&store);
    account.calls->SetSessionStore(&store);
    auto feed = [&](const std::string& line) {
        int id = 0, status = -1;
        store.GetCurrentCallId(&id);
        store.GetCurrentCallStatus(&status);
        account.lines->Dispatch(line, id, status);
    };
    std::deque<int> listed;  // newest first
    const int firstId = 3000;
    // The one missed call not yet seen: the newest missed call of the first load.
    const int unseenId = firstId + size - 1 - (firstId + size - 1) % 3;
    auto answer = [&] {
        for (int round = 0; round < 10 && !asked.empty(); ++round) {
            const auto questions = std::exchange(asked, {});
            for (const auto& [key, id] : questions) {
                const std::string prefix = "CALL " + std::to_string(id);
                const bool missed = id % 3 == 0 && id < firstId + size;
                switch (key) {
                    case KEY_SKYPE_SEARCH_CALLS: {
                        std::string search = "CALLS";
                        for (int listedId : listed) {
                            search += (search.size() > 5 ? ", " : " ") + std::to_string(listedId);
                        }
                        feed(search);
                        break;
                    }
                    case KEY_SKYPE_GET_CALL_TYPE:
                        feed(prefix + (id % 3 == 2 ? " TYPE OUTGOING_P2P" : " TYPE INCOMING_P2P"));
                        break;
                    case KEY_SKYPE_GET_CALL_STATUS:
                        feed(prefix + (missed ? " STATUS MISSED" : " STATUS FINISHED"));
                        break;
                    case KEY_SKYPE_GET_CALL_SEEN:
                        feed(prefix + (id == unseenId ? " SEEN FALSE" : " SEEN TRUE"));
                        break;
                    case KEY_SKYPE_GET_CALL_PARTNER_HANDLE:
                        feed(prefix + " PARTNER_HANDLE contact1");
                        break;
                    case KEY_SKYPE_GET_CALL_PARTNER_DISPNAME:
                        feed(prefix + " PARTNER_DISPNAME Contact 1");
                        break;
                    case KEY_SKYPE_GET_CALL_DURATION:
                        feed(prefix + " DURATION 60");
                        break;
                    case KEY_SKYPE_GET_CALL_TIMESTAMP:
                        feed(prefix + " TIMESTAMP 1700000000");
                        break;
                    default:
                        break;
                }
            }
        }
    };
    for (int i = 0; i < size; ++i) listed.push_front(firstId + i);
    asked.emplace_back(KEY_SKYPE_SEARCH_CALLS, 0);  // the load after attaching
    answer();
    int next = firstId + size;
    long commands = 0;
    for (auto _ : state) {
        const long before = account.link.queued;
        const std::string call = "CALL " + std::to_string(next);
        for (const char* status : {" STATUS RINGING", " STATUS INPROGRESS", " STATUS FINISHED"}) {
            feed(call + status);
        }
        listed.push_front(next++);
        listed.pop_back();
        answer();  // the questions about the call that ended
        feed("CALLHISTORYCHANGED");
        answer();
        if (account.history->LastCallMarker() != 0) state.SkipWithError("the refresh did not end");
        commands += account.link.queued - before;
    }
    state.counters["commands"] =
        benchmark::Counter(static_cast<double>(commands), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_CommandsPerCallEnd)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_LoadContacts(benchmark::State& state) {
    const int contacts = static_cast<int>(state.range(0));
    Account account;
    std::string search = "USERS";
    for (int i = 0; i < contacts; ++i) search += (i ? ", " : " ") + ("user" + std::to_string(i));
    CListManager list(&account.link);
    account.users->SetContactList(&list);
    std::vector<std::string> replies;
    for (int i = 0; i < contacts; ++i) {
        const std::string handle = "user" + std::to_string(i);
        // Names in an order unlike the handles', so the resorting works.
        replies.push_back("USER " + handle + " DISPLAYNAME Name " +
                          std::to_string((i * 7919) % contacts));
        replies.push_back("USER " + handle + " ONLINESTATUS " + (i % 3 ? "OFFLINE" : "ONLINE"));
    }
    for (auto _ : state) {
        list.ClearContacts();
        account.Feed(search);
        for (const auto& reply : replies) account.Feed(reply);
    }
    state.SetItemsProcessed(state.iterations() * contacts);
}
BENCHMARK(BM_LoadContacts)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
#if !defined(_WIN32)
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident size: %ld KiB\n", usage.ru_maxrss);
#endif
    return 0;
}
