// handsethost.exe: the simulated handset as a Windows program of its own, for
// pictures of the program on a desktop (tools/screenshots.sh).
//
//   handsethost.exe ENTRY_FILE [CONTROL_FILE]
//
// Writes the ONDREL_EXTRA_DEVICES entry that finds the handset's pipe to
// ENTRY_FILE, then serves the pipe until told "quit". The commands come from
// standard input, or, with CONTROL_FILE, from that file: it is read and
// deleted whenever it appears (a program started on a virtual desktop has no
// usable standard input). "unplug" and "plug" take the handset's power away
// and give it back; like the system when a device comes or goes, each then
// tells every top-level window that the devices changed. "client STEP" hands
// one scenario step without its time ("client connstatus OFFLINE") to the
// simulated client running on the same desktop, as a person at the client or
// the network would cause it.
#include <windows.h>
// after windows.h, which it needs
#include <dbt.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "sim/ClientStepWin32.h"
#include "sim/SimulatedHandset.h"

namespace {

void BroadcastDeviceChange() {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(HWND_BROADCAST, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0, SMTO_ABORTIFHUNG,
                        2000, &result);
}

// Carries out one command; false for "quit".
bool Obey(kestrava::sim::SimulatedHandset& handset, std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line == "quit") return false;
    if (line == "unplug") {
        handset.Unplug();
        BroadcastDeviceChange();
    } else if (line == "plug") {
        handset.PlugIn();
        BroadcastDeviceChange();
    } else if (line.rfind("client ", 0) == 0) {
        if (!kestrava::sim::SendClientStep(line.substr(7), 2000)) {
            std::fprintf(stderr, "handsethost: the client did not take %s\n", line.c_str() + 7);
        }
    } else if (!line.empty()) {
        std::fprintf(stderr, "handsethost: unknown command %s\n", line.c_str());
    }
    return true;
}

// The lines of the control file, once it is complete (its writer renames it
// into place), and the file gone.
std::vector<std::string> TakeCommands(const char* path) {
    std::vector<std::string> lines;
    {
        std::ifstream file(path);
        if (!file) return lines;
        for (std::string line; std::getline(file, line);) lines.push_back(line);
    }
    std::remove(path);
    return lines;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: handsethost ENTRY_FILE [CONTROL_FILE]\n");
        return 2;
    }
    kestrava::sim::SimulatedHandset handset;
    FILE* entry = std::fopen(argv[1], "w");
    if (entry == nullptr) {
        std::fprintf(stderr, "handsethost: cannot write %s\n", argv[1]);
        return 1;
    }
    std::fprintf(entry, "%s\n", handset.ExtraDeviceEntry().c_str());
    std::fclose(entry);
    if (argc == 2) {
        for (std::string line; std::getline(std::cin, line);) {
            if (!Obey(handset, line)) break;
        }
        return 0;
    }
    for (;;) {
        for (const std::string& line : TakeCommands(argv[2])) {
            if (!Obey(handset, line)) return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}
