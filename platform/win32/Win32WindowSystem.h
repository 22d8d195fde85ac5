// Window system and desktop of the Windows build: user32.
#pragma once

#include "platform/Desktop.h"
#include "platform/WindowSystem.h"

namespace kestrava {

class Win32WindowSystem final : public WindowSystem, public Desktop {
  public:
    std::uint32_t RegisterMessage(const std::string& name) override;
    bool RegisterWindowClass(const std::string& className, const std::string& iconFile) override;
    void UnregisterWindowClass(const std::string& className) override;
    WindowHandle CreateHiddenWindow(const std::string& className, const std::string& title,
                                    WindowProc procedure) override;
    WindowHandle CreateChildWindow(WindowHandle parent, const std::string& className,
                                   WindowProc procedure) override;
    void ShowWindow(WindowHandle window, bool visible) override;
    void SetFocus(WindowHandle window) override;
    bool DestroyWindow(WindowHandle window) override;
    LParam DefaultProcedure(WindowHandle window, std::uint32_t message, WParam wParam,
                            LParam lParam) override;
    int RunMessageLoop() override;
    void PostQuit(int exitCode) override;
    bool Post(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) override;
    std::optional<LParam> Send(WindowHandle window, std::uint32_t message, WParam wParam,
                               LParam lParam, std::chrono::milliseconds timeout) override;
    void Broadcast(std::uint32_t message, WParam wParam, LParam lParam,
                   std::chrono::milliseconds timeout) override;
    bool SetTimer(WindowHandle window, std::uintptr_t timerId, unsigned periodMs) override;
    void KillTimer(WindowHandle window, std::uintptr_t timerId) override;
    void PumpSentMessages(std::chrono::milliseconds maxWait) override;

    WindowHandle FindTopLevelWindow(const std::string& className,
                                    const std::string* title) override;
    bool IsWindow(WindowHandle window) override;
    WindowHandle ForegroundWindow() override;
    std::vector<ChildWindow> ChildWindows(WindowHandle parent) override;
    bool IsWindowVisible(WindowHandle window) override;
    int SelectedTab(WindowHandle tabControl) override;
    void PostClick(WindowHandle window, int x, int y) override;
    void PostClose(WindowHandle window) override;
    void PostSystemCommand(WindowHandle window, unsigned command) override;
    void PostClickActivate(WindowHandle window) override;
    void BringToForeground(WindowHandle window) override;
    void InjectKey(std::uint8_t virtualKey, std::uint8_t scanCode, bool keyUp) override;
};

}  // namespace kestrava
