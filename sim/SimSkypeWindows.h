// The simulated client's own windows, as the program meets them on the desktop:
//
//   tskMainForm.UnicodeClass         main window (top level, shown); a close
//                                    request hides it (the client goes to the
//                                    tray), FOCUS and maximise show it again
//     TTntPageControl.UnicodeClass   page control: three tabs, each 80 wide,
//                                    along the top 20 of its client area; a
//                                    click there selects the tab under it; it
//                                    answers TCM_GETCURSEL with the tab's index
//       tSkBgGrid.UnicodeClass       background grid of the dial tab: shown
//                                    only while tab 2 is selected; a click on
//                                    it gives the dial field the focus
//     tSkContactList.UnicodeClass    contact list
//     SkypeSimDialField              the dial field: takes the keyboard focus
//                                    and the keys typed (digits, "*", "+", "#"
//                                    as shift and 3, backspace erases one)
//   TskConFirmForm.UnicodeClass      confirmation dialog (top level, opened on
//                                    request, ends on a close request)
//   TskSERForm.UnicodeClass          error dialog (likewise)
//
// Everything but DialText and SelectedTab runs on the client's thread, which
// owns the windows.
#pragma once

#include <functional>
#include <mutex>
#include <string>

#include "platform/Desktop.h"
#include "platform/WindowSystem.h"

namespace kestrava::sim {

class SimSkypeWindows {
  public:
    static constexpr const char* kMainWindowClass = "tskMainForm.UnicodeClass";
    static constexpr const char* kPageControlClass = "TTntPageControl.UnicodeClass";
    static constexpr const char* kContactListClass = "tSkContactList.UnicodeClass";
    static constexpr const char* kBackgroundGridClass = "tSkBgGrid.UnicodeClass";
    static constexpr const char* kDialFieldClass = "SkypeSimDialField";
    static constexpr const char* kConfirmationClass = "TskConFirmForm.UnicodeClass";
    static constexpr const char* kErrorClass = "TskSERForm.UnicodeClass";
    static constexpr int kTabCount = 3;
    static constexpr int kDialTab = 2;
    static constexpr int kTabWidth = 80, kTabHeight = 20;

    enum class Dialog { Confirmation, Error };

    // Log entries handed to `record`: "WINDOW CLICK <class> <x> <y>",
    // "WINDOW TAB <index>", "WINDOW CLOSE <class>", "WINDOW MAXIMIZE <class>",
    // "WINDOW MINIMIZE <class>", "WINDOW ACTIVATE <class>", "WINDOW OPEN <class>",
    // "DIAL <text>" (the dial field's text after each change; "DIAL" when empty).
    using Recorder = std::function<void(const std::string& entry)>;

    SimSkypeWindows(WindowSystem& windows, Desktop& desktop, Recorder record);

    // Registers the classes and builds the tree, shown, on tab 0.
    void Create();
    // Destroys every window and unregisters the classes.
    void Destroy();

    WindowHandle MainWindow() const { return m_main; }

    // What the person at the client does.
    bool OpenDialog(Dialog dialog);  // false when one of that kind is open
    void SelectTab(int index);
    void Type(const std::string& text);

    // The FOCUS command: the main window shown and in front, the dial field focused.
    void FocusDialField();
    // Takes the dial field's text away, leaving it empty.
    std::string TakeDialText();

    // Thread-safe.
    std::string DialText() const;
    int SelectedTab() const;

  private:
    enum class Role { Main, PageControl, Grid, ContactList, DialField, Confirmation, Error };

    LParam Procedure(Role role, WindowHandle window, std::uint32_t message, WParam wParam,
                     LParam lParam);
    WindowProc ProcedureFor(Role role);
    static const char* ClassOf(Role role);
    void Click(Role role, LParam position);
    void Key(std::uint32_t message, WParam key);
    void SetDialText(std::string text);

    WindowSystem& m_windows;
    Desktop& m_desktop;
    Recorder m_record;

    // Touched only on the client's thread.
    WindowHandle m_main = 0, m_pageControl = 0, m_grid = 0, m_contactList = 0, m_dialField = 0;
    WindowHandle m_confirmation = 0, m_error = 0;
    bool m_shiftDown = false;

    mutable std::mutex m_mutex;  // guards the two below
    std::string m_dialText;
    int m_tab = 0;
};

}  // namespace kestrava::sim
