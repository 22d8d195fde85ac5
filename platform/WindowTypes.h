// Window-message vocabulary shared by the core and the adapters.
//
// The core speaks in the window system's own terms (messages, wParam, lParam)
// without including any system header; the constants below carry the values
// the system gives them.
#pragma once

#include <cstdint>
#include <functional>

namespace kestrava {

using WindowHandle = std::uintptr_t;
using WParam = std::uintptr_t;
using LParam = std::intptr_t;

// A window procedure: (window, message, wParam, lParam) -> result.
using WindowProc = std::function<LParam(WindowHandle, std::uint32_t, WParam, LParam)>;

// Same layout as the system's COPYDATASTRUCT; the Win32 adapter checks it.
struct CopyDataPacket {
    std::uintptr_t dwData;
    std::uint32_t cbData;
    const void* lpData;
};

namespace msg {
inline constexpr std::uint32_t kDestroy = 0x0002;             // WM_DESTROY
inline constexpr std::uint32_t kActivate = 0x0006;            // WM_ACTIVATE
inline constexpr std::uint32_t kPaint = 0x000F;               // WM_PAINT
inline constexpr std::uint32_t kClose = 0x0010;               // WM_CLOSE
inline constexpr std::uint32_t kCopyData = 0x004A;            // WM_COPYDATA
inline constexpr std::uint32_t kKeyDown = 0x0100;             // WM_KEYDOWN
inline constexpr std::uint32_t kKeyUp = 0x0101;               // WM_KEYUP
inline constexpr std::uint32_t kInitDialog = 0x0110;          // WM_INITDIALOG
inline constexpr std::uint32_t kCommand = 0x0111;             // WM_COMMAND
inline constexpr std::uint32_t kSysCommand = 0x0112;          // WM_SYSCOMMAND
inline constexpr std::uint32_t kTimer = 0x0113;               // WM_TIMER
inline constexpr std::uint32_t kVScroll = 0x0115;             // WM_VSCROLL
inline constexpr std::uint32_t kLeftButtonDown = 0x0201;      // WM_LBUTTONDOWN
inline constexpr std::uint32_t kLeftButtonUp = 0x0202;        // WM_LBUTTONUP
inline constexpr std::uint32_t kPowerBroadcast = 0x0218;      // WM_POWERBROADCAST
inline constexpr std::uint32_t kDeviceChange = 0x0219;        // WM_DEVICECHANGE
inline constexpr std::uint32_t kMixerControlChange = 0x03D1;  // MM_MIXM_CONTROL_CHANGE
inline constexpr std::uint32_t kUser = 0x0400;                // WM_USER
inline constexpr std::uint32_t kApp = 0x8000;                 // WM_APP
inline constexpr std::uint32_t kTabGetCurSel = 0x130B;        // TCM_GETCURSEL
}  // namespace msg

namespace power {
inline constexpr WParam kSuspend = 4;         // PBT_APMSUSPEND
inline constexpr WParam kStandby = 5;         // PBT_APMSTANDBY
inline constexpr WParam kResumeCritical = 6;  // PBT_APMRESUMECRITICAL
inline constexpr WParam kResumeSuspend = 7;   // PBT_APMRESUMESUSPEND
inline constexpr WParam kResumeStandby = 8;   // PBT_APMRESUMESTANDBY
// Sent on every resume; one the person wakes is followed by kResumeSuspend.
inline constexpr WParam kResumeAutomatic = 0x12;  // PBT_APMRESUMEAUTOMATIC
}  // namespace power

inline constexpr WParam kClickActive = 2;     // WA_CLICKACTIVE
inline constexpr WParam kLeftButtonFlag = 1;  // MK_LBUTTON
inline constexpr int kOk = 1;                 // IDOK
inline constexpr int kCancel = 2;             // IDCANCEL
// Notification codes in the high word of WM_COMMAND's wParam.
inline constexpr std::uint16_t kButtonClicked = 0;   // BN_CLICKED
inline constexpr std::uint16_t kComboSelChange = 1;  // CBN_SELCHANGE

// WM_COMMAND's wParam for notice `code` of control `controlId`.
inline constexpr WParam CommandParam(int controlId, std::uint16_t code) {
    return static_cast<WParam>((static_cast<std::uint32_t>(code) << 16) |
                               static_cast<std::uint16_t>(controlId));
}

// lParam of a mouse message: the client position.
inline constexpr LParam ClientPosition(int x, int y) {
    return static_cast<LParam>((static_cast<std::uint32_t>(y & 0xFFFF) << 16) |
                               static_cast<std::uint32_t>(x & 0xFFFF));
}

inline constexpr WParam kDeviceNodesChanged = 7;  // DBT_DEVNODES_CHANGED

// Pseudo window that addresses every top-level window (HWND_BROADCAST).
inline constexpr WindowHandle kBroadcastWindow = 0xFFFF;

inline constexpr std::uint16_t LowWord(WParam value) {
    return static_cast<std::uint16_t>(value);
}
inline constexpr std::uint16_t HighWord(WParam value) {
    return static_cast<std::uint16_t>(value >> 16);
}

}  // namespace kestrava
