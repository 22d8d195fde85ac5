#include "handset/SkypeWindows.h"

namespace kestrava {

WindowHandle SkypeWindows::MainWindow() {
    return m_desktop.FindTopLevelWindow(kMainWindowClass, nullptr);
}

void SkypeWindows::FindChildWindows() {
    WindowHandle main = MainWindow();
    if (main == 0) return;
    WindowHandle pageControl = 0, contactList = 0, grid = 0;
    for (const auto& child : m_desktop.ChildWindows(main)) {
        if (child.className == kPageControlClass) {
            if (pageControl == 0) pageControl = child.window;
        } else if (child.className == kBackgroundGridClass) {
            if (grid == 0) grid = child.window;
        } else if (child.className == kContactListClass) {
            if (contactList == 0) contactList = child.window;
        }
    }
    m_shell.skypePageControl = pageControl;
    m_shell.skypeContactList = contactList;
    m_shell.skypeBackgroundGrid = grid;
}

bool SkypeWindows::PageControlShows(int index) {
    WindowHandle pageControl = m_shell.skypePageControl;
    return pageControl != 0 && m_desktop.SelectedTab(pageControl) == index;
}

void SkypeWindows::ClickGridOnDialTab() {
    WindowHandle grid = m_shell.skypeBackgroundGrid;
    if (grid == 0 || !PageControlShows(kDialTab) || !m_desktop.IsWindowVisible(grid)) return;
    m_desktop.PostClick(grid, kGridClickX, kGridClickY);
}

void SkypeWindows::ClickFirstTabUnlessShown() {
    WindowHandle pageControl = m_shell.skypePageControl;
    if (pageControl == 0 || m_desktop.SelectedTab(pageControl) == 0) return;
    m_desktop.PostClick(pageControl, kFirstTabClickX, kFirstTabClickY);
}

bool SkypeWindows::CloseConfirmationOrError() {
    WindowHandle dialog = m_desktop.FindTopLevelWindow(kConfirmationClass, nullptr);
    if (dialog == 0) dialog = m_desktop.FindTopLevelWindow(kErrorClass, nullptr);
    if (dialog == 0) return false;
    m_desktop.PostClickActivate(dialog);
    m_desktop.PostClose(dialog);
    return true;
}

void SkypeWindows::CloseMainWindow() {
    if (WindowHandle main = MainWindow()) m_desktop.PostClose(main);
}

void SkypeWindows::MaximiseToForeground() {
    if (WindowHandle main = MainWindow()) {
        m_desktop.PostSystemCommand(main, Desktop::kMaximize);
        m_desktop.BringToForeground(main);
    }
}

void SkypeWindows::Minimise() {
    if (WindowHandle main = MainWindow()) m_desktop.PostSystemCommand(main, Desktop::kMinimize);
}

}  // namespace kestrava
