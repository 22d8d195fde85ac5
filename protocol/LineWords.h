// Reading the words of a line from Skype. A word is a run of characters
// without white space; white space before it is skipped. Each of the first
// four words has a bounded buffer, and a longer word is cut to fit (the rest
// of it is dropped, it never becomes the next word).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrava {

struct LineWords {
    // Buffer sizes, terminating zero included: a word keeps one byte less.
    static constexpr std::size_t kFirstSize = 255;
    static constexpr std::size_t kSecondSize = 1020;
    static constexpr std::size_t kThirdSize = 510;
    static constexpr std::size_t kFourthSize = 255;

    // The first four words of `line`; a word the line lacks is empty. Every
    // line is read afresh, so a short line never sees a longer line's words.
    static LineWords Read(std::string_view line);

    std::string first, second, third, fourth;
};

// Every word of `line` from word `index` on (0 = the first), each followed by
// one blank, at most `limit` bytes. A cut never splits a UTF-8 character.
std::string JoinWordsFrom(std::string_view line, int index, std::size_t limit);

// `text` cut to at most `maxBytes` bytes without splitting a UTF-8 character.
std::string CutUtf8(std::string_view text, std::size_t maxBytes);

// The items of a list reply ("USERS a, b, c", "CALLS 3, 2, 1"): the line split
// at commas, blanks, tabs and line ends (so no item ever carries one), the
// keyword first word left out, empty items skipped. The views point into `line`.
std::vector<std::string_view> ItemsOfListReply(std::string_view line);

// The leading decimal number of `word` as atoi reads it ("12ab" gives 12,
// "x" gives 0), held within the range of int.
int ParseInt(std::string_view word);

// The same for a 64-bit value (a call's start time).
std::int64_t ParseInt64(std::string_view word);

// A call id as Skype writes it: a positive number within the range of int.
// Anything else (no number, 0, negative, too large) gives 0, which no call
// has, so an id that does not parse can never pose as another call.
int ParseCallId(std::string_view word);

// Whether `word` starts with a number as ParseInt reads it (white space, an
// optional sign, a digit), so that a 0 from ParseInt can be told from no number.
bool StartsWithNumber(std::string_view word);

}  // namespace kestrava
