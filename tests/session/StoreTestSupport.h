// Small helpers shared by the session store tests.
#pragma once

#include <cstring>
#include <string>

#include "session/CSessionStore.h"

namespace session_test {

using CharReader = HResult (CSessionStore::*)(char*);

// Reads a display text one character at a time until the store says it ended.
inline std::string ReadText(CSessionStore& store, CharReader read) {
    std::string text;
    char c = 0;
    for (int guard = 0; guard < 1000 && Succeeded((store.*read)(&c)); ++guard) text += c;
    return text;
}

// Adds a history record at the back with the fields the browse filters look at.
inline void AddRecord(CSessionStore& store, int id, int type, int status,
                      const std::string& handle = {}) {
    store.AddCall(id, 0);
    store.SetCallType(id, type);
    store.SetCallStatus(id, status);
    if (!handle.empty()) {
        store.SetCallPartnerHandle(id, handle.c_str(), static_cast<int>(handle.size()));
    }
}

// A caller buffer with guard bytes behind the documented 255.
struct GuardedBuffer {
    static constexpr std::size_t kGuard = 16;
    char bytes[CSessionStore::kTextBufferSize + kGuard];
    GuardedBuffer() { std::memset(bytes, 'G', sizeof bytes); }
    char* data() { return bytes; }
    std::string text() const {
        const void* end = std::memchr(bytes, '\0', sizeof bytes);
        return std::string(bytes, end ? static_cast<const char*>(end) - bytes : sizeof bytes);
    }
    bool GuardIntact() const {
        for (std::size_t i = CSessionStore::kTextBufferSize; i < sizeof bytes; ++i) {
            if (bytes[i] != 'G') return false;
        }
        return true;
    }
};

}  // namespace session_test
