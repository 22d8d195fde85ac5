// The tray icon over a recording notification area: what it adds, changes
// and removes, how it answers the person's clicks, and how it comes back
// when the taskbar is re-created.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>

#include "Fakes.h"
#include "app/ShellConstants.h"
#include "app/TrayIcon.h"

namespace kestrava::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr WindowHandle kOwner = 0x500;
constexpr WindowHandle kMessageWindow = 0x600;
constexpr LParam kRightButtonUp = 0x0205;
constexpr LParam kLeftButtonDoubleClick = 0x0203;

// Records every call as a line; icon files that "exist" load as handles. Like
// the system's, it refuses to add an icon it already shows and to modify one
// it does not.
class FakeNotifyArea : public NotifyArea {
  public:
    bool available = true;
    bool addSucceeds = true;
    std::set<std::pair<WindowHandle, std::uint32_t>> shown;
    WindowHandle messageWindow = kMessageWindow;
    std::map<std::string, IconHandle> files;  // loadable files and their handles
    std::uint16_t choice = 0;                 // what the next menu chooses
    std::vector<std::string> calls;
    std::set<IconHandle> destroyed;
    std::function<void()> recreated;

    bool Available() override { return available; }
    WindowHandle CreateMessageWindow(std::function<void()> notice) override {
        recreated = std::move(notice);
        calls.push_back("message window");
        return messageWindow;
    }
    void DestroyMessageWindow() override { calls.push_back("no message window"); }
    bool AddIcon(const Icon& icon) override {
        calls.push_back("add " + Describe(icon));
        return addSucceeds && shown.insert({icon.owner, icon.id}).second;
    }
    bool ModifyIcon(const Icon& icon) override {
        calls.push_back("modify " + Describe(icon));
        return shown.count({icon.owner, icon.id}) != 0;
    }
    bool DeleteIcon(WindowHandle owner, std::uint32_t id) override {
        calls.push_back("delete " + std::to_string(owner) + " " + std::to_string(id));
        return shown.erase({owner, id}) != 0;
    }
    // The system shell restarted: its icons went with the old taskbar.
    void RestartTaskbar() {
        shown.clear();
        recreated();
    }
    IconHandle LoadIconFile(const std::string& path) override {
        auto it = files.find(path);
        return it == files.end() ? 0 : it->second;
    }
    void DestroyIcon(IconHandle icon) override {
        destroyed.insert(icon);
        calls.push_back("destroy icon " + std::to_string(icon));
    }
    std::vector<MenuItem> MenuItems(int menuId) override {
        if (menuId != 112) return {};
        return {{40008, "Advanced Settings"},
                {40007, "Volume Control"},
                {0, ""},
                {40002, "About "},
                {0, ""},
                {40001, "Exit"}};
    }
    std::uint16_t PopUpMenu(int menuId, int defaultPosition, WindowHandle owner,
                            Point at) override {
        calls.push_back("menu " + std::to_string(menuId) + " default " +
                        std::to_string(defaultPosition) + " owner " + std::to_string(owner) +
                        " at " + std::to_string(at.x) + "," + std::to_string(at.y));
        return choice;
    }
    Point CursorPosition() override { return {640, 1010}; }
    void BringToForeground(WindowHandle window) override {
        calls.push_back("foreground " + std::to_string(window));
    }

    static std::string Describe(const Icon& icon) {
        return "owner " + std::to_string(icon.owner) + " id " + std::to_string(icon.id) +
               " flags " + std::to_string(icon.flags) + " message " +
               std::to_string(icon.callbackMessage) + " icon " + std::to_string(icon.icon) +
               " tip \"" + icon.tooltip + "\"";
    }
};

class MapStrings : public ResourceStrings {
  public:
    std::map<int, std::string> entries{{13, "connect normal"}, {14, "connect wrong"}};
    std::string Load(int id) override {
        auto it = entries.find(id);
        return it == entries.end() ? std::string() : it->second;
    }
};

class TrayIconTest : public ::testing::Test {
  protected:
    void SetUp() override {
        area.files = {{"C:\\Kestrava\\HandsetNone.ico", 7},
                      {"C:\\Kestrava\\HandsetActive.ico", 8},
                      {"C:\\Kestrava\\HandsetNoLink.ico", 9}};
    }

