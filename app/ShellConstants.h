// The main window's own messages, timers and menu commands.
#pragma once

#include <cstdint>

#include "handset/HandsetCommands.h"  // the handset commands the shell sends
#include "platform/WindowTypes.h"

namespace kestrava {

inline constexpr std::uint32_t WM_HANDSET_REPORT = msg::kUser + 100;  // 0x0464
inline constexpr std::uint32_t WM_TRAY_NOTIFY = msg::kApp + 10;       // 0x800A
// Asks the main window to restart its focus timer: timers belong to the
// window's own thread, and the link worker runs on another.
inline constexpr std::uint32_t WM_RESTART_FOCUS_TIMER = msg::kApp + 11;

inline constexpr std::uintptr_t IDT_SKYPE_FOCUS = 12345;
inline constexpr unsigned kSkypeFocusPeriodMs = 100;
inline constexpr std::uintptr_t IDT_DEVICE_RECHECK = 0x8001;
inline constexpr unsigned kDeviceRecheckDelayMs = 600;

inline constexpr std::uint16_t IDM_EXIT = 40001;
inline constexpr std::uint16_t IDM_ABOUT = 40002;
inline constexpr std::uint16_t IDM_VOLUME = 40007;
inline constexpr std::uint16_t IDM_ADVANCED = 40008;
inline constexpr std::uint16_t IDM_AUDIO_DEVICES = 40009;

// The tray icon's id, also the number of its menu resource.
inline constexpr std::uint32_t kTrayIconId = 112;

inline constexpr LParam kAttachSuccess = 0;
inline constexpr LParam kAttachApiAvailable = 0x8001;

inline constexpr const char* kMainWindowClass = "MainWndClass";  // string table entry 3
inline constexpr const char* kAttachMessageName = "SkypeControlAPIAttach";
inline constexpr const char* kDiscoverMessageName = "SkypeControlAPIDiscover";
inline constexpr const char* kExitSignalName = "Get exit signal";

}  // namespace kestrava
