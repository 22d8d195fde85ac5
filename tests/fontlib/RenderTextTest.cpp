// What the handset receives for display texts and the balance.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "FontlibTestSupport.h"

namespace {

constexpr std::uint8_t kText = CLcdRendererImpl::kBeginText;
constexpr std::uint8_t kGlyphs = CLcdRendererImpl::kBeginGlyphs;
constexpr std::uint8_t kMark = CLcdRendererImpl::kMarker;

class RenderTextTest : public ::testing::Test {
  protected:
    void SetUp() override {
        renderer.LoadFonts(GeneratedFontFolder().c_str());
        renderer.SetDevice(&device);
    }

    // Sends the pending stream and returns what the handset got.
    std::vector<Unit> Sent() {
        EXPECT_EQ(renderer.SendRendered(), S_OK);
        return device.Written();
    }

    std::vector<Unit> Render(const char* text) {
        EXPECT_EQ(renderer.RenderText(text), S_OK) << text;
        return Sent();
    }

    std::vector<std::uint8_t> Big5Glyph(std::uint8_t lead, std::uint8_t trail) {
        std::uint8_t code[2] = {lead, trail};
        std::vector<std::uint8_t> glyph(32, 0);
        EXPECT_EQ(renderer.GetBig5Glyph(code, glyph.data()), S_OK);
        return glyph;
    }

