// Names and handles on systems without an ANSI code page. Texts are UTF-8:
// only ASCII letters change case, so a multi-byte sequence is never split or
// altered, and bytes compare as unsigned values (UTF-8 then sorts by code point).
#include <algorithm>

#include "platform/NameText.h"

namespace kestrava {
namespace {

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

std::string UpperCaseName(const std::string& text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(), AsciiUpper);
    return upper;
}

// std::string compares through char_traits<char>, which orders bytes as
// unsigned char: 0xE4 sorts after 'Z'.
int CompareUpperCaseNames(const std::string& a, const std::string& b) {
    return a.compare(b);
}

bool SameHandle(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiUpper(x) == AsciiUpper(y);
           });
}

std::string Utf8ToSystemText(const std::string& utf8) {
    return utf8;
}

std::string SystemTextToUtf8(const std::string& text) {
    return text;
}

}  // namespace kestrava
