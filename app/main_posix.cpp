// Kestrava on Linux: simulation mode, with the simulated Skype client in the
// in-process desktop, printing the link state and every line that crosses it.
#include <pthread.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "app/Application.h"
#include "app/ShellConstants.h"
#include "platform/posix/InProcessDesktop.h"
#include "sim/SkypeClientSim.h"

using namespace kestrava;

// Built before main, as on Windows: the HID library is loaded at once.
static CDeviceLibrary g_DeviceLibrary(SystemModuleLoader(), SystemShell());

namespace {

void PrintUsage() {
    std::puts(
        "usage: Kestrava --simulate [--scenario FILE]\n"
        "\n"
        "Runs Kestrava against a simulated Skype client and prints the link state\n"
        "and every line that crosses the link, until Ctrl-C or the end of the\n"
        "scenario. Without a scenario the client announces itself and waits.");
}

class Printer {
  public:
    void Line(const std::string& text) {
        auto elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start);
        std::lock_guard lock(m_mutex);
        std::printf("[%7.3f] %s\n", elapsed.count(), text.c_str());
        std::fflush(stdout);
    }

  private:
    std::mutex m_mutex;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

std::string Describe(const std::string& entry) {
    if (entry.rfind("COMMAND ", 0) == 0) return "Kestrava -> Skype: " + entry.substr(8);
    if (entry.rfind("NOTIFY ", 0) == 0) return "Skype -> Kestrava: " + entry.substr(7);
    return "skype: " + entry;
}

}  // namespace

int main(int argc, char** argv) {
    bool simulate = false;
    std::string scenarioPath;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--simulate") == 0) {
            simulate = true;
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
            std::fprintf(stderr, "Kestrava: %s\n", error.c_str());
            return 2;
        }
        scenario = *loaded;
    }

    // Ctrl-C and SIGTERM reach a thread of their own, which asks for Exit.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    Printer printer;
    InProcessDesktop desktop;
    auto kestrava = desktop.OpenProgram("Kestrava");
    auto skypeProgram = desktop.OpenProgram("Skype");
    Platform platform{*kestrava, *kestrava, SystemModuleLoader(), SystemShell()};
    Application application(platform, g_DeviceLibrary);
    application.Links().SetTrace([&printer](const std::string& event) { printer.Line(event); });

    auto requestExit = [&application, &kestrava] {
        if (WindowHandle window = application.State().mainWindow.load()) {
            kestrava->Post(window, msg::kCommand, IDM_EXIT, 0);
        }
    };
    sim::SkypeClientSim skype(*skypeProgram, *skypeProgram);
    skype.SetObserver([&printer](const std::string& entry) { printer.Line(Describe(entry)); });
    skype.SetScenarioEndHandler(requestExit);

    std::thread signalWatcher([&] {
        int received = 0;
        sigwait(&stopSignals, &received);
        if (received == SIGINT || received == SIGTERM) requestExit();
    });

    skype.Start();
    skype.Play(scenario);
    int exitCode = application.Run();
    skype.Stop();
    // Wake the signal watcher if no signal came.
    pthread_kill(signalWatcher.native_handle(), SIGTERM);
    signalWatcher.join();
    printer.Line("simulation ended");
    return exitCode;
}
