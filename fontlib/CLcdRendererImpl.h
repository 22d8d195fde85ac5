// Glyvar's renderer: turns display texts into the two-byte unit stream the
// handset's LCD understands, converts texts between UTF-8 and the double-byte
// character sets, and writes the stream through the handset component.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "CLcdRenderer.h"

class CLcdRendererImpl final : public CLcdRenderer {
  public:
    using PauseFunction = std::function<void(std::chrono::milliseconds)>;

    // Units of the stream (value, control).
    static constexpr std::uint8_t kBeginText = 0x70;
    static constexpr std::uint8_t kBeginGlyphs = 0x71;
    static constexpr std::uint8_t kMarker = 0x0A;
    static constexpr std::uint8_t kToggleFirst = 0x00;
    static constexpr std::uint8_t kToggleSecond = 0x05;
    static constexpr int kColumns = 32;

    // `pause` is every wait the renderer makes (the library's sleep by default);
    // tests pass their own to count the waits instead of sleeping.
    explicit CLcdRendererImpl(PauseFunction pause = {});

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

    CLcdRendererImpl(const CLcdRendererImpl&) = delete;
    CLcdRendererImpl& operator=(const CLcdRendererImpl&) = delete;

    // For tests and tools: the character set the last lookup answered from
    // (1 Big5, 2 GB2312, 3 Shift-JIS, -1 none) and the pending stream.
    int LastCharset() const;
    int PendingUnitCount() const;
    bool HasPendingStream() const;

  private:
    class StreamWriter;

    void ReplaceStream(std::unique_ptr<std::uint8_t[]> units, int count);
    bool WriteUnit(CHidDevice* device, std::uint8_t value, std::uint8_t control, bool trace);
    HResult ReadGlyph(std::FILE* file, int number, std::uint8_t glyph[kGlyphSize]);
    std::string FontPath(const char* name) const;

    std::FILE* m_fBig5Map = nullptr;
    std::FILE* m_fGbMap = nullptr;
    std::FILE* m_fSjisMap = nullptr;
    std::FILE* m_fBig5Font = nullptr;
    std::FILE* m_fGbFont = nullptr;
    std::FILE* m_fSjisFont = nullptr;
    int m_nCharset = -1;
    std::atomic<int> m_bPauseBetweenUnits{0};
    std::string m_strFontDir;
    int m_nUnits = 0;
    std::unique_ptr<std::uint8_t[]> m_pUnits;
    std::atomic<int> m_bAbort{0};
    std::atomic<int> m_bArfSupport{0};
    CHidDevice* m_pDevice = nullptr;
    mutable std::recursive_mutex m_lock;

    PauseFunction m_pause;
};
