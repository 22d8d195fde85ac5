#include "RecordedTray.h"

#include <fstream>

namespace kestrava {

namespace {

constexpr const char* kMessageWindowClass = "TrayIconClass";
constexpr const char* kRecreatedMessage = "TaskbarCreated";
constexpr LParam kRightButtonUp = 0x0205;          // WM_RBUTTONUP
constexpr LParam kLeftButtonDoubleClick = 0x0203;  // WM_LBUTTONDBLCLK
constexpr int kTrayMenu = 112;

// The program's menus, the same entries as the Windows resource.
const std::vector<NotifyArea::MenuItem>& TrayMenu() {
    static const std::vector<NotifyArea::MenuItem> items = {{40008, "Advanced Settings"},
                                                            {40007, "Volume Control"},
                                                            {0, ""},
                                                            {40002, "About "},
                                                            {0, ""},
                                                            {40001, "Exit"}};
    return items;
}

// An icon file starts with a zero word, the type 1 and a non-zero image count.
bool LooksLikeIconFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    unsigned char header[6] = {};
    if (!file.read(reinterpret_cast<char*>(header), sizeof(header))) return false;
    return header[0] == 0 && header[1] == 0 && header[2] == 1 && header[3] == 0 &&
           (header[4] != 0 || header[5] != 0);
}

}  // namespace

RecordedTray::RecordedTray(WindowSystem& windows) : m_windows(windows) {}

void RecordedTray::SetTrace(Trace trace) {
    std::lock_guard lock(m_lock);
    m_trace = std::move(trace);
}

void RecordedTray::SetAvailable(bool available) {
    std::lock_guard lock(m_lock);
    m_available = available;
}

RecordedTray::State RecordedTray::Current() const {
    std::lock_guard lock(m_lock);
    return m_state;
}

RecordedTray::ShownMenu RecordedTray::LastMenu() const {
    std::lock_guard lock(m_lock);
    return m_lastMenu;
}

int RecordedTray::MenusShown() const {
    std::lock_guard lock(m_lock);
    return m_menusShown;
}

bool RecordedTray::RightClick(std::uint16_t command) {
    std::lock_guard lock(m_lock);
    if (!m_state.present) return false;
    m_choices.push_back(command);
    if (Click(kRightButtonUp)) return true;
    m_choices.pop_back();
    return false;
}

bool RecordedTray::DoubleClick() {
    std::lock_guard lock(m_lock);
    return m_state.present && Click(kLeftButtonDoubleClick);
}

bool RecordedTray::Click(LParam mouseMessage) {
    return m_windows.Post(m_state.owner, m_state.callbackMessage, m_state.id, mouseMessage);
}

void RecordedTray::RestartShell() {
    std::lock_guard lock(m_lock);
    m_state.present = false;
    Report("tray: the shell restarted, icon gone");
    if (m_messageWindow) {
        m_windows.Post(m_messageWindow, m_windows.RegisterMessage(kRecreatedMessage), 0, 0);
    }
}

bool RecordedTray::Available() {
    std::lock_guard lock(m_lock);
    return m_available;
}

WindowHandle RecordedTray::CreateMessageWindow(std::function<void()> recreated) {
    std::lock_guard lock(m_lock);
    if (m_messageWindow) return 0;
    const std::uint32_t notice = m_windows.RegisterMessage(kRecreatedMessage);
    if (notice == 0) return 0;
    m_windows.RegisterWindowClass(kMessageWindowClass, "");  // false when already there
    m_recreated = std::move(recreated);
    m_messageWindow = m_windows.CreateHiddenWindow(
        kMessageWindowClass, "",
        [this, notice](WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
            if (message == notice) {
                std::function<void()> recreated;
                {
                    std::lock_guard lock(m_lock);
                    recreated = m_recreated;
                }
                // Outside the lock: the tray icon calls back into AddIcon.
                if (recreated) recreated();
                return LParam{0};
            }
            return m_windows.DefaultProcedure(window, message, wParam, lParam);
        });
    return m_messageWindow;
}

