// UTF-8 to UTF-16 and back, for the system's wide-character functions.
#pragma once

#include <windows.h>

#include <string>

namespace kestrava {

inline std::wstring Utf8ToWide(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int length = static_cast<int>(utf8.size());
    const int wideLength = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    if (wideLength <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), wideLength);
    return wide;
}

inline std::string WideToUtf8(const wchar_t* wide, int length) {
    if (wide == nullptr || length <= 0) return {};
    const int utf8Length =
        WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
    if (utf8Length <= 0) return {};
    std::string utf8(static_cast<std::size_t>(utf8Length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, length, utf8.data(), utf8Length, nullptr, nullptr);
    return utf8;
}

}  // namespace kestrava
