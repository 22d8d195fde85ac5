// Writes the program's icon files: 32x32 pixels, 32 bits (alpha) with the
// 1-bit mask, one image per file. The pictures are drawn from a few shapes,
// four samples a side per pixel for smooth edges.
//
//   icongen <folder>
//
// HandsetActive.ico   a green handset: the handset and the Skype link work
// HandsetNone.ico     a grey handset: no handset
// HandsetNoLink.ico   a grey handset crossed in red: no connection
// HandsetNoSkype.ico  a grey handset behind a blue "no" sign: no Skype client
// Kestrava.ico        the program: a green handset on a dark blue tile
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 32;
constexpr int kSamples = 4;

struct Colour {
    double r, g, b;
};

struct Pixel {
    double r = 0, g = 0, b = 0, a = 0;  // premultiplied while drawing
};

using Picture = std::vector<Pixel>;

double SegmentDistance(double x, double y, double x0, double y0, double x1, double y1) {
    const double dx = x1 - x0, dy = y1 - y0;
    double t = ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy);
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    return std::hypot(x - (x0 + t * dx), y - (y0 + t * dy));
}

// A handset lying from lower left to upper right: the grip, the earpiece and
// the mouthpiece. The y axis points down.
bool InHandset(double x, double y) {
    if (SegmentDistance(x, y, 9.5, 22.5, 22.5, 9.5) < 3.2) return true;
    if (std::hypot(x - 7.5, y - 24.5) < 5.6) return true;
    return std::hypot(x - 24.5, y - 7.5) < 5.6;
}

bool InHandsetEdge(double x, double y) {
    if (!InHandset(x, y)) return false;
    for (double d : {-1.2, 1.2}) {
        if (!InHandset(x + d, y) || !InHandset(x, y + d)) return true;
    }
    return false;
}

bool InCross(double x, double y) {
    return SegmentDistance(x, y, 6, 6, 26, 26) < 2.2 || SegmentDistance(x, y, 26, 6, 6, 26) < 2.2;
}

bool InNoSign(double x, double y) {
    const double r = std::hypot(x - 16, y - 16);
    return (r > 11.5 && r < 15) || SegmentDistance(x, y, 7.5, 7.5, 24.5, 24.5) < 1.8;
}

bool InTile(double x, double y) {
    const double inset = 1, radius = 6;
    const double cx = x < inset + radius           ? inset + radius
                      : x > kSize - inset - radius ? kSize - inset - radius
                                                   : x;
    const double cy = y < inset + radius           ? inset + radius
                      : y > kSize - inset - radius ? kSize - inset - radius
                                                   : y;
    return std::hypot(x - cx, y - cy) <= radius;
}

// Paints `colour` over the picture wherever `inside` holds, by coverage.
template <typename Shape>
void Paint(Picture& picture, Colour colour, Shape inside) {
    for (int py = 0; py < kSize; ++py) {
        for (int px = 0; px < kSize; ++px) {
            int hits = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    if (inside(px + (sx + 0.5) / kSamples, py + (sy + 0.5) / kSamples)) ++hits;
                }
            }
            const double cover = static_cast<double>(hits) / (kSamples * kSamples);
            Pixel& p = picture[py * kSize + px];
            p.r = colour.r * cover + p.r * (1 - cover);
            p.g = colour.g * cover + p.g * (1 - cover);
            p.b = colour.b * cover + p.b * (1 - cover);
            p.a = cover + p.a * (1 - cover);
        }
    }
}

void PaintHandset(Picture& picture, Colour body, Colour edge) {
    Paint(picture, body, InHandset);
    Paint(picture, edge, InHandsetEdge);
}

void Put16(std::vector<std::uint8_t>& out, unsigned value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

std::uint8_t Channel(double premultiplied, double alpha) {
    if (alpha <= 0) return 0;
    const double value = premultiplied / alpha * 255.0 + 0.5;
    return static_cast<std::uint8_t>(value > 255 ? 255 : value);
}

// ICONDIR, one ICONDIRENTRY, then the image: BITMAPINFOHEADER (height twice
// the picture's: colour rows and mask rows), the colour rows bottom-up as
// BGRA, the mask rows bottom-up (1 = transparent, rows padded to 32 bits).
std::vector<std::uint8_t> IconFile(const Picture& picture) {
    constexpr std::uint32_t kHeader = 40;
    constexpr std::uint32_t kColourBytes = kSize * kSize * 4;
    constexpr std::uint32_t kMaskRow = (kSize + 31) / 32 * 4;
    constexpr std::uint32_t kImageBytes = kHeader + kColourBytes + kMaskRow * kSize;
    std::vector<std::uint8_t> out;
    Put16(out, 0);  // reserved
    Put16(out, 1);  // an icon
    Put16(out, 1);  // one image
    out.push_back(kSize);
    out.push_back(kSize);
    out.push_back(0);  // no palette
    out.push_back(0);
    Put16(out, 1);   // planes
    Put16(out, 32);  // bits per pixel
    Put32(out, kImageBytes);
    Put32(out, 6 + 16);  // the image follows the directory
    Put32(out, kHeader);
    Put32(out, kSize);
    Put32(out, kSize * 2);
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, 0);  // no compression
    Put32(out, kColourBytes + kMaskRow * kSize);
    for (int i = 0; i < 4; ++i) Put32(out, 0);
    for (int y = kSize - 1; y >= 0; --y) {
        for (int x = 0; x < kSize; ++x) {
            const Pixel& p = picture[y * kSize + x];
            out.push_back(Channel(p.b, p.a));
            out.push_back(Channel(p.g, p.a));
            out.push_back(Channel(p.r, p.a));
            out.push_back(static_cast<std::uint8_t>(p.a * 255.0 + 0.5));
        }
    }
    for (int y = kSize - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(kMaskRow, 0);
        for (int x = 0; x < kSize; ++x) {
            if (picture[y * kSize + x].a < 0.5 / 255) row[x / 8] |= 0x80 >> (x % 8);
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

bool Write(const std::string& folder, const char* name, const Picture& picture) {
    const std::string path = folder + "/" + name;
    const std::vector<std::uint8_t> bytes = IconFile(picture);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    if (!file) {
        std::fprintf(stderr, "icongen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: icongen <folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    const Colour green{0.18, 0.66, 0.26}, darkGreen{0.06, 0.36, 0.12};
    const Colour grey{0.62, 0.62, 0.62}, darkGrey{0.34, 0.34, 0.34};
    const Colour red{0.86, 0.1, 0.1}, blue{0.1, 0.45, 0.85}, tile{0.1, 0.16, 0.4};

    Picture active(kSize * kSize), none(kSize * kSize), noLink(kSize * kSize),
        noSkype(kSize * kSize), program(kSize * kSize);
    PaintHandset(active, green, darkGreen);
    PaintHandset(none, grey, darkGrey);
    PaintHandset(noLink, grey, darkGrey);
    Paint(noLink, red, InCross);
    PaintHandset(noSkype, grey, darkGrey);
    Paint(noSkype, blue, InNoSign);
    Paint(program, tile, InTile);
    PaintHandset(program, green, darkGreen);

    bool written =
        Write(folder, "HandsetActive.ico", active) && Write(folder, "HandsetNone.ico", none) &&
        Write(folder, "HandsetNoLink.ico", noLink) &&
        Write(folder, "HandsetNoSkype.ico", noSkype) && Write(folder, "Kestrava.ico", program);
    return written ? 0 : 1;
}
