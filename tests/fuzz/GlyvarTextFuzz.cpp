// Glyvar's conversions and streams over the generated font files: the input
// is one display text (and, in its first four bytes, a balance).
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "GlyvarFuzz.h"
#include "QuietHandset.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kestrava;
    static fuzz::QuietHandset handset;
    static CLcdRendererImpl* renderer = [] {
        auto* made = new CLcdRendererImpl([](std::chrono::milliseconds) {});
        made->LoadFonts(fuzz::ProgramFolder().c_str());
        made->SetDevice(&handset);
        return made;
    }();
    fuzz::Bytes in(data, size);
    renderer->RenderBalance(static_cast<int>(in.Word()));
    renderer->SendRendered();
    std::uint8_t code[2] = {in.Byte(), in.Byte()};
    std::uint8_t glyph[CLcdRenderer::kGlyphSize];
    renderer->GetBig5Glyph(code, glyph);
    renderer->GetGbGlyph(code, glyph);
    renderer->GetSjisGlyph(code, glyph);
    renderer->MapToLocal(code);
    // The text ends at its first zero, as a caller's would.
    std::string text = in.Rest();
    text = text.c_str();
    fuzz::Exercise(*renderer, text);
    return 0;
}
