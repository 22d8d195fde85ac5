// The LCD's block art, shared by the viewer and the interactive screen.
#include <gtest/gtest.h>

#include "sim/LcdArt.h"

namespace kestrava::sim {
namespace {

LcdCell Half(char c) {
    return {false, static_cast<std::uint8_t>(c), {}};
}

// A glyph with only its top-left pixel and the pixel below it set.
LcdCell TopLeftPixels(bool top, bool bottom) {
    LcdCell cell;
    cell.fullWidth = true;
    cell.glyph[0] = static_cast<std::uint8_t>((top ? 1 : 0) | (bottom ? 2 : 0));
    return cell;
}

TEST(LcdArt, APixelPairIsOneHalfBlockCharacter) {
    struct Case {
        bool top, bottom;
        const char* drawn;
    };
    for (const Case& c : {Case{true, true, "\u2588"}, Case{true, false, "\u2580"},
                          Case{false, true, "\u2584"}, Case{false, false, " "}}) {
        auto lines = DrawLcdCells({TopLeftPixels(c.top, c.bottom)});
        ASSERT_EQ(lines.size(), 10u);  // frame, eight lines of two pixel rows, frame
        EXPECT_EQ(lines[1].substr(0, 1 + std::string(c.drawn).size()), "|" + std::string(c.drawn))
            << c.top << c.bottom;
    }
}

TEST(LcdArt, TheLowerHalfOfAGlyphComesFromItsSecondSixteenBytes) {
    LcdCell cell;
    cell.fullWidth = true;
    cell.glyph[16 + 3] = 0x80;  // column 3, pixel row 15
    EXPECT_TRUE(LcdPixel(cell, 3, 15));
    EXPECT_FALSE(LcdPixel(cell, 3, 7));
    auto lines = DrawLcdCells({cell});
    EXPECT_EQ(lines[8], "|   \u2584            |");
}

TEST(LcdArt, BandsBreakWhereTheNextCellWouldPassTheWidth) {
    struct Case {
        const char* what;
        std::vector<LcdCell> cells;
        LcdArtStyle style;
        std::vector<std::size_t> bandWidths;  // characters inside each frame
    };
    std::vector<LcdCell> twenty(20, Half('x'));
    std::vector<LcdCell> threeGlyphs(3, TopLeftPixels(true, true));
    const Case cases[] = {
        {"the viewer's 16 columns", twenty, {}, {128, 32}},
        {"one character each", twenty, {32, 1}, {20}},
        {"two glyphs fit in 40", threeGlyphs, {40, 1}, {32, 16}},
        {"a glyph wider than the band still shows", threeGlyphs, {4, 1}, {16, 16, 16}},
        {"no cells: an empty band", {}, {32, 1}, {1}},
    };
    for (const Case& c : cases) {
        auto lines = DrawLcdCells(c.cells, c.style);
        // Each band is ten lines: its frame's top, eight lines, its frame's bottom.
        std::vector<std::size_t> bands;
        for (std::size_t i = 0; i < lines.size(); i += 10) bands.push_back(lines[i].size() - 2);
        EXPECT_EQ(bands, c.bandWidths) << c.what;
        EXPECT_EQ(lines.size(), c.bandWidths.size() * 10) << c.what;
    }
}

TEST(LcdArt, AHalfWidthCharacterSitsOnTheMiddleLine) {
    auto lines = DrawLcdCells({Half('H'), Half('i'), Half('\x01')}, {32, 1});
    EXPECT_EQ(lines[5], "|Hi?|") << "an unprintable code shows as '?'";
    EXPECT_EQ(lines[4], "|   |");
    EXPECT_EQ(LcdColumns({Half('a'), TopLeftPixels(true, false)}), 3);
}

}  // namespace
}  // namespace kestrava::sim
