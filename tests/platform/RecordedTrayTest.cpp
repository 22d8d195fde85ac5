// The recorded tray of the POSIX build: the state it keeps and the clicks it
// plays, through a program of the in-process desktop.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/posix/InProcessDesktop.h"
#include "platform/posix/RecordedTray.h"

namespace kestrava {
namespace {

TEST(RecordedTrayTest, KeepsTheIconsStateAndPlaysClicksToItsOwner) {
    InProcessDesktop desktop;
    auto program = desktop.OpenProgram("Kestrava");
    RecordedTray tray(*program);
    std::vector<std::string> trace;
    tray.SetTrace([&](const std::string& line) { trace.push_back(line); });

    auto iconFile = std::filesystem::temp_directory_path() / "recorded-tray-test.ico";
    std::ofstream(iconFile, std::ios::binary).write("\0\0\1\0\1\0", 6);
    auto notIcon = std::filesystem::temp_directory_path() / "recorded-tray-test.txt";
    std::ofstream(notIcon) << "text";
    NotifyArea::IconHandle icon = tray.LoadIconFile(iconFile.string());
    EXPECT_NE(icon, 0u);
    EXPECT_EQ(tray.LoadIconFile(notIcon.string()), 0u);
    EXPECT_EQ(tray.LoadIconFile("/no/such.ico"), 0u);

    program->RegisterWindowClass("owner", "");
    std::vector<std::pair<WParam, LParam>> clicks;
    WindowHandle owner = program->CreateHiddenWindow(
        "owner", "", [&](WindowHandle, std::uint32_t m, WParam w, LParam l) {
            if (m == 0x800A) clicks.push_back({w, l});
            if (m == msg::kClose) program->PostQuit(0);
            return LParam{0};
        });
    int recreated = 0;
    ASSERT_NE(tray.CreateMessageWindow([&] { ++recreated; }), 0u);

    EXPECT_FALSE(tray.RightClick(40001)) << "no icon yet";
    NotifyArea::Icon data{owner, 112, 7, 0x800A, icon, "SkypeForWindow"};
    ASSERT_TRUE(tray.AddIcon(data));
    EXPECT_FALSE(tray.AddIcon(data)) << "already there";
    data.flags = NotifyArea::kTip;
    data.tooltip = "connect normal";
    EXPECT_TRUE(tray.ModifyIcon(data));
    auto state = tray.Current();
    EXPECT_TRUE(state.present);
    EXPECT_EQ(state.iconFile, iconFile.string());
    EXPECT_EQ(state.tooltip, "connect normal");

    EXPECT_TRUE(tray.RightClick(40001));
    EXPECT_TRUE(tray.DoubleClick());
    tray.RestartShell();
    EXPECT_FALSE(tray.Current().present);
    program->Post(owner, msg::kClose, 0, 0);
    program->RunMessageLoop();
    EXPECT_THAT(clicks, ::testing::ElementsAre(std::pair<WParam, LParam>{112, 0x0205},
                                               std::pair<WParam, LParam>{112, 0x0203}));
    EXPECT_EQ(recreated, 1);

    // The menu takes the choice of the right click that opened it.
    EXPECT_EQ(tray.PopUpMenu(112, 0, owner, {}), 40001);
    EXPECT_EQ(tray.PopUpMenu(112, 0, owner, {}), 0) << "a click without a choice dismisses it";
    EXPECT_EQ(tray.LastMenu().items.size(), 6u);
    EXPECT_EQ(tray.MenusShown(), 2);
    EXPECT_THAT(trace, ::testing::Contains(
                           "tray: menu *\"Advanced Settings\", \"Volume Control\", -, \"About \", "
                           "-, \"Exit\" chose 40001"));
    EXPECT_EQ(EnglishStrings().Load(13), "connect normal");
    EXPECT_EQ(EnglishStrings().Load(99), "");
    tray.DestroyMessageWindow();
    std::filesystem::remove(iconFile);
    std::filesystem::remove(notIcon);
}

}  // namespace
}  // namespace kestrava
