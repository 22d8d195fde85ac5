// Result codes at every component boundary: 0 for success, 0x80004005 for failure.
#pragma once

#include <cstdint>

using HResult = std::int32_t;

// Windows headers define the same two names as macros; keep theirs when present.
#ifndef S_OK
inline constexpr HResult S_OK = 0;
#endif
#ifndef E_FAIL
inline constexpr HResult E_FAIL = static_cast<HResult>(0x80004005u);
#endif

inline constexpr bool Succeeded(HResult result) {
    return result == 0;
}
