// Glyvar's renderer component. Its operations are placeholders until the
// font files and the rendering land: every rendering step fails.
#pragma once

#include "CLcdRenderer.h"

class CLcdRendererImpl final : public CLcdRenderer {
public:
    HResult LoadFonts(const char* folder) override;
    HResult GetCodeValue(const std::uint8_t* bytes, int count, int* value) override;
    HResult MapToLocal(std::uint8_t code[2]) override;
    HResult RenderText(const char* text) override;
    HResult SendRendered() override;
    HResult Utf8ToLocal(const char* text, char* out) override;
    HResult LocalToUtf8(const char* text, char* out) override;
    HResult GetBig5Glyph(const std::uint8_t code[2], std::uint8_t glyph[kGlyphSize]) override;
    HResult GetGbGlyph(const std::uint8_t code[2], std::uint8_t glyph[kGlyphSize]) override;
    HResult GetSjisGlyph(const std::uint8_t code[2], std::uint8_t glyph[kGlyphSize]) override;
    HResult RenderBalance(int amount) override;
    HResult RenderPlainText(const char* text) override;
    HResult SetDevice(CHidDevice* device) override;
    HResult SetPortStatus(int pauseBetweenUnits) override;
    HResult SetAbort(int abort) override;
    HResult SetArfSupport(int value) override;
    ~CLcdRendererImpl() override;
};
