// Port: the window system of one program (its windows, message loop and
// messages to other programs' windows).
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "WindowTypes.h"

namespace kestrava {

class WindowSystem {
  public:
    virtual ~WindowSystem() = default;

    // Id of a registered message; the same name gives the same id to every program.
    // 0 on failure.
    virtual std::uint32_t RegisterMessage(const std::string& name) = 0;

    // Registers a window class of this program; `iconFile` may be empty (no icon).
    virtual bool RegisterWindowClass(const std::string& className, const std::string& iconFile) = 0;
    virtual void UnregisterWindowClass(const std::string& className) = 0;

    // Creates a top-level window that is never shown, owned by the calling thread.
    // Returns 0 on failure.
    virtual WindowHandle CreateHiddenWindow(const std::string& className, const std::string& title,
                                            WindowProc procedure) = 0;
    // A child window of `parent`, owned by the calling thread (the simulated
    // client builds its window tree with it). Hidden until ShowWindow.
    virtual WindowHandle CreateChildWindow(WindowHandle parent, const std::string& className,
                                           WindowProc procedure) = 0;
    // Shows or hides one of this program's windows (no activation).
    virtual void ShowWindow(WindowHandle window, bool visible) = 0;
    // Gives the keyboard focus to one of this program's windows (SetFocus).
    virtual void SetFocus(WindowHandle window) = 0;
    // Must be called on the owning thread; the procedure receives WM_DESTROY.
    virtual bool DestroyWindow(WindowHandle window) = 0;
    // The system's default processing of a message.
    virtual LParam DefaultProcedure(WindowHandle window, std::uint32_t message, WParam wParam,
                                    LParam lParam) = 0;

    // Runs the calling thread's message loop until PostQuit; returns the quit code.
    virtual int RunMessageLoop() = 0;
    virtual void PostQuit(int exitCode) = 0;

    virtual bool Post(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) = 0;

    // Synchronous send that gives up after `timeout` or when the receiving thread is
    // hung; nullopt means the message was not delivered. While it waits, the calling
    // thread keeps handling messages sent to its own windows.
    virtual std::optional<LParam> Send(WindowHandle window, std::uint32_t message, WParam wParam,
                                       LParam lParam, std::chrono::milliseconds timeout) = 0;

    // Sends the message to every top-level window, each bounded by `timeout`.
    virtual void Broadcast(std::uint32_t message, WParam wParam, LParam lParam,
                           std::chrono::milliseconds timeout) = 0;

    virtual bool SetTimer(WindowHandle window, std::uintptr_t timerId, unsigned periodMs) = 0;
    virtual void KillTimer(WindowHandle window, std::uintptr_t timerId) = 0;

    // Handles the messages other threads are sending to the calling thread's
    // windows, waiting at most `maxWait` for one to arrive. A thread that waits
    // for another thread which may be sending to it calls this between looks.
    virtual void PumpSentMessages(std::chrono::milliseconds maxWait) = 0;
};

// Sends `text` (with its terminating zero) as WM_COPYDATA from `sender` to `target`.
// True when it was delivered and the receiver answered non-zero.
bool SendText(WindowSystem& windows, WindowHandle target, WindowHandle sender,
              const std::string& text, std::chrono::milliseconds timeout);

// The text carried by a WM_COPYDATA lParam, up to its terminating zero.
std::string TextOfCopyData(LParam lParam);

}  // namespace kestrava
