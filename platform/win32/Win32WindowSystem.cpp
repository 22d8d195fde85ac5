#include "Win32WindowSystem.h"

#include <windows.h>

#include <cstddef>

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
// rides in the window's user data from WM_NCCREATE to WM_NCDESTROY.
LRESULT CALLBACK ThunkProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* procedure = reinterpret_cast<WindowProc*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (procedure == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    LRESULT result = (*procedure)(FromHwnd(window), message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
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
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = 0;
    windowClass.lpfnWndProc = ThunkProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    if (!iconFile.empty()) {
        windowClass.hIcon = static_cast<HICON>(
            LoadImageA(nullptr, iconFile.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
    }
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = className.c_str();
    return RegisterClassExA(&windowClass) != 0;
}

void Win32WindowSystem::UnregisterWindowClass(const std::string& className) {
    UnregisterClassA(className.c_str(), GetModuleHandleA(nullptr));
}

WindowHandle Win32WindowSystem::CreateHiddenWindow(const std::string& className,
                                                   const std::string& title, WindowProc procedure) {
    auto* owned = new WindowProc(std::move(procedure));
    HWND window = CreateWindowExA(0, className.c_str(), title.c_str(), WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), owned);
    if (window == nullptr) {
        delete owned;
        return 0;
    }
    return FromHwnd(window);
}

bool Win32WindowSystem::DestroyWindow(WindowHandle window) {
    return ::DestroyWindow(ToHwnd(window)) != FALSE;
}

LParam Win32WindowSystem::DefaultProcedure(WindowHandle window, std::uint32_t message,
                                           WParam wParam, LParam lParam) {
    return DefWindowProcA(ToHwnd(window), message, wParam, lParam);
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
    return FromHwnd(FindWindowA(className.c_str(), title ? title->c_str() : nullptr));
}

bool Win32WindowSystem::IsWindow(WindowHandle window) {
    return ::IsWindow(ToHwnd(window)) != FALSE;
}

WindowHandle Win32WindowSystem::ForegroundWindow() {
    return FromHwnd(GetForegroundWindow());
}

}  // namespace kestrava
