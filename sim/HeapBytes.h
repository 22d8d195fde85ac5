#pragma once

#include <cstddef>
#include <string>

namespace kestrava::sim {

// The heap a block of `bytes` takes, as the C library rounds it; tests pass
// their own measure of it.
using HeapBlockSize = std::size_t (*)(std::size_t bytes);

// The heap a text holds of its own: none for a short text, which lives
// inside the string object itself.
inline std::size_t TextHeapBytes(const std::string& text, HeapBlockSize block) {
    const char* object = reinterpret_cast<const char*>(&text);
    bool inside = text.data() >= object && text.data() < object + sizeof text;
    return inside ? 0 : block(text.capacity() + 1);
}

}  // namespace kestrava::sim
