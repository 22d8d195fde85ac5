// Process-wide state of the shell. Several threads read and write these values
// without a lock, so each is a single atomic word; moduleDirectory is written
// once at start-up before any other thread runs.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/WindowTypes.h"

namespace kestrava {

struct ShellState {
    std::atomic<std::uint32_t> attachMessage{0};    // "SkypeControlAPIAttach"
    std::atomic<std::uint32_t> discoverMessage{0};  // "SkypeControlAPIDiscover"
    std::atomic<WindowHandle> mainWindow{0};        // 0 before creation and after WM_DESTROY
    std::atomic<WindowHandle> skypeApiWindow{0};    // Skype's API window; 0 while detached
    std::atomic<std::int32_t> recheckArmed{0};      // the device re-check timer is armed
    std::atomic<std::int32_t> g_bHandsetAnnounced{0};
    // Children of Skype's main window, found on attaching (0 = not known).
    std::atomic<WindowHandle> skypePageControl{0};
    std::atomic<WindowHandle> skypeContactList{0};
    std::atomic<WindowHandle> skypeBackgroundGrid{0};
    std::string moduleDirectory;  // the program's folder with its trailing separator

    // Configuration flags only the shell uses.
    std::atomic<std::int32_t> SupportSky{1};
    std::atomic<std::int32_t> SupportAutoRunSkype{0};
    std::atomic<std::int32_t> SupportAutoSwitchAudioDevice{0};
    std::atomic<std::int32_t> SupportAutoSwitchSystemAudioDevice{0};
    std::atomic<std::int32_t> SupportLimitCalls{0};
};

}  // namespace kestrava
