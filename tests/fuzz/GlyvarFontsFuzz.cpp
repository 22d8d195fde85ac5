// Glyvar with one font file corrupted: the generated file cut short at a
// point the input picks and followed by the rest of the input. The other
// files stay the generated ones.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "GlyvarFuzz.h"
#include "QuietHandset.h"

namespace kestrava::fuzz {
namespace {

struct Fonts {
    Fonts() {
        folder.Create("kestrava-fuzz-fonts");
        for (const char* name : kFontFiles) {
            std::ifstream file(std::filesystem::path(ProgramFolder()) / name, std::ios::binary);
            generated.emplace_back(std::istreambuf_iterator<char>(file),
                                   std::istreambuf_iterator<char>());
            Write(name, generated.back());
        }
    }
    void Write(const char* name, const std::string& bytes) const {
        std::ofstream(folder.Path() / name, std::ios::binary | std::ios::trunc) << bytes;
    }
    TempFolder folder;
    std::vector<std::string> generated;
};

const std::string kTexts[] = {"Ann Lee 12:30", "王小明 來電", "张伟 正在呼叫", "山田さん カタカナ"};

}  // namespace
}  // namespace kestrava::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kestrava;
    static fuzz::Fonts fonts;
    fuzz::Bytes in(data, size);
    std::size_t which = in.Byte() % std::size(fuzz::kFontFiles);
    const std::string& original = fonts.generated[which];
    std::size_t cut = original.empty() ? 0 : in.Word() % (original.size() + 1);
    std::uint8_t code[2] = {in.Byte(), in.Byte()};
    fonts.Write(fuzz::kFontFiles[which], original.substr(0, cut) + in.Rest());

    {
        fuzz::QuietHandset handset;
        CLcdRendererImpl renderer([](std::chrono::milliseconds) {});
        renderer.LoadFonts(fonts.folder.Path().string().c_str());
        renderer.SetDevice(&handset);
        std::uint8_t glyph[CLcdRenderer::kGlyphSize];
        renderer.GetBig5Glyph(code, glyph);
        renderer.GetGbGlyph(code, glyph);
        renderer.GetSjisGlyph(code, glyph);
        for (const std::string& text : fuzz::kTexts) fuzz::Exercise(renderer, text);
    }
    fonts.Write(fuzz::kFontFiles[which], original);
    return 0;
}
