// Loading the call history and the contact list through the line handlers,
// as Skype's replies after attaching would: a history of 5,000 calls (the
// call search reply, then TYPE, STATUS and SEEN for each up to the last SEEN)
// and 10,000 contacts (the contact search reply, then a display name and a
// reachability for each). Prints the peak resident size at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

#include "Fakes.h"
#include "app/ShellState.h"
#include "handset/CDeviceLibrary.h"
#include "platform/Pause.h"
#include "protocol/CSkypeEngine.h"
#include "protocol/CallHistory.h"
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

// Commands are counted, not formatted: the benchmark measures the handlers.
class CountingLink : public SkypeLink {
  public:
    void QueueCommand(unsigned, const char*, int) override { ++queued; }
    bool SendStraight(const std::string&) override { return true; }
    bool DisplayEnabled() override { return false; }
    bool FontsSupported() override { return true; }
    void SetDisplayEnabled(int) override {}
    void UpdateTrayState() override {}
    void ShowMissedCalls() override {}
    long queued = 0;
};

void NoPause(std::chrono::milliseconds) {}

// An engine and a handset library as the handlers see them; the handset's
// commands go nowhere.
struct Account {
    Account() {
        SetPauseHook(&NoPause);
        engine = std::make_unique<CSkypeEngine>(shell, windows, links, dispatcher);
        device = std::make_unique<CDeviceLibrary>(loader, osShell);
        device->m_nProtocol = 5;
        shell.g_bHandsetAnnounced = 1;
    }
    ~Account() { SetPauseHook(nullptr); }

    ShellState shell;
    RecordingWindowSystem windows;
    ::testing::NiceMock<MockLinkCollaborators> links;
    ::testing::NiceMock<MockDispatcher> dispatcher;
    FakeModuleLoader loader;  // no handset library: commands are dropped
    RecordingShell osShell;
    CountingLink link;
    std::unique_ptr<CSkypeEngine> engine;
    std::unique_ptr<CDeviceLibrary> device;
};

void BM_LoadCallHistory(benchmark::State& state) {
    const int calls = static_cast<int>(state.range(0));
    Account account;
    std::string search = "CALLS";
    for (int i = 0; i < calls; ++i) search += (i ? ", " : " ") + std::to_string(1000 + i);
    CSessionStore store;
    CCallHistory history(account.link, *account.engine);
    history.SetSessionStore(&store);
    for (auto _ : state) {
        store.ClearCalls();
        account.engine->SetHistoryLoaded(0);
        history.Calls(search);
        for (int i = 0; i < calls; ++i) {
            const int id = 1000 + i;
            const std::string prefix = "CALL " + std::to_string(id);
            history.HistoryCallProperty(id, "TYPE", "INCOMING_P2P", prefix + " TYPE INCOMING_P2P");
            history.HistoryCallProperty(id, "STATUS", "MISSED", prefix + " STATUS MISSED");
            history.HistoryCallProperty(id, "SEEN", "FALSE", prefix + " SEEN FALSE");
        }
        if (!account.engine->HistoryLoaded()) state.SkipWithError("the load did not end");
    }
    state.SetItemsProcessed(state.iterations() * calls);
}
BENCHMARK(BM_LoadCallHistory)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_LoadContacts(benchmark::State& state) {
    const int contacts = static_cast<int>(state.range(0));
    Account account;
    std::string search = "USERS";
    for (int i = 0; i < contacts; ++i) search += (i ? ", " : " ") + ("user" + std::to_string(i));
    CListManager list(&account.link);
    CUserLines users(account.link, *account.engine, *account.device, account.shell);
    users.SetContactList(&list);
    for (auto _ : state) {
        list.ClearContacts();
        users.Users(search);
        for (int i = 0; i < contacts; ++i) {
            const std::string handle = "user" + std::to_string(i);
            // Names in an order unlike the handles', so the resorting works.
            users.User("USER " + handle + " DISPLAYNAME Name " +
                       std::to_string((i * 7919) % contacts));
            users.User("USER " + handle + " ONLINESTATUS " + (i % 3 ? "OFFLINE" : "ONLINE"));
        }
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
