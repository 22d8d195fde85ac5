// Modal dialogs of the Windows build: the program's own dialog resources,
// their controls reached through SendDlgItemMessageA.
#pragma once

#include "platform/DialogHost.h"

namespace kestrava {

class Win32DialogHost final : public DialogHost {
  public:
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
};

}  // namespace kestrava