void RecordedTray::DestroyMessageWindow() {
    WindowHandle window;
    {
        std::lock_guard lock(m_lock);
        window = m_messageWindow;
        m_messageWindow = 0;
        m_recreated = nullptr;
    }
    if (window) {
        m_windows.DestroyWindow(window);
        m_windows.UnregisterWindowClass(kMessageWindowClass);
    }
}

void RecordedTray::Apply(const Icon& icon) {
    if (icon.flags & kMessage) m_state.callbackMessage = icon.callbackMessage;
    if (icon.flags & kIcon) {
        auto it = m_icons.find(icon.icon);
        m_state.iconFile = it == m_icons.end() ? std::string() : it->second;
    }
    if (icon.flags & kTip) m_state.tooltip = icon.tooltip;
}

bool RecordedTray::AddIcon(const Icon& icon) {
    std::lock_guard lock(m_lock);
    if (!m_available || m_state.present) return false;
    m_state = State{true, {}, {}, icon.owner, icon.id, 0, m_state.adds + 1};
    Apply(icon);
    Report("tray: icon added, icon " + m_state.iconFile + " tooltip \"" + m_state.tooltip + "\"");
    return true;
}

bool RecordedTray::ModifyIcon(const Icon& icon) {
    std::lock_guard lock(m_lock);
    if (!m_state.present || icon.owner != m_state.owner || icon.id != m_state.id) return false;
    Apply(icon);
    Report("tray: icon " + m_state.iconFile + " tooltip \"" + m_state.tooltip + "\"");
    return true;
}

bool RecordedTray::DeleteIcon(WindowHandle owner, std::uint32_t id) {
    std::lock_guard lock(m_lock);
    if (!m_state.present || owner != m_state.owner || id != m_state.id) return false;
    m_state.present = false;
    Report("tray: icon removed");
    return true;
}

NotifyArea::IconHandle RecordedTray::LoadIconFile(const std::string& path) {
    if (path.empty() || !LooksLikeIconFile(path)) return 0;
    std::lock_guard lock(m_lock);
    IconHandle handle = m_nextIcon++;
    m_icons[handle] = path;
    return handle;
}

void RecordedTray::DestroyIcon(IconHandle icon) {
    std::lock_guard lock(m_lock);
    m_icons.erase(icon);
}

std::vector<NotifyArea::MenuItem> RecordedTray::MenuItems(int menuId) {
    if (menuId != kTrayMenu) return {};
    return TrayMenu();
}

std::uint16_t RecordedTray::PopUpMenu(int menuId, int defaultPosition, WindowHandle, Point) {
    std::lock_guard lock(m_lock);
    ShownMenu menu{menuId, defaultPosition, MenuItems(menuId), 0};
    if (menu.items.empty()) return 0;
    if (!m_choices.empty()) {
        menu.chosen = m_choices.front();
        m_choices.erase(m_choices.begin());
    }
    std::string entries;
    for (std::size_t i = 0; i < menu.items.size(); ++i) {
        const MenuItem& item = menu.items[i];
        if (!entries.empty()) entries += ", ";
        if (item.command == 0) {
            entries += "-";
        } else {
            bool bold = static_cast<int>(i) == defaultPosition;
            entries += (bold ? "*" : "") + ("\"" + item.text + "\"");
        }
    }
    Report("tray: menu " + entries +
           (menu.chosen ? " chose " + std::to_string(menu.chosen) : std::string(" dismissed")));
    m_lastMenu = std::move(menu);
    ++m_menusShown;
    return m_lastMenu.chosen;
}

NotifyArea::Point RecordedTray::CursorPosition() {
    return {};
}

void RecordedTray::BringToForeground(WindowHandle) {}

void RecordedTray::Report(const std::string& what) {
    if (m_trace) m_trace(what);
}

std::string EnglishStrings::Load(int id) {
    switch (id) {
        case 3:
            return "MainWndClass";
        case 10:
            return "USB";
        case 11:
            return "No Speaker";
        case 12:
            return "No MIC";
        case 13:
            return "connect normal";
        case 14:
            return "connect wrong";
        default:
            return {};
    }
}

}  // namespace kestrava
