// The conversions every wide-character call of the Windows build goes through.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/WideText.h"

namespace kestrava {
namespace {

TEST(WideText, ValidTextRoundTripsAndBadTextIsReplacedOrRefused) {
    struct Case {
        const char* name;
        std::string utf8;
        std::wstring lenient;  // Utf8ToWide
        bool strictTakesIt;    // StrictUtf8ToWide
    } cases[] = {
        {"ascii", "Software\\Kestrava", L"Software\\Kestrava", true},
        {"two and three bytes", "é连接", L"\u00e9\u8fde\u63a5", true},
        {"outside the basic plane", "\xF0\x9F\x93\x9E", L"\xD83D\xDCDE", true},
        {"a zero inside", std::string("a\0b", 3), std::wstring(L"a\0b", 3), true},
        {"a lone continuation byte", "a\x80z", L"a\uFFFDz", false},
        {"a cut sequence at the end", "ab\xE8\xBF", L"ab\uFFFD", false},
        // How many replacement characters differs between systems.
        {"an encoded surrogate", "\xED\xA0\x80", L"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring wide = Utf8ToWide(c.utf8);
        if (c.lenient.empty()) {
            EXPECT_NE(wide.find(L'\uFFFD'), std::wstring::npos);
            EXPECT_EQ(wide.find(L'\xD800'), std::wstring::npos);
        } else {
            EXPECT_EQ(wide, c.lenient);
        }
        const auto strict = StrictUtf8ToWide(c.utf8);
        ASSERT_EQ(strict.has_value(), c.strictTakesIt);
        if (strict) {
            EXPECT_EQ(*strict, c.lenient);
            EXPECT_EQ(WideToUtf8(*strict), c.utf8);
        }
    }
    EXPECT_TRUE(Utf8ToWide("").empty());
    ASSERT_TRUE(StrictUtf8ToWide("").has_value()) << "the empty name is a name";
    EXPECT_TRUE(StrictUtf8ToWide("")->empty());
}

TEST(WideText, WideTextIsTakenByItsLengthAndAFieldUpToItsZero) {
    const wchar_t text[] = L"USB\0Audio";
    EXPECT_EQ(WideToUtf8(text, 3), "USB");
    EXPECT_EQ(WideToUtf8(text, std::size_t{9}), std::string("USB\0Audio", 9));
    EXPECT_EQ(WideToUtf8(text, 0), "");
    EXPECT_EQ(WideToUtf8(text, -1), "") << "a failed count";
    EXPECT_EQ(WideToUtf8(nullptr, 4), "");
    const wchar_t lone[] = {L'a', 0xD800, L'b'};
    EXPECT_EQ(WideToUtf8(lone, 3),
              "a\xEF\xBF\xBD"
              "b");

    const wchar_t field[8] = L"Mic";
    EXPECT_EQ(WideFieldToUtf8(field), "Mic");
    const wchar_t full[4] = {L'L', L'i', L'n', L'e'};  // no room for a zero
    EXPECT_EQ(WideFieldToUtf8(full), "Line");
    const wchar_t empty[4] = {};
    EXPECT_EQ(WideFieldToUtf8(empty), "");
}

}  // namespace
}  // namespace kestrava
