// The desktop of the POSIX build: windows, registered messages and per-thread
// message queues inside one process.
//
// It behaves like the Windows desktop where the program depends on it: every
// window belongs to the thread that created it and only that thread runs its
// procedure; a message sent from another thread waits in the owner's queue and
// the sender blocks (bounded by its timeout) while still handling messages sent
// to its own windows; sent messages go before posted ones, timers come last;
// WM_COPYDATA carries a copy of its data, as between two programs. Several
// programs (the product and the simulated peers) each open a Program view.
#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/Desktop.h"
#include "platform/WindowSystem.h"

namespace kestrava {

class InProcessDesktop {
  public:
    class Program;

    InProcessDesktop();
    ~InProcessDesktop();
    InProcessDesktop(const InProcessDesktop&) = delete;
    InProcessDesktop& operator=(const InProcessDesktop&) = delete;

    // A program's view of the desktop: its window classes, its windows and the ports.
    std::unique_ptr<Program> OpenProgram(const std::string& name);

    // The window in front; 0 for none.
    void SetForegroundWindow(WindowHandle window);
    // The window that takes the keyboard's input; 0 for none.
    WindowHandle FocusWindow();

    // Title of a window (tests and simulation mode look at it); empty when unknown.
    std::string TitleOf(WindowHandle window);

  private:
    struct SentMessage;
    struct PostedMessage {
        WindowHandle window;
        std::uint32_t message;
        WParam wParam;
        LParam lParam;
    };
    struct Timer {
        WindowHandle window;
        std::uintptr_t id;
        std::chrono::milliseconds period;
        std::chrono::steady_clock::time_point due;
    };
    struct ThreadQueue {
        std::mutex mutex;
        std::condition_variable wake;
        std::deque<std::shared_ptr<SentMessage>> sent;
        std::deque<PostedMessage> posted;
        std::vector<Timer> timers;
        // Quit requests not yet taken: each ends one loop, so a nested loop
        // (a modal dialog) and the thread's own loop never share one.
        int quitRequests = 0;
        int quitCode = 0;
    };
    struct Window {
        std::string className;
        std::string title;
        WindowProc procedure;
        std::shared_ptr<ThreadQueue> owner;
        const Program* program;
        WindowHandle parent = 0;  // 0 for a top-level window
        bool visible = false;
    };

    std::shared_ptr<ThreadQueue> QueueOfThisThread(bool create);
    bool LookUp(WindowHandle window, WindowProc* procedure, std::shared_ptr<ThreadQueue>* owner);
    LParam Deliver(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam);
    void Process(const std::shared_ptr<SentMessage>& sent);
    std::optional<LParam> Send(WindowHandle window, std::uint32_t message, WParam wParam,
                               LParam lParam, std::chrono::milliseconds timeout);
    bool Post(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam);
    int RunMessageLoop();
    void PumpSentMessages(std::chrono::milliseconds maxWait);
    void PostQuit(int exitCode);
    std::vector<WindowHandle> TopLevelWindows();
    WindowHandle AddWindow(Window window);
    void DescendantsLocked(WindowHandle parent, std::vector<Desktop::ChildWindow>* out);
    void DestroyTree(WindowHandle window);

    std::mutex m_mutex;  // guards everything below
    std::map<std::string, std::uint32_t> m_registeredMessages;
    std::map<WindowHandle, Window> m_windows;
    std::map<std::thread::id, std::shared_ptr<ThreadQueue>> m_queues;
    WindowHandle m_nextHandle = 0x10010;
    WindowHandle m_foreground = 0;
    WindowHandle m_focus = 0;
};

class InProcessDesktop::Program final : public WindowSystem, public Desktop {
  public:
    Program(InProcessDesktop& desktop, std::string name);

    const std::string& Name() const { return m_name; }

    // WindowSystem
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

    // Desktop
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

  private:
    bool HasClass(const std::string& className);

    InProcessDesktop& m_desktop;
    std::string m_name;
    std::mutex m_classMutex;
    std::set<std::string> m_classes;
};

}  // namespace kestrava
