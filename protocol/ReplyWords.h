// Reading the words of a reply from Skype: a word is a run of characters
// without white space, white space before it is skipped, and each word the
// handlers read has a bounded buffer (a longer word is cut to fit).
#pragma once

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrava::reply {

// Bytes kept of words 0..3 (their buffers less the terminating zero).
inline constexpr std::size_t kWordLimits[] = {254, 1019, 509, 254};

inline bool IsBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// Word `index` (0 = the first) of `line`, cut to its buffer; empty when the
// line has fewer words.
inline std::string Word(std::string_view line, int index) {
    std::size_t pos = 0;
    for (int i = 0;; ++i) {
        while (pos < line.size() && IsBlank(line[pos])) ++pos;
        const std::size_t start = pos;
        while (pos < line.size() && !IsBlank(line[pos])) ++pos;
        if (start == pos) return {};
        if (i == index) {
            std::size_t limit = index < 4 ? kWordLimits[index] : kWordLimits[3];
            return std::string(line.substr(start, std::min(pos - start, limit)));
        }
    }
}

// Every word from word `index` on, each followed by one blank, at most
// `limit` bytes; a cut never splits a UTF-8 character.
inline std::string JoinWordsFrom(std::string_view line, int index, std::size_t limit) {
    std::string joined;
    std::size_t pos = 0;
    for (int i = 0;; ++i) {
        while (pos < line.size() && IsBlank(line[pos])) ++pos;
        const std::size_t start = pos;
        while (pos < line.size() && !IsBlank(line[pos])) ++pos;
        if (start == pos) break;
        if (i < index) continue;
        joined.append(line.substr(start, pos - start));
        joined.push_back(' ');
        if (joined.size() >= limit) break;
    }
    if (joined.size() > limit) {
        std::size_t cut = limit;
        while (cut > 0 && (static_cast<unsigned char>(joined[cut]) & 0xC0) == 0x80) --cut;
        joined.resize(cut);
    }
    return joined;
}

// The leading decimal number of `word` (an optional sign, then digits), or
// nothing when the word does not start with one.
inline std::optional<std::int64_t> LeadingNumber(std::string_view word) {
    std::size_t pos = 0;
    while (pos < word.size() && IsBlank(word[pos])) ++pos;
    bool negative = false;
    if (pos < word.size() && (word[pos] == '-' || word[pos] == '+')) negative = word[pos++] == '-';
    if (pos >= word.size() || !std::isdigit(static_cast<unsigned char>(word[pos]))) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    constexpr std::int64_t kCap = INT64_MAX / 10 - 10;
    for (; pos < word.size() && std::isdigit(static_cast<unsigned char>(word[pos])); ++pos) {
        if (value < kCap) value = value * 10 + (word[pos] - '0');  // saturates far past int
    }
    return negative ? -value : value;
}

// The number as an int, clamped to its range: never wrapped.
inline int ClampToInt(std::int64_t value) {
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// atoi's reading of a word: its leading number held within int, else 0.
inline int ParseInt(std::string_view word) {
    return ClampToInt(LeadingNumber(word).value_or(0));
}

}  // namespace kestrava::reply
