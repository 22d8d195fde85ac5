// The UTF-8 reading the handset texts need: one character at a time, with the
// column width it takes on the LCD. Malformed input never fails; a byte that
// does not start a complete sequence stands for itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace glyvar {

struct DecodedChar {
    // Width 1: the single-byte code (U+0080..U+00FF become their Latin-1 byte,
    // wider two-byte characters keep their low 8 bits). Width 2: the code point.
    std::uint16_t code;
    int length;      // bytes consumed, 1..4
    int width;       // columns on the LCD: 1 half-width, 2 full-width
    bool beyondBmp;  // a four-byte sequence; `code` is 0
};

// Decodes the character at `pos` (< text.size()). A sequence is taken only when
// all its bytes lie inside `text`, so a text cut in the middle of a character
// is never read past its end.
inline DecodedChar DecodeUtf8(std::string_view text, std::size_t pos) {
    const auto at = [&](std::size_t i) { return static_cast<std::uint8_t>(text[pos + i]); };
    const std::size_t left = text.size() - pos;
    const std::uint8_t b0 = at(0);
    const auto follows = [&](std::size_t n) {
        if (left <= n) return false;
        for (std::size_t i = 1; i <= n; ++i)
            if ((at(i) & 0x80) == 0) return false;
        return true;
    };
    if (b0 < 0xC0) return {b0, 1, 1, false};
    if (b0 <= 0xDF && follows(1))
        return {static_cast<std::uint8_t>((b0 << 6) | (at(1) & 0x3F)), 2, 1, false};
    if (b0 >= 0xE0 && b0 <= 0xEF && follows(2)) {
        const auto high = static_cast<std::uint8_t>((b0 << 4) | ((at(1) >> 2) & 0x0F));
        const auto low = static_cast<std::uint8_t>((at(1) << 6) | (at(2) & 0x3F));
        return {static_cast<std::uint16_t>(high << 8 | low), 3, 2, false};
    }
    if (b0 >= 0xF0 && follows(3)) return {0, 4, 2, true};
    return {b0, 1, 1, false};
}

}  // namespace glyvar