    void CreateShown(const std::string& title = "SkypeForWindow", bool hidden = false) {
        ASSERT_EQ(tray.Create(kOwner, WM_TRAY_NOTIFY, title, 7, kTrayIconId, hidden), 1);
        area.calls.clear();
    }

    std::vector<WParam> PostedCommands(WindowHandle to) {
        std::vector<WParam> commands;
        for (const auto& post : windows.Posts()) {
            if (post.window == to && post.message == msg::kCommand) {
                EXPECT_EQ(post.lParam, 0);
                commands.push_back(post.wParam);
            }
        }
        return commands;
    }

    FakeNotifyArea area;
    MapStrings strings;
    RecordingWindowSystem windows;
    CTrayIcon tray{area, strings, windows};
};

TEST_F(TrayIconTest, CreateAddsTheIconWithTheTitleAsTooltip) {
    ASSERT_EQ(tray.Create(kOwner, WM_TRAY_NOTIFY, "SkypeForWindow", 7, kTrayIconId, false), 1);
    EXPECT_THAT(area.calls, ElementsAre("message window",
                                        "add owner 1280 id 112 flags 7 message 32778 icon 7 "
                                        "tip \"SkypeForWindow\""));
    EXPECT_TRUE(tray.Enabled());
}

TEST_F(TrayIconTest, TooltipsAreCutTo63BytesOnACharacterBoundary) {
    const std::string seventy(70, 'x');
    const std::string sixtyTwo(62, 'y');
    struct Case {
        std::string title;
        std::string tooltip;
    } cases[] = {
        {seventy, std::string(63, 'x')},
        {std::string(63, 'z'), std::string(63, 'z')},
        // A three-byte character that would end at byte 65 is left out whole.
        {sixtyTwo + "設定", sixtyTwo},
        {"Front Desk", "Front Desk"},
    };
    for (const Case& c : cases) {
        FakeNotifyArea fresh;
        CTrayIcon created(fresh, strings, windows);
        created.Create(kOwner, WM_TRAY_NOTIFY, c.title, 0, kTrayIconId, false);
        ASSERT_EQ(fresh.calls.size(), 2u);
        EXPECT_THAT(fresh.calls[1], ::testing::EndsWith("tip \"" + c.tooltip + "\"")) << c.title;
    }
    CreateShown();
    tray.SetTooltipText(seventy);
    EXPECT_THAT(area.calls, ElementsAre("modify owner 1280 id 112 flags 4 message 32778 icon 7 "
                                        "tip \"" +
                                        std::string(63, 'x') + "\""));
}

TEST_F(TrayIconTest, WithoutANotificationAreaCreateFailsAndTheObjectStaysDisabled) {
    area.available = false;
    EXPECT_EQ(tray.Create(kOwner, WM_TRAY_NOTIFY, "SkypeForWindow", 7, kTrayIconId, false), 0);
    EXPECT_FALSE(tray.Enabled());
    EXPECT_THAT(area.calls, ElementsAre("destroy icon 7"));
    EXPECT_EQ(tray.OnTrayNotification(kTrayIconId, kRightButtonUp), 0);
    EXPECT_EQ(tray.SetIconFromFile("C:\\Kestrava\\HandsetActive.ico"), 1) << "only remembered";
    EXPECT_THAT(area.calls, ElementsAre("destroy icon 7"));
}

TEST_F(TrayIconTest, CreateFailsWhenTheMessageWindowCannotBeMade) {
    area.messageWindow = 0;
    EXPECT_EQ(tray.Create(kOwner, WM_TRAY_NOTIFY, "SkypeForWindow", 7, kTrayIconId, false), 0);
    EXPECT_FALSE(tray.Enabled());
}

TEST_F(TrayIconTest, AFailedAddStillCreatesAndTheTaskbarBringsTheIconLater) {
    area.addSucceeds = false;
    ASSERT_EQ(tray.Create(kOwner, WM_TRAY_NOTIFY, "SkypeForWindow", 7, kTrayIconId, false), 1);
    area.addSucceeds = true;
    area.calls.clear();
    EXPECT_EQ(tray.SetTooltipFromString(14), 1);
    EXPECT_THAT(area.calls, IsEmpty()) << "not in the area: only remembered";
    area.RestartTaskbar();
    EXPECT_THAT(area.calls, ElementsAre("add owner 1280 id 112 flags 7 message 32778 icon 7 "
                                        "tip \"connect wrong\""));
}

