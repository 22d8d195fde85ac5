// lcdview: renders a text with the real font files and shows what the handset
// receives (the unit stream) and what its LCD draws (glyph pixels as blocks).
//
//   lcdview [--fonts DIR] [--units] TEXT     a display text (UTF-8)
//   lcdview [--fonts DIR] [--units] --plain TEXT
//   lcdview [--fonts DIR] [--units] --balance HUNDREDTHS
//
// The fonts are taken from DIR, or else from the viewer's own folder (bin/,
// where the build puts them). Half-width characters are drawn by the handset
// with its own font; the picture shows them as the character itself.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "CHidDevice.h"
#include "CLcdRendererImpl.h"
#include "sim/LcdArt.h"
#include "sim/RecordingHidDevice.h"

namespace {

using RecordingDevice = kestrava::sim::RecordingHidDevice;
using Unit = kestrava::sim::TransferUnit;

// One LCD column cell as the handset would place it.
using Cell = kestrava::sim::LcdCell;

std::string ExecutableFolder() {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    path[n] = '\0';
    std::string s(path);
    return s.substr(0, s.find_last_of('/'));
}

// Decodes the stream the way the handset does, reporting anything it would reject.
std::vector<Cell> Decode(const std::vector<Unit>& units, int& problems) {
    std::vector<Cell> cells;
    enum { kNone, kText, kGlyphs } mode = kNone;
    int glyphByte = 0;
    std::uint8_t expected = 0x00;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const auto [value, control] = units[i];
        if (control == 0x0A) {
            mode = value == CLcdRendererImpl::kBeginText     ? kText
                   : value == CLcdRendererImpl::kBeginGlyphs ? kGlyphs
                                                             : kNone;
            expected = 0x00;
            glyphByte = 0;
            continue;
        }
        if (glyphByte == 0 && mode == kGlyphs) expected = 0x00;
        if (control != expected) {
            std::printf("unit %zu: control %02X where %02X was due\n", i, control, expected);
            ++problems;
        }
        expected = expected == 0x00 ? 0x05 : 0x00;
        if (mode == kText) {
            cells.push_back({false, value, {}});
        } else if (mode == kGlyphs) {
            if (glyphByte == 0) cells.push_back({true, 0, {}});
            cells.back().glyph[glyphByte] = value;
            glyphByte = (glyphByte + 1) % 32;
        } else {
            std::printf("unit %zu: data before any begin unit\n", i);
            ++problems;
        }
    }
    return cells;
}

void PrintUnits(const std::vector<Unit>& units) {
    std::printf("%zu units:\n", units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        const auto [value, control] = units[i];
        if (control == 0x0A)
            std::printf("%s[%02X %02X %s]\n", i ? "\n" : "", value, control,
                        value == 0x70   ? "text"
                        : value == 0x71 ? "glyphs"
                                        : "marker");
        else
            std::printf("%02X/%02X ", value, control);
    }
    std::printf("\n\n");
}

void PrintPicture(const std::vector<Cell>& cells) {
    std::printf("LCD, %d of 32 columns used:\n", kestrava::sim::LcdColumns(cells));
    for (const std::string& line : kestrava::sim::DrawLcdCells(cells))
        std::printf("%s\n", line.c_str());
}

int Usage() {
    std::fprintf(stderr,
                 "usage: lcdview [--fonts DIR] [--units] TEXT\n"
                 "       lcdview [--fonts DIR] [--units] --plain TEXT\n"
                 "       lcdview [--fonts DIR] [--units] --balance HUNDREDTHS\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string fonts = ExecutableFolder();
    bool showUnits = false, plain = false, balance = false;
    const char* text = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--fonts") == 0 && i + 1 < argc)
            fonts = argv[++i];
        else if (std::strcmp(argv[i], "--units") == 0)
            showUnits = true;
        else if (std::strcmp(argv[i], "--plain") == 0)
            plain = true;
        else if (std::strcmp(argv[i], "--balance") == 0)
            balance = true;
        else if (text == nullptr)
            text = argv[i];
        else
            return Usage();
    }
    if (text == nullptr) return Usage();

    RecordingDevice device;
    CLcdRendererImpl renderer([](std::chrono::milliseconds) {});  // no need to wait here
    renderer.LoadFonts(fonts.c_str());
    renderer.SetDevice(&device);
    HResult rendered = balance ? renderer.RenderBalance(std::atoi(text))
                       : plain ? renderer.RenderPlainText(text)
                               : renderer.RenderText(text);
    if (!Succeeded(rendered)) {
        std::fprintf(stderr, "lcdview: nothing to render\n");
        return 1;
    }
    renderer.SendRendered();

    int problems = 0;
    std::vector<Cell> cells = Decode(device.Written(), problems);
    if (showUnits) PrintUnits(device.Written());
    PrintPicture(cells);
    return problems == 0 ? 0 : 1;
}