    PauseRecorder pauses;
    RecordingDevice device;
    CLcdRendererImpl renderer{pauses.Function()};
};

// Checks one glyph's 32 units starting at `at`: alternating controls from 0x00.
void ExpectGlyphUnits(const std::vector<Unit>& units, std::size_t at,
                      const std::vector<std::uint8_t>& glyph) {
    ASSERT_GE(units.size(), at + 32);
    for (std::size_t i = 0; i < 32; ++i) {
        EXPECT_EQ(units[at + i].control, i % 2 == 0 ? 0x00 : 0x05) << "glyph unit " << i;
        if (!glyph.empty()) {
            EXPECT_EQ(units[at + i].value, glyph[i]) << "glyph unit " << i;
        }
    }
}

bool IsBlank(const std::vector<Unit>& units, std::size_t at) {
    for (std::size_t i = 0; i < 32; ++i)
        if (units[at + i].value != 0) return false;
    return true;
}

TEST_F(RenderTextTest, HalfWidthCharactersAlternateTheirControlByte) {
    EXPECT_EQ(Render("Ab"), (std::vector<Unit>{{kText, kMark}, {'A', 0x00}, {'b', 0x05}}));
}

TEST_F(RenderTextTest, FullWidthCharacterFollowsTextWithItsGlyph) {
    const auto glyph = Big5Glyph(0xA4, 0xA4);  // U+4E2D in Big5
    ASSERT_NE(glyph, std::vector<std::uint8_t>(32, 0)) << "the generated Big5 font draws it";
    const auto units = Render("A\xE4\xB8\xAD");
    ASSERT_EQ(units.size(), 3u + 32u);
    EXPECT_EQ(units[0], (Unit{kText, kMark}));
    EXPECT_EQ(units[1], (Unit{'A', 0x00}));
    EXPECT_EQ(units[2], (Unit{kGlyphs, kMark}));
    ExpectGlyphUnits(units, 3, glyph);
}

TEST_F(RenderTextTest, FullWidthRunSharesOneMarkerAndEachGlyphRestartsTheToggle) {
    // U+4E2D U+6587, then text again: the text run gets a fresh marker and toggle.
    const auto units = Render("\xE4\xB8\xAD\xE6\x96\x87xy");
    ASSERT_EQ(units.size(), 1u + 64u + 3u);
    EXPECT_EQ(units[0], (Unit{kGlyphs, kMark}));
    ExpectGlyphUnits(units, 1, Big5Glyph(0xA4, 0xA4));
    ExpectGlyphUnits(units, 33, Big5Glyph(0xA4, 0xE5));
    EXPECT_EQ(units[65], (Unit{kText, kMark}));
    EXPECT_EQ(units[66], (Unit{'x', 0x00}));
    EXPECT_EQ(units[67], (Unit{'y', 0x05}));
}

TEST_F(RenderTextTest, LongTextsStopAtThirtyTwoColumns) {
    EXPECT_EQ(Render(std::string(40, 'a').c_str()).size(), 1u + 32u);

    std::string chinese;
    for (int i = 0; i < 20; ++i) chinese += "\xE4\xB8\xAD";
    device.Clear();
    EXPECT_EQ(Render(chinese.c_str()).size(), 1u + 16u * 32u);
}

TEST_F(RenderTextTest, FullWidthCharacterThatWouldOverhangColumn32IsLeftOut) {
    const std::string text = std::string(31, 'a') + "\xE4\xB8\xAD";
    const auto units = Render(text.c_str());
    ASSERT_EQ(units.size(), 1u + 31u);
    EXPECT_EQ(units.back(), (Unit{'a', 0x00}));
}

TEST_F(RenderTextTest, TwoByteUtf8BecomesOneLatin1Unit) {
    EXPECT_EQ(Render("\xC3\xA9"), (std::vector<Unit>{{kText, kMark}, {0xE9, 0x00}}));
}

TEST_F(RenderTextTest, EachSetDrawsFromItsOwnFont) {
    // U+4EEC exists only in GB2312, U+3042 first in Shift-JIS.
    std::uint8_t gbGlyph[32] = {}, sjisGlyph[32] = {};
    const std::uint8_t gb[2] = {0xC3, 0xC7}, sjis[2] = {0x82, 0xA0};
    ASSERT_EQ(renderer.GetGbGlyph(gb, gbGlyph), S_OK);
    ASSERT_EQ(renderer.GetSjisGlyph(sjis, sjisGlyph), S_OK);

    auto units = Render("\xE4\xBB\xAC");
    ExpectGlyphUnits(units, 1, std::vector<std::uint8_t>(gbGlyph, gbGlyph + 32));
    EXPECT_EQ(renderer.LastCharset(), 2);

    renderer.RenderText("\xE3\x81\x82");
    units = Sent();
    ExpectGlyphUnits(units, units.size() - 32,
                     std::vector<std::uint8_t>(sjisGlyph, sjisGlyph + 32));
    EXPECT_EQ(renderer.LastCharset(), 3);
}

TEST_F(RenderTextTest, CharactersWithoutGlyphAreBlankAndKeepTheirColumns) {
    // A private-use character (no set has it) and U+1F600 (beyond U+FFFF).
    const auto units = Render("\xEE\x80\x80\xF0\x9F\x98\x80!");
    ASSERT_EQ(units.size(), 1u + 64u + 2u);
    EXPECT_TRUE(IsBlank(units, 1));
    EXPECT_TRUE(IsBlank(units, 33));
    EXPECT_EQ(units[66], (Unit{'!', 0x00}));
}

TEST_F(RenderTextTest, SequenceCutShortAtTheEndIsTakenByteByByte) {
    EXPECT_EQ(Render("A\xE4\xB8"),
              (std::vector<Unit>{{kText, kMark}, {'A', 0x00}, {0xE4, 0x05}, {0xB8, 0x00}}));
    device.Clear();
    EXPECT_EQ(Render("\xF0\x9F\x98"),
              (std::vector<Unit>{{kText, kMark}, {0xF0, 0x00}, {0x9F, 0x05}, {0x98, 0x00}}));
}

TEST_F(RenderTextTest, MissingFontsDrawBlankGlyphs) {
    CLcdRendererImpl bare{pauses.Function()};
    ScratchFolder empty;
    bare.LoadFonts(empty.Path().c_str());
    bare.SetDevice(&device);
    ASSERT_EQ(bare.RenderText("\xE4\xB8\xAD"), S_OK);
    ASSERT_EQ(bare.SendRendered(), S_OK);
    const auto units = device.Written();
    ASSERT_EQ(units.size(), 33u);
    EXPECT_TRUE(IsBlank(units, 1));
}

TEST_F(RenderTextTest, PlainTextIsSentByteForByteUpTo32) {
    ASSERT_EQ(renderer.RenderPlainText("\xC3\xA9"), S_OK);
    EXPECT_EQ(Sent(), (std::vector<Unit>{{kText, kMark}, {0xC3, 0x00}, {0xA9, 0x05}}));
    device.Clear();
    ASSERT_EQ(renderer.RenderPlainText(std::string(40, 'z').c_str()), S_OK);
    EXPECT_EQ(Sent().size(), 33u);
    EXPECT_EQ(renderer.RenderPlainText(""), E_FAIL);
}

// The amount text that follows the currency glyph, as characters.
std::string BalanceAmount(const std::vector<Unit>& units) {
    std::string amount;
    for (std::size_t i = 1 + 8 + 1 + 32 + 1; i < units.size(); ++i)
        amount += static_cast<char>(units[i].value);
    return amount;
}

TEST_F(RenderTextTest, BalanceShowsLabelCurrencyGlyphAndAmount) {
    ASSERT_EQ(renderer.RenderBalance(-1234), S_OK);
    const auto units = Sent();
    ASSERT_EQ(units.size(), 1u + 8u + 1u + 32u + 1u + 7u);
    EXPECT_EQ(units[0], (Unit{kText, kMark}));
    const auto label = DataValues({units.begin() + 1, units.begin() + 9});
    EXPECT_EQ(std::string(label.begin(), label.end()), "Balance:");
    EXPECT_EQ(units[9], (Unit{kGlyphs, kMark}));
    ExpectGlyphUnits(units, 10, {});
    EXPECT_EQ(units[14].value, 0xF0);  // the currency sign's upper band
    EXPECT_EQ(units[42], (Unit{kText, kMark}));
    EXPECT_EQ(BalanceAmount(units), std::string("-12.34") + '\0');
    for (std::size_t i = 43; i < units.size(); ++i)
        EXPECT_EQ(units[i].control, (i - 43) % 2 == 0 ? 0x00 : 0x05);
}

TEST_F(RenderTextTest, BalanceAlwaysHasTwoDigitsOfHundredths) {
    const std::pair<int, std::string> cases[] = {
        {1234, "12.34"}, {50, ".50"}, {5, ".05"}, {-5, "-.05"}, {INT_MIN, "-21474836.48"}};
    for (const auto& [amount, shown] : cases) {
        device.Clear();
        ASSERT_EQ(renderer.RenderBalance(amount), S_OK);
        EXPECT_EQ(BalanceAmount(Sent()), shown + '\0') << amount;
    }
}

TEST_F(RenderTextTest, ZeroBalanceSaysThereIsNone) {
    ASSERT_EQ(renderer.RenderBalance(0), S_OK);
    const auto units = Sent();
    const auto values = DataValues(units);
    EXPECT_EQ(units[0], (Unit{kText, kMark}));
    EXPECT_EQ(std::string(values.begin(), values.end()), "No Skypeout Privilege.");
}

}  // namespace
