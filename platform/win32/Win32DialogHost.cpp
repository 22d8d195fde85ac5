#include "Win32DialogHost.h"

#include <windows.h>

namespace kestrava {

namespace {

HWND ToHwnd(WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}

// Every dialog runs through this procedure; the core's procedure rides in
// the dialog's DWLP_USER from WM_INITDIALOG on. Messages the core does not
// take are left to the dialog manager (FALSE).
INT_PTR CALLBACK DialogThunk(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    auto* procedure = reinterpret_cast<WindowProc*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (procedure == nullptr) return FALSE;
    const auto window = reinterpret_cast<WindowHandle>(dialog);
    if (message == WM_INITDIALOG) {
        return (*procedure)(window, message, wParam, 0) != 0 ? TRUE : FALSE;
    }
    if (message == WM_COMMAND) {
        return (*procedure)(window, message, wParam, lParam) != 0 ? TRUE : FALSE;
    }
    if (message < kFirstOwnDialogMessage) return FALSE;
    // A dialog procedure hands a message's result over through DWLP_MSGRESULT.
    LParam result = (*procedure)(window, message, wParam, lParam);
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, static_cast<LONG_PTR>(result));
    return TRUE;
}

LRESULT ToControl(DialogHost::DialogHandle dialog, int controlId, UINT message, WPARAM wParam,
                  LPARAM lParam) {
    return SendDlgItemMessageA(ToHwnd(dialog), controlId, message, wParam, lParam);
}

}  // namespace

LParam Win32DialogHost::RunModalDialog(int resourceId, WindowProc procedure) {
    auto* owned = new WindowProc(std::move(procedure));
    INT_PTR result =
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resourceId), GetDesktopWindow(),
                        DialogThunk, reinterpret_cast<LPARAM>(owned));
    // The dialog is destroyed by now: no message reaches the thunk any more.
    delete owned;
    return static_cast<LParam>(result);
}

void Win32DialogHost::EndDialog(DialogHandle dialog, LParam result) {
    ::EndDialog(ToHwnd(dialog), static_cast<INT_PTR>(result));
}

void Win32DialogHost::SetDialogTitle(DialogHandle dialog, const std::string& title) {
    SetWindowTextA(ToHwnd(dialog), title.c_str());
}

void Win32DialogHost::MakeTopmost(DialogHandle dialog) {
    SetWindowPos(ToHwnd(dialog), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    BringWindowToTop(ToHwnd(dialog));
}

int Win32DialogHost::AddListString(DialogHandle dialog, int controlId, const std::string& text) {
    LRESULT index =
        ToControl(dialog, controlId, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    return index < 0 ? -1 : static_cast<int>(index);
}

int Win32DialogHost::ListCount(DialogHandle dialog, int controlId) {
    LRESULT count = ToControl(dialog, controlId, LB_GETCOUNT, 0, 0);
    return count < 0 ? 0 : static_cast<int>(count);
}

int Win32DialogHost::ListSelection(DialogHandle dialog, int controlId) {
    LRESULT selection = ToControl(dialog, controlId, LB_GETCURSEL, 0, 0);
    return selection < 0 ? -1 : static_cast<int>(selection);
}

void Win32DialogHost::SelectListIndex(DialogHandle dialog, int controlId, int index) {
    ToControl(dialog, controlId, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void Win32DialogHost::InsertComboString(DialogHandle dialog, int controlId, int index,
                                        const std::string& text) {
    ToControl(dialog, controlId, CB_INSERTSTRING, static_cast<WPARAM>(index),
              reinterpret_cast<LPARAM>(text.c_str()));
}

void Win32DialogHost::SelectComboIndex(DialogHandle dialog, int controlId, int index) {
    ToControl(dialog, controlId, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

}  // namespace kestrava
