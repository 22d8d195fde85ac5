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
//
// RingWhileLoading/<us>: the same account, with the client taking <us>
// microseconds over each command (0, 200, 1000), as a real client that
// answers each command in its own window procedure. As soon as the handset
// has announced itself (the history is in; the contacts' names and statuses
// and the history records' partners are still being asked), a call from
// Alice rings.
//
//   ring_to_name_ms: from the RINGING line leaving the client to the caller's
//                    name on the handset's LCD
//   pauses_ms:       the pauses the handset protocol prescribes on that way
//                    (1000 ms after the ring, then 15, 25 and 3 ms in the
//                    upload of a single item): the floor
//   above_pauses_ms: ring_to_name_ms less pauses_ms
//   ask_wait_ms:     from the RINGING line leaving the client to the name's
//                    question reaching it, less the 1000 ms pause after the
//                    ring: the program's side before the question (the ring
//                    line waiting for the parser, the question for the sender)
//   reply_wait_ms:   from the question reaching the client to its reply
//                    leaving it (the client's side)
//   name_wait_ms:    from the reply leaving the client to the name on the LCD,
//                    less the upload's 43 ms of pauses (the reply waiting for
//                    the parser, the rendering and the upload)
//   still_loading:   1 when the last contact had not yet been asked for its
//                    status as the name appeared
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <future>
#include <map>
#include <memory>
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
    using Observer = std::function<void(const std::string&)>;
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

// Runs the program against a client of `options` until it stops; the
// handset and the client are the caller's.
class LoadedProgram {
  public:
    LoadedProgram(sim::SkypeClientSim::Options options, const Stamps::Observer& observer)
        : m_skype(*m_skypeProgram, *m_skypeProgram, std::move(options)) {
        m_skype.SetObserver(observer);
        m_skype.Start();
        m_exitCode = std::async(std::launch::async, [this] { return m_application.Run(); });
    }
    ~LoadedProgram() {
        m_program->Post(m_application.State().mainWindow.load(), msg::kCommand, IDM_EXIT, 0);
        m_exitCode.wait_for(30s);
        m_skype.Stop();
    }
    sim::SkypeClientSim& Skype() { return m_skype; }
    const ShellState& State() { return m_application.State(); }

  private:
    CDeviceLibrary m_library{SystemModuleLoader(), SystemShell()};
    InProcessDesktop m_desktop;
    std::unique_ptr<InProcessDesktop::Program> m_program = m_desktop.OpenProgram("Kestrava");
    std::unique_ptr<InProcessDesktop::Program> m_skypeProgram = m_desktop.OpenProgram("Skype");
    sim::SkypeClientSim m_skype;
    ModelDialogHost m_dialogs{*m_program};
    MemoryRegistry m_registry;
    NoAudioDevices m_audio;
    RecordedTray m_tray{*m_program};
    EnglishStrings m_strings;
    Platform m_platform{*m_program,    *m_program, SystemModuleLoader(),
                        SystemShell(), m_dialogs,  m_registry,
                        m_audio,       m_tray,     m_strings};
    Application m_application{m_platform, m_library};
    std::future<int> m_exitCode;
};

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
        sim::SkypeClientSim::Options options;
        options.extraContacts = kExtraContacts;
        options.extraHistory = kExtraCalls;
        LoadedProgram program(options, [&](const std::string& entry) { stamps.Note(entry); });
        const ShellState& shell = program.State();
        auto deadline = Clock::now() + 120s;
        while (!shell.g_bHandsetAnnounced.load() && Clock::now() < deadline)
            std::this_thread::sleep_for(200us);
        auto ready = Clock::now();
        while (!stamps.Has(lastContact) && Clock::now() < deadline)
            std::this_thread::sleep_for(200us);
        if (!shell.g_bHandsetAnnounced.load() || !stamps.Has(lastContact) ||
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

void BM_RingWhileLoading(benchmark::State& state) {
    sim::SimulatedHandset handset;
    setenv("ONDREL_SYSFS_ROOT", handset.SysfsRoot().c_str(), 1);
    setenv("ONDREL_DEV_ROOT", handset.DeviceRoot().c_str(), 1);
    constexpr int kCallId = 300;
    const std::string ringing = "NOTIFY CALL " + std::to_string(kCallId) + " STATUS RINGING";
    const std::string lastStatus =
        "COMMAND GET USER contact" + std::to_string(kExtraContacts) + " ONLINESTATUS";
    const std::string asked = "COMMAND GET CALL " + std::to_string(kCallId) + " PARTNER_DISPNAME";
    const std::string replied = "NOTIFY CALL " + std::to_string(kCallId) + " PARTNER_DISPNAME";
    for (auto _ : state) {
        Stamps stamps;
        for (const std::string& prefix : {ringing, lastStatus, asked, replied})
            stamps.Watch(prefix);
        sim::SkypeClientSim::Options options;
        options.extraContacts = kExtraContacts;
        options.extraHistory = kExtraCalls;
        options.commandCost = std::chrono::microseconds(state.range(0));
        LoadedProgram program(options, [&](const std::string& entry) { stamps.Note(entry); });
        // Ready: the history is in and the handset has announced itself (a
        // call that rings before then rings once it has).
        auto deadline = Clock::now() + 120s;
        while (!program.State().g_bHandsetAnnounced.load() && Clock::now() < deadline)
            std::this_thread::sleep_for(200us);
        if (!handset.WaitForTransfers(1, 10s)) {
            state.SkipWithError("the handset never announced itself");
            break;
        }
        program.Skype().IncomingCall(kCallId, "alice.liddell");
        deadline = Clock::now() + 300s;
        while (handset.LcdText() != "Alice " && Clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
        auto named = Clock::now();
        if (!stamps.Has(ringing) || !stamps.Has(asked) || !stamps.Has(replied) ||
            handset.LcdText() != "Alice ") {
            state.SkipWithError(stamps.Has(ringing) ? "the name never appeared" : "no ring");
            break;
        }
        const double ringToName = Milliseconds(named - stamps.At(ringing));
        constexpr double kPausesMs = 1000 + 15 + 25 + 3;
        state.SetIterationTime(ringToName / 1000.0);
        state.counters["ring_to_name_ms"] = ringToName;
        state.counters["pauses_ms"] = kPausesMs;
        state.counters["above_pauses_ms"] = ringToName - kPausesMs;
        state.counters["still_loading"] = stamps.Has(lastStatus) ? 0 : 1;
        state.counters["ask_wait_ms"] = Milliseconds(stamps.At(asked) - stamps.At(ringing)) - 1000;
        state.counters["reply_wait_ms"] = Milliseconds(stamps.At(replied) - stamps.At(asked));
        state.counters["name_wait_ms"] = Milliseconds(named - stamps.At(replied)) - 43;
    }
    unsetenv("ONDREL_SYSFS_ROOT");
    unsetenv("ONDREL_DEV_ROOT");
}
BENCHMARK(BM_RingWhileLoading)
    ->Arg(0)
    ->Arg(200)
    ->Arg(1000)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
