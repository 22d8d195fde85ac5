// The object behind a window of the program: the last argument of
// CreateWindowEx rides in the window's user data from WM_NCCREATE on, so the
// class's one static procedure can hand every message to its own object.
// Messages before WM_NCCREATE (and a window made without one) find none.
#pragma once

#include <windows.h>

namespace kestrava {

template <typename Target>
Target* WindowTarget(HWND window, UINT message, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        // lpCreateParams sits alike in the ANSI and the wide CREATESTRUCT.
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    return reinterpret_cast<Target*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// After WM_NCDESTROY no message reaches the object any more.
inline void ForgetWindowTarget(HWND window) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
}

}  // namespace kestrava
