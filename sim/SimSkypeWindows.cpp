#include "sim/SimSkypeWindows.h"

namespace kestrava::sim {

namespace {

constexpr const char* kAllClasses[] = {
    SimSkypeWindows::kMainWindowClass,  SimSkypeWindows::kPageControlClass,
    SimSkypeWindows::kContactListClass, SimSkypeWindows::kBackgroundGridClass,
    SimSkypeWindows::kDialFieldClass,   SimSkypeWindows::kConfirmationClass,
    SimSkypeWindows::kErrorClass,
};

// Virtual keys the dial field knows.
constexpr WParam kBackspace = 0x08;
constexpr WParam kShift = 0x10;  // what the system reports for either shift key
constexpr WParam kLeftShift = 0xA0, kRightShift = 0xA1;
constexpr WParam kMultiply = 0x6A, kAdd = 0x6B;
constexpr WParam kDigit0 = 0x30, kDigit3 = 0x33, kDigit9 = 0x39;
constexpr WParam kSystemCommandMask = 0xFFF0;  // the low four bits are the system's own

int X(LParam position) {
    return static_cast<std::int16_t>(position & 0xFFFF);
}
int Y(LParam position) {
    return static_cast<std::int16_t>((position >> 16) & 0xFFFF);
}

}  // namespace

SimSkypeWindows::SimSkypeWindows(WindowSystem& windows, Desktop& desktop, Recorder record)
    : m_windows(windows), m_desktop(desktop), m_record(std::move(record)) {}

const char* SimSkypeWindows::ClassOf(Role role) {
    switch (role) {
        case Role::Main:
            return kMainWindowClass;
        case Role::PageControl:
            return kPageControlClass;
        case Role::Grid:
            return kBackgroundGridClass;
        case Role::ContactList:
            return kContactListClass;
        case Role::DialField:
            return kDialFieldClass;
        case Role::Confirmation:
            return kConfirmationClass;
        case Role::Error:
            return kErrorClass;
    }
    return "";
}

WindowProc SimSkypeWindows::ProcedureFor(Role role) {
    return [this, role](WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
        return Procedure(role, window, message, wParam, lParam);
    };
}

void SimSkypeWindows::Create() {
    for (const char* name : kAllClasses) m_windows.RegisterWindowClass(name, "");
    m_main = m_windows.CreateHiddenWindow(kMainWindowClass, "Skype", ProcedureFor(Role::Main));
    m_pageControl =
        m_windows.CreateChildWindow(m_main, kPageControlClass, ProcedureFor(Role::PageControl));
    m_grid =
        m_windows.CreateChildWindow(m_pageControl, kBackgroundGridClass, ProcedureFor(Role::Grid));
    m_contactList =
        m_windows.CreateChildWindow(m_main, kContactListClass, ProcedureFor(Role::ContactList));
    m_dialField =
        m_windows.CreateChildWindow(m_main, kDialFieldClass, ProcedureFor(Role::DialField));
    for (WindowHandle window : {m_main, m_pageControl, m_contactList, m_dialField}) {
        m_windows.ShowWindow(window, true);
    }
    m_windows.ShowWindow(m_grid, SelectedTab() == kDialTab);
}

void SimSkypeWindows::Destroy() {
    for (WindowHandle* window : {&m_confirmation, &m_error, &m_main}) {
        if (*window) m_windows.DestroyWindow(*window);
        *window = 0;
    }
    m_pageControl = m_grid = m_contactList = m_dialField = 0;
    for (const char* name : kAllClasses) m_windows.UnregisterWindowClass(name);
}

bool SimSkypeWindows::OpenDialog(Dialog dialog) {
    bool confirmation = dialog == Dialog::Confirmation;
    WindowHandle& window = confirmation ? m_confirmation : m_error;
    if (window != 0) return false;
    Role role = confirmation ? Role::Confirmation : Role::Error;
    window = m_windows.CreateHiddenWindow(ClassOf(role), confirmation ? "Confirm" : "Error",
                                          ProcedureFor(role));
    if (window == 0) return false;
    m_windows.ShowWindow(window, true);
    m_record(std::string("WINDOW OPEN ") + ClassOf(role));
    return true;
}

void SimSkypeWindows::SelectTab(int index) {
    if (index < 0 || index >= kTabCount) return;
    {
        std::lock_guard lock(m_mutex);
        if (m_tab == index) return;
        m_tab = index;
    }
    m_windows.ShowWindow(m_grid, index == kDialTab);
    m_record("WINDOW TAB " + std::to_string(index));
}

void SimSkypeWindows::Type(const std::string& text) {
    if (text.empty()) return;
    SetDialText(DialText() + text);
}

void SimSkypeWindows::FocusDialField() {
    if (m_main == 0) return;
    m_windows.ShowWindow(m_main, true);
    m_desktop.BringToForeground(m_main);
    m_windows.SetFocus(m_dialField);
}

std::string SimSkypeWindows::TakeDialText() {
    std::string text = DialText();
    if (!text.empty()) SetDialText({});
    return text;
}

std::string SimSkypeWindows::DialText() const {
    std::lock_guard lock(m_mutex);
    return m_dialText;
}

int SimSkypeWindows::SelectedTab() const {
    std::lock_guard lock(m_mutex);
    return m_tab;
}

void SimSkypeWindows::SetDialText(std::string text) {
    {
        std::lock_guard lock(m_mutex);
        if (m_dialText == text) return;
        m_dialText = text;
    }
    m_record(text.empty() ? std::string("DIAL") : "DIAL " + text);
}

LParam SimSkypeWindows::Procedure(Role role, WindowHandle window, std::uint32_t message,
                                  WParam wParam, LParam lParam) {
    const std::string name = ClassOf(role);
    switch (message) {
        case msg::kLeftButtonDown:
            Click(role, lParam);
            // Recorded once acted on, as every entry here: a watcher may look at once.
            m_record("WINDOW CLICK " + name + " " + std::to_string(X(lParam)) + " " +
                     std::to_string(Y(lParam)));
            return 0;
        case msg::kTabGetCurSel:
            if (role == Role::PageControl) return SelectedTab();
            break;
        case msg::kKeyDown:
        case msg::kKeyUp:
            if (role != Role::DialField) break;
            Key(message, wParam);
            return 0;
        case msg::kClose:
            if (role == Role::Main) {
                m_windows.ShowWindow(window, false);  // to the tray, still running
            } else if (role == Role::Confirmation || role == Role::Error) {
                (role == Role::Confirmation ? m_confirmation : m_error) = 0;
                m_windows.DestroyWindow(window);
            }
            m_record("WINDOW CLOSE " + name);
            return 0;
        case msg::kSysCommand: {
            WParam command = wParam & kSystemCommandMask;
            if (command == Desktop::kMaximize) {
                if (role == Role::Main) m_windows.ShowWindow(window, true);
                m_record("WINDOW MAXIMIZE " + name);
            } else if (command == Desktop::kMinimize) {
                m_record("WINDOW MINIMIZE " + name);
            }
            break;  // the system does the rest
        }
        case msg::kActivate:
            if (LowWord(wParam) != 0) m_record("WINDOW ACTIVATE " + name);
            break;
        default:
            break;
    }
    return m_windows.DefaultProcedure(window, message, wParam, lParam);
}

void SimSkypeWindows::Click(Role role, LParam position) {
    if (role == Role::PageControl) {
        int x = X(position), y = Y(position);
        if (x >= 0 && y >= 0 && y < kTabHeight && x < kTabCount * kTabWidth) {
            SelectTab(x / kTabWidth);
        }
    } else if (role == Role::Grid) {
        m_windows.SetFocus(m_dialField);
    }
}

void SimSkypeWindows::Key(std::uint32_t message, WParam key) {
    if (key == kShift || key == kLeftShift || key == kRightShift) {
        m_shiftDown = message == msg::kKeyDown;
        return;
    }
    if (message != msg::kKeyDown) return;
    std::string text = DialText();
    if (key == kBackspace) {
        if (!text.empty()) text.pop_back();
    } else if (m_shiftDown) {
        if (key != kDigit3) return;  // only "#" is typed with shift
        text += '#';
    } else if (key >= kDigit0 && key <= kDigit9) {
        text += static_cast<char>('0' + (key - kDigit0));
    } else if (key == kMultiply) {
        text += '*';
    } else if (key == kAdd) {
        text += '+';
    } else {
        return;
    }
    SetDialText(std::move(text));
}

}  // namespace kestrava::sim
