// The whole program against the two simulated peers, with everything real
// but them: the shell, the engine, the call path, the HID library against the
// simulated handset and the rendering library with its font files, against
// the simulated Skype client. Set up, the handset has announced itself (the
// link is up and the history has loaded) and its first transfer has ended.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <mutex>
#include <thread>

#include "Fakes.h"
#include "app/Application.h"
#include "app/ShellConstants.h"
#include "handset/HandsetCommands.h"
#include "platform/MemoryAudioSystem.h"
#include "platform/MemoryRegistry.h"
#include "platform/posix/InProcessDesktop.h"
#include "platform/posix/ModelDialogHost.h"
#include "platform/posix/RecordedTray.h"
#include "sim/SimAudioDevices.h"
#include "sim/SimulatedHandset.h"
#include "sim/SkypeClientSim.h"

namespace kestrava::testing {

using namespace std::chrono_literals;

// Generous: only a program that is stuck ever waits this long.
inline constexpr auto kPatience = 10s;

template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds timeout = kPatience) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

// A one-byte command as the handset receives it (a transfer unit has a
// control byte in byte 4; a command has none).
inline bool IsCommand(const sim::HandsetSim::OutputReport& report, std::uint8_t command) {
    return report[3] == command && report[4] == 0 && report[5] == 0;
}

inline long IndexOfCommand(const std::vector<sim::HandsetSim::OutputReport>& reports,
                           std::uint8_t command, long from = 0) {
    for (long i = from; i < static_cast<long>(reports.size()); ++i) {
        if (IsCommand(reports[i], command)) return i;
    }
    return -1;
}

inline long IndexOf(const std::vector<std::string>& log, const std::string& entry, long from = 0) {
    for (long i = from; i < static_cast<long>(log.size()); ++i) {
        if (log[i] == entry) return i;
    }
    return -1;
}

class LiveProgram : public ::testing::Test {
  protected:
    LiveProgram() = default;
    // A client with another account (more contacts, a longer history).
    explicit LiveProgram(sim::SkypeClientSim::Options clientOptions)
        : skype(*skypeProgram, *skypeProgram, std::move(clientOptions)) {}

    void SetUp() override {
        setenv("ONDREL_SYSFS_ROOT", handset.SysfsRoot().c_str(), 1);
        setenv("ONDREL_DEV_ROOT", handset.DeviceRoot().c_str(), 1);
        library = std::make_unique<CDeviceLibrary>(SystemModuleLoader(), shell);
        ASSERT_NE(library->Device(), nullptr) << "Ondrel should load from beside the test";
        skype.Start();
        application = std::make_unique<Application>(platform, *library);
        BeforeRun();
        // Before Run: the shell's threads report through it from then on.
        application->Links().SetTrace([this](const std::string& event) {
            std::lock_guard lock(m_traceMutex);
            m_trace.push_back(event);
        });
        exitCode = std::async(std::launch::async, [this] { return application->Run(); });
        ASSERT_TRUE(WaitUntil([&] { return application->State().g_bHandsetAnnounced.load(); },
                              m_startPatience))
            << "the handset never announced itself after the link came up";
        // The announcement shows the missed-call count; let that transfer end.
        ASSERT_TRUE(handset.WaitForTransfers(1, kPatience));
    }

    void TearDown() override {
        if (application) {
            if (WindowHandle window = application->State().mainWindow.load()) {
                program->Post(window, msg::kCommand, IDM_EXIT, 0);
            }
            EXPECT_EQ(exitCode.wait_for(kPatience), std::future_status::ready);
            EXPECT_EQ(exitCode.get(), 0);
            application.reset();
        }
        skype.Stop();
        library.reset();
        unsetenv("ONDREL_SYSFS_ROOT");
        unsetenv("ONDREL_DEV_ROOT");
        if (m_strictAcknowledgements) {
            EXPECT_EQ(handset.UnexpectedAcknowledgements(), 0);
        }
    }

    // Called after the application is built and before it runs.
    virtual void BeforeRun() {}

    // For failure messages: the client's log from entry `from` on, and the
    // handset's reports from report `from` on (value, control, argument).
    std::string ClientLogSince(long from) {
        std::vector<std::string> log = skype.Log();
        std::string text = "\nthe client's log since:";
        for (long i = from; i < static_cast<long>(log.size()); ++i) text += "\n  " + log[i];
        return text;
    }
    std::string HandsetReportsSince(long from) {
        auto reports = handset.OutputReports();
        std::string text = "\nthe handset's reports since:";
        char unit[16];
        for (long i = from; i < static_cast<long>(reports.size()); ++i) {
            std::snprintf(unit, sizeof unit, " %02X.%02X.%02X", reports[i][3], reports[i][4],
                          reports[i][5]);
            text += unit;
        }
        return text;
    }

    // What the shell has reported so far ("tray: connected", ...).
    std::vector<std::string> Trace() {
        std::lock_guard lock(m_traceMutex);
        return m_trace;
    }

    bool WaitForTrace(const std::string& event, long from = 0) {
        return WaitUntil([&] { return IndexOf(Trace(), event, from) >= 0; });
    }

    bool WaitForLogEntry(const std::string& entry, long from = 0) {
        return skype.WaitForLog(
            [&](const std::vector<std::string>& log) { return IndexOf(log, entry, from) >= 0; },
            kPatience);
    }

    bool WaitForCommand(const std::string& command, long from = 0) {
        return WaitForLogEntry("COMMAND " + command, from);
    }

    // Waits for the handset to receive `command` at or after report `from`;
    // gives its index, or -1.
    long WaitForHandsetCommand(std::uint8_t command, long from = 0) {
        long at = -1;
        WaitUntil(
            [&] { return (at = IndexOfCommand(handset.OutputReports(), command, from)) >= 0; });
        return at;
    }

    bool WaitForLcd(const std::string& text) {
        return WaitUntil([&] { return handset.LcdText() == text; });
    }

    sim::SimulatedHandset handset;
    RecordingShell shell;
    std::unique_ptr<CDeviceLibrary> library;
    InProcessDesktop desktop;
    std::unique_ptr<InProcessDesktop::Program> program = desktop.OpenProgram("Kestrava");
    std::unique_ptr<InProcessDesktop::Program> skypeProgram = desktop.OpenProgram("Skype");
    sim::SkypeClientSim skype{*skypeProgram, *skypeProgram};
    ModelDialogHost dialogs{*program};
    MemoryRegistry registry;
    // The simulated machine's sound cards: the handset's codec and an on-board card.
    MemoryAudioSystem audio{program.get()};
    sim::SimAudioControls audioControls = sim::AddSimulatedAudioDevices(audio);
    RecordedTray tray{*program};
    EnglishStrings strings;
    Platform platform{*program, *program, SystemModuleLoader(), shell, dialogs, registry, audio,
                      tray,     strings};
    std::unique_ptr<Application> application;
    std::future<int> exitCode;

    // A run that presses keys while transfers stream counts the handset's
    // unexpected acknowledgements instead of failing on them.
    bool m_strictAcknowledgements = true;
    // How long the start may take until the handset has announced itself: a
    // large account loads before it (and slowly under the thread sanitizer).
    std::chrono::milliseconds m_startPatience = kPatience;

  private:
    std::mutex m_traceMutex;
    std::vector<std::string> m_trace;
};

}  // namespace kestrava::testing
