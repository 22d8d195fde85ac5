#include "Win32DialogHost.h"

#include <windows.h>
// After windows.h: the trackbar messages and InitCommonControlsEx.
#include <commctrl.h>

#include <mutex>

#include "WideText.h"

namespace kestrava {

namespace {

HWND ToHwnd(WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}

// Every dialog runs through this procedure; the core's procedure rides in
// the dialog's DWLP_USER from WM_INITDIALOG on. Messages the core does not
// take are left to the dialog manager (FALSE).
INT_PTR CALLBACK DialogThunk(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    auto* procedure = reinterpret_cast<WindowProc*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (procedure == nullptr) return FALSE;
    const auto window = reinterpret_cast<WindowHandle>(dialog);
    if (message == WM_INITDIALOG) {
        return (*procedure)(window, message, wParam, 0) != 0 ? TRUE : FALSE;
    }
    if (message == WM_COMMAND || message == WM_VSCROLL) {
        return (*procedure)(window, message, wParam, lParam) != 0 ? TRUE : FALSE;
    }
    // The dialog ends however it was ended (EndDialog, or a quit request the
    // modal loop met); the dialog manager does the rest.
    if (message == WM_DESTROY) {
        (*procedure)(window, message, wParam, lParam);
        return FALSE;
    }
    if (message < kFirstOwnDialogMessage) return FALSE;
    // A dialog procedure hands a message's result over through DWLP_MSGRESULT.
    LParam result = (*procedure)(window, message, wParam, lParam);
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, static_cast<LONG_PTR>(result));
    return TRUE;
}

// Texts cross to the controls as UTF-16: the dialog is a wide window and
// UTF-8 would be read in the ANSI code page on the way in.
LRESULT ToControl(DialogHost::DialogHandle dialog, int controlId, UINT message, WPARAM wParam,
                  LPARAM lParam) {
    return SendDlgItemMessageW(ToHwnd(dialog), controlId, message, wParam, lParam);
}

// The trackbars live in the common controls; their class is registered once.
void RegisterCommonControls() {
    static std::once_flag once;
    std::call_once(once, [] {
        INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
        InitCommonControlsEx(&controls);
    });
}

// The dialog template of `resourceId` in `language`; null when there is none.
LPCDLGTEMPLATEW FindDialogTemplate(HMODULE module, int resourceId, std::uint16_t language) {
    HRSRC found = FindResourceExW(module, MAKEINTRESOURCEW(5) /* RT_DIALOG */,
                                  MAKEINTRESOURCEW(resourceId), language);
    if (found == nullptr) return nullptr;
    HGLOBAL loaded = LoadResource(module, found);
    return loaded == nullptr ? nullptr : static_cast<LPCDLGTEMPLATEW>(LockResource(loaded));
}

}  // namespace

LParam Win32DialogHost::RunModalDialog(int resourceId, WindowProc procedure) {
    RegisterCommonControls();
    auto* owned = new WindowProc(std::move(procedure));
    HMODULE module = GetModuleHandleW(nullptr);
    LPCDLGTEMPLATEW chosen =
        m_language == 0 ? nullptr : FindDialogTemplate(module, resourceId, m_language);
    INT_PTR result = chosen != nullptr
                         ? DialogBoxIndirectParamW(module, chosen, GetDesktopWindow(), DialogThunk,
                                                   reinterpret_cast<LPARAM>(owned))
                         : DialogBoxParamW(module, MAKEINTRESOURCEW(resourceId), GetDesktopWindow(),
                                           DialogThunk, reinterpret_cast<LPARAM>(owned));
    // The dialog is destroyed by now: no message reaches the thunk any more.
    delete owned;
    return static_cast<LParam>(result);
}

void Win32DialogHost::EndDialog(DialogHandle dialog, LParam result) {
    ::EndDialog(ToHwnd(dialog), static_cast<INT_PTR>(result));
}

void Win32DialogHost::SetDialogTitle(DialogHandle dialog, const std::string& title) {
    SetWindowTextW(ToHwnd(dialog), Utf8ToWide(title).c_str());
}

void Win32DialogHost::MakeTopmost(DialogHandle dialog) {
    SetWindowPos(ToHwnd(dialog), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    BringWindowToTop(ToHwnd(dialog));
}

int Win32DialogHost::AddListString(DialogHandle dialog, int controlId, const std::string& text) {
    const std::wstring wide = Utf8ToWide(text);
    LRESULT index = SendDlgItemMessageW(ToHwnd(dialog), controlId, LB_ADDSTRING, 0,
                                        reinterpret_cast<LPARAM>(wide.c_str()));
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
    const std::wstring wide = Utf8ToWide(text);
    ToControl(dialog, controlId, CB_INSERTSTRING, static_cast<WPARAM>(index),
              reinterpret_cast<LPARAM>(wide.c_str()));
}

void Win32DialogHost::SelectComboIndex(DialogHandle dialog, int controlId, int index) {
    ToControl(dialog, controlId, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void Win32DialogHost::SetControlText(DialogHandle dialog, int controlId, const std::string& text) {
    SetDlgItemTextW(ToHwnd(dialog), controlId, Utf8ToWide(text).c_str());
}

std::string Win32DialogHost::ControlText(DialogHandle dialog, int controlId) {
    HWND control = GetDlgItem(ToHwnd(dialog), controlId);
    if (control == nullptr) return {};
    const int length = GetWindowTextLengthW(control);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(control, wide.data(), length + 1);
    wide.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return WideToUtf8(wide);
}

void Win32DialogHost::SetChecked(DialogHandle dialog, int controlId, bool checked) {
    ToControl(dialog, controlId, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Win32DialogHost::IsChecked(DialogHandle dialog, int controlId) {
    return ToControl(dialog, controlId, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int Win32DialogHost::ComboCount(DialogHandle dialog, int controlId) {
    LRESULT count = ToControl(dialog, controlId, CB_GETCOUNT, 0, 0);
    return count < 0 ? 0 : static_cast<int>(count);
}

int Win32DialogHost::ComboSelection(DialogHandle dialog, int controlId) {
    LRESULT selection = ToControl(dialog, controlId, CB_GETCURSEL, 0, 0);
    return selection < 0 ? -1 : static_cast<int>(selection);
}

std::string Win32DialogHost::ComboText(DialogHandle dialog, int controlId, int index) {
    HWND combo = GetDlgItem(ToHwnd(dialog), controlId);
    if (combo == nullptr || index < 0) return {};
    LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length <= 0) return {};  // CB_ERR outside the list
    std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
    LRESULT copied = SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                  reinterpret_cast<LPARAM>(wide.data()));
    wide.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return WideToUtf8(wide);
}

void Win32DialogHost::CloseComboDropDown(DialogHandle dialog, int controlId) {
    ToControl(dialog, controlId, CB_SHOWDROPDOWN, FALSE, 0);
}

void Win32DialogHost::SetTrackbarRange(DialogHandle dialog, int controlId, int minimum,
                                       int maximum) {
    ToControl(dialog, controlId, TBM_SETRANGE, FALSE, MAKELPARAM(minimum, maximum));
}

void Win32DialogHost::SetTrackbarPosition(DialogHandle dialog, int controlId, int position) {
    ToControl(dialog, controlId, TBM_SETPOS, TRUE, position);
}

int Win32DialogHost::TrackbarPosition(DialogHandle dialog, int controlId) {
    return static_cast<int>(ToControl(dialog, controlId, TBM_GETPOS, 0, 0));
}

}  // namespace kestrava
