// The notification area of the POSIX build: a recorded tray.
//
// It keeps what a real tray would show (whether the icon is there, its icon
// file and tooltip, the last menu with its entries and default) and reports
// each change through a trace. Tests and scenarios play the person at the
// tray: a right click that chooses a menu entry, a double click, a restart of
// the system shell. Clicks reach the icon's owner as its callback message,
// posted through the program's window system, as on Windows.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/NotifyArea.h"
#include "platform/ResourceStrings.h"
#include "platform/WindowSystem.h"

namespace kestrava {

class RecordedTray final : public NotifyArea {
  public:
    using Trace = std::function<void(const std::string&)>;

    struct State {
        bool present = false;
        std::string iconFile;  // of the icon shown; empty for none
        std::string tooltip;
        WindowHandle owner = 0;
        std::uint32_t id = 0;
        std::uint32_t callbackMessage = 0;
        int adds = 0;  // successful adds, re-adds included
    };

    struct ShownMenu {
        int menuId = 0;
        int defaultPosition = -1;
        std::vector<MenuItem> items;
        std::uint16_t chosen = 0;
    };

    explicit RecordedTray(WindowSystem& windows);

    // Where the tray's changes are reported ("tray: icon ... tooltip ...").
    void SetTrace(Trace trace);
    // A system without a notification area (Available() is false).
    void SetAvailable(bool available);

    State Current() const;
    // The last menu popped up; menuId 0 before the first.
    ShownMenu LastMenu() const;
    int MenusShown() const;

    // The person at the tray. Each gives false when there is no icon to click.
    // A right click whose menu then chooses `command` (0: dismisses it).
    bool RightClick(std::uint16_t command);
    bool DoubleClick();
    // The system shell restarted: the icon is gone, the re-creation notice
    // goes to the message window's thread.
    void RestartShell();

    // NotifyArea
    bool Available() override;
    WindowHandle CreateMessageWindow(std::function<void()> recreated) override;
    void DestroyMessageWindow() override;
    bool AddIcon(const Icon& icon) override;
    bool ModifyIcon(const Icon& icon) override;
    bool DeleteIcon(WindowHandle owner, std::uint32_t id) override;
    IconHandle LoadIconFile(const std::string& path) override;
    void DestroyIcon(IconHandle icon) override;
    std::vector<MenuItem> MenuItems(int menuId) override;
    std::uint16_t PopUpMenu(int menuId, int defaultPosition, WindowHandle owner, Point at) override;
    Point CursorPosition() override;
    void BringToForeground(WindowHandle window) override;

  private:
    bool Click(LParam mouseMessage);
    void Apply(const Icon& icon);
    void Report(const std::string& what);

    WindowSystem& m_windows;
    mutable std::recursive_mutex m_lock;
    Trace m_trace;
    bool m_available = true;
    WindowHandle m_messageWindow = 0;
    std::function<void()> m_recreated;
    State m_state;
    std::map<IconHandle, std::string> m_icons;  // loaded icons and their files
    IconHandle m_nextIcon = 1;
    std::vector<std::uint16_t> m_choices;  // of the right clicks not yet answered
    ShownMenu m_lastMenu;
    int m_menusShown = 0;
};

// The program's string table in English (the same texts as the Windows resource).
class EnglishStrings final : public ResourceStrings {
  public:
    std::string Load(int id) override;
};

}  // namespace kestrava
