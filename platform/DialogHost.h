// Port: modal dialogs driven through control ids. Only the combo-box
// operations that the ring list needs exist so far.
#pragma once

#include <cstdint>
#include <string>

namespace kestrava {

class DialogHost {
  public:
    using DialogHandle = std::uintptr_t;

    virtual ~DialogHost() = default;

    // CB_INSERTSTRING at `index` of the combo box `controlId`.
    virtual void InsertComboString(DialogHandle dialog, int controlId, int index,
                                   const std::string& text) = 0;
    // CB_SETCURSEL.
    virtual void SelectComboIndex(DialogHandle dialog, int controlId, int index) = 0;
};

}  // namespace kestrava
