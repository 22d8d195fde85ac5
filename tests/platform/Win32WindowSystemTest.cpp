// The window system's windows under the real system (Wine's under the cross
// build): their titles are the program's UTF-8 texts, whatever the ANSI code
// page.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/win32/Win32WindowSystem.h"

namespace kestrava {
namespace {

TEST(Win32WindowSystem, ATitleKeepsEveryCharacterAndFindsItsWindow) {
    Win32WindowSystem windows;
    const std::string className = "KestravaTitleTest";
    ASSERT_TRUE(windows.RegisterWindowClass(className, ""));
    // A Chinese and a German name: no single ANSI code page has both.
    const std::string title = "\xE7\x8E\x8B\xE5\xB0\x8F\xE6\x98\x8E M\xC3\xBCller Desk";
    WindowHandle window = windows.CreateHiddenWindow(className, title, nullptr);
    ASSERT_NE(window, 0u);

    wchar_t text[64] = {};
    GetWindowTextW(reinterpret_cast<HWND>(window), text, 64);
    EXPECT_EQ(std::wstring(text), L"\x738B\x5C0F\x660E M\xFCller Desk");
    EXPECT_EQ(windows.FindTopLevelWindow(className, &title), window);
    const std::string other = "\xE7\x8E\x8B M\xC3\xBCller Desk";
    EXPECT_EQ(windows.FindTopLevelWindow(className, &other), 0u);

    EXPECT_TRUE(windows.DestroyWindow(window));
    windows.UnregisterWindowClass(className);
}

}  // namespace
}  // namespace kestrava
