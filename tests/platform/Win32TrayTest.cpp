// The Windows tray adapters over the program's own resources: the string
// table in each language, the tray menu, and the icon in the notification
// area (a desktop without a taskbar refuses it cleanly).
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/win32/Win32Tray.h"

namespace kestrava {
namespace {

TEST(Win32TrayTest, TheStringTableLoadsInEachLanguage) {
    struct Case {
        std::uint16_t language;
        int id;
        const char* text;
    } cases[] = {
        {0x0409, 3, "MainWndClass"},
        {0x0409, 10, "USB"},
        {0x0409, 11, "No Speaker"},
        {0x0409, 12, "No MIC"},
        {0x0409, 13, "connect normal"},
        {0x0409, 14, "connect wrong"},
        {0x0404, 3, "MainWndClass"},
        {0x0404, 11, "沒有撥放裝置"},
        {0x0404, 12, "沒有錄音裝置"},
        {0x0404, 13, "connect normal"},
        {0x0804, 10, "USB"},
        {0x0804, 11, "没有扬声器"},
        {0x0804, 12, "没有麦克风"},
        {0x0804, 13, "连接正常"},
        {0x0804, 14, "连接断开"},
    };
    for (const Case& c : cases) {
        Win32ResourceStrings strings(c.language);
        EXPECT_EQ(strings.Load(c.id), c.text) << c.language << " " << c.id;
    }
    EXPECT_EQ(Win32ResourceStrings(0x0409).Load(15), "");
    EXPECT_EQ(Win32ResourceStrings(0x0407).Load(13), "") << "no German table";
    EXPECT_FALSE(Win32ResourceStrings().Load(13).empty()) << "the system's choice";
}

TEST(Win32TrayTest, TheTrayMenuHasItsFourEntriesInOrderInEachLanguage) {
    struct Case {
        std::uint16_t language;
        std::vector<std::string> texts;
    } cases[] = {
        {0x0409, {"Advanced Settings", "Volume Control", "", "About ", "", "Exit"}},
        {0x0404, {"進階設定", "音量控制", "", "說明", "", "離開"}},
        {0x0804, {"高级设定", "音量控制", "", "关于", "", "退出"}},
    };
    for (const Case& c : cases) {
        Win32NotifyArea area(c.language);
        std::vector<std::string> entries;
        std::vector<std::string> texts;
        for (const auto& item : area.MenuItems(112)) {
            entries.push_back(item.command ? std::to_string(item.command) : "-");
            texts.push_back(item.text);
        }
        EXPECT_THAT(entries, ::testing::ElementsAre("40008", "40007", "-", "40002", "-", "40001"))
            << c.language;
        EXPECT_EQ(texts, c.texts) << c.language;
        EXPECT_TRUE(area.MenuItems(113).empty());
    }
    EXPECT_TRUE(Win32NotifyArea(0x0407).MenuItems(112).empty()) << "no German menu";
    EXPECT_EQ(Win32NotifyArea().MenuItems(112).size(), 6u) << "the system's choice";
}

// The message window is a top-level window (not a message-only one, which no
// broadcast reaches): the taskbar announces its re-creation to every
// top-level window.
TEST(Win32TrayTest, TheMessageWindowHearsTheTaskbarsRecreation) {
    Win32NotifyArea area;
    int notices = 0;
    WindowHandle window = area.CreateMessageWindow([&] { ++notices; });
    ASSERT_NE(window, 0u) << "error " << GetLastError();
    const HWND hwnd = reinterpret_cast<HWND>(window);
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(GetParent(hwnd), nullptr);
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_EQ(area.CreateMessageWindow([] {}), 0u) << "one message window";

    const UINT recreated = RegisterWindowMessageW(L"TaskbarCreated");
    EXPECT_EQ(SendMessageW(hwnd, recreated, 0, 0), 0);
    EXPECT_EQ(notices, 1);
    DWORD_PTR result = 0;
    SendMessageTimeoutW(HWND_BROADCAST, recreated, 0, 0, SMTO_ABORTIFHUNG, 2000, &result);
    EXPECT_EQ(notices, 2) << "the broadcast reaches the window";
    // Other messages get the default handling, not the notice.
    SendMessageW(hwnd, WM_NULL, 0, 0);
    EXPECT_EQ(notices, 2);

    // Made again after its end, the window still reaches its own callback.
    area.DestroyMessageWindow();
    EXPECT_FALSE(IsWindow(hwnd));
    int laterNotices = 0;
    window = area.CreateMessageWindow([&] { ++laterNotices; });
    ASSERT_NE(window, 0u);
    SendMessageW(reinterpret_cast<HWND>(window), recreated, 0, 0);
    EXPECT_EQ(laterNotices, 1);
    EXPECT_EQ(notices, 2);
}

// Wine's null graphics driver has no notification area and refuses the icon;
// a desktop with a taskbar takes it.
TEST(Win32TrayTest, TheIconIsAddedChangedAndDeletedOrRefusedCleanly) {
    Win32NotifyArea area;
    WindowHandle window = area.CreateMessageWindow([] {});
    ASSERT_NE(window, 0u);

    NotifyArea::Icon icon;
    icon.owner = window;
    icon.id = 112;
    icon.flags = NotifyArea::kMessage | NotifyArea::kIcon | NotifyArea::kTip;
    icon.callbackMessage = 0x800A;
    icon.icon =
        reinterpret_cast<NotifyArea::IconHandle>(LoadIconW(nullptr, MAKEINTRESOURCEW(32512)));
    icon.tooltip = "连接正常";
    if (area.AddIcon(icon)) {
        icon.flags = NotifyArea::kTip;
        icon.tooltip = "connect wrong";
        EXPECT_TRUE(area.ModifyIcon(icon));
        EXPECT_TRUE(area.DeleteIcon(window, 112));
        EXPECT_FALSE(area.ModifyIcon(icon)) << "gone";
        EXPECT_FALSE(area.DeleteIcon(window, 112)) << "gone";
    } else {
        // No taskbar on this desktop: the other calls fail as cleanly.
        EXPECT_FALSE(area.ModifyIcon(icon));
        EXPECT_FALSE(area.DeleteIcon(window, 112));
    }
    EXPECT_EQ(area.LoadIconFile("C:\\no such folder\\none.ico"), 0u);
    area.DestroyMessageWindow();
}

}  // namespace
}  // namespace kestrava
