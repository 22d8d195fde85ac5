// Port: the notification area (the tray) as the tray icon uses it.
//
// One icon per (owner window, id); texts are UTF-8. The tray icon owns the
// icons it loads and destroys them itself.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "WindowTypes.h"

namespace kestrava {

class NotifyArea {
  public:
    // A loaded icon; 0 is none.
    using IconHandle = std::uintptr_t;

    // Which fields of an icon an add or a modify carries (the system's NIF_ values).
    static constexpr std::uint32_t kMessage = 0x1;
    static constexpr std::uint32_t kIcon = 0x2;
    static constexpr std::uint32_t kTip = 0x4;

    struct Icon {
        WindowHandle owner = 0;  // receives `callbackMessage`
        std::uint32_t id = 0;
        std::uint32_t flags = 0;
        std::uint32_t callbackMessage = 0;
        IconHandle icon = 0;
        std::string tooltip;
    };

    struct MenuItem {
        std::uint16_t command = 0;  // 0: a separator
        std::string text;
    };

    struct Point {
        int x = 0;
        int y = 0;
    };

    virtual ~NotifyArea() = default;

    // Whether the system has a notification area the program can use.
    virtual bool Available() = 0;

    // The hidden window that hears the notice that the area was re-created
    // (after the system shell restarted); `recreated` runs on the calling
    // thread's message loop. Gives the window, 0 on failure.
    virtual WindowHandle CreateMessageWindow(std::function<void()> recreated) = 0;
    virtual void DestroyMessageWindow() = 0;

    virtual bool AddIcon(const Icon& icon) = 0;
    virtual bool ModifyIcon(const Icon& icon) = 0;
    virtual bool DeleteIcon(WindowHandle owner, std::uint32_t id) = 0;

    // An icon file of the default size; 0 when it cannot be loaded.
    virtual IconHandle LoadIconFile(const std::string& path) = 0;
    virtual void DestroyIcon(IconHandle icon) = 0;

    // The entries of the first popup of menu resource `menuId`, in order;
    // empty when there is no such menu.
    virtual std::vector<MenuItem> MenuItems(int menuId) = 0;
    // Pops up that popup at `at` (the item at `defaultPosition` in bold),
    // owned by `owner`, and waits for the choice: the chosen command, or 0
    // when the menu was dismissed.
    virtual std::uint16_t PopUpMenu(int menuId, int defaultPosition, WindowHandle owner,
                                    Point at) = 0;

    virtual Point CursorPosition() = 0;
    virtual void BringToForeground(WindowHandle window) = 0;
};

}  // namespace kestrava
