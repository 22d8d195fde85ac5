#include "LcdArt.h"

namespace kestrava::sim {

namespace {

constexpr int kGlyphSize = 16;

}  // namespace

int LcdColumns(const std::vector<LcdCell>& cells) {
    int columns = 0;
    for (const LcdCell& cell : cells) columns += cell.fullWidth ? 2 : 1;
    return columns;
}

bool LcdPixel(const LcdCell& cell, int x, int y) {
    if (!cell.fullWidth || x < 0 || y < 0 || x >= kGlyphSize || y >= kGlyphSize) return false;
    return (cell.glyph[static_cast<std::size_t>((y / 8) * kGlyphSize + x)] >> (y % 8) & 1) != 0;
}

std::vector<std::string> DrawLcdCells(const std::vector<LcdCell>& cells, LcdArtStyle style) {
    const int halfBox = style.halfWidthBox < 1 ? 1 : style.halfWidthBox;
    const int bandWidth = style.bandWidth < kGlyphSize ? kGlyphSize : style.bandWidth;
    const auto drawnWidth = [&](const LcdCell& cell) {
        return cell.fullWidth ? kGlyphSize : halfBox;
    };
    std::vector<std::string> lines;
    std::size_t start = 0;
    do {
        std::size_t end = start;
        for (int used = 0; end < cells.size();) {
            int width = drawnWidth(cells[end]);
            if (used + width > bandWidth) break;
            used += width;
            ++end;
        }
        std::string border = "+";
        for (std::size_t i = start; i < end; ++i)
            border += std::string(static_cast<std::size_t>(drawnWidth(cells[i])), '-');
        if (start == end) border += std::string(static_cast<std::size_t>(halfBox), '-');
        border += "+";
        lines.push_back(border);
        for (int line = 0; line < kGlyphSize / 2; ++line) {
            std::string row = "|";
            for (std::size_t i = start; i < end; ++i) {
                const LcdCell& cell = cells[i];
                if (!cell.fullWidth) {
                    char ch =
                        cell.code >= 0x20 && cell.code < 0x7F ? static_cast<char>(cell.code) : '?';
                    // The character sits 3 of 8 in, on the middle line.
                    std::string box(static_cast<std::size_t>(halfBox), ' ');
                    if (line == 4) box[static_cast<std::size_t>(halfBox * 3 / 8)] = ch;
                    row += box;
                    continue;
                }
                for (int x = 0; x < kGlyphSize; ++x) {
                    bool top = LcdPixel(cell, x, 2 * line),
                         bottom = LcdPixel(cell, x, 2 * line + 1);
                    row += top && bottom ? "\u2588" : top ? "\u2580" : bottom ? "\u2584" : " ";
                }
            }
            if (start == end) row += std::string(static_cast<std::size_t>(halfBox), ' ');
            lines.push_back(row + "|");
        }
        lines.push_back(border);
        start = end;
    } while (start < cells.size());
    return lines;
}

}  // namespace kestrava::sim
