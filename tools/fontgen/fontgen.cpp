// Builds the font files that Glyvar reads, from glibc's iconv tables and the
// GNU Unifont hex fonts. Runs on the build host (also for the Windows build,
// where it is compiled with the host compiler) and writes nine files:
//
//   TIF0.bin TIF6.bin TIF2.bin     Unicode -> Big5 / GB2312 / Shift-JIS
//   TI0Inv.bin TI6Inv.bin TI2Inv.bin   the reverse direction
//   TCF0.bin TCF6.bin TCF2.bin     16x16 glyphs in the handset's band layout
//
// The layouts are described in docs/fontlib.md and fontlib/FontFiles.h; the
// glyph numbering comes from that header so the generator and the library
// cannot disagree.
//
// usage: fontgen <unifont.hex> <unifont_jp.hex> <output folder>
#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <unordered_map>
#include <vector>

#include "fontlib/FontFiles.h"

namespace {

using Glyph = std::array<std::uint8_t, glyvar::kGlyphBytes>;
using GlyphTable = std::unordered_map<std::uint32_t, Glyph>;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// One Unifont line is "XXXX:" and 32 (8 wide) or 64 (16 wide) hex digits,
// row by row from the top, most significant bit leftmost. The handset wants
// two bands of 8 rows, one byte per column, least significant bit on top.
// Half-width glyphs are centred in the 16 pixel cell.
bool ParseHexLine(const std::string& line, std::uint32_t& codePoint, Glyph& glyph) {
    auto colon = line.find(':');
    if (colon == std::string::npos || colon == 0) return false;
    codePoint = 0;
    for (std::size_t i = 0; i < colon; ++i) {
        int d = HexDigit(line[i]);
        if (d < 0) return false;
        codePoint = codePoint * 16 + static_cast<std::uint32_t>(d);
    }
    std::string bits = line.substr(colon + 1);
    while (!bits.empty() && (bits.back() == '\r' || bits.back() == '\n' || bits.back() == ' '))
        bits.pop_back();
    int width;
    if (bits.size() == 32)
        width = 8;
    else if (bits.size() == 64)
        width = 16;
    else
        return false;
    const int digitsPerRow = width / 4;
    const int left = (16 - width) / 2;
    glyph.fill(0);
    for (int row = 0; row < 16; ++row) {
        std::uint32_t rowBits = 0;
        for (int d = 0; d < digitsPerRow; ++d) {
            int v = HexDigit(bits[static_cast<std::size_t>(row * digitsPerRow + d)]);
            if (v < 0) return false;
            rowBits = rowBits << 4 | static_cast<std::uint32_t>(v);
        }
        for (int x = 0; x < width; ++x) {
            if ((rowBits >> (width - 1 - x) & 1u) == 0) continue;
            int column = left + x;
            glyph[static_cast<std::size_t>((row / 8) * 16 + column)] |=
                static_cast<std::uint8_t>(1u << (row % 8));
        }
    }
    return true;
}

bool LoadHex(const char* path, GlyphTable& table) {
    std::ifstream in(path);
    if (!in) return false;
    std::string line;
    std::uint32_t codePoint;
    Glyph glyph;
    while (std::getline(in, line)) {
        if (codePoint = 0; ParseHexLine(line, codePoint, glyph) && codePoint <= 0xFFFF)
            table[codePoint] = glyph;
    }
    return true;
}

// A converter in one direction; a failed conversion gives no result.
class Converter {
  public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter() {
        if (Ok()) iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool Ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts exactly `in`; fills `out` and returns true only when all input was used.
    bool Convert(const std::vector<char>& in, std::vector<char>& out) {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);  // reset the shift state
        std::vector<char> source = in;
        char* inPtr = source.data();
        std::size_t inLeft = source.size();
        out.assign(16, 0);
        char* outPtr = out.data();
        std::size_t outLeft = out.size();
        if (iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
            return false;
        if (inLeft != 0) return false;
        out.resize(out.size() - outLeft);
        return true;
    }

  private:
    iconv_t m_cd;
};

struct Charset {
    const char* iconvName;
    char digit;  // the digit in the file names
    std::uint32_t forwardBase;
    std::uint32_t reverseBase;
    std::uint32_t reverseLast;
};

// Unicode of a double-byte code, 0 when the set has none.
std::uint32_t ToUnicode(Converter& toUtf32, std::uint8_t lead, std::uint8_t trail) {
    std::vector<char> out;
    if (!toUtf32.Convert({static_cast<char>(lead), static_cast<char>(trail)}, out)) return 0;
    if (out.size() != 4) return 0;  // one code point, UTF-32LE
    std::uint32_t u = 0;
    for (int i = 3; i >= 0; --i)
        u = u << 8 | static_cast<std::uint8_t>(out[static_cast<std::size_t>(i)]);
    return u <= 0xFFFF ? u : 0;
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok) std::cerr << "fontgen: cannot write " << path << "\n";
    return ok;
}

bool BuildMaps(const Charset& set, const std::string& outDir) {
    Converter fromUtf32(set.iconvName, "UTF-32LE");
    Converter toUtf32("UTF-32LE", set.iconvName);
    if (!fromUtf32.Ok() || !toUtf32.Ok()) {
        std::cerr << "fontgen: iconv has no " << set.iconvName << "\n";
        return false;
    }

    // Forward: one record per code point from the base to U+FFFF.
    std::vector<std::uint8_t> forward((0x10000 - set.forwardBase) * 2, 0);
    int mapped = 0;
    for (std::uint32_t u = set.forwardBase; u <= 0xFFFF; ++u) {
        if (u >= 0xD800 && u <= 0xDFFF) continue;
        std::vector<char> in(4), out;
        for (int i = 0; i < 4; ++i)
            in[static_cast<std::size_t>(i)] = static_cast<char>(u >> (8 * i));
        if (!fromUtf32.Convert(in, out) || out.size() != 2) continue;  // single-byte or none
        auto lead = static_cast<std::uint8_t>(out[0]);
        auto trail = static_cast<std::uint8_t>(out[1]);
        if (lead < 0x80 || trail == 0) continue;
        forward[(u - set.forwardBase) * 2] = lead;
        forward[(u - set.forwardBase) * 2 + 1] = trail;
        ++mapped;
    }

    // Reverse: one record per code value from the base to the set's last code.
    std::vector<std::uint8_t> reverse((set.reverseLast - set.reverseBase + 1) * 2, 0);
    for (std::uint32_t k = std::max<std::uint32_t>(set.reverseBase, 0x8140); k <= set.reverseLast;
         ++k) {
        std::uint32_t u = ToUnicode(toUtf32, static_cast<std::uint8_t>(k >> 8),
                                    static_cast<std::uint8_t>(k & 0xFF));
        if (u == 0) continue;
        reverse[(k - set.reverseBase) * 2] = static_cast<std::uint8_t>(u >> 8);
        reverse[(k - set.reverseBase) * 2 + 1] = static_cast<std::uint8_t>(u & 0xFF);
    }

    std::string dir = outDir + "/";
    std::cout << "fontgen: " << set.iconvName << ": " << mapped << " code points mapped\n";
    return WriteFile(dir + "TIF" + set.digit + ".bin", forward) &&
           WriteFile(dir + "TI" + set.digit + "Inv.bin", reverse);
}

// Glyph file: glyph n is the Unifont glyph of the code that has number n.
template <typename CodeOfGlyph>
bool BuildGlyphs(const char* iconvName, char digit, int glyphCount, CodeOfGlyph codeOf,
                 const GlyphTable& primary, const GlyphTable* fallback, const std::string& outDir) {
    Converter toUtf32("UTF-32LE", iconvName);
    if (!toUtf32.Ok()) return false;
    std::vector<std::uint8_t> file(static_cast<std::size_t>(glyphCount) * glyvar::kGlyphBytes, 0);
    int drawn = 0;
    for (int n = 0; n < glyphCount; ++n) {
        std::uint16_t code = codeOf(n);
        std::uint32_t u = ToUnicode(toUtf32, static_cast<std::uint8_t>(code >> 8),
                                    static_cast<std::uint8_t>(code & 0xFF));
        if (u == 0) continue;  // not a character of the set: blank glyph
        auto it = primary.find(u);
        if (it == primary.end() && fallback != nullptr) {
            it = fallback->find(u);
            if (it == fallback->end()) continue;
        } else if (it == primary.end()) {
            continue;
        }
        std::memcpy(&file[static_cast<std::size_t>(n) * glyvar::kGlyphBytes], it->second.data(),
                    glyvar::kGlyphBytes);
        ++drawn;
    }
    std::cout << "fontgen: TCF" << digit << ".bin: " << drawn << " of " << glyphCount
              << " glyphs drawn\n";
    return WriteFile(outDir + "/TCF" + digit + ".bin", file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: fontgen <unifont.hex> <unifont_jp.hex> <output folder>\n";
        return 2;
    }
    GlyphTable unifont, unifontJp;
    if (!LoadHex(argv[1], unifont) || !LoadHex(argv[2], unifontJp)) {
        std::cerr << "fontgen: cannot read the Unifont hex files\n";
        return 1;
    }
    const std::string outDir = argv[3];

    const Charset big5{"BIG5", '0', glyvar::kBig5MapBase, glyvar::kBig5InvBase, 0xF9FE};
    const Charset gb{"EUC-CN", '6', glyvar::kGbMapBase, glyvar::kGbInvBase, 0xF7FE};
    const Charset sjis{"SHIFT_JIS", '2', glyvar::kSjisMapBase, glyvar::kSjisInvBase, 0xFC4B};
    bool ok = BuildMaps(big5, outDir) && BuildMaps(gb, outDir) && BuildMaps(sjis, outDir);

    ok = ok && BuildGlyphs("BIG5", '0', glyvar::kBig5GlyphCount, glyvar::Big5CodeOfGlyph, unifont,
                           nullptr, outDir);
    ok = ok && BuildGlyphs("EUC-CN", '6', glyvar::kGbGlyphCount, glyvar::GbCodeOfGlyph, unifont,
                           nullptr, outDir);
    // Japanese forms first; Unifont proper for what the Japanese file lacks.
    ok = ok && BuildGlyphs("SHIFT_JIS", '2', glyvar::kSjisGlyphCount, glyvar::SjisCodeOfGlyph,
                           unifontJp, &unifont, outDir);
    return ok ? 0 : 1;
}
