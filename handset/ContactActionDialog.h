// The contact action dialog as the keypad and the send key see it: a small
// always-on-top list of recently dialed handles (redial) or reachable contacts
// (chat, send file) that the handset opens, moves through and acts on.
//
// The dialog window runs on a thread of its own; these operations are called
// on the input worker's thread and reach the window only by synchronous
// messages and by the shared flags.
#pragma once

#include <string>

class ContactActionDialog {
  public:
    // The dialog's modes (contactDialogMode).
    enum Mode : int { kNone = -1, kRedial = 0, kChat = 2, kSendFile = 3 };

    virtual ~ContactActionDialog() = default;

    // A list key (0xD0 redial, 0xD2 chat, 0xD3 send file) with its mode:
    // remembers the list in the mode flags; closes a dialog open in that same
    // mode; opens one in that mode when none is open; leaves a dialog open in
    // another mode as it is.
    virtual void ListKey(int mode) = 0;
    // The dialog window exists.
    virtual bool IsOpen() = 0;
    // Up (0x1E0B) or down (0x1E0C) to the open dialog; arms it (listSelectable).
    virtual void MoveSelection(bool up) = 0;

    // What the send key reads: the dialog is open and armed by up or down.
    virtual bool ShowsSelectableList() = 0;
    // The handle of the selected line as Skype gave it (UTF-8); empty when no
    // line is selected.
    virtual std::string SelectedHandle() = 0;
    // The mode of the dialog that is open or opening (contactDialogMode);
    // kNone when there is none. The send key acts on this list.
    virtual int OpenMode() = 0;
    // The list flags (redialFlag, chatFlag, fileFlag): which list keys were
    // pressed since they were last cleared.
    virtual bool RedialFlag() = 0;
    virtual bool ChatFlag() = 0;
    virtual bool FileFlag() = 0;

    // Closes the dialog (if open), forgets its window, sets the mode to none
    // and clears all four flags. Returns once the window is gone or the wait
    // is given up (bounded).
    virtual void CloseAndClear() = 0;
    // Clears the three list flags and nothing else.
    virtual void ClearListFlags() = 0;
};
