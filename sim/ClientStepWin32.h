// How another Windows process plays the far end or the person at the client:
// one scenario step without its time ("incoming 101 alice.liddell") handed to
// the simulated client's API window (SkypeSim.exe), which carries it out at once.
#pragma once

#include <windows.h>

#include <string>

#include "sim/SkypeClientSim.h"

namespace kestrava::sim {

// True when a simulated client runs and took the step within `timeoutMs`.
inline bool SendClientStep(const std::string& step, UINT timeoutMs) {
    HWND api = FindWindowA(SkypeClientSim::kApiWindowClass, nullptr);
    if (api == nullptr) return false;
    COPYDATASTRUCT packet{SkypeClientSim::kStepData, static_cast<DWORD>(step.size() + 1),
                          const_cast<char*>(step.c_str())};
    DWORD_PTR accepted = 0;
    return SendMessageTimeoutA(api, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&packet),
                               SMTO_ABORTIFHUNG, timeoutMs, &accepted) != 0 &&
           accepted == 1;
}

}  // namespace kestrava::sim
