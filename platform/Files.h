// Opening files by the UTF-8 paths the program forms (DirectoryOf,
// FileInFolder): on Windows through the wide-character functions, since the
// C runtime's narrow functions read a path in the ANSI code page and miss a
// folder named in characters that code page lacks (or in any non-ASCII one,
// read as UTF-8).
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace kestrava {

// std::fopen of a UTF-8 path; null when it does not open (or is not UTF-8
// on Windows).
std::FILE* OpenFile(const std::string& path, const char* mode);

// A UTF-8 path for the streams (std::ifstream and the like), which open it
// through the wide functions on Windows.
inline std::filesystem::path PathFromUtf8(const std::string& utf8) {
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

}  // namespace kestrava
