// The LCD text renderer that the rendering library (Glyvar) hands out.
//
// Callers reach it only through this table of virtual operations; the order of
// the declarations is the order of the table and must not change. Results are
// 0 for success and E_FAIL for failure unless an operation says otherwise.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ResultCodes.h"

class CHidDevice;

class CLcdRenderer {
  public:
    // Caller buffers for converted texts hold this many bytes (253 characters
    // and room to spare for the terminating zero).
    static constexpr std::size_t kTextBufferSize = 255;
    static constexpr std::size_t kGlyphSize = 32;

    // Opens the six font files from `folder` (a UTF-8 path; the current directory when null).
    // Always 0.
    virtual HResult LoadFonts(const char* folder) = 0;
    // The bytes as a number, most significant first. Always 0.
    virtual HResult GetCodeValue(const std::uint8_t* bytes, int count, int* value) = 0;
    // Unicode character (high, low) in; Big5, Shift-JIS or GB2312 code (lead, trail) out.
    virtual HResult MapToLocal(std::uint8_t code[2]) = 0;
    // Builds the pending unit stream for one UTF-8 display text.
    virtual HResult RenderText(const char* text) = 0;
    // Writes the pending stream to the handset: 0 done, 1 stopped by SetAbort, else failure.
    virtual HResult SendRendered() = 0;
    // UTF-8 to the double-byte character sets, into a zeroed kTextBufferSize buffer.
    virtual HResult Utf8ToLocal(const char* text, char* out) = 0;
    // Double-byte text back to UTF-8, into a zeroed kTextBufferSize buffer.
    virtual HResult LocalToUtf8(const char* text, char* out) = 0;
    virtual HResult GetBig5Glyph(const std::uint8_t code[2], std::uint8_t glyph[kGlyphSize]) = 0;
    virtual HResult GetGbGlyph(const std::uint8_t code[2], std::uint8_t glyph[kGlyphSize]) = 0;
    virtual HResult GetSjisGlyph(const std::uint8_t code[2], std::uint8_t glyph[kGlyphSize]) = 0;
    // Builds the pending stream for the account balance (amount in hundredths).
    virtual HResult RenderBalance(int amount) = 0;
    // Builds the pending stream from single-byte text taken unchanged.
    virtual HResult RenderPlainText(const char* text) = 0;
    virtual HResult SetDevice(CHidDevice* device) = 0;
    virtual HResult SetPortStatus(int pauseBetweenUnits) = 0;
    virtual HResult SetAbort(int abort) = 0;
    virtual HResult SetArfSupport(int value) = 0;

    virtual ~CLcdRenderer() = default;
};
