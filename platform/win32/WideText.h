// UTF-8 to UTF-16 and back, for the system's wide-character functions.
// Texts too long for the system's int lengths convert to nothing.
#pragma once

#include <windows.h>

#include <climits>
#include <cstddef>
#include <optional>
#include <string>

namespace kestrava {

namespace wide_text {

inline std::wstring ToWide(const std::string& utf8, DWORD flags) {
    if (utf8.empty() || utf8.size() > INT_MAX) return {};
    const int length = static_cast<int>(utf8.size());
    const int wideLength = MultiByteToWideChar(CP_UTF8, flags, utf8.data(), length, nullptr, 0);
    if (wideLength <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, flags, utf8.data(), length, wide.data(), wideLength);
    return wide;
}

}  // namespace wide_text

// Invalid UTF-8 becomes U+FFFD.
inline std::wstring Utf8ToWide(const std::string& utf8) {
    return wide_text::ToWide(utf8, 0);
}

// Nothing for invalid UTF-8 or a text too long, where a replaced character
// would name something else (a registry key or value); the empty text is valid.
inline std::optional<std::wstring> StrictUtf8ToWide(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    std::wstring wide = wide_text::ToWide(utf8, MB_ERR_INVALID_CHARS);
    if (wide.empty()) return std::nullopt;
    return wide;
}

// `length` UTF-16 units (zeros among them kept); an unpaired surrogate
// becomes U+FFFD.
inline std::string WideToUtf8(const wchar_t* wide, std::size_t length) {
    if (wide == nullptr || length == 0 || length > INT_MAX) return {};
    const int units = static_cast<int>(length);
    const int utf8Length =
        WideCharToMultiByte(CP_UTF8, 0, wide, units, nullptr, 0, nullptr, nullptr);
    if (utf8Length <= 0) return {};
    std::string utf8(static_cast<std::size_t>(utf8Length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, units, utf8.data(), utf8Length, nullptr, nullptr);
    return utf8;
}

// A count from the system, where a negative one is a failure.
inline std::string WideToUtf8(const wchar_t* wide, int length) {
    if (length <= 0) return {};
    return WideToUtf8(wide, static_cast<std::size_t>(length));
}

inline std::string WideToUtf8(const std::wstring& wide) {
    return WideToUtf8(wide.data(), wide.size());
}

// A fixed-size field of the system, up to its first zero.
template <std::size_t N>
std::string WideFieldToUtf8(const wchar_t (&field)[N]) {
    std::size_t length = 0;
    while (length < N && field[length] != L'\0') ++length;
    return WideToUtf8(field, length);
}

}  // namespace kestrava
