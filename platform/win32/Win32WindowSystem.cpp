#include "Win32WindowSystem.h"

#include <windows.h>

#include <cstddef>

#include "WideText.h"
#include "WindowThunk.h"

namespace kestrava {

static_assert(sizeof(CopyDataPacket) == sizeof(COPYDATASTRUCT));
static_assert(offsetof(CopyDataPacket, dwData) == offsetof(COPYDATASTRUCT, dwData));
static_assert(offsetof(CopyDataPacket, cbData) == offsetof(COPYDATASTRUCT, cbData));
static_assert(offsetof(CopyDataPacket, lpData) == offsetof(COPYDATASTRUCT, lpData));

namespace {

HWND ToHwnd(WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}
WindowHandle FromHwnd(HWND window) {
    return reinterpret_cast<WindowHandle>(window);
}

// Every window of the program runs through this procedure; the core's procedure
// rides in the window's user data from WM_NCCREATE to WM_NCDESTROY. The
// windows are Unicode windows: a title keeps every character, whatever the
// ANSI code page (the program's texts are UTF-8).
LRESULT CALLBACK ThunkProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* procedure = WindowTarget<WindowProc>(window, message, lParam);
    if (procedure == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    // An empty procedure (a window made without one) gets the default handling.
    LRESULT result = *procedure ? (*procedure)(FromHwnd(window), message, wParam, lParam)
                                : DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ForgetWindowTarget(window);
        delete procedure;
    }
    return result;
}

}  // namespace

std::uint32_t Win32WindowSystem::RegisterMessage(const std::string& name) {
    return RegisterWindowMessageA(name.c_str());
}

bool Win32WindowSystem::RegisterWindowClass(const std::string& className,
                                            const std::string& iconFile) {
    const std::wstring wideClass = Utf8ToWide(className);
    const std::wstring wideIcon = Utf8ToWide(iconFile);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = 0;
    windowClass.lpfnWndProc = ThunkProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    if (!wideIcon.empty()) {
        windowClass.hIcon = static_cast<HICON>(
            LoadImageW(nullptr, wideIcon.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
    }
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = wideClass.c_str();
    return RegisterClassExW(&windowClass) != 0;
}

void Win32WindowSystem::UnregisterWindowClass(const std::string& className) {
    UnregisterClassW(Utf8ToWide(className).c_str(), GetModuleHandleW(nullptr));
}

WindowHandle Win32WindowSystem::CreateHiddenWindow(const std::string& className,
                                                   const std::string& title, WindowProc procedure) {
    const std::wstring wideClass = Utf8ToWide(className);
    const std::wstring wideTitle = Utf8ToWide(title);
    auto* owned = new WindowProc(std::move(procedure));
    HWND window = CreateWindowExW(0, wideClass.c_str(), wideTitle.c_str(), WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), owned);
    if (window == nullptr) {
        delete owned;
        return 0;
    }
    return FromHwnd(window);
}

WindowHandle Win32WindowSystem::CreateChildWindow(WindowHandle parent, const std::string& className,
                                                  WindowProc procedure) {
    const std::wstring wideClass = Utf8ToWide(className);
    auto* owned = new WindowProc(std::move(procedure));
    HWND window = CreateWindowExW(0, wideClass.c_str(), L"", WS_CHILD, 0, 0, 200, 40,
                                  ToHwnd(parent), nullptr, GetModuleHandleW(nullptr), owned);
    if (window == nullptr) {
        delete owned;
        return 0;
    }
    return FromHwnd(window);
}

void Win32WindowSystem::ShowWindow(WindowHandle window, bool visible) {
    ::ShowWindow(ToHwnd(window), visible ? SW_SHOWNOACTIVATE : SW_HIDE);
}

void Win32WindowSystem::SetFocus(WindowHandle window) {
    ::SetFocus(ToHwnd(window));
}

bool Win32WindowSystem::DestroyWindow(WindowHandle window) {
    return ::DestroyWindow(ToHwnd(window)) != FALSE;
}

LParam Win32WindowSystem::DefaultProcedure(WindowHandle window, std::uint32_t message,
                                           WParam wParam, LParam lParam) {
    return DefWindowProcW(ToHwnd(window), message, wParam, lParam);
}

int Win32WindowSystem::RunMessageLoop() {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

void Win32WindowSystem::PostQuit(int exitCode) {
    PostQuitMessage(exitCode);
}

bool Win32WindowSystem::Post(WindowHandle window, std::uint32_t message, WParam wParam,
                             LParam lParam) {
    return PostMessageA(ToHwnd(window), message, wParam, lParam) != FALSE;
}

std::optional<LParam> Win32WindowSystem::Send(WindowHandle window, std::uint32_t message,
                                              WParam wParam, LParam lParam,
                                              std::chrono::milliseconds timeout) {
    DWORD_PTR result = 0;
    // SMTO_NORMAL keeps the caller answering messages sent to it while it waits;
    // a hung receiver is given up on at once.
    LRESULT delivered =
        SendMessageTimeoutA(ToHwnd(window), message, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                            static_cast<UINT>(timeout.count()), &result);
    if (delivered == 0) return std::nullopt;
    return static_cast<LParam>(result);
}

void Win32WindowSystem::Broadcast(std::uint32_t message, WParam wParam, LParam lParam,
                                  std::chrono::milliseconds timeout) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(HWND_BROADCAST, message, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                        static_cast<UINT>(timeout.count()), &result);
}

bool Win32WindowSystem::SetTimer(WindowHandle window, std::uintptr_t timerId, unsigned periodMs) {
    return ::SetTimer(ToHwnd(window), timerId, periodMs, nullptr) != 0;
}

void Win32WindowSystem::KillTimer(WindowHandle window, std::uintptr_t timerId) {
    ::KillTimer(ToHwnd(window), timerId);
}

void Win32WindowSystem::PumpSentMessages(std::chrono::milliseconds maxWait) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(maxWait.count()),
                              QS_SENDMESSAGE);
    MSG message;
    // Peeking for sent messages handles them; nothing posted is removed.
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

