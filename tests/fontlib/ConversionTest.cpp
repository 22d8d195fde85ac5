// Mapping Unicode to the double-byte sets and converting texts both ways.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "FontlibTestSupport.h"

namespace {

// Hand-made maps: each set answers U+4E2D with its own code, so the order of
// the lookups shows.
class MapOrderTest : public ::testing::Test {
  protected:
    void Write(bool big5, bool sjis, bool gb) {
        std::vector<std::uint8_t> b, s, g;
        if (big5) PutRecord(b, 0x4E2D - 0xA7, 0xB1, 0x11);
        if (sjis) PutRecord(s, 0x4E2D - 0xA7, 0x92, 0x22);
        if (gb) PutRecord(g, 0x4E2D - 0xA4, 0xD6, 0x33);
        fonts.Write("TIF0.bin", b);
        fonts.Write("TIF2.bin", s);
        fonts.Write("TIF6.bin", g);
        renderer.LoadFonts(fonts.Path().c_str());
    }

    std::uint16_t Map(std::uint16_t codePoint, HResult expected = S_OK) {
        std::uint8_t code[2] = {static_cast<std::uint8_t>(codePoint >> 8),
                                static_cast<std::uint8_t>(codePoint & 0xFF)};
        EXPECT_EQ(renderer.MapToLocal(code), expected);
        return static_cast<std::uint16_t>(code[0] << 8 | code[1]);
    }

    ScratchFolder fonts;
    CLcdRendererImpl renderer{[](std::chrono::milliseconds) {}};
};

TEST_F(MapOrderTest, Big5ThenShiftJisThenGb2312) {
    Write(true, true, true);
    EXPECT_EQ(Map(0x4E2D), 0xB111);
    EXPECT_EQ(renderer.LastCharset(), 1);
    Write(false, true, true);
    EXPECT_EQ(Map(0x4E2D), 0x9222);
    EXPECT_EQ(renderer.LastCharset(), 3);
    Write(false, false, true);
    EXPECT_EQ(Map(0x4E2D), 0xD633);
    EXPECT_EQ(renderer.LastCharset(), 2);
    Write(false, false, false);
    EXPECT_EQ(Map(0x4E2D, E_FAIL), 0x4E2D);  // input left as it was
    EXPECT_EQ(renderer.LastCharset(), -1);
}

TEST_F(MapOrderTest, CodePointsBelowTheBaseAndHalfRecordsAreNotFound) {
    std::vector<std::uint8_t> b;
    PutRecord(b, 0, 0xA1, 0x40);  // record of U+00A7
    PutRecord(b, 1, 0xA1, 0x00);  // U+00A8: a zero byte makes it invalid
    fonts.Write("TIF0.bin", b);   // the file ends before U+00A9
    renderer.LoadFonts(fonts.Path().c_str());
    EXPECT_EQ(Map(0x00A7), 0xA140);
    Map(0x00A6, E_FAIL);  // would read before the start of the file
    Map(0x00A8, E_FAIL);
    Map(0x00A9, E_FAIL);
}

TEST_F(MapOrderTest, CorruptMapGivesBlankGlyphNotACrash) {
    std::vector<std::uint8_t> b;
    PutRecord(b, 0x4E2D - 0xA7, 0xFF, 0xFF);  // not a Big5 code at all
    fonts.Write("TIF0.bin", b);
    fonts.Write("TCF0.bin", std::vector<std::uint8_t>(64, 0xFF));
    renderer.LoadFonts(fonts.Path().c_str());
    RecordingDevice device;
    renderer.SetDevice(&device);
    ASSERT_EQ(renderer.RenderText("\xE4\xB8\xAD"), S_OK);
    renderer.SendRendered();
    const auto values = DataValues(device.Written());
    EXPECT_EQ(values, std::vector<std::uint8_t>(32, 0));
}

TEST(ReverseMapTest, EachSetIsReadAtItsOwnBaseInOrderBig5GbShiftJis) {
    ScratchFolder fonts;
    std::vector<std::uint8_t> big5, gb, sjis;
    PutRecord(big5, 0xA440 - 0xA140, 0x4E, 0x00);  // a code point with a zero low byte
    PutRecord(gb, 0xB0A1 - 1, 0x55, 0x4A);
    PutRecord(sjis, 0xE040 - 0xA140, 0x6F, 0x3E);
    PutRecord(gb, 0xE040 - 1, 0x00, 0x00);
    fonts.Write("TI0Inv.bin", big5);
    fonts.Write("TI6Inv.bin", gb);
    fonts.Write("TI2Inv.bin", sjis);
    CLcdRendererImpl renderer{[](std::chrono::milliseconds) {}};
    renderer.LoadFonts(fonts.Path().c_str());

    char out[255] = {};
    ASSERT_EQ(renderer.LocalToUtf8("a\xA4\x40", out), S_OK);
    EXPECT_STREQ(out, "a\xE4\xB8\x80");  // U+4E00
    EXPECT_EQ(renderer.LastCharset(), 1);
    std::memset(out, 0, sizeof out);
    ASSERT_EQ(renderer.LocalToUtf8("\xB0\xA1", out), S_OK);
    EXPECT_STREQ(out, "\xE5\x95\x8A");  // U+554A
    EXPECT_EQ(renderer.LastCharset(), 2);
    std::memset(out, 0, sizeof out);
    ASSERT_EQ(renderer.LocalToUtf8("\xE0\x40", out), S_OK);
    EXPECT_STREQ(out, "\xE6\xBC\xBE");  // U+6F3E
    EXPECT_EQ(renderer.LastCharset(), 3);
}

TEST(ReverseMapTest, MissingReverseFileFailsTheConversion) {
    ScratchFolder fonts;
    fonts.Write("TI0Inv.bin", {});
    fonts.Write("TI6Inv.bin", {});
    CLcdRendererImpl renderer{[](std::chrono::milliseconds) {}};
    renderer.LoadFonts(fonts.Path().c_str());
    char out[255] = {};
    EXPECT_EQ(renderer.LocalToUtf8("abc", out), E_FAIL);
    EXPECT_EQ(out[0], 0);
}

// The shell may load the fonts again without a folder: the bare names in the
// current directory then replace the earlier folder's set, reverse maps too.
TEST_F(MapOrderTest, LoadingWithoutAFolderOpensTheBareNamesNotTheEarlierFolder) {
    Write(true, false, false);
    ASSERT_EQ(Map(0x4E2D), 0xB111);
    ScratchFolder current;
    std::vector<std::uint8_t> big5, reverse;
    PutRecord(big5, 0x4E2D - 0xA7, 0xB1, 0x99);
    PutRecord(reverse, 0xA440 - 0xA140, 0x4E, 0x00);
    current.Write("TIF0.bin", big5);
    for (const char* name : {"TI0Inv.bin", "TI6Inv.bin", "TI2Inv.bin"})
        current.Write(name, reverse);
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(current.Path());
    renderer.LoadFonts(nullptr);
    const std::uint16_t mapped = Map(0x4E2D);
    char out[255] = {};
    const HResult converted = renderer.LocalToUtf8("\xA4\x40", out);
    std::filesystem::current_path(previous);
    EXPECT_EQ(mapped, 0xB199);
    EXPECT_EQ(converted, S_OK);
    EXPECT_STREQ(out, "\xE4\xB8\x80");
}

// With the generated files.
class ConversionTest : public ::testing::Test {
  protected:
    void SetUp() override { renderer.LoadFonts(GeneratedFontFolder().c_str()); }

