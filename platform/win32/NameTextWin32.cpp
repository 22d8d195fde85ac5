// Names and handles with the ANSI code page's rules, through the C runtime's
// multi-byte string functions (<mbstring.h>): _mbsupr_s upper-cases a copy
// character by character (a double-byte character's trail byte is never taken
// for a letter), _mbscmp compares whole characters, _mbsicmp does the same
// ignoring case. The runtime's multi-byte code page is the ANSI code page
// from start-up on; nothing in the program changes it. CompareStringA was not
// taken: it orders by the locale's linguistic collation, not by character
// values, and the contact order must not change with the user's locale.
#include <mbstring.h>
#include <windows.h>

#include <climits>
#include <vector>

#include "WideText.h"
#include "platform/NameText.h"

namespace kestrava {
namespace {

const unsigned char* Bytes(const std::string& text) {
    return reinterpret_cast<const unsigned char*>(text.c_str());
}

}  // namespace

std::string UpperCaseName(const std::string& text) {
    // The copy stops at a zero byte, as every reader of a name does.
    std::vector<unsigned char> copy(text.c_str(), text.c_str() + text.size() + 1);
    if (_mbsupr_s(copy.data(), copy.size()) != 0) return text;
    return std::string(reinterpret_cast<const char*>(copy.data()));
}

int CompareUpperCaseNames(const std::string& a, const std::string& b) {
    return _mbscmp(Bytes(a), Bytes(b));
}

bool SameHandle(const std::string& a, const std::string& b) {
    return _mbsicmp(Bytes(a), Bytes(b)) == 0;
}

// Invalid UTF-8 becomes U+FFFD on the way in, and that (like every character
// the code page lacks) the code page's default character on the way out.
std::string Utf8ToSystemText(const std::string& utf8) {
    if (utf8.empty()) return {};
    const std::wstring wide = Utf8ToWide(utf8);
    if (wide.empty()) return {};
    const int wideLength = static_cast<int>(wide.size());
    const int ansiLength =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (ansiLength <= 0) return {};
    std::string ansi(static_cast<std::size_t>(ansiLength), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, ansi.data(), ansiLength, nullptr,
                        nullptr);
    return ansi;
}

std::string SystemTextToUtf8(const std::string& text) {
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) return {};
    const int length = static_cast<int>(text.size());
    const int wideLength = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (wideLength <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), wideLength);
    return WideToUtf8(wide);
}

}  // namespace kestrava
