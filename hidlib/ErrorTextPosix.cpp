#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "ErrorText.h"

namespace ondrel {

namespace {
constexpr const char* kCreateFailure = "Can not create instance.\nOut of Memrory!";
}

void ShowCreateFailure() {
    std::fprintf(stderr, "[ParserMsg] %s\n", kCreateFailure);
}

bool ShowLastSystemError() {
    int code = errno;
    char buffer[256] = {};
    // The GNU variant may return a static string instead of filling the buffer.
    const char* text = strerror_r(code, buffer, sizeof buffer);
    if (text == nullptr || std::string(text).rfind("Unknown error", 0) == 0) return false;
    std::fprintf(stderr, "[Error] %s\n", text);
    return true;
}

}  // namespace ondrel
