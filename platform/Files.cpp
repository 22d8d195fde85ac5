#include "platform/Files.h"

#if defined(_WIN32)
#include "platform/win32/WideText.h"
#endif

namespace kestrava {

std::FILE* OpenFile(const std::string& path, const char* mode) {
    if (path.empty() || mode == nullptr) return nullptr;
#if defined(_WIN32)
    const auto widePath = StrictUtf8ToWide(path);
    if (!widePath) return nullptr;
    const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(widePath->c_str(), wideMode.c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

}  // namespace kestrava
