// Texts as the session components keep and hand them out: kept cut to
// kMaxTextLength bytes, copied out into caller buffers of kTextBufferSize
// bytes, or read one character at a time.
#pragma once

#include <cstddef>
#include <string>

#include "ResultCodes.h"

namespace kestrava {

inline constexpr std::size_t kMaxTextLength = 254;
inline constexpr std::size_t kTextBufferSize = kMaxTextLength + 1;

// Replaces `field` with the first `length` bytes of `text`, stopping early at
// a terminating zero and at kMaxTextLength. A null text clears the field. A
// negative length, or no memory, is refused and leaves the field unchanged.
bool AssignCutText(std::string& field, const char* text, int length);

// Zero-fills the caller's kTextBufferSize bytes and copies at most
// kMaxTextLength of `text`, so the result is always terminated. Fails for a
// null buffer.
HResult CopyToCallerBuffer(char* out, const std::string& text);

// Writes `value` into the caller's `out`; fails for a null pointer.
inline HResult StoreToCaller(int* out, int value) {
    if (out == nullptr) return E_FAIL;
    *out = value;
    return S_OK;
}

// The handset reads a text again and again: after its last character one call
// fails and sets `position` back to 0, so the next call starts over. An empty
// text, or a null `out`, fails.
HResult ReadCharCycling(const std::string& text, int& position, char* out);

}  // namespace kestrava
