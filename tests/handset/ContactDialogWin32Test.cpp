// The contact action dialog as the Windows build shows it: the program's own
// dialog resource, its list box, and keys from another thread.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <functional>
#include <thread>

#include "handset/ContactDialog.h"
#include "platform/win32/Win32DialogHost.h"
#include "platform/win32/Win32WindowSystem.h"
#include "session/CSessionStore.h"
#include "tests/session/StoreTestSupport.h"

namespace {

bool WaitUntil(const std::function<bool()>& condition) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

std::wstring LineText(HWND list, int index) {
    wchar_t text[300] = {};
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return text;
}

TEST(ContactDialogWin32, OpensFillsMovesAndClosesFromAnotherThread) {
    kestrava::Win32DialogHost host;
    kestrava::Win32WindowSystem windows;
    CSessionStore store;
    session_test::AddRecord(store, 1, 1, 4, "carol");
    session_test::AddRecord(store, 2, 1, 4, "\xC3\xA4rger");
    session_test::AddRecord(store, 3, 3, 4, "+4930");
    // Outside the code page of an English or a Chinese system alike.
    session_test::AddRecord(store, 4, 1, 4, "\xE5\xBC\xA0\xC3\xA4\xD7\x90");
    CContactDialog dialog(host, windows);
    dialog.SetSources(&store, nullptr);

    dialog.ListKey(CContactDialog::kRedial);
    ASSERT_TRUE(WaitUntil([&] { return dialog.IsOpen(); }));
    dialog.SelectedHandle();  // answered once it has filled itself
    const std::string title = "Redial";
    HWND window = reinterpret_cast<HWND>(windows.FindTopLevelWindow("#32770", &title));
    ASSERT_NE(nullptr, window);
    HWND list = GetDlgItem(window, CContactDialog::kListControl);
    ASSERT_NE(nullptr, list);
    EXPECT_EQ(4, SendMessageA(list, LB_GETCOUNT, 0, 0));
    EXPECT_EQ(L"carol", LineText(list, 0));
    EXPECT_EQ(L"\u00E4rger", LineText(list, 1));
    EXPECT_EQ(L"\u5F20\u00E4\u05D0", LineText(list, 3));
    EXPECT_NE(0, GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);

    EXPECT_FALSE(dialog.ShowsSelectableList());
    dialog.MoveSelection(true);
    EXPECT_EQ("\xE5\xBC\xA0\xC3\xA4\xD7\x90", dialog.SelectedHandle());
    dialog.MoveSelection(false);
    EXPECT_EQ("carol", dialog.SelectedHandle());
    dialog.MoveSelection(false);
    EXPECT_EQ("\xC3\xA4rger", dialog.SelectedHandle());
    EXPECT_TRUE(dialog.ShowsSelectableList());

    dialog.CloseAndClear();
    EXPECT_FALSE(dialog.IsOpen());
    EXPECT_FALSE(IsWindow(window));
    dialog.Shutdown();
}

}  // namespace
