// The notification area and the string table of the Windows build, over the
// program's own resources (platform/win32/Tray.rc).
#pragma once

#include <cstdint>
#include <functional>

#include "platform/NotifyArea.h"
#include "platform/ResourceStrings.h"

namespace kestrava {

// With `language` set (a LANGID such as 0x0404) the tray menu comes from
// that language's resource, otherwise from the user interface's language.
class Win32NotifyArea final : public NotifyArea {
  public:
    explicit Win32NotifyArea(std::uint16_t language = 0);
    ~Win32NotifyArea() override;

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

    // The message window's procedure (a static function forwards to it).
    std::intptr_t OnMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                            std::intptr_t lParam);

  private:
    void* LoadTrayMenu(int menuId) const;  // an HMENU, or null

    std::uint16_t m_language;
    std::uint32_t m_recreatedMessage = 0;  // the registered "TaskbarCreated"
    WindowHandle m_messageWindow = 0;
    bool m_classRegistered = false;
    std::function<void()> m_recreated;
};

// LoadStringW in the language of the user interface, or, with `language`
// set (a LANGID such as 0x0404), the entry of that language's table.
class Win32ResourceStrings final : public ResourceStrings {
  public:
    explicit Win32ResourceStrings(std::uint16_t language = 0) : m_language(language) {}
    std::string Load(int id) override;

  private:
    std::uint16_t m_language;
};

}  // namespace kestrava
