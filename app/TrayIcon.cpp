#include "app/TrayIcon.h"

#include "protocol/LineWords.h"

namespace kestrava {

namespace {
constexpr LParam kRightButtonUp = 0x0205;          // WM_RBUTTONUP
constexpr LParam kLeftButtonDoubleClick = 0x0203;  // WM_LBUTTONDBLCLK
constexpr std::uint32_t kNullMessage = 0x0000;     // WM_NULL
}  // namespace

CTrayIcon::CTrayIcon(NotifyArea& area, ResourceStrings& strings, WindowSystem& windows)
    : m_area(area), m_strings(strings), m_windows(windows) {}

CTrayIcon::~CTrayIcon() {
    Destroy();
}

void CTrayIcon::Destroy() {
    std::lock_guard lock(m_lock);
    RemoveIcon();
    if (m_messageWindow) m_area.DestroyMessageWindow();
    m_messageWindow = 0;
    if (m_data.icon) m_area.DestroyIcon(m_data.icon);
    m_data.icon = 0;
    m_bEnabled = false;
}

int CTrayIcon::Create(WindowHandle owner, std::uint32_t callbackMessage, const std::string& tooltip,
                      IconHandle icon, std::uint32_t id, bool hidden) {
    std::lock_guard lock(m_lock);
    if (m_bEnabled || !m_area.Available()) {
        if (icon) m_area.DestroyIcon(icon);
        return 0;
    }
    m_messageWindow = m_area.CreateMessageWindow([this] { TaskbarRecreated(); });
    if (m_messageWindow == 0) {
        if (icon) m_area.DestroyIcon(icon);
        return 0;
    }
    if (m_data.icon) m_area.DestroyIcon(m_data.icon);
    m_data.owner = owner ? owner : m_messageWindow;
    m_data.id = id;
    m_data.flags = NotifyArea::kMessage | NotifyArea::kIcon | NotifyArea::kTip;
    m_data.callbackMessage = callbackMessage;
    m_data.icon = icon;
    m_data.tooltip = CutUtf8(tooltip, kMaxTooltip);
    m_savedFlags = m_data.flags;
    m_bEnabled = true;
    m_bHiddenByProgram = hidden;
    m_bHidden = hidden || !m_area.AddIcon(m_data);
    return 1;
}

void CTrayIcon::RemoveIcon() {
    std::lock_guard lock(m_lock);
    m_bHiddenByProgram = true;
    if (!m_bEnabled || m_bHidden) return;
    m_area.DeleteIcon(m_data.owner, m_data.id);
    m_bHidden = true;
}

int CTrayIcon::SetIconFromFile(const std::string& path) {
    IconHandle icon = m_area.LoadIconFile(path);
    if (icon == 0) return 0;
    return SetIcon(icon);
}

// The icon shown stays loaded while it is shown: a re-created taskbar gets it
// again. The one it replaces goes once the system has the new one.
int CTrayIcon::SetIcon(IconHandle icon) {
    std::lock_guard lock(m_lock);
    IconHandle previous = m_data.icon;
    m_data.icon = icon;
    int result = m_bHidden ? 1 : Modify(NotifyArea::kIcon);
    if (previous && previous != icon) m_area.DestroyIcon(previous);
    return result;
}

int CTrayIcon::SetTooltipFromString(int id) {
    std::string text = m_strings.Load(id);
    if (text.empty()) return 0;
    return SetTooltipText(CutUtf8(text, kMaxStringTooltip));
}

int CTrayIcon::SetTooltipText(const std::string& text) {
    std::lock_guard lock(m_lock);
    m_data.tooltip = CutUtf8(text, kMaxTooltip);
    return m_bHidden ? 1 : Modify(NotifyArea::kTip);
}

bool CTrayIcon::Modify(std::uint32_t flags) {
    if (!m_bEnabled) return false;
    NotifyArea::Icon change = m_data;
    change.flags = flags;
    return m_area.ModifyIcon(change);
}

LParam CTrayIcon::OnTrayNotification(WParam id, LParam mouseMessage) {
    WindowHandle owner, target;
    int menuId, defaultItem;
    {
        std::lock_guard lock(m_lock);
        if (!m_bEnabled || id != m_data.id) return 0;
        owner = m_data.owner;
        target = Target();
        menuId = static_cast<int>(m_data.id);
        defaultItem = m_defaultItem;
    }
    if (target == 0) return 0;
    // The lock is not held from here on: the menu waits for the person, and
    // the tray state may change meanwhile from the engine's threads.
    if (mouseMessage == kRightButtonUp) {
        NotifyArea::Point at = m_area.CursorPosition();
        // Without the foreground the menu would not close when the person
        // clicks elsewhere.
        m_area.BringToForeground(owner);
        std::uint16_t command = m_area.PopUpMenu(menuId, defaultItem, target, at);
        // Lets the menu's owner leave its menu mode before the next click.
        m_windows.Post(owner, kNullMessage, 0, 0);
        if (command != 0) m_windows.Post(target, msg::kCommand, command, 0);
    } else if (mouseMessage == kLeftButtonDoubleClick) {
        m_area.BringToForeground(owner);
        auto items = m_area.MenuItems(menuId);
        if (defaultItem >= 0 && defaultItem < static_cast<int>(items.size()) &&
            items[defaultItem].command != 0) {
            m_windows.Post(target, msg::kCommand, items[defaultItem].command, 0);
        }
    }
    return 1;
}

void CTrayIcon::SetTargetWindow(WindowHandle target) {
    std::lock_guard lock(m_lock);
    m_targetWindow = target;
}

bool CTrayIcon::Enabled() const {
    std::lock_guard lock(m_lock);
    return m_bEnabled;
}

WindowHandle CTrayIcon::Target() const {
    return m_targetWindow ? m_targetWindow : m_data.owner;
}

// The taskbar was re-created (the system shell restarted): the icon went with
// the old one. It comes back with its last icon and tooltip unless the
// program hid or removed it. Any program may send the notice, also while the
// icon is still there: the system then refuses the add, and the icon is
// brought up to date instead.
void CTrayIcon::TaskbarRecreated() {
    std::lock_guard lock(m_lock);
    if (!m_bEnabled || m_bHiddenByProgram) return;
    NotifyArea::Icon again = m_data;
    again.flags = m_savedFlags;
    m_bHidden = !m_area.AddIcon(again) && !m_area.ModifyIcon(again);
}

}  // namespace kestrava
