#include "Win32Tray.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

#include <algorithm>
#include <iterator>

#include "WideText.h"
#include "WindowThunk.h"

namespace kestrava {

namespace {

constexpr wchar_t kMessageWindowClass[] = L"TrayIconClass";

HINSTANCE ProgramModule() {
    return GetModuleHandleW(nullptr);
}

HWND Hwnd(WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}

LRESULT CALLBACK MessageWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* area = WindowTarget<Win32NotifyArea>(window, message, lParam);
    if (area == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    LRESULT result =
        area->OnMessage(reinterpret_cast<WindowHandle>(window), message, wParam, lParam);
    if (message == WM_NCDESTROY) ForgetWindowTarget(window);
    return result;
}

// The system's own layout and size: the 64-bit build has its own.
NOTIFYICONDATAW ToSystem(const NotifyArea::Icon& icon) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = Hwnd(icon.owner);
    data.uID = icon.id;
    data.uFlags = icon.flags;
    data.uCallbackMessage = icon.callbackMessage;
    data.hIcon = reinterpret_cast<HICON>(icon.icon);
    std::wstring tip = Utf8ToWide(icon.tooltip);
    tip.resize(std::min(tip.size(), std::size(data.szTip) - 1));
    tip.copy(data.szTip, tip.size());
    return data;
}

}  // namespace

Win32NotifyArea::Win32NotifyArea(std::uint16_t language)
    : m_language(language), m_recreatedMessage(RegisterWindowMessageW(L"TaskbarCreated")) {}

Win32NotifyArea::~Win32NotifyArea() {
    DestroyMessageWindow();
}

// Every system this program runs on has a shell of version 4 or later; the
// check stays for the rare one that runs without the system shell.
bool Win32NotifyArea::Available() {
    return LOBYTE(LOWORD(GetVersion())) >= 4;
}

WindowHandle Win32NotifyArea::CreateMessageWindow(std::function<void()> recreated) {
    if (m_messageWindow) return 0;
    if (!m_classRegistered) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
        windowClass.lpfnWndProc = MessageWindowProcedure;
        windowClass.hInstance = ProgramModule();
        windowClass.lpszClassName = kMessageWindowClass;
        m_classRegistered =
            RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
        if (!m_classRegistered) return 0;
    }
    m_recreated = std::move(recreated);
    HWND window =
        CreateWindowExW(0, kMessageWindowClass, L"", WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, ProgramModule(), this);
    m_messageWindow = reinterpret_cast<WindowHandle>(window);
    return m_messageWindow;
}

void Win32NotifyArea::DestroyMessageWindow() {
    if (m_messageWindow) DestroyWindow(Hwnd(m_messageWindow));
    m_messageWindow = 0;
    m_recreated = nullptr;
    if (m_classRegistered) UnregisterClassW(kMessageWindowClass, ProgramModule());
    m_classRegistered = false;
}

std::intptr_t Win32NotifyArea::OnMessage(WindowHandle window, std::uint32_t message,
                                         std::uintptr_t wParam, std::intptr_t lParam) {
    if (message != 0 && message == m_recreatedMessage) {
        if (m_recreated) m_recreated();
        return 0;
    }
    return DefWindowProcW(Hwnd(window), message, wParam, lParam);
}

bool Win32NotifyArea::AddIcon(const Icon& icon) {
    NOTIFYICONDATAW data = ToSystem(icon);
    return Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
}

