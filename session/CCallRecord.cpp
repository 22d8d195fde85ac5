#include "session/CCallRecord.h"

#include <cstring>
#include <new>

CCallRecord::~CCallRecord() = default;

bool CCallRecord::AssignText(std::string& field, const char* text, int length) {
    if (text == nullptr) {
        field.clear();
        return true;
    }
    if (length < 0) return false;
    // memchr rather than strlen: the caller's length bounds the read even when
    // the text has no terminating zero.
    std::size_t limit = static_cast<std::size_t>(length);
    if (limit > kMaxTextLength) limit = kMaxTextLength;
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