WindowHandle Win32WindowSystem::FindTopLevelWindow(const std::string& className,
                                                   const std::string* title) {
    const std::wstring wideClass = Utf8ToWide(className);
    const std::wstring wideTitle = title ? Utf8ToWide(*title) : std::wstring();
    return FromHwnd(FindWindowW(wideClass.c_str(), title ? wideTitle.c_str() : nullptr));
}

bool Win32WindowSystem::IsWindow(WindowHandle window) {
    return ::IsWindow(ToHwnd(window)) != FALSE;
}

WindowHandle Win32WindowSystem::ForegroundWindow() {
    return FromHwnd(GetForegroundWindow());
}

namespace {

BOOL CALLBACK CollectChild(HWND window, LPARAM context) {
    auto* children = reinterpret_cast<std::vector<Desktop::ChildWindow>*>(context);
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    children->push_back({FromHwnd(window), name});
    return TRUE;
}

}  // namespace

std::vector<Desktop::ChildWindow> Win32WindowSystem::ChildWindows(WindowHandle parent) {
    std::vector<ChildWindow> children;
    if (parent != 0) {
        EnumChildWindows(ToHwnd(parent), CollectChild, reinterpret_cast<LPARAM>(&children));
    }
    return children;
}

bool Win32WindowSystem::IsWindowVisible(WindowHandle window) {
    return ::IsWindowVisible(ToHwnd(window)) != FALSE;
}

int Win32WindowSystem::SelectedTab(WindowHandle tabControl) {
    if (tabControl == 0) return -1;
    DWORD_PTR result = 0;
    if (SendMessageTimeoutA(ToHwnd(tabControl), msg::kTabGetCurSel, 0, 0,
                            SMTO_NORMAL | SMTO_ABORTIFHUNG, 500, &result) == 0) {
        return -1;
    }
    return static_cast<int>(static_cast<LRESULT>(result));
}

void Win32WindowSystem::PostClick(WindowHandle window, int x, int y) {
    PostMessageA(ToHwnd(window), WM_LBUTTONDOWN, MK_LBUTTON, ClientPosition(x, y));
    PostMessageA(ToHwnd(window), WM_LBUTTONUP, 0, ClientPosition(x, y));
}

void Win32WindowSystem::PostClose(WindowHandle window) {
    PostMessageA(ToHwnd(window), WM_CLOSE, 0, 0);
}

void Win32WindowSystem::PostSystemCommand(WindowHandle window, unsigned command) {
    PostMessageA(ToHwnd(window), WM_SYSCOMMAND, command, 0);
}

void Win32WindowSystem::PostClickActivate(WindowHandle window) {
    PostMessageA(ToHwnd(window), WM_ACTIVATE, WA_CLICKACTIVE, 0);
}

void Win32WindowSystem::BringToForeground(WindowHandle window) {
    SetForegroundWindow(ToHwnd(window));
}

void Win32WindowSystem::InjectKey(std::uint8_t virtualKey, std::uint8_t scanCode, bool keyUp) {
    keybd_event(virtualKey, scanCode, keyUp ? KEYEVENTF_KEYUP : 0, 0);
}

}  // namespace kestrava
