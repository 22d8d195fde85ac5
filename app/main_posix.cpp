// Kestrava on Linux: simulation mode. The program runs with the simulated
// Skype client in the in-process desktop and the simulated handset behind a
// device tree that the HID library opens like a real one, and prints the link
// state, every line that crosses the link and every report that crosses to
// and from the handset, and the handset's LCD each time a transfer to it ends.
// With --interactive on a terminal the terminal becomes the handset and the
// client instead (sim/terminal).
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "app/Application.h"
#include "app/ShellConstants.h"
#include "platform/MemoryAudioSystem.h"
#include "platform/MemoryRegistry.h"
#include "platform/posix/InProcessDesktop.h"
#include "platform/posix/ModelDialogHost.h"
#include "platform/posix/RecordedTray.h"
#include "sim/SimAudioDevices.h"
#include "sim/SimulatedHandset.h"
#include "sim/SkypeClientSim.h"
#include "sim/terminal/TerminalFrontEnd.h"

using namespace kestrava;

namespace {

void PrintUsage() {
    std::puts(
        "usage: Kestrava --simulate [--scenario FILE] [--no-handset] [--interactive]\n"
        "\n"
        "Runs Kestrava against a simulated Skype client and a simulated handset and\n"
        "prints the link state, every line that crosses the link and every report\n"
        "that crosses to the handset, and the handset's LCD after each transfer to it,\n"
        "until Ctrl-C or the end of the scenario.\n"
        "Without a scenario the client announces itself and waits. With\n"
        "--no-handset the program starts without its handset. With --interactive\n"
        "on a terminal, the terminal is the handset and the client: the LCD and\n"
        "their state are drawn in place above the log, keys press the handset's\n"
        "keys and make the client act (? shows them, q ends); --screen-dump FILE\n"
        "writes what the screen shows to FILE as text after each redraw.");
}

// Prints numbered, timed lines to the terminal from any thread.
class Printer {
  public:
    explicit Printer(FILE* out) : m_out(out) {}
    void Line(const std::string& text) {
        auto elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start);
        std::lock_guard lock(m_mutex);
        if (m_sink) {
            char stamp[32];
            std::snprintf(stamp, sizeof stamp, "[%7.3f] ", elapsed.count());
            m_sink(stamp + text);
            return;
        }
        std::fprintf(m_out, "[%7.3f] %s\n", elapsed.count(), text.c_str());
        std::fflush(m_out);
    }
    // Lines go to `sink` instead of the terminal (the interactive screen's
    // log); empty puts them back.
    void Redirect(std::function<void(const std::string&)> sink) {
        std::lock_guard lock(m_mutex);
        m_sink = std::move(sink);
    }

  private:
    FILE* m_out;
    std::mutex m_mutex;
    std::function<void(const std::string&)> m_sink;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

// The HID library traces every report on the standard output. This routes
// that output through the printer, folding runs of the same line (the focus
// timer reports ten times a second) into one line and a count.
class TraceCollector {
  public:
    explicit TraceCollector(Printer& printer) : m_printer(printer) {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0) return;
        std::fflush(stdout);
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[1]);
        setvbuf(stdout, nullptr, _IOLBF, 0);
        m_readEnd = pipeEnds[0];
        m_thread = std::thread([this] { Collect(); });
    }
    // Call before the terminal's own descriptor is put back on stdout.
    void Finish(int terminal) {
        std::fflush(stdout);
        dup2(terminal, STDOUT_FILENO);  // closes the pipe's last write end
        if (m_thread.joinable()) m_thread.join();
        if (m_readEnd >= 0) close(m_readEnd);
    }

  private:
    void Collect() {
        std::string pending, last;
        int repeats = 0;
        char buffer[512];
        ssize_t got;
        while ((got = read(m_readEnd, buffer, sizeof(buffer))) > 0) {
            pending.append(buffer, static_cast<std::size_t>(got));
            for (auto end = pending.find('\n'); end != std::string::npos;
                 end = pending.find('\n')) {
                std::string line = pending.substr(0, end);
                pending.erase(0, end + 1);
                if (line == last) {
                    ++repeats;
                    continue;
                }
                Flush(repeats);
                last = line;
                m_printer.Line("handset " + line);
            }
        }
        Flush(repeats);
    }
    void Flush(int& repeats) {
        if (repeats > 0)
            m_printer.Line("handset   (the same report " + std::to_string(repeats) +
                           " more times)");
        repeats = 0;
    }

    Printer& m_printer;
    int m_readEnd = -1;
    std::thread m_thread;
};

