// The tray icon: shows by icon and tooltip whether the handset and the Skype
// link work, pops up the tray menu on a right click and runs its default
// entry on a double click. One per program; the shell creates it with the
// main window.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "platform/NotifyArea.h"
#include "platform/ResourceStrings.h"
#include "platform/WindowSystem.h"

namespace kestrava {

class CTrayIcon {
  public:
    using IconHandle = NotifyArea::IconHandle;

    // The tooltip holds at most this many bytes (the system's 64-byte field
    // with its terminating zero).
    static constexpr std::size_t kMaxTooltip = 63;
    // A tooltip from the string table passes through a 63-character buffer.
    static constexpr std::size_t kMaxStringTooltip = 62;
    static constexpr int kTrayMenu = 112;  // IDR_TRAY_MENU, the icon's usual id too

    CTrayIcon(NotifyArea& area, ResourceStrings& strings, WindowSystem& windows);
    // Destroy(), if the shell has not called it.
    virtual ~CTrayIcon();
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // Creates the message window and, unless `hidden`, adds the icon. The
    // tray icon owns `icon` from here on. Nonzero on success; 0 (and the
    // object disabled) when the system has no notification area or the
    // message window cannot be made. An add that fails (no taskbar yet) is
    // not a failure: the icon comes when the taskbar announces itself.
    int Create(WindowHandle owner, std::uint32_t callbackMessage, const std::string& tooltip,
               IconHandle icon, std::uint32_t id, bool hidden);
    // Deletes the icon unless it is already gone; it stays gone, also when
    // the taskbar is re-created.
    void RemoveIcon();
    // Loads an icon file and shows it. 0, and nothing changes, when the file
    // cannot be loaded; else the result of the modify.
    int SetIconFromFile(const std::string& path);
    // Shows `icon` (owned from here on); while hidden it is only remembered (1).
    int SetIcon(IconHandle icon);
    // String table entry `id` as the tooltip; 0 when the entry is missing.
    int SetTooltipFromString(int id);
    // At most 63 bytes, cut on a character boundary; while hidden only remembered.
    int SetTooltipText(const std::string& text);
    // A mouse message at the icon (WM_TRAY_NOTIFY's wParam and lParam): 1
    // when handled, 0 for another icon or before Create.
    virtual LParam OnTrayNotification(WParam id, LParam mouseMessage);

    // Removes the icon, destroys the message window and the last icon. Call
    // it on the thread that called Create (the message window is its own).
    void Destroy();

    // Where menu commands go; 0 (the default) means the owner window.
    void SetTargetWindow(WindowHandle target);
    bool Enabled() const;

  private:
    WindowHandle Target() const;
    bool Modify(std::uint32_t flags);
    void TaskbarRecreated();

    NotifyArea& m_area;
    ResourceStrings& m_strings;
    WindowSystem& m_windows;
    mutable std::recursive_mutex m_lock;
    NotifyArea::Icon m_data;
    WindowHandle m_messageWindow = 0;
    WindowHandle m_targetWindow = 0;
    bool m_bEnabled = false;
    bool m_bHidden = true;            // not in the notification area
    bool m_bHiddenByProgram = false;  // created hidden, or removed by RemoveIcon
    std::uint32_t m_savedFlags = 0;
    int m_defaultItem = 0;  // a position in the menu
};

}  // namespace kestrava
