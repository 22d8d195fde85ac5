// Modal dialogs of the POSIX build: a recorded model instead of a real dialog.
//
// RunModalDialog makes a window in the in-process desktop on the calling
// thread and runs that thread's message loop until EndDialog, so other
// threads reach the dialog with WindowSystem::Send exactly as they reach a
// real one. What the dialog shows (title, list lines, selection, topmost
// calls, combo box lines) is recorded per dialog and can be read from any
// thread. Tests drive a dialog as a person would: press a button, click a
// check box, drag a trackbar, pick a combo box line; each sends the dialog the
// message the real control would.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/DialogHost.h"
#include "platform/WindowSystem.h"

namespace kestrava {

struct DialogModel {
    WindowHandle handle = 0;
    int resourceId = 0;
    bool open = false;                // between WM_INITDIALOG and EndDialog
    LParam result = 0;                // EndDialog's
    std::string title;                // the latest
    std::vector<std::string> titles;  // every title set, in order
    int topmostCalls = 0;
    std::map<int, std::vector<std::string>> lines;  // list box lines by control id
    std::map<int, int> selection;                   // list box selection by control id
    std::map<int, std::vector<std::string>> comboLines;
    std::map<int, int> comboSelection;       // -1 or absent: none
    std::map<int, int> comboDropDownCloses;  // CB_SHOWDROPDOWN off, by control id
    std::map<int, std::string> texts;        // control texts by control id
    std::map<int, bool> checked;             // check boxes by control id
    struct Trackbar {
        int minimum = 0;
        int maximum = 100;
        int position = 0;
    };
    std::map<int, Trackbar> trackbars;
};

class ModelDialogHost final : public DialogHost {
  public:
    // The dialogs' windows live in `windows` (a program of the in-process desktop).
    explicit ModelDialogHost(WindowSystem& windows);

    // The latest dialog run (a default model before the first).
    DialogModel Current() const;
    // Every dialog run, oldest first.
    std::vector<DialogModel> Dialogs() const;
    // Lines of list box `controlId` of the latest dialog.
    std::vector<std::string> Lines(int controlId) const;

    // Called on the dialog's thread right after WM_INITDIALOG, before its
    // message loop runs: a test scripts a dialog that runs on its own thread.
    using ShownHook = std::function<void(DialogHandle)>;
    void SetShownHook(ShownHook hook);

    // The person at the dialog `dialog`: each changes the control as the
    // real one would and then sends the dialog the control's message
    // (WM_COMMAND with BN_CLICKED, WM_VSCROLL, CBN_SELCHANGE). They work from
    // any thread; false when the dialog did not take the message.
    bool Press(DialogHandle dialog, int controlId);
    bool ClickCheckBox(DialogHandle dialog, int controlId);
    bool MoveTrackbar(DialogHandle dialog, int controlId, int position);
    bool ChooseComboEntry(DialogHandle dialog, int controlId, int index);

    void InsertComboString(DialogHandle dialog, int controlId, int index,
                           const std::string& text) override;
    void SelectComboIndex(DialogHandle dialog, int controlId, int index) override;
    LParam RunModalDialog(int resourceId, WindowProc procedure) override;
    void EndDialog(DialogHandle dialog, LParam result) override;
    void SetDialogTitle(DialogHandle dialog, const std::string& title) override;
    void MakeTopmost(DialogHandle dialog) override;
    int AddListString(DialogHandle dialog, int controlId, const std::string& text) override;
    int ListCount(DialogHandle dialog, int controlId) override;
    int ListSelection(DialogHandle dialog, int controlId) override;
    void SelectListIndex(DialogHandle dialog, int controlId, int index) override;
    void SetControlText(DialogHandle dialog, int controlId, const std::string& text) override;
    std::string ControlText(DialogHandle dialog, int controlId) override;
    void SetChecked(DialogHandle dialog, int controlId, bool checked) override;
    bool IsChecked(DialogHandle dialog, int controlId) override;
    int ComboCount(DialogHandle dialog, int controlId) override;
    int ComboSelection(DialogHandle dialog, int controlId) override;
    std::string ComboText(DialogHandle dialog, int controlId, int index) override;
    void CloseComboDropDown(DialogHandle dialog, int controlId) override;
    void SetTrackbarRange(DialogHandle dialog, int controlId, int minimum, int maximum) override;
    void SetTrackbarPosition(DialogHandle dialog, int controlId, int position) override;
    int TrackbarPosition(DialogHandle dialog, int controlId) override;

  private:
    bool SendToDialog(DialogHandle dialog, std::uint32_t message, WParam wParam);

    // The dialog with that handle; null when there is none. Under m_mutex.
    DialogModel* Find(DialogHandle dialog);

    WindowSystem& m_windows;
    mutable std::mutex m_mutex;  // guards m_dialogs
    std::vector<DialogModel> m_dialogs;
    ShownHook m_shownHook;
};

}  // namespace kestrava
