// File-system paths the way the program forms them on every system.
#pragma once

#include <string>

namespace kestrava {

#if defined(_WIN32)
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// The folder of `path` including its trailing separator ("C:\App\" of "C:\App\Kestrava.exe").
// Empty when the path has no separator.
inline std::string DirectoryOf(const std::string& path) {
    auto cut = path.find_last_of(kPathSeparator);
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// `folder`, one separator, `name`: the program's way of naming a file beside it.
// A folder that already ends in a separator gets a second one, which file systems accept.
inline std::string FileInFolder(const std::string& folder, const std::string& name) {
    return folder + kPathSeparator + name;
}

}  // namespace kestrava