TEST_F(TrayIconTest, AMissingIconFileChangesNothing) {
    CreateShown();
    EXPECT_EQ(tray.SetIconFromFile("C:\\Kestrava\\Missing.ico"), 0);
    EXPECT_EQ(tray.SetIconFromFile(""), 0);
    EXPECT_THAT(area.calls, IsEmpty());
    EXPECT_EQ(area.destroyed.count(7), 0u) << "the icon shown stays loaded";
}

TEST_F(TrayIconTest, ANewIconReplacesTheShownOneWhichIsThenDestroyed) {
    CreateShown();
    EXPECT_EQ(tray.SetIconFromFile("C:\\Kestrava\\HandsetActive.ico"), 1);
    EXPECT_THAT(area.calls, ElementsAre("modify owner 1280 id 112 flags 2 message 32778 icon 8 "
                                        "tip \"SkypeForWindow\"",
                                        "destroy icon 7"));
    EXPECT_EQ(area.destroyed.count(8), 0u);
}

TEST_F(TrayIconTest, AMissingStringLeavesTheTooltip) {
    CreateShown();
    EXPECT_EQ(tray.SetTooltipFromString(99), 0);
    EXPECT_THAT(area.calls, IsEmpty());
    strings.entries[15] = std::string(70, 's');
    EXPECT_EQ(tray.SetTooltipFromString(15), 1);
    EXPECT_THAT(area.calls, ElementsAre("modify owner 1280 id 112 flags 4 message 32778 icon 7 "
                                        "tip \"" +
                                        std::string(62, 's') + "\""));
}

TEST_F(TrayIconTest, WhileHiddenChangesAreOnlyRemembered) {
    CreateShown("SkypeForWindow", true);
    EXPECT_EQ(tray.SetIconFromFile("C:\\Kestrava\\HandsetActive.ico"), 1);
    EXPECT_EQ(tray.SetTooltipText("connect normal"), 1);
    EXPECT_THAT(area.calls, ElementsAre("destroy icon 7"));
    area.RestartTaskbar();
    EXPECT_THAT(area.calls, ElementsAre("destroy icon 7")) << "the program hid it";
}

TEST_F(TrayIconTest, ARecreatedTaskbarGetsTheLastIconAndTooltipBack) {
    CreateShown();
    tray.SetTooltipFromString(13);
    tray.SetIconFromFile("C:\\Kestrava\\HandsetActive.ico");
    area.calls.clear();
    area.RestartTaskbar();
    EXPECT_THAT(area.calls, ElementsAre("add owner 1280 id 112 flags 7 message 32778 icon 8 "
                                        "tip \"connect normal\""));
    EXPECT_EQ(area.destroyed.count(8), 0u) << "the re-added icon is still loaded";

    tray.RemoveIcon();
    area.calls.clear();
    area.RestartTaskbar();
    EXPECT_THAT(area.calls, IsEmpty()) << "a removed icon stays removed";
}

// Any program may broadcast the notice while the icon is still there: the add
// fails, and the icon must go on following the state.
TEST_F(TrayIconTest, ANoticeWhileTheIconIsShownModifiesItInstead) {
    CreateShown();
    tray.SetTooltipFromString(13);
    area.calls.clear();
    area.recreated();
    EXPECT_THAT(area.calls, ElementsAre("add owner 1280 id 112 flags 7 message 32778 icon 7 "
                                        "tip \"connect normal\"",
                                        "modify owner 1280 id 112 flags 7 message 32778 icon 7 "
                                        "tip \"connect normal\""));
    area.calls.clear();
    EXPECT_EQ(tray.SetTooltipFromString(14), 1);
    EXPECT_EQ(tray.SetIconFromFile("C:\\Kestrava\\HandsetNone.ico"), 1);
    EXPECT_THAT(area.calls, ElementsAre("modify owner 1280 id 112 flags 4 message 32778 icon 7 "
                                        "tip \"connect wrong\"",
                                        "modify owner 1280 id 112 flags 2 message 32778 icon 7 "
                                        "tip \"connect wrong\""));

    // Neither an add nor a modify gets through: hidden until the next notice.
    area.addSucceeds = false;
    area.shown.clear();
    area.recreated();
    area.calls.clear();
    EXPECT_EQ(tray.SetTooltipFromString(13), 1);
    EXPECT_THAT(area.calls, IsEmpty());
}

