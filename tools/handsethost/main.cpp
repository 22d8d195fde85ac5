// handsethost.exe: the simulated handset as a Windows program of its own, for
// pictures of the program on a desktop (tools/screenshots.sh).
//
//   handsethost.exe ENTRY_FILE
//
// Writes the ONDREL_EXTRA_DEVICES entry that finds the handset's pipe to
// ENTRY_FILE, then serves the pipe until standard input ends or says "quit";
// "unplug" and "plug" take the handset's power away and give it back.
#include <cstdio>
#include <iostream>
#include <string>

#include "sim/SimulatedHandset.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: handsethost ENTRY_FILE\n");
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
    for (std::string line; std::getline(std::cin, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line == "quit") break;
        if (line == "unplug") handset.Unplug();
        if (line == "plug") handset.PlugIn();
    }
    return 0;
}
