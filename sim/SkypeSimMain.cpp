// SkypeSim.exe: the simulated Skype client as a Windows program of its own.
//
//   SkypeSim.exe [--log FILE] [--announce] [--attach-statuses 1,0] [--scenario FILE]
//
// It logs every entry (see SkypeClientSim) to stdout and, with --log, to FILE,
// one line each, flushed at once so another process can follow it. It ends on
// WM_CLOSE to its API window or when a scenario ends; a close request to its
// main window only hides it, as the client goes to the tray.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "platform/win32/Win32WindowSystem.h"
#include "sim/SkypeClientSim.h"

using namespace kestrava;

int main(int argc, char** argv) {
    std::string logPath, scenarioPath;
    bool announce = false;
    sim::SkypeClientSim::Options options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--log" && i + 1 < argc) {
            logPath = argv[++i];
        } else if (arg == "--announce") {
            announce = true;
        } else if (arg == "--scenario" && i + 1 < argc) {
            scenarioPath = argv[++i];
        } else if (arg == "--attach-statuses" && i + 1 < argc) {
            options.attachStatuses.clear();
            std::istringstream list(argv[++i]);
            for (std::string item; std::getline(list, item, ',');) {
                char* end = nullptr;
                long status = std::strtol(item.c_str(), &end, 0);
                if (item.empty() || *end != '\0') {
                    std::fprintf(stderr, "SkypeSim: bad attach status %s\n", item.c_str());
                    return 2;
                }
                options.attachStatuses.push_back(status);
            }
        } else {
            std::fprintf(stderr, "SkypeSim: unknown argument %s\n", arg.c_str());
            return 2;
        }
    }

    FILE* log = logPath.empty() ? nullptr : std::fopen(logPath.c_str(), "w");
    Win32WindowSystem windows;
    sim::SkypeClientSim client(windows, windows, options);
    client.SetObserver([log](const std::string& entry) {
        std::printf("%s\n", entry.c_str());
        std::fflush(stdout);
        if (log) {
            std::fprintf(log, "%s\n", entry.c_str());
            std::fflush(log);
        }
    });
    client.SetScenarioEndHandler([&client] { client.Stop(); });
    if (!scenarioPath.empty()) {
        std::string error;
        auto scenario = sim::Scenario::Load(scenarioPath, &error);
        if (!scenario) {
            std::fprintf(stderr, "SkypeSim: %s\n", error.c_str());
            return 2;
        }
        client.Play(*scenario);
    }
    if (announce) client.Announce();
    client.Run();
    if (log) std::fclose(log);
    return 0;
}
