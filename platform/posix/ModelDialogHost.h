// Modal dialogs of the POSIX build: a recorded model instead of a real dialog.
//
// RunModalDialog makes a window in the in-process desktop on the calling
// thread and runs that thread's message loop until EndDialog, so other
// threads reach the dialog with WindowSystem::Send exactly as they reach a
// real one. What the dialog shows (title, list lines, selection, topmost
// calls, combo box lines) is recorded per dialog and can be read from any
// thread.
#pragma once

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
    std::map<int, int> comboSelection;
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

  private:
    // The dialog with that handle; null when there is none. Under m_mutex.
    DialogModel* Find(DialogHandle dialog);

    WindowSystem& m_windows;
    mutable std::mutex m_mutex;  // guards m_dialogs
    std::vector<DialogModel> m_dialogs;
};

}  // namespace kestrava
