// A large account loaded in the simulation, with everything real but the two
// peers: the simulated client holds 10,000 contacts and a history of 5,000
// calls, the program attaches and loads both as it does after every attach.
//
//   contacts_ms: from the client's USERS reply leaving it to the reply to the
//                last contact's last question (the program asks each
//                contact's name and status one after the other)
//   history_ms:  from the CALLS reply leaving the client to the handset's
//                announcement, which the last call's SEEN reply starts
//   attach_to_ready_ms: from the client's attach answer to that announcement
//   peak_rss_mb: the process's peak resident size afterwards (both peers and
//                the program live in this process)
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "app/Application.h"
#include "app/ShellConstants.h"
#include "handset/CDeviceLibrary.h"
#include "platform/MemoryRegistry.h"
#include "platform/posix/InProcessDesktop.h"
#include "platform/posix/ModelDialogHost.h"
#include "platform/posix/RecordedTray.h"
#include "sim/SimulatedHandset.h"
#include "sim/SkypeClientSim.h"

namespace {

using namespace kestrava;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kContacts = 10000;
constexpr int kCalls = 5000;
// The client always has four contacts and three past calls of its own.
constexpr int kExtraContacts = kContacts - 4;
constexpr int kExtraCalls = kCalls - 3;

// When the client's log first showed an entry starting with each prefix.
class Stamps {
  public:
    void Note(const std::string& entry) {
        auto now = Clock::now();
        std::lock_guard lock(m_mutex);
        for (const auto& prefix : m_prefixes) {
            if (entry.rfind(prefix, 0) == 0) m_first.emplace(prefix, now);
        }
    }
    void Watch(const std::string& prefix) { m_prefixes.push_back(prefix); }
    bool Has(const std::string& prefix) {
        std::lock_guard lock(m_mutex);
        return m_first.count(prefix) != 0;
    }
    Clock::time_point At(const std::string& prefix) {
        std::lock_guard lock(m_mutex);
        return m_first.at(prefix);
    }

  private:
    std::mutex m_mutex;
    std::vector<std::string> m_prefixes;
    std::map<std::string, Clock::time_point> m_first;
};

double Milliseconds(Clock::duration span) {
    return std::chrono::duration<double, std::milli>(span).count();
}

void BM_LargeAccountAfterAttach(benchmark::State& state) {
    sim::SimulatedHandset handset;
    setenv("ONDREL_SYSFS_ROOT", handset.SysfsRoot().c_str(), 1);
    setenv("ONDREL_DEV_ROOT", handset.DeviceRoot().c_str(), 1);
    const std::string lastContact = "NOTIFY USER contact" + std::to_string(kExtraContacts) + " ";
    for (auto _ : state) {
        Stamps stamps;
        for (const char* prefix : {"ATTACH 0", "NOTIFY USERS ", "NOTIFY CALLS "})
            stamps.Watch(prefix);
        stamps.Watch(lastContact);
        CDeviceLibrary library(SystemModuleLoader(), SystemShell());
        InProcessDesktop desktop;
        auto program = desktop.OpenProgram("Kestrava");
        auto skypeProgram = desktop.OpenProgram("Skype");
        sim::SkypeClientSim::Options options;
        options.extraContacts = kExtraContacts;
        options.extraHistory = kExtraCalls;
        sim::SkypeClientSim skype(*skypeProgram, *skypeProgram, options);
        skype.SetObserver([&](const std::string& entry) { stamps.Note(entry); });
        skype.Start();
        ModelDialogHost dialogs(*program);
        MemoryRegistry registry;
        NoAudioDevices audio;
        RecordedTray tray(*program);
        EnglishStrings strings;
        Platform platform{*program,      *program, SystemModuleLoader(),
                          SystemShell(), dialogs,  registry,
                          audio,         tray,     strings};
        Application application(platform, library);
        auto exitCode = std::async(std::launch::async, [&] { return application.Run(); });
        auto deadline = Clock::now() + 120s;
        while (!application.State().g_bHandsetAnnounced.load() && Clock::now() < deadline)
            std::this_thread::sleep_for(200us);
        auto ready = Clock::now();
        while (!stamps.Has(lastContact) && Clock::now() < deadline)
            std::this_thread::sleep_for(200us);
        if (!application.State().g_bHandsetAnnounced.load() || !stamps.Has(lastContact) ||
            !stamps.Has("NOTIFY CALLS ")) {
            state.SkipWithError(!stamps.Has("NOTIFY CALLS ") ? "no CALLS reply"
                                : !stamps.Has(lastContact)   ? "the contacts did not load"
                                                             : "the handset was never announced");
        } else {
            state.SetIterationTime(
                std::chrono::duration<double>(ready - stamps.At("ATTACH 0")).count());
            state.counters["attach_to_ready_ms"] = Milliseconds(ready - stamps.At("ATTACH 0"));
            state.counters["history_ms"] = Milliseconds(ready - stamps.At("NOTIFY CALLS "));
            state.counters["contacts_ms"] =
                Milliseconds(stamps.At(lastContact) - stamps.At("NOTIFY USERS "));
        }
        program->Post(application.State().mainWindow.load(), msg::kCommand, IDM_EXIT, 0);
        exitCode.wait_for(30s);
        skype.Stop();
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_mb"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    unsetenv("ONDREL_SYSFS_ROOT");
    unsetenv("ONDREL_DEV_ROOT");
}
BENCHMARK(BM_LargeAccountAfterAttach)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
