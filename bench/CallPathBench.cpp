// The call path's two figures that a person at the handset feels:
//
// RingToName: from the RINGING line leaving the simulated Skype client to the
// last unit of the caller's name at the simulated handset, with everything
// real in between (the engine and its parser, the call state machine, the
// HID library and its read thread, the input and upload workers, the
// rendering library and its font files). Reported beside its floor: the
// pauses the handset protocol prescribes on that way (1000 ms after the ring,
// then 15, 25 and 3 ms in the upload of a single item) and, for a handset that
// takes one report per millisecond, those pauses plus one millisecond for
// each report of the transfer.
//
// KeyToKeypad: from a key report queued at the main window to the keypad
// handler on the input worker, p50 and p99 over many reports.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "CountingLink.h"
#include "app/Application.h"
#include "app/ShellConstants.h"
#include "handset/CDeviceLibrary.h"
#include "handset/ContactListView.h"
#include "handset/HandsetSeams.h"
#include "handset/InputDecoder.h"
#include "platform/MemoryRegistry.h"
#include "platform/posix/InProcessDesktop.h"
#include "platform/posix/ModelDialogHost.h"
#include "platform/posix/RecordedTray.h"
#include "protocol/SkypeLink.h"
#include "session/CSessionStore.h"
#include "sim/RecordingHidDevice.h"
#include "sim/SimulatedHandset.h"
#include "sim/SkypeClientSim.h"

namespace {

using namespace kestrava;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds timeout = 10s) {
    auto deadline = Clock::now() + timeout;
    while (!condition()) {
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(100us);
    }
    return true;
}

// ---------------------------------------------------------------------------
// RINGING to the caller's name

void BM_RingToName(benchmark::State& state) {
    sim::SimulatedHandset handset;
    setenv("ONDREL_SYSFS_ROOT", handset.SysfsRoot().c_str(), 1);
    setenv("ONDREL_DEV_ROOT", handset.DeviceRoot().c_str(), 1);
    {
        CDeviceLibrary library(SystemModuleLoader(), SystemShell());
        InProcessDesktop desktop;
        auto program = desktop.OpenProgram("Kestrava");
        auto skypeProgram = desktop.OpenProgram("Skype");
        sim::SkypeClientSim skype(*skypeProgram, *skypeProgram);
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
        if (!WaitUntil([&] { return application.State().g_bHandsetAnnounced.load() != 0; }) ||
            !handset.WaitForTransfers(1, 10s)) {
            state.SkipWithError("the handset never announced itself");
        }

        int id = 300;
        std::size_t reports = 0;
        for (auto _ : state) {
            int transfers = handset.TransfersCompleted();
            std::size_t before = handset.OutputReports().size();
            auto start = Clock::now();
            skype.IncomingCall(++id, "wang.xiaoming");
            // 王小明 and its trailing blank: the blank is the name's last unit.
            if (!WaitUntil([&] { return handset.LcdText() == "??? "; })) {
                state.SkipWithError("the name never appeared");
                break;
            }
            state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
            handset.WaitForTransfers(transfers + 1, 10s);
            reports = handset.OutputReports().size() - before;
            // The caller gives up; the missed call is archived and its count shown.
            int settled = handset.TransfersCompleted() + 1;
            skype.GiveUpCall(id);
            handset.WaitForTransfers(settled, 10s);
        }
        constexpr double kPausesMs = 1000 + 15 + 25 + 3;
        state.counters["floor_pauses_ms"] = kPausesMs;
        state.counters["floor_1ms_per_report_ms"] = kPausesMs + static_cast<double>(reports);
        state.counters["reports"] = static_cast<double>(reports);

        program->Post(application.State().mainWindow.load(), msg::kCommand, IDM_EXIT, 0);
        exitCode.wait_for(10s);
        skype.Stop();
    }
    unsetenv("ONDREL_SYSFS_ROOT");
    unsetenv("ONDREL_DEV_ROOT");
}
BENCHMARK(BM_RingToName)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------
// A key report at the main window to the keypad handler

