// Port: other programs' windows on the desktop, and the keyboard.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "WindowTypes.h"

namespace kestrava {

class Desktop {
  public:
    struct ChildWindow {
        WindowHandle window;
        std::string className;
    };

    virtual ~Desktop() = default;

    // First top-level window of that class (and that title, when `title` is given); 0 if none.
    virtual WindowHandle FindTopLevelWindow(const std::string& className,
                                            const std::string* title) = 0;
    virtual bool IsWindow(WindowHandle window) = 0;
    virtual WindowHandle ForegroundWindow() = 0;

    // Every descendant of `parent` (children, their children, ...) in the
    // system's enumeration order, each with its class name (EnumChildWindows).
    virtual std::vector<ChildWindow> ChildWindows(WindowHandle parent) = 0;
    // The window and all its ancestors are shown (IsWindowVisible).
    virtual bool IsWindowVisible(WindowHandle window) = 0;
    // The selected tab of a tab control (TCM_GETCURSEL, bounded); -1 when none
    // or when the window does not answer.
    virtual int SelectedTab(WindowHandle tabControl) = 0;

    // Posted, never sent: another program's window must not be able to hang us.
    // A left-button press and release at a client position (WM_LBUTTONDOWN with
    // MK_LBUTTON, then WM_LBUTTONUP).
    virtual void PostClick(WindowHandle window, int x, int y) = 0;
    virtual void PostClose(WindowHandle window) = 0;  // WM_CLOSE
    // WM_SYSCOMMAND with `command` (kMaximize, kMinimize).
    virtual void PostSystemCommand(WindowHandle window, unsigned command) = 0;
    // Activation as by a mouse click (WM_ACTIVATE with WA_CLICKACTIVE).
    virtual void PostClickActivate(WindowHandle window) = 0;

    virtual void BringToForeground(WindowHandle window) = 0;  // SetForegroundWindow

    // One synthetic key event into the system's keyboard input: it reaches the
    // window with the keyboard focus.
    virtual void InjectKey(std::uint8_t virtualKey, std::uint8_t scanCode, bool keyUp) = 0;

    static constexpr unsigned kMaximize = 0xF030;  // SC_MAXIMIZE
    static constexpr unsigned kMinimize = 0xF020;  // SC_MINIMIZE
};

}  // namespace kestrava
