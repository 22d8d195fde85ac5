// Port: other programs' windows on the desktop.
#pragma once

#include <string>

#include "WindowTypes.h"

namespace kestrava {

class Desktop {
  public:
    virtual ~Desktop() = default;

    // First top-level window of that class (and that title, when `title` is given); 0 if none.
    virtual WindowHandle FindTopLevelWindow(const std::string& className,
                                            const std::string* title) = 0;
    virtual bool IsWindow(WindowHandle window) = 0;
    virtual WindowHandle ForegroundWindow() = 0;
};

}  // namespace kestrava
