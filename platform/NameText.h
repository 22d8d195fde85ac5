// How the program compares contacts' display names and handles: the system's
// own rules for 8-bit text. On Windows the ANSI code page's multi-byte aware
// upper-casing and comparison; elsewhere ASCII letters are upper-cased and
// every other byte is compared as it is (so multi-byte UTF-8 sequences are
// never split or changed).
#pragma once

#include <string>

namespace kestrava {

// `text` upper-cased as the comparison below expects it.
std::string UpperCaseName(const std::string& text);
// Compares two texts that UpperCaseName made: < 0, 0, > 0.
int CompareUpperCaseNames(const std::string& a, const std::string& b);
// Case-insensitive equality of two handles.
bool SameHandle(const std::string& a, const std::string& b);

// A UTF-8 text (as Skype gives it) in the system's 8-bit code page, for the
// system's own list and title texts. On Windows the ANSI code page through
// UTF-16, characters it lacks as its default character; elsewhere the 8-bit
// code page is UTF-8 and the text is returned as it is.
std::string Utf8ToSystemText(const std::string& utf8);
// The other way: text in the system's 8-bit code page as UTF-8. On Windows
// through UTF-16 from the ANSI code page; elsewhere the text is returned as
// it is.
std::string SystemTextToUtf8(const std::string& text);

}  // namespace kestrava