std::string Describe(const std::string& entry) {
    if (entry.rfind("COMMAND ", 0) == 0) return "Kestrava -> Skype: " + entry.substr(8);
    if (entry.rfind("NOTIFY ", 0) == 0) return "Skype -> Kestrava: " + entry.substr(7);
    if (entry.rfind("HANDSET ", 0) == 0) return "person at the handset: " + entry.substr(8);
    return "skype: " + entry;
}

void ApplyHandsetStep(sim::HandsetSim& handset, const sim::ScenarioStep& step) {
    if (step.action == "lift") {
        handset.LiftReceiver();
    } else if (step.action == "hangup") {
        handset.PutDownReceiver();
    } else if (step.action == "press" && step.keyCode >= 0) {
        handset.PressKey(static_cast<std::uint8_t>(step.keyCode));  // checked 0..255 when read
    }
}

}  // namespace

int main(int argc, char** argv) {
    bool simulate = false;
    bool withHandset = true;
    bool interactive = false;
    std::string screenDumpPath;  // a debugging aid: the interactive screen as text
    std::string scenarioPath;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--simulate") == 0) {
            simulate = true;
        } else if (std::strcmp(argv[i], "--no-handset") == 0) {
            withHandset = false;
        } else if (std::strcmp(argv[i], "--interactive") == 0) {
            interactive = true;
        } else if (std::strcmp(argv[i], "--screen-dump") == 0 && i + 1 < argc) {
            screenDumpPath = argv[++i];
        } else if (std::strcmp(argv[i], "--scenario") == 0 && i + 1 < argc) {
            scenarioPath = argv[++i];
        } else {
            PrintUsage();
            return std::strcmp(argv[i], "--help") == 0 ? 0 : 2;
        }
    }
    if (!simulate) {
        PrintUsage();
        return 2;
    }
    sim::Scenario scenario;
    if (scenarioPath.empty()) {
        scenario.steps.push_back({0, "announce", {}});
    } else {
        std::string error;
        auto loaded = sim::Scenario::Load(scenarioPath, &error);
        if (!loaded) {
            std::fprintf(stderr, "Kestrava: scenario %s\n", error.c_str());
            return 2;
        }
        scenario = *loaded;
    }

    if (interactive && !(isatty(STDIN_FILENO) && isatty(STDOUT_FILENO))) {
        std::fprintf(stderr, "Kestrava: --interactive needs a terminal; running without it\n");
        interactive = false;
    }
    if (interactive && !terminal::TerminalFrontEnd::Available()) {
        std::fprintf(stderr,
                     "Kestrava: --interactive is not in this build (ncurses, Debian's "
                     "libncurses-dev, was missing when it was built); running without it\n");
        interactive = false;
    }

    // Ctrl-C and SIGTERM reach a thread of their own, which asks for Exit.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    int terminalFd = dup(STDOUT_FILENO);
    FILE* terminalOut = fdopen(terminalFd, "w");
    Printer printer(terminalOut ? terminalOut : stderr);
    terminal::ScreenModel screen;
    if (interactive) printer.Redirect([&screen](const std::string& line) { screen.AddLog(line); });
    TraceCollector traces(printer);

    // The simulated handset is in place before the HID library is loaded, and
    // the library is pointed at its device tree. (On Windows the library is
    // loaded before the program's entry point; here that order is not needed.)
    std::unique_ptr<sim::SimulatedHandset> handset;
    if (withHandset) {
        handset = std::make_unique<sim::SimulatedHandset>();
        setenv("ONDREL_SYSFS_ROOT", handset->SysfsRoot().c_str(), 1);
        setenv("ONDREL_DEV_ROOT", handset->DeviceRoot().c_str(), 1);
        printer.Line("handset: simulated, at " + handset->DevicePath());
        // A person watching the handset sees the caller's name appear (the
        // interactive screen draws the LCD in place instead).
        if (!interactive) {
            handset->SetTransferObserver([&printer](const std::string& picture) {
                printer.Line("handset LCD:\n" + picture);
            });
        }
    } else {
        setenv("ONDREL_SYSFS_ROOT", "/nonexistent", 1);
        setenv("ONDREL_DEV_ROOT", "/nonexistent", 1);
    }
    int exitCode = 0;
    {
        CDeviceLibrary deviceLibrary(SystemModuleLoader(), SystemShell());
        InProcessDesktop desktop;
        auto kestrava = desktop.OpenProgram("Kestrava");
        auto skypeProgram = desktop.OpenProgram("Skype");
        ModelDialogHost dialogs(*kestrava);
        // Simulation never touches the user's own files: its preferred devices
        // live in memory for the run.
        MemoryRegistry registry;
        // The handset's USB codec beside an on-board card; their change
        // notices reach the main window through the program's window system.
        MemoryAudioSystem audio(kestrava.get());
        sim::AddSimulatedAudioDevices(audio);
        RecordedTray tray(*kestrava);
        tray.SetTrace([&printer](const std::string& event) { printer.Line(event); });
        EnglishStrings strings;
        Platform platform{*kestrava,     *kestrava, SystemModuleLoader(),
                          SystemShell(), dialogs,   registry,
                          audio,         tray,      strings};
        Application application(platform, deviceLibrary);
        application.Links().SetTrace([&printer](const std::string& event) { printer.Line(event); });

        auto requestExit = [&application, &kestrava] {
            if (WindowHandle window = application.State().mainWindow.load()) {
                kestrava->Post(window, msg::kCommand, IDM_EXIT, 0);
            }
        };
        sim::SkypeClientSim skype(*skypeProgram, *skypeProgram);
        skype.SetObserver([&printer, &screen](const std::string& entry) {
            screen.OnClientEntry(entry);
            printer.Line(Describe(entry));
        });
        skype.SetScenarioEndHandler(requestExit);
        skype.SetHandsetStepHandler([&handset](const sim::ScenarioStep& step) {
            if (handset) ApplyHandsetStep(*handset, step);
        });

        std::thread signalWatcher([&] {
            int received = 0;
            sigwait(&stopSignals, &received);
            if (received == SIGINT || received == SIGTERM) requestExit();
        });

        terminal::TerminalFrontEnd frontEnd(
            screen,
            {skype, handset.get(), requestExit,
             [&printer](const std::string& line) { printer.Line(line); }},
            screenDumpPath);

        skype.Start();
        if (interactive && !frontEnd.Start(STDIN_FILENO, terminalFd)) {
            printer.Redirect({});
            std::fprintf(stderr,
                         "Kestrava: the terminal could not be set up; running without it\n");
        }
        skype.Play(scenario);
        exitCode = application.Run();
        frontEnd.Stop();  // the terminal is restored before anything more is printed
        printer.Redirect({});
        skype.Stop();
        if (handset) printer.Line("handset LCD at the end:\n" + handset->LcdPicture());
        // Wake the signal watcher if no signal came.
        pthread_kill(signalWatcher.native_handle(), SIGTERM);
        signalWatcher.join();
    }
    handset.reset();
    traces.Finish(terminalFd);
    printer.Line("simulation ended");
    return exitCode;
}
