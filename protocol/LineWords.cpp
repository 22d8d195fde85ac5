#include "protocol/LineWords.h"

#include <limits>

namespace kestrava {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The next word at or after `at`; `at` moves past it. Empty at the end.
std::string_view NextWord(std::string_view line, std::size_t& at) {
    while (at < line.size() && IsBlank(line[at])) ++at;
    std::size_t start = at;
    while (at < line.size() && !IsBlank(line[at])) ++at;
    return line.substr(start, at - start);
}

std::string Fit(std::string_view word, std::size_t bufferSize) {
    return std::string(word.substr(0, bufferSize - 1));
}

bool IsListSeparator(char c) {
    return c == ',' || c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

LineWords LineWords::Read(std::string_view line) {
    LineWords words;
    std::size_t at = 0;
    words.first = Fit(NextWord(line, at), kFirstSize);
    words.second = Fit(NextWord(line, at), kSecondSize);
    words.third = Fit(NextWord(line, at), kThirdSize);
    words.fourth = Fit(NextWord(line, at), kFourthSize);
    return words;
}

std::vector<std::string_view> ItemsOfListReply(std::string_view line) {
    std::vector<std::string_view> items;
    bool keyword = true;
    for (std::size_t at = 0; at < line.size();) {
        if (IsListSeparator(line[at])) {
            ++at;
            continue;
        }
        const std::size_t start = at;
        while (at < line.size() && !IsListSeparator(line[at])) ++at;
        if (keyword) {
            keyword = false;
            continue;
        }
        items.push_back(line.substr(start, at - start));
    }
    return items;
}

std::string JoinWordsFrom(std::string_view line, int index, std::size_t limit) {
    std::size_t at = 0;
    for (int skipped = 0; skipped < index; ++skipped) NextWord(line, at);
    std::string joined;
    for (auto word = NextWord(line, at); !word.empty(); word = NextWord(line, at)) {
        joined.append(word);
        joined.push_back(' ');
        if (joined.size() >= limit) break;
    }
    return CutUtf8(joined, limit);
}

std::string CutUtf8(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return std::string(text);
    std::size_t cut = maxBytes;
    // Back off to the start of the character the cut would split.
    while (cut > 0 && IsContinuationByte(text[cut])) --cut;
    return std::string(text.substr(0, cut));
}

std::int64_t ParseInt64(std::string_view word) {
    std::size_t at = 0;
    while (at < word.size() && IsBlank(word[at])) ++at;
    bool negative = false;
    if (at < word.size() && (word[at] == '+' || word[at] == '-')) negative = word[at++] == '-';
    constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    for (; at < word.size() && word[at] >= '0' && word[at] <= '9'; ++at) {
        int digit = word[at] - '0';
        if (value > (kMax - digit) / 10)
            return negative ? std::numeric_limits<std::int64_t>::min() : kMax;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

bool StartsWithNumber(std::string_view word) {
    std::size_t at = 0;
    while (at < word.size() && IsBlank(word[at])) ++at;
    if (at < word.size() && (word[at] == '+' || word[at] == '-')) ++at;
    return at < word.size() && word[at] >= '0' && word[at] <= '9';
}

int ParseCallId(std::string_view word) {
    const std::int64_t wide = ParseInt64(word);
    if (wide <= 0 || wide > std::numeric_limits<int>::max()) return 0;
    return static_cast<int>(wide);
}

int ParseInt(std::string_view word) {
    std::int64_t value = ParseInt64(word);
    if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

}  // namespace kestrava
