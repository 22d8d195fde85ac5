// The handset's LCD as a person sees it: one line of 32 columns, half-width
// characters one column each, full-width characters two columns of 16x16
// pixels. Shared by the LCD viewer, the simulated handset and the terminal
// front end, so that all three draw a glyph the same way.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrava::sim {

struct LcdCell {
    bool fullWidth = false;
    std::uint8_t code = 0;                 // half-width: the character code
    std::array<std::uint8_t, 32> glyph{};  // full-width: two bands of 16 columns, bit 0 on top

    bool operator==(const LcdCell&) const = default;
};

// The columns the cells take (a full-width cell takes two).
int LcdColumns(const std::vector<LcdCell>& cells);

// True when pixel (x, y) of a full-width cell is set (x, y in 0..15).
bool LcdPixel(const LcdCell& cell, int x, int y);

// How wide the art may be: a glyph is always 16 characters wide.
struct LcdArtStyle {
    int bandWidth = 128;   // characters inside a band's frame; the next cell starts a new band
    int halfWidthBox = 8;  // characters a half-width cell takes
};

// The cells as block art: two pixel rows per text line drawn with half
// blocks (UTF-8), bands of cells as wide as the style allows (the default:
// 16 LCD columns), each band framed. A half-width cell is its character in
// the middle of its box. No cells give one empty band.
std::vector<std::string> DrawLcdCells(const std::vector<LcdCell>& cells, LcdArtStyle style = {});

}  // namespace kestrava::sim