bool Win32NotifyArea::ModifyIcon(const Icon& icon) {
    NOTIFYICONDATAW data = ToSystem(icon);
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

bool Win32NotifyArea::DeleteIcon(WindowHandle owner, std::uint32_t id) {
    NotifyArea::Icon icon;
    icon.owner = owner;
    icon.id = id;
    NOTIFYICONDATAW data = ToSystem(icon);
    return Shell_NotifyIconW(NIM_DELETE, &data) != FALSE;
}

NotifyArea::IconHandle Win32NotifyArea::LoadIconFile(const std::string& path) {
    if (path.empty()) return 0;
    HANDLE icon = LoadImageW(nullptr, Utf8ToWide(path).c_str(), IMAGE_ICON, 0, 0,
                             LR_LOADFROMFILE | LR_DEFAULTSIZE);
    return reinterpret_cast<IconHandle>(icon);
}

void Win32NotifyArea::DestroyIcon(IconHandle icon) {
    if (icon) ::DestroyIcon(reinterpret_cast<HICON>(icon));
}

void* Win32NotifyArea::LoadTrayMenu(int menuId) const {
    if (menuId < 0 || menuId > 0xFFFF) return nullptr;
    if (m_language == 0) return LoadMenuW(ProgramModule(), MAKEINTRESOURCEW(menuId));
    HINSTANCE module = ProgramModule();
    HRSRC found = FindResourceExW(module, MAKEINTRESOURCEW(4) /* RT_MENU */,
                                  MAKEINTRESOURCEW(menuId), m_language);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* menuTemplate = loaded ? LockResource(loaded) : nullptr;
    return menuTemplate ? LoadMenuIndirectW(menuTemplate) : nullptr;
}

std::vector<NotifyArea::MenuItem> Win32NotifyArea::MenuItems(int menuId) {
    std::vector<MenuItem> items;
    HMENU menu = static_cast<HMENU>(LoadTrayMenu(menuId));
    if (!menu) return items;
    if (HMENU popup = GetSubMenu(menu, 0)) {
        const int count = GetMenuItemCount(popup);
        for (int i = 0; i < count; ++i) {
            MenuItem item;
            UINT id = GetMenuItemID(popup, i);
            item.command = id == static_cast<UINT>(-1) ? 0 : static_cast<std::uint16_t>(id);
            wchar_t text[128] = {};
            int length = GetMenuStringW(popup, static_cast<UINT>(i), text,
                                        static_cast<int>(std::size(text)), MF_BYPOSITION);
            item.text = WideToUtf8(text, length);
            items.push_back(std::move(item));
        }
    }
    DestroyMenu(menu);
    return items;
}

// The command comes back from the menu (TPM_RETURNCMD) and the tray icon
// posts it: the same WM_COMMAND the menu would post itself, and one road for
// every system.
std::uint16_t Win32NotifyArea::PopUpMenu(int menuId, int defaultPosition, WindowHandle owner,
                                         Point at) {
    HMENU menu = static_cast<HMENU>(LoadTrayMenu(menuId));
    if (!menu) return 0;
    std::uint16_t command = 0;
    if (HMENU popup = GetSubMenu(menu, 0)) {
        SetMenuDefaultItem(popup, static_cast<UINT>(defaultPosition), TRUE);
        BOOL chosen = TrackPopupMenu(popup, TPM_LEFTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x,
                                     at.y, 0, Hwnd(owner), nullptr);
        command = static_cast<std::uint16_t>(chosen);
    }
    DestroyMenu(menu);
    return command;
}

NotifyArea::Point Win32NotifyArea::CursorPosition() {
    POINT cursor{};
    GetCursorPos(&cursor);
    return {static_cast<int>(cursor.x), static_cast<int>(cursor.y)};
}

void Win32NotifyArea::BringToForeground(WindowHandle window) {
    SetForegroundWindow(Hwnd(window));
}

// A string table is stored in blocks of 16 entries, each a length and that
// many UTF-16 units.
std::string Win32ResourceStrings::Load(int id) {
    if (id < 0 || id > 0xFFFF) return {};
    if (m_language == 0) {
        const wchar_t* text = nullptr;
        int length =
            LoadStringW(ProgramModule(), static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
        return WideToUtf8(text, length);
    }
    HINSTANCE module = ProgramModule();
    HRSRC block = FindResourceExW(module, MAKEINTRESOURCEW(6) /* RT_STRING */,
                                  MAKEINTRESOURCEW(id / 16 + 1), m_language);
    if (!block) return {};
    HGLOBAL loaded = LoadResource(module, block);
    const auto* at = static_cast<const WORD*>(loaded ? LockResource(loaded) : nullptr);
    if (!at) return {};
    const WORD* end = at + SizeofResource(module, block) / sizeof(WORD);
    for (int entry = 0; entry < id % 16 && at < end; ++entry) at += 1 + *at;
    if (at >= end || at + 1 + *at > end) return {};
    return WideToUtf8(reinterpret_cast<const wchar_t*>(at + 1), *at);
}

}  // namespace kestrava