TEST_F(TrayIconTest, RemoveIconDeletesOnceAndDestroyCleansUp) {
    CreateShown();
    tray.SetIconFromFile("C:\\Kestrava\\HandsetActive.ico");
    area.calls.clear();
    tray.RemoveIcon();
    tray.RemoveIcon();
    EXPECT_THAT(area.calls, ElementsAre("delete 1280 112"));
    area.calls.clear();
    tray.Destroy();
    EXPECT_THAT(area.calls, ElementsAre("no message window", "destroy icon 8"));
    area.calls.clear();
    tray.Destroy();
    EXPECT_THAT(area.calls, IsEmpty());
}

TEST_F(TrayIconTest, WithoutAnOwnerTheMessageWindowOwnsTheIcon) {
    ASSERT_EQ(tray.Create(0, WM_TRAY_NOTIFY, "t", 0, kTrayIconId, false), 1);
    EXPECT_THAT(area.calls[1], ::testing::StartsWith("add owner 1536 id 112"));
}

TEST_F(TrayIconTest, MouseMessagesAtTheIcon) {
    struct Case {
        const char* what;
        WParam id;
        LParam mouse;
        std::uint16_t choice;
        LParam result;
        std::vector<std::string> calls;
        std::vector<WParam> commands;
    } cases[] = {
        {"right click choosing Exit",
         kTrayIconId,
         kRightButtonUp,
         IDM_EXIT,
         1,
         {"foreground 1280", "menu 112 default 0 owner 1280 at 640,1010"},
         {IDM_EXIT}},
        {"right click, menu dismissed",
         kTrayIconId,
         kRightButtonUp,
         0,
         1,
         {"foreground 1280", "menu 112 default 0 owner 1280 at 640,1010"},
         {}},
        {"double click runs the default entry",
         kTrayIconId,
         kLeftButtonDoubleClick,
         0,
         1,
         {"foreground 1280"},
         {IDM_ADVANCED}},
        {"mouse move", kTrayIconId, 0x0200, 0, 1, {}, {}},
        {"left button down", kTrayIconId, 0x0201, 0, 1, {}, {}},
        {"another icon", kTrayIconId + 1, kRightButtonUp, IDM_EXIT, 0, {}, {}},
    };
    for (const Case& c : cases) {
        RecordingWindowSystem posts;
        FakeNotifyArea fresh;
        fresh.choice = c.choice;
        CTrayIcon icon(fresh, strings, posts);
        ASSERT_EQ(icon.Create(kOwner, WM_TRAY_NOTIFY, "t", 0, kTrayIconId, false), 1);
        fresh.calls.clear();
        EXPECT_EQ(icon.OnTrayNotification(c.id, c.mouse), c.result) << c.what;
        EXPECT_EQ(fresh.calls, c.calls) << c.what;
        std::vector<WParam> commands;
        for (const auto& post : posts.Posts()) {
            if (post.message == msg::kCommand && post.window == kOwner)
                commands.push_back(post.wParam);
        }
        EXPECT_EQ(commands, c.commands) << c.what;
    }
}

TEST_F(TrayIconTest, CommandsGoToTheTargetWindowWhenOneIsSet) {
    CreateShown();
    tray.SetTargetWindow(0x700);
    area.choice = IDM_VOLUME;
    EXPECT_EQ(tray.OnTrayNotification(kTrayIconId, kRightButtonUp), 1);
    EXPECT_EQ(tray.OnTrayNotification(kTrayIconId, kLeftButtonDoubleClick), 1);
    EXPECT_THAT(PostedCommands(0x700), ElementsAre(IDM_VOLUME, IDM_ADVANCED));
    EXPECT_THAT(PostedCommands(kOwner), IsEmpty());
    EXPECT_THAT(area.calls, ::testing::Contains("menu 112 default 0 owner 1792 at 640,1010"));
}

}  // namespace
}  // namespace kestrava::testing
