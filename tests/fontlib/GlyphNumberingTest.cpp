// Where codes are found in the font files, checked with hand-made files whose
// glyph n carries its own number, so an off-by-one anywhere shows.
#include <gtest/gtest.h>

#include <cstring>

#include "FontlibTestSupport.h"
#include "fontlib/FontFiles.h"

namespace {

std::vector<std::uint8_t> NumberedGlyphs(int count) {
    std::vector<std::uint8_t> file(static_cast<std::size_t>(count) * 32, 0);
    for (int n = 0; n < count; ++n) {
        file[static_cast<std::size_t>(n) * 32] = static_cast<std::uint8_t>(n >> 8);
        file[static_cast<std::size_t>(n) * 32 + 1] = static_cast<std::uint8_t>(n & 0xFF);
        file[static_cast<std::size_t>(n) * 32 + 31] = 0xEE;  // marks a whole glyph
    }
    return file;
}

class GlyphNumberingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fonts.Write("TCF0.bin", NumberedGlyphs(glyvar::kBig5GlyphCount));
        fonts.Write("TCF6.bin", NumberedGlyphs(glyvar::kGbGlyphCount));
        fonts.Write("TCF2.bin", NumberedGlyphs(glyvar::kSjisGlyphCount));
        renderer.LoadFonts(fonts.Path().c_str());
    }

    using Getter = HResult (CLcdRenderer::*)(const std::uint8_t*, std::uint8_t*);

    // The glyph number found for `code`, or -1 when the getter fails.
    int Number(Getter getter, std::uint16_t code) {
        const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(code >> 8),
                                       static_cast<std::uint8_t>(code & 0xFF)};
        std::uint8_t glyph[32] = {};
        if (!Succeeded((renderer.*getter)(bytes, glyph))) return -1;
        EXPECT_EQ(glyph[31], 0xEE);
        return glyph[0] << 8 | glyph[1];
    }

    ScratchFolder fonts;
    CLcdRendererImpl renderer{[](std::chrono::milliseconds) {}};
};

TEST_F(GlyphNumberingTest, Big5RowsHoldTwoTrailRanges) {
    const Getter big5 = &CLcdRenderer::GetBig5Glyph;
    EXPECT_EQ(Number(big5, 0xA140), 0);
    EXPECT_EQ(Number(big5, 0xA17E), 62);
    EXPECT_EQ(Number(big5, 0xA1A1), 63);
    EXPECT_EQ(Number(big5, 0xA1FE), 156);
    EXPECT_EQ(Number(big5, 0xA240), 157);
    EXPECT_EQ(Number(big5, 0xF9FE), glyvar::kBig5GlyphCount - 1);
    for (std::uint16_t invalid : {0xA13F, 0xA17F, 0xA1A0, 0xA0FE, 0xFA40, 0xA1FF})
        EXPECT_EQ(Number(big5, invalid), -1) << std::hex << invalid;
}

TEST_F(GlyphNumberingTest, Gb2312RowsHoldNinetyFourCodes) {
    const Getter gb = &CLcdRenderer::GetGbGlyph;
    EXPECT_EQ(Number(gb, 0xA1A1), 0);
    EXPECT_EQ(Number(gb, 0xB0A1), 1410);
    EXPECT_EQ(Number(gb, 0xF7FE), glyvar::kGbGlyphCount - 1);
    for (std::uint16_t invalid : {0xA1A0, 0xA140, 0xF8A1, 0xA0FE, 0xB0FF})
        EXPECT_EQ(Number(gb, invalid), -1) << std::hex << invalid;
}

TEST_F(GlyphNumberingTest, ShiftJisRowsFollowTheTable) {
    const Getter sjis = &CLcdRenderer::GetSjisGlyph;
    EXPECT_EQ(Number(sjis, 0x8140), 0);
    EXPECT_EQ(Number(sjis, 0x84F7), 735);
    EXPECT_EQ(Number(sjis, 0x889F), 736);
    EXPECT_EQ(Number(sjis, 0x8940), 832);
    EXPECT_EQ(Number(sjis, 0x9FFC), 5178);
    EXPECT_EQ(Number(sjis, 0xE040), 5179);
    EXPECT_EQ(Number(sjis, 0xEAA4), 7169);
    EXPECT_EQ(Number(sjis, 0xED40), 7170);
    EXPECT_EQ(Number(sjis, 0xFA40), 7548);
    EXPECT_EQ(Number(sjis, 0xFC4B), 7937);
    for (std::uint16_t invalid :
         {0x8540, 0x879F, 0x889E, 0x813F, 0x84F8, 0x89FD, 0xEAA5, 0xEB40, 0xF940, 0xFC4C})
        EXPECT_EQ(Number(sjis, invalid), -1) << std::hex << invalid;
}

TEST_F(GlyphNumberingTest, ShortGlyphFileGivesBlankRestNeverGarbage) {
    auto truncated = NumberedGlyphs(2);
    truncated.resize(32 + 10);  // glyph 1 is cut after 10 bytes
    fonts.Write("TCF0.bin", truncated);
    renderer.LoadFonts(fonts.Path().c_str());
    std::uint8_t glyph[32];
    std::memset(glyph, 0x55, sizeof glyph);
    const std::uint8_t cut[2] = {0xA1, 0x41}, beyond[2] = {0xF9, 0xFE};
    ASSERT_EQ(renderer.GetBig5Glyph(cut, glyph), S_OK);
    EXPECT_EQ(glyph[1], 1);
    for (int i = 10; i < 32; ++i) EXPECT_EQ(glyph[i], 0) << i;
    ASSERT_EQ(renderer.GetBig5Glyph(beyond, glyph), S_OK);
    EXPECT_EQ(glyph[0] | glyph[1] | glyph[31], 0);
}

TEST(FontFileTest, MissingGlyphFileFailsTheGetters) {
    CLcdRendererImpl renderer{[](std::chrono::milliseconds) {}};
    ScratchFolder empty;
    renderer.LoadFonts(empty.Path().c_str());
    std::uint8_t glyph[32] = {};
    const std::uint8_t code[2] = {0xA4, 0xA4};
    EXPECT_EQ(renderer.GetBig5Glyph(code, glyph), E_FAIL);
    EXPECT_EQ(renderer.GetGbGlyph(code, glyph), E_FAIL);
    EXPECT_EQ(renderer.GetSjisGlyph(code, glyph), E_FAIL);
}

}  // namespace