    std::string ToLocal(const char* utf8) {
        char out[255] = {};
        EXPECT_EQ(renderer.Utf8ToLocal(utf8, out), S_OK);
        return out;
    }
    std::string ToUtf8(const std::string& local) {
        char out[255] = {};
        EXPECT_EQ(renderer.LocalToUtf8(local.c_str(), out), S_OK);
        return out;
    }

    CLcdRendererImpl renderer{[](std::chrono::milliseconds) {}};
};

TEST_F(ConversionTest, TraditionalChineseRoundTripsThroughBig5) {
    // "Call 中文 一" : U+4E00 has a zero low byte in the reverse map.
    const char* text = "Call \xE4\xB8\xAD\xE6\x96\x87 \xE4\xB8\x80";
    const std::string local = ToLocal(text);
    EXPECT_EQ(local, "Call \xA4\xA4\xA4\xE5 \xA4\x40");
    EXPECT_EQ(ToUtf8(local), text);
}

TEST_F(ConversionTest, SimplifiedAndJapaneseCharactersTakeTheirOwnSets) {
    EXPECT_EQ(ToLocal("\xE4\xBB\xAC"), "\xC3\xC7");  // U+4EEC: GB2312 only
    EXPECT_EQ(renderer.LastCharset(), 2);
    EXPECT_EQ(ToLocal("\xE3\x81\x82\xE3\x82\xA2"), "\x82\xA0\x83\x41");  // hiragana A, katakana A
    EXPECT_EQ(renderer.LastCharset(), 3);
}

TEST_F(ConversionTest, Utf8ToLocalDropsWhatNoSetHasAndStopsAt32Bytes) {
    EXPECT_EQ(ToLocal("a\xEE\x80\x80"
                      "b\xF0\x9F\x98\x80"
                      "c\xC3\xA9"),
              "abc\xE9");
    std::string many;
    for (int i = 0; i < 40; ++i) many += "\xE4\xB8\xAD";
    EXPECT_EQ(ToLocal(many.c_str()).size(), 32u);
    EXPECT_EQ(ToLocal((std::string(31, 'x') + "\xE4\xB8\xAD" + "yz").c_str()).size(), 33u);
    char out[255] = {};
    EXPECT_EQ(renderer.Utf8ToLocal("", out), E_FAIL);
}

TEST_F(ConversionTest, LocalToUtf8NeverWritesPastTheCallersBuffer) {
    std::string local;
    for (int i = 0; i < 127; ++i) local += "\xA4\xA4";  // 254 bytes in, 381 would come out
    char out[255 + 16];
    std::memset(out, 0, 255);
    std::memset(out + 255, 0x7F, 16);
    ASSERT_EQ(renderer.LocalToUtf8(local.c_str(), out), S_OK);
    EXPECT_EQ(out[254], 0) << "the terminating zero stays";
    EXPECT_EQ(std::strlen(out), 252u) << "only whole characters";
    for (int i = 255; i < 255 + 16; ++i) EXPECT_EQ(out[i], 0x7F) << "written past the buffer";
}

TEST_F(ConversionTest, LeadByteAtTheEndIsSkippedWithoutReadingFurther) {
    const char text[] = {'o', 'k', '\xA4', '\0', '\xA4', '\0'};
    EXPECT_EQ(ToUtf8(text), "ok");
}

}  // namespace
