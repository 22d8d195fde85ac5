// Modal dialogs of the Windows build: the program's own dialog resources,
// wide windows whose controls are reached through SendDlgItemMessageW. Texts
// are UTF-8 on the port and UTF-16 to the system.
#pragma once

#include "platform/DialogHost.h"

namespace kestrava {

class Win32DialogHost final : public DialogHost {
  public:
    // 0: the system picks each dialog's language (the user interface's).
    // Otherwise RunModalDialog loads the resource in that language (a LANGID,
    // e.g. 0x0404), falling back to the system's pick when it has none.
    explicit Win32DialogHost(std::uint16_t language = 0) : m_language(language) {}

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
    std::uint16_t m_language;
};

}  // namespace kestrava
