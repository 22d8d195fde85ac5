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

}  // namespace kestrava
