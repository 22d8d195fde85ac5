#include "session/SessionText.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace kestrava {

bool AssignCutText(std::string& field, const char* text, int length) {
    if (text == nullptr) {
        field.clear();
        return true;
    }
    if (length < 0) return false;
    // memchr rather than strlen: the caller's length bounds the read even when
    // the text has no terminating zero.
    const std::size_t limit = std::min(static_cast<std::size_t>(length), kMaxTextLength);
    const void* end = std::memchr(text, '\0', limit);
    const std::size_t size =
        end ? static_cast<std::size_t>(static_cast<const char*>(end) - text) : limit;
    try {
        field.assign(text, size);
    } catch (const std::bad_alloc&) {
        return false;  // the old text stays
    }
    return true;
}

HResult CopyToCallerBuffer(char* out, const std::string& text) {
    if (out == nullptr) return E_FAIL;
    std::memset(out, 0, kTextBufferSize);
    std::memcpy(out, text.data(), std::min(text.size(), kMaxTextLength));
    return S_OK;
}

HResult ReadCharCycling(const std::string& text, int& position, char* out) {
    if (out == nullptr || text.empty()) return E_FAIL;
    if (position < 0 || static_cast<std::size_t>(position) >= text.size()) {
        position = 0;
        return E_FAIL;
    }
    *out = text[static_cast<std::size_t>(position++)];
    return S_OK;
}

}  // namespace kestrava
