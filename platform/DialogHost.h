// Port: modal dialogs driven through control ids.
#pragma once

#include <cstdint>
#include <string>

#include "WindowTypes.h"

namespace kestrava {

// Below it, WM_USER's first values are the dialog manager's own (DM_GETDEFID...).
inline constexpr std::uint32_t kFirstOwnDialogMessage = msg::kUser + 0x100;

class DialogHost {
  public:
    using DialogHandle = WindowHandle;

    virtual ~DialogHost() = default;

    // CB_INSERTSTRING at `index` of the combo box `controlId`; `text` is UTF-8.
    virtual void InsertComboString(DialogHandle dialog, int controlId, int index,
                                   const std::string& text) = 0;
    // CB_SETCURSEL.
    virtual void SelectComboIndex(DialogHandle dialog, int controlId, int index) = 0;

    // Shows dialog resource `resourceId` modally on the calling thread, owned
    // by the desktop window, and runs its message loop until EndDialog.
    // `procedure` gets WM_INITDIALOG first, WM_COMMAND (IDOK / IDCANCEL from
    // its buttons, the controls' notices), WM_VSCROLL (its trackbars), WM_DESTROY last however
    // the dialog ends (its controls still exist then) and the program's own
    // messages (from kFirstOwnDialogMessage on) that reach the dialog's handle (WindowSystem::Send
    // from other threads); what it returns is the message's result (for WM_COMMAND: non-zero when
    // it took it). The system handles every other message itself. Returns EndDialog's result, -1
    // when the dialog could not be shown.
    virtual LParam RunModalDialog(int resourceId, WindowProc procedure) = 0;
    // Ends the dialog; only its own thread (inside `procedure`) calls it.
    virtual void EndDialog(DialogHandle dialog, LParam result) = 0;

    // UTF-8.
    virtual void SetDialogTitle(DialogHandle dialog, const std::string& title) = 0;
    // Topmost without moving or resizing, then to the top of the z-order.
    virtual void MakeTopmost(DialogHandle dialog) = 0;

    // List box `controlId`: LB_ADDSTRING (returns the new line's index; the
    // text is UTF-8, as every text of this port), LB_GETCOUNT, LB_GETCURSEL
    // (-1 for none) and LB_SETCURSEL (-1 clears).
    virtual int AddListString(DialogHandle dialog, int controlId, const std::string& text) = 0;
    virtual int ListCount(DialogHandle dialog, int controlId) = 0;
    virtual int ListSelection(DialogHandle dialog, int controlId) = 0;
    virtual void SelectListIndex(DialogHandle dialog, int controlId, int index) = 0;

    // A control's window text, UTF-8 on both sides.
    virtual void SetControlText(DialogHandle dialog, int controlId, const std::string& text) = 0;
    virtual std::string ControlText(DialogHandle dialog, int controlId) = 0;

    // Check box `controlId`: BM_SETCHECK and BM_GETCHECK (true when checked).
    virtual void SetChecked(DialogHandle dialog, int controlId, bool checked) = 0;
    virtual bool IsChecked(DialogHandle dialog, int controlId) = 0;

    // Combo box `controlId`: CB_GETCOUNT, CB_GETCURSEL (-1 for none), the text
    // of line `index` (UTF-8; empty outside the list) and CB_SHOWDROPDOWN off.
    virtual int ComboCount(DialogHandle dialog, int controlId) = 0;
    virtual int ComboSelection(DialogHandle dialog, int controlId) = 0;
    virtual std::string ComboText(DialogHandle dialog, int controlId, int index) = 0;
    virtual void CloseComboDropDown(DialogHandle dialog, int controlId) = 0;

    // Trackbar `controlId`: TBM_SETRANGE without redraw, TBM_SETPOS with
    // redraw, TBM_GETPOS.
    virtual void SetTrackbarRange(DialogHandle dialog, int controlId, int minimum, int maximum) = 0;
    virtual void SetTrackbarPosition(DialogHandle dialog, int controlId, int position) = 0;
    virtual int TrackbarPosition(DialogHandle dialog, int controlId) = 0;
};

}  // namespace kestrava
