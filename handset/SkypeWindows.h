// Skype's own windows as the handset keys reach them: the main window, the
// three children remembered on attaching (page control, contact list,
// background grid) and the confirmation and error dialogs. Everything goes
// through the Desktop port; messages to Skype's windows are posted, so a hung
// client never holds up the handset threads.
#pragma once

#include "app/ShellState.h"
#include "platform/Desktop.h"

namespace kestrava {

class SkypeWindows {
  public:
    static constexpr const char* kMainWindowClass = "tskMainForm.UnicodeClass";
    static constexpr const char* kPageControlClass = "TTntPageControl.UnicodeClass";
    static constexpr const char* kContactListClass = "tSkContactList.UnicodeClass";
    static constexpr const char* kBackgroundGridClass = "tSkBgGrid.UnicodeClass";
    static constexpr const char* kConfirmationClass = "TskConFirmForm.UnicodeClass";
    static constexpr const char* kErrorClass = "TskSERForm.UnicodeClass";

    // The page control's tab with the dial pad, and where the keys click.
    static constexpr int kDialTab = 2;
    static constexpr int kGridClickX = 44, kGridClickY = 14;
    static constexpr int kFirstTabClickX = 56, kFirstTabClickY = 11;

    SkypeWindows(Desktop& desktop, ShellState& shell) : m_desktop(desktop), m_shell(shell) {}

    // The client's main window, any title; 0 when the client is not running.
    WindowHandle MainWindow();
    // When the main window exists: forgets the three children and searches
    // them again among its descendants (the first of each class wins).
    // Otherwise the remembered handles stay.
    void FindChildWindows();

    // The page control is known and shows tab `index`.
    bool PageControlShows(int index);
    // When the page control shows the dial tab and the background grid is
    // visible: a click on the grid (it takes the keys typed next).
    void ClickGridOnDialTab();
    // A click on the page control's first tab, when it shows another one.
    void ClickFirstTabUnlessShown();

    // Skype's confirmation window, or else its error window: activated and
    // asked to close. False when neither is open.
    bool CloseConfirmationOrError();

    // Requests to the main window, when it exists.
    void CloseMainWindow();
    void MaximiseToForeground();
    void Minimise();

  private:
    Desktop& m_desktop;
    ShellState& m_shell;
};

}  // namespace kestrava