// The handset component takes the acknowledgements and answers nothing.
sim::RecordingHidDevice g_device;
int CreateQuietDevice(void** object) {
    *object = &g_device;
    return 1;
}
int DeleteNothing(void**) {
    return 1;
}

class QuietLibraryLoader final : public ModuleLoader {
  public:
    Module Load(const std::string&) override { return this; }
    void* Symbol(Module, const char* name) override {
        if (std::string(name) == "CreateComponentInstance") {
            return reinterpret_cast<void*>(&CreateQuietDevice);
        }
        return reinterpret_cast<void*>(&DeleteNothing);
    }
    void Free(Module) override {}
    std::string ExecutablePath() override { return "/opt/kestrava/Kestrava"; }
};

class QuietShell final : public Shell {
  public:
    void ShowMessageBox(const std::string&, const std::string&, MessageBoxIcon) override {}
    void PulseNamedMutex(const std::string&, std::chrono::milliseconds) override {}
    void PurgeSounds() override {}
    void OpenProgramFile(const std::string&, WindowHandle) override {}
};

class NoContacts final : public ContactListView {
  public:
    HResult SelectNextContact(int, int) override { return E_FAIL; }
    HResult GetSelectedContactName(char*) override { return E_FAIL; }
    HResult GetSelectedContactStatus(int*) override { return E_FAIL; }
    HResult GetContactCount(int* count) override { return *count = 0, S_OK; }
    HResult ReadSelectedContactHandleChar(char*) override { return E_FAIL; }
    HResult ReadCallerHandleChar(char*) override { return E_FAIL; }
    HResult RewindSelectedContactHandle() override { return S_OK; }
    HResult RewindCallerHandle() override { return S_OK; }
};

class NoFaders final : public HandsetAudio {
  public:
    void SetSpeakerFader(int, int) override {}
    void SetMicrophoneFader(int, int) override {}
};

// Stamps the moment each key reaches it.
class StampingKeypad final : public KeypadHandler {
  public:
    int HandleKeyReport(std::uint32_t) override {
        {
            std::lock_guard lock(m_lock);
            m_reached = Clock::now();
            m_arrived = true;
        }
        m_changed.notify_one();
        return 1;
    }
    Clock::time_point WaitForKey() {
        std::unique_lock lock(m_lock);
        m_changed.wait(lock, [this] { return m_arrived; });
        m_arrived = false;
        return m_reached;
    }

  private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_arrived = false;
    Clock::time_point m_reached;
};

void BM_KeyToKeypad(benchmark::State& state) {
    QuietLibraryLoader loader;
    QuietShell shell;
    CDeviceLibrary library(loader, shell);
    CSessionStore store;
    NoContacts contacts;
    CountingLink link;
    StampingKeypad keypad;
    NoFaders faders;
    std::atomic<std::int32_t> announced{0};
    CInputDecoder decoder(library, store, contacts, link, keypad, faders, announced);
    library.SetReportHandler(&decoder);
    library.StartInput(0);

    std::vector<double> latencies;
    std::uint32_t sequence = 1;
    for (auto _ : state) {
        // Key 0x35 ('5') with the next sequence number, as the handset sends it.
        std::uint32_t report = (0x35u << 8) | sequence;
        sequence = (sequence + 1) % 4;
        auto queued = Clock::now();
        library.QueueReport(report, 0);
        auto reached = keypad.WaitForKey();
        latencies.push_back(std::chrono::duration<double, std::micro>(reached - queued).count());
    }
    library.StopWorkers();
    std::sort(latencies.begin(), latencies.end());
    auto at = [&](double fraction) {
        return latencies[static_cast<std::size_t>(fraction * (latencies.size() - 1))];
    };
    if (!latencies.empty()) {
        state.counters["p50_us"] = at(0.50);
        state.counters["p99_us"] = at(0.99);
        state.counters["max_us"] = latencies.back();
    }
}
BENCHMARK(BM_KeyToKeypad)->Iterations(5000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
