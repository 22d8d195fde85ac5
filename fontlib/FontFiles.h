// Layouts of Glyvar's font files, shared by the library and the generator in
// tools/fontgen so the two cannot disagree. Every file is an array of
// fixed-size records without a header; see docs/fontlib.md.
#pragma once

#include <cstdint>

namespace glyvar {

inline constexpr int kGlyphBytes = 32;

// Forward maps (TIF*.bin): the 2-byte record (lead, trail) of code point U
// lies at (U - base) * 2.
inline constexpr std::uint32_t kBig5MapBase = 0xA7;
inline constexpr std::uint32_t kGbMapBase = 0xA4;
inline constexpr std::uint32_t kSjisMapBase = 0xA7;

// Reverse maps (TI*Inv.bin): the 2-byte record (high, low) of code value K
// lies at (K - base) * 2. Shift-JIS codes below its base have no record.
inline constexpr std::uint32_t kBig5InvBase = 0xA140;
inline constexpr std::uint32_t kGbInvBase = 1;
inline constexpr std::uint32_t kSjisInvBase = 0xA140;

inline constexpr int kBig5GlyphCount = (0xF9 - 0xA1 + 1) * 157;
inline constexpr int kGbGlyphCount = (0xF7 - 0xA1 + 1) * 94;
inline constexpr int kSjisGlyphCount = 7938;

// Glyph number of a Big5 code in TCF0.bin, -1 when the code has none.
constexpr int Big5GlyphNumber(std::uint8_t lead, std::uint8_t trail) {
    if (lead < 0xA1 || lead > 0xF9) return -1;
    const int row = (lead - 0xA1) * 157;
    if (trail >= 0x40 && trail <= 0x7E) return row + (trail - 0x40);
    if (trail >= 0xA1 && trail <= 0xFE) return row + (trail - 0x62);
    return -1;
}

// Glyph number of a GB2312 (EUC-CN) code in TCF6.bin, -1 when the code has none.
constexpr int GbGlyphNumber(std::uint8_t lead, std::uint8_t trail) {
    if (lead < 0xA1 || lead > 0xF7 || trail < 0xA1 || trail > 0xFE) return -1;
    return (lead - 0xA1) * 94 + (trail - 0xA1);
}

// Shift-JIS rows that TCF2.bin holds, in file order.
struct SjisRow {
    std::uint8_t firstLead, lastLead, firstTrail, lastTrail;
    int firstGlyph, rowLength;
};
inline constexpr SjisRow kSjisRows[] = {
    {0x81, 0x84, 0x40, 0xF7, 0, 184},    {0x88, 0x88, 0x9F, 0xFE, 736, 96},
    {0x89, 0x9F, 0x40, 0xFC, 832, 189},  {0xE0, 0xE9, 0x40, 0xFC, 5179, 189},
    {0xEA, 0xEA, 0x40, 0xA4, 7069, 101}, {0xED, 0xEE, 0x40, 0xFC, 7170, 189},
    {0xFA, 0xFB, 0x40, 0xFC, 7548, 189}, {0xFC, 0xFC, 0x40, 0x4B, 7926, 12},
};

// Glyph number of a Shift-JIS code in TCF2.bin, -1 when the code has none.
constexpr int SjisGlyphNumber(std::uint8_t lead, std::uint8_t trail) {
    for (const SjisRow& r : kSjisRows) {
        if (lead < r.firstLead || lead > r.lastLead) continue;
        if (trail < r.firstTrail || trail > r.lastTrail) return -1;
        return r.firstGlyph + (lead - r.firstLead) * r.rowLength + (trail - r.firstTrail);
    }
    return -1;
}

// The inverse numbering, used by the generator: the code (lead << 8 | trail) of glyph n.
constexpr std::uint16_t Big5CodeOfGlyph(int n) {
    const int lead = 0xA1 + n / 157, t = n % 157;
    return static_cast<std::uint16_t>(lead << 8 | (t < 63 ? 0x40 + t : 0x62 + t));
}
constexpr std::uint16_t GbCodeOfGlyph(int n) {
    return static_cast<std::uint16_t>((0xA1 + n / 94) << 8 | (0xA1 + n % 94));
}
constexpr std::uint16_t SjisCodeOfGlyph(int n) {
    for (const SjisRow& r : kSjisRows) {
        const int count = (r.lastLead - r.firstLead + 1) * r.rowLength;
        if (n < r.firstGlyph || n >= r.firstGlyph + count) continue;
        const int k = n - r.firstGlyph;
        return static_cast<std::uint16_t>((r.firstLead + k / r.rowLength) << 8 |
                                          (r.firstTrail + k % r.rowLength));
    }
    return 0;
}

static_assert(Big5GlyphNumber(0xA1, 0x40) == 0 && Big5GlyphNumber(0xA1, 0xFE) == 156);
static_assert(Big5CodeOfGlyph(63) == 0xA1A1 && Big5CodeOfGlyph(157) == 0xA240);
static_assert(SjisGlyphNumber(0xFC, 0x4B) == kSjisGlyphCount - 1);
static_assert(SjisCodeOfGlyph(736) == 0x889F && SjisCodeOfGlyph(7937) == 0xFC4B);

}  // namespace glyvar
