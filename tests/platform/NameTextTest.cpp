#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <map>
#include <string>
#include <utility>

#include "platform/NameText.h"

namespace kestrava {
namespace {

TEST(NameText, AsciiLettersAreUpperCasedAndTheRestKept) {
    EXPECT_EQ("ALICE BOB-9_X.Y,", UpperCaseName("alice Bob-9_x.y,"));
    EXPECT_EQ("", UpperCaseName(""));
}

TEST(NameText, NamesCompareAfterUpperCasing) {
    EXPECT_LT(CompareUpperCaseNames(UpperCaseName("alice"), UpperCaseName("Bob")), 0);
    EXPECT_GT(CompareUpperCaseNames(UpperCaseName("bob"), UpperCaseName("Al")), 0);
    EXPECT_EQ(0, CompareUpperCaseNames(UpperCaseName("Echo"), UpperCaseName("ECHO")));
    EXPECT_LT(CompareUpperCaseNames("", "A"), 0);  // no name sorts first
    EXPECT_LT(CompareUpperCaseNames("AB", "ABC"), 0);
}

TEST(NameText, HandlesAreTheSameIgnoringCaseOnly) {
    EXPECT_TRUE(SameHandle("Echo123", "echo123"));
    EXPECT_TRUE(SameHandle("+4930123", "+4930123"));
    EXPECT_FALSE(SameHandle("echo123", "echo1234"));
    EXPECT_FALSE(SameHandle("echo.1", "echo_1"));
    EXPECT_FALSE(SameHandle("", "a"));
}

#ifndef _WIN32
// UTF-8 texts: a multi-byte sequence is never changed, and bytes order as
// unsigned values, so non-ASCII names sort after every ASCII one.
TEST(NameText, Utf8BytesAreLeftAloneAndSortAfterAscii) {
    EXPECT_EQ("\xE5\xBC\xA0\xE4\xB8\x89 LI \xC3\xA4",
              UpperCaseName("\xE5\xBC\xA0\xE4\xB8\x89 li \xC3\xA4"));
    EXPECT_LT(CompareUpperCaseNames("ZED", "\xC3\x84RGER"), 0);
    EXPECT_LT(CompareUpperCaseNames("\xE4\xB8\x89", "\xE5\xBC\xA0"), 0);
    EXPECT_FALSE(SameHandle("\xC3\xA4", "\xC3\x84"));
}
#endif

TEST(NameText, Utf8BecomesTheSystemsOwnText) {
    EXPECT_EQ("echo123 +49", Utf8ToSystemText("echo123 +49"));
    EXPECT_EQ("", Utf8ToSystemText(""));
#ifdef _WIN32
    if (GetACP() == 1252) {
        EXPECT_EQ("\xE4rger", Utf8ToSystemText("\xC3\xA4rger"));
        EXPECT_EQ("?", Utf8ToSystemText("\xE5\xBC\xA0"));  // not in the code page
    }
#else
    EXPECT_EQ("\xE5\xBC\xA0\xC3\xA4", Utf8ToSystemText("\xE5\xBC\xA0\xC3\xA4"));
#endif
}

TEST(NameText, TheSystemsOwnTextBecomesUtf8) {
    EXPECT_EQ("echo123 +49", SystemTextToUtf8("echo123 +49"));
    EXPECT_EQ("", SystemTextToUtf8(""));
#ifdef _WIN32
    const std::map<UINT, std::pair<std::string, std::string>> samples = {
        {1252, {"M\xFCller", "M\xC3\xBCller"}},
        // The code pages of Chinese Windows: one character in two bytes.
        {936, {"\xCD\xF5", "\xE7\x8E\x8B"}},
        {950, {"\xA4\xFD", "\xE7\x8E\x8B"}},
    };
    auto sample = samples.find(GetACP());
    if (sample != samples.end()) {
        EXPECT_EQ(sample->second.second, SystemTextToUtf8(sample->second.first));
    }
#else
    EXPECT_EQ("\xE5\xBC\xA0\xC3\xA4", SystemTextToUtf8("\xE5\xBC\xA0\xC3\xA4"));
#endif
}

}  // namespace
}  // namespace kestrava
