#include "CLcdRendererImpl.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string_view>
#include <vector>

#include "CHidDevice.h"
#include "FontFiles.h"
#include "Utf8Decoder.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Pause.h"

using namespace std::chrono_literals;
using glyvar::DecodedChar;
using glyvar::DecodeUtf8;

namespace {

constexpr int kCharsetNone = -1;
constexpr int kCharsetBig5 = 1;
constexpr int kCharsetGb = 2;
constexpr int kCharsetSjis = 3;

// Caller buffers hold kTextBufferSize bytes; the last one stays the terminating zero.
constexpr std::size_t kOutputLimit = CLcdRenderer::kTextBufferSize - 1;
// Utf8ToLocal stops once this many bytes are written.
constexpr std::size_t kLocalTextLimit = 32;

// The currency sign drawn before the balance, in the glyph layout.
constexpr std::uint8_t kCurrencyGlyph[32] = {
    0x00, 0x00, 0x00, 0x40, 0xF0, 0x48, 0x44, 0x44, 0x44, 0x44, 0x44, 0x48, 0x1C, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x02, 0x0F, 0x12, 0x22, 0x22, 0x22, 0x22, 0x22, 0x12, 0x08, 0x00, 0x00, 0x00};

constexpr std::string_view kFallbackText = "Unknown User...";
constexpr std::string_view kNoBalanceText = "No Skypeout Privilege.";
constexpr std::string_view kBalanceLabel = "Balance:";

// Reads the 2-byte record at `offset`; false when the file is missing, the
// seek fails or the file ends first.
bool ReadRecord(std::FILE* file, long offset, std::uint8_t record[2]) {
    if (file == nullptr) return false;
    if (std::fseek(file, offset, SEEK_SET) != 0) return false;
    return std::fread(record, 1, 2, file) == 2;
}

// Forward maps: both bytes of a double-byte code are non-zero.
bool LookUpForward(std::FILE* file, std::uint32_t base, std::uint32_t codePoint,
                   std::uint8_t code[2]) {
    if (codePoint < base) return false;
    std::uint8_t record[2];
    if (!ReadRecord(file, static_cast<long>(codePoint - base) * 2, record)) return false;
    if (record[0] == 0 || record[1] == 0) return false;
    code[0] = record[0];
    code[1] = record[1];
    return true;
}

// Reverse maps: zero means "no character". Code points with a zero byte
// (U+4E00, U+00A7, ...) are real answers.
bool LookUpReverse(std::FILE* file, std::uint32_t base, std::uint32_t value,
                   std::uint32_t& codePoint) {
    if (value < base) return false;
    std::uint8_t record[2];
    if (!ReadRecord(file, static_cast<long>(value - base) * 2, record)) return false;
    codePoint = static_cast<std::uint32_t>(record[0]) << 8 | record[1];
    return codePoint != 0;
}

// Writes `u` as UTF-8 if it fits before `limit`; returns the bytes written (0 when full).
std::size_t EncodeUtf8(std::uint32_t u, char* out, std::size_t pos, std::size_t limit) {
    char bytes[3];
    std::size_t n;
    if (u < 0x80) {
        bytes[0] = static_cast<char>(u);
        n = 1;
    } else if (u < 0x800) {
        bytes[0] = static_cast<char>(0xC0 | (u >> 6));
        bytes[1] = static_cast<char>(0x80 | (u & 0x3F));
        n = 2;
    } else {
        bytes[0] = static_cast<char>(0xE0 | (u >> 12));
        bytes[1] = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        bytes[2] = static_cast<char>(0x80 | (u & 0x3F));
        n = 3;
    }
    if (pos + n > limit) return 0;
    std::memcpy(out + pos, bytes, n);
    return n;
}

}  // namespace

// Appends units to a stream buffer sized beforehand, keeping the alternating
// control byte of the data units.
class CLcdRendererImpl::StreamWriter {
  public:
    explicit StreamWriter(std::uint8_t* units) : m_units(units) {}

    void Marker(std::uint8_t value) {
        Put(value, kMarker);
        m_toggle = kToggleFirst;
    }
    void Data(std::uint8_t value) {
        Put(value, m_toggle);
        m_toggle = m_toggle == kToggleFirst ? kToggleSecond : kToggleFirst;
    }
    void Glyph(const std::uint8_t* glyph) {
        m_toggle = kToggleFirst;
        for (std::size_t i = 0; i < kGlyphSize; ++i) Data(glyph[i]);
    }
    int Count() const { return m_count; }

  private:
    void Put(std::uint8_t value, std::uint8_t control) {
        m_units[2 * m_count] = value;
        m_units[2 * m_count + 1] = control;
        ++m_count;
    }

    std::uint8_t* m_units;
    int m_count = 0;
    std::uint8_t m_toggle = kToggleFirst;
};

CLcdRendererImpl::CLcdRendererImpl(PauseFunction pause) : m_pause(std::move(pause)) {
    if (!m_pause) m_pause = [](std::chrono::milliseconds d) { kestrava::Pause(d); };
}

CLcdRendererImpl::~CLcdRendererImpl() {
    for (std::FILE** f :
         {&m_fBig5Map, &m_fGbMap, &m_fSjisMap, &m_fBig5Font, &m_fGbFont, &m_fSjisFont}) {
        if (*f != nullptr) std::fclose(*f);
        *f = nullptr;
    }
    m_pause(20ms);
}

std::string CLcdRendererImpl::FontPath(const char* name) const {
    return m_strFontDir.empty() ? std::string(name) : kestrava::FileInFolder(m_strFontDir, name);
}

HResult CLcdRendererImpl::LoadFonts(const char* folder) {
    std::lock_guard guard(m_lock);
    // Each call says where the whole set comes from, the reverse maps included:
    // no folder (or an empty text) means the bare names in the current
    // directory, never the folder of an earlier call, nor the root.
    m_strFontDir = folder != nullptr ? folder : "";
    const std::pair<std::FILE**, const char*> files[] = {
        {&m_fBig5Map, "TIF0.bin"},  {&m_fGbMap, "TIF6.bin"},  {&m_fSjisMap, "TIF2.bin"},
        {&m_fBig5Font, "TCF0.bin"}, {&m_fGbFont, "TCF6.bin"}, {&m_fSjisFont, "TCF2.bin"}};
    for (const auto& [file, name] : files) {
        if (*file != nullptr) std::fclose(*file);  // loading again replaces the set
        *file = kestrava::OpenFile(FontPath(name), "rb");
    }
    return S_OK;
}

HResult CLcdRendererImpl::GetCodeValue(const std::uint8_t* bytes, int count, int* value) {
    std::lock_guard guard(m_lock);
    if (bytes == nullptr || value == nullptr) return S_OK;
    std::uint32_t v = 0;
    for (int i = 0; i < count; ++i) v = v << 8 | bytes[i];
    *value = static_cast<int>(v);
    return S_OK;
}

HResult CLcdRendererImpl::MapToLocal(std::uint8_t code[2]) {
    std::lock_guard guard(m_lock);
    m_nCharset = kCharsetNone;
    if (code == nullptr) return E_FAIL;
    const std::uint32_t u = static_cast<std::uint32_t>(code[0]) << 8 | code[1];
    // Big5 first: a character that Big5 has is always drawn from the Big5 font.
    if (LookUpForward(m_fBig5Map, glyvar::kBig5MapBase, u, code)) {
        m_nCharset = kCharsetBig5;
    } else if (LookUpForward(m_fSjisMap, glyvar::kSjisMapBase, u, code)) {
        m_nCharset = kCharsetSjis;
    } else if (LookUpForward(m_fGbMap, glyvar::kGbMapBase, u, code)) {
        m_nCharset = kCharsetGb;
    } else {
        return E_FAIL;
    }
    return S_OK;
}

HResult CLcdRendererImpl::ReadGlyph(std::FILE* file, int number, std::uint8_t glyph[kGlyphSize]) {
    if (file == nullptr || number < 0 || glyph == nullptr) return E_FAIL;
    std::size_t got = 0;
    if (std::fseek(file, static_cast<long>(number) * kGlyphSize, SEEK_SET) == 0)
        got = std::fread(glyph, 1, kGlyphSize, file);
    // A short or damaged file leaves the rest of the glyph blank.
    std::memset(glyph + got, 0, kGlyphSize - got);
    return S_OK;
}

HResult CLcdRendererImpl::GetBig5Glyph(const std::uint8_t code[2], std::uint8_t glyph[kGlyphSize]) {
    std::lock_guard guard(m_lock);
    if (code == nullptr) return E_FAIL;
    return ReadGlyph(m_fBig5Font, glyvar::Big5GlyphNumber(code[0], code[1]), glyph);
}

HResult CLcdRendererImpl::GetGbGlyph(const std::uint8_t code[2], std::uint8_t glyph[kGlyphSize]) {
    std::lock_guard guard(m_lock);
    if (code == nullptr) return E_FAIL;
    return ReadGlyph(m_fGbFont, glyvar::GbGlyphNumber(code[0], code[1]), glyph);
}

HResult CLcdRendererImpl::GetSjisGlyph(const std::uint8_t code[2], std::uint8_t glyph[kGlyphSize]) {
    std::lock_guard guard(m_lock);
    if (code == nullptr) return E_FAIL;
    return ReadGlyph(m_fSjisFont, glyvar::SjisGlyphNumber(code[0], code[1]), glyph);
}

void CLcdRendererImpl::ReplaceStream(std::unique_ptr<std::uint8_t[]> units, int count) {
    m_pUnits = std::move(units);
    m_nUnits = count;
}

HResult CLcdRendererImpl::RenderText(const char* text) {
    std::lock_guard guard(m_lock);
    if (text == nullptr || text[0] == '\0') {
        m_nUnits = 0;
        return E_FAIL;
    }
    const std::string_view view(text);

    // First pass: the characters that fit in 32 columns and the units they need.
    // A full-width character that would reach into a 33rd column is left out.
    std::vector<DecodedChar> chars;
    int columns = 0, units = 0, lastWidth = 0;
    for (std::size_t pos = 0; pos < view.size() && columns < kColumns;) {
        const DecodedChar c = DecodeUtf8(view, pos);
        if (columns + c.width > kColumns) break;
        if (c.width == 1)
            units += 1 + (lastWidth != 1 ? 1 : 0);
        else
            units += static_cast<int>(kGlyphSize) + (lastWidth != 2 ? 1 : 0);
        chars.push_back(c);
        columns += c.width;
        lastWidth = c.width;
        pos += static_cast<std::size_t>(c.length);
    }

    std::unique_ptr<std::uint8_t[]> stream(new (std::nothrow) std::uint8_t[2 * units]);
    if (!stream) {
        ReplaceStream(nullptr, 0);  // out of memory: nothing is pending
        return E_FAIL;
    }

    // Second pass: emit the units.
    StreamWriter out(stream.get());
    lastWidth = 0;
    for (const DecodedChar& c : chars) {
        if (c.width == 1) {
            if (lastWidth != 1) out.Marker(kBeginText);
            out.Data(static_cast<std::uint8_t>(c.code));
        } else {
            if (lastWidth != 2) out.Marker(kBeginGlyphs);
            std::uint8_t glyph[kGlyphSize] = {};
            std::uint8_t code[2] = {static_cast<std::uint8_t>(c.code >> 8),
                                    static_cast<std::uint8_t>(c.code & 0xFF)};
            // Beyond U+FFFF no set has the character: it stays a blank glyph.
            if (!c.beyondBmp && Succeeded(MapToLocal(code))) {
                HResult found = E_FAIL;
                if (m_nCharset == kCharsetBig5) found = GetBig5Glyph(code, glyph);
                if (m_nCharset == kCharsetGb) found = GetGbGlyph(code, glyph);
                if (m_nCharset == kCharsetSjis) found = GetSjisGlyph(code, glyph);
                if (!Succeeded(found)) std::memset(glyph, 0, sizeof glyph);
            }
            out.Glyph(glyph);
        }
        lastWidth = c.width;
    }
    ReplaceStream(std::move(stream), out.Count());
    return S_OK;
}

HResult CLcdRendererImpl::RenderPlainText(const char* text) {
    std::lock_guard guard(m_lock);
    if (text == nullptr || text[0] == '\0') {
        m_nUnits = 0;
        return E_FAIL;
    }
    const std::size_t length = std::min<std::size_t>(std::strlen(text), kColumns);
    std::unique_ptr<std::uint8_t[]> stream(new (std::nothrow) std::uint8_t[2 * (length + 1)]);
    if (!stream) {
        ReplaceStream(nullptr, 0);
        return E_FAIL;
    }
    StreamWriter out(stream.get());
    out.Marker(kBeginText);
    for (std::size_t i = 0; i < length; ++i) out.Data(static_cast<std::uint8_t>(text[i]));
    ReplaceStream(std::move(stream), out.Count());
    return S_OK;
}

HResult CLcdRendererImpl::RenderBalance(int amount) {
    std::lock_guard guard(m_lock);
    constexpr int kBufferBytes = 512;
    std::unique_ptr<std::uint8_t[]> stream(new (std::nothrow) std::uint8_t[kBufferBytes]);
    if (!stream) {
        ReplaceStream(nullptr, 0);
        return E_FAIL;
    }
    StreamWriter out(stream.get());
    if (amount == 0) {
        out.Marker(kBeginText);
        for (char c : kNoBalanceText) out.Data(static_cast<std::uint8_t>(c));
    } else {
        out.Marker(kBeginText);
        for (char c : kBalanceLabel) out.Data(static_cast<std::uint8_t>(c));
        out.Marker(kBeginGlyphs);
        out.Glyph(kCurrencyGlyph);
        out.Marker(kBeginText);
        // Hundredths: always two digits after the point, so 5 reads .05 and
        // -5 reads -.05 (no leading zero, like .50).
        const bool negative = amount < 0;
        const long long magnitude = negative ? -static_cast<long long>(amount) : amount;
        std::string digits = std::to_string(magnitude);
        if (digits.size() < 2) digits.insert(0, 2 - digits.size(), '0');
        if (negative) out.Data('-');
        for (std::size_t i = 0; i < digits.size(); ++i) {
            if (i == digits.size() - 2) out.Data('.');
            out.Data(static_cast<std::uint8_t>(digits[i]));
        }
        out.Data(0x00);  // the number text's terminating zero goes along
    }
    ReplaceStream(std::move(stream), out.Count());
    return S_OK;
}

HResult CLcdRendererImpl::Utf8ToLocal(const char* text, char* out) {
    std::lock_guard guard(m_lock);
    if (text == nullptr || out == nullptr || text[0] == '\0') return E_FAIL;
    const std::string_view view(text);
    std::size_t written = 0;
    for (std::size_t pos = 0; pos < view.size() && written < kLocalTextLimit;) {
        const DecodedChar c = DecodeUtf8(view, pos);
        pos += static_cast<std::size_t>(c.length);
        if (c.beyondBmp) continue;  // no double-byte set has it: nothing is written
        if (c.width == 1) {
            if (written + 1 > kOutputLimit) break;
            out[written++] = static_cast<char>(c.code);
            continue;
        }
        std::uint8_t code[2] = {static_cast<std::uint8_t>(c.code >> 8),
                                static_cast<std::uint8_t>(c.code & 0xFF)};
        if (!Succeeded(MapToLocal(code))) continue;
        if (written + 2 > kOutputLimit) break;
        out[written++] = static_cast<char>(code[0]);
        out[written++] = static_cast<char>(code[1]);
    }
    return S_OK;
}

HResult CLcdRendererImpl::LocalToUtf8(const char* text, char* out) {
    std::lock_guard guard(m_lock);
    if (text == nullptr || out == nullptr) return E_FAIL;
    std::FILE* big5 = kestrava::OpenFile(FontPath("TI0Inv.bin"), "rb");
    std::FILE* gb = kestrava::OpenFile(FontPath("TI6Inv.bin"), "rb");
    std::FILE* sjis = kestrava::OpenFile(FontPath("TI2Inv.bin"), "rb");
    const auto closeAll = [&] {
        for (std::FILE* f : {big5, gb, sjis})
            if (f != nullptr) std::fclose(f);
    };
    if (big5 == nullptr || gb == nullptr || sjis == nullptr) {
        closeAll();
        return E_FAIL;
    }

    const std::size_t length = std::strlen(text);
    std::size_t written = 0;
    for (std::size_t pos = 0; pos < length;) {
        const auto lead = static_cast<std::uint8_t>(text[pos]);
        if (lead < 0x80) {
            if (written + 1 > kOutputLimit) break;
            out[written++] = static_cast<char>(lead);
            ++pos;
            continue;
        }
        // A lead byte at the very end has no trail: it is skipped, and the
        // terminating zero is never taken as part of a code.
        std::uint32_t u = 0;
        bool found = false;
        if (pos + 1 < length) {
            int k = 0;
            GetCodeValue(reinterpret_cast<const std::uint8_t*>(text + pos), 2, &k);
            const auto value = static_cast<std::uint32_t>(k);
            if (LookUpReverse(big5, glyvar::kBig5InvBase, value, u)) {
                m_nCharset = kCharsetBig5;
                found = true;
            } else if (LookUpReverse(gb, glyvar::kGbInvBase, value, u)) {
                m_nCharset = kCharsetGb;
                found = true;
            } else if (LookUpReverse(sjis, glyvar::kSjisInvBase, value, u)) {
                m_nCharset = kCharsetSjis;
                found = true;
            }
        }
        if (!found) {
            ++pos;
            continue;
        }
        const std::size_t n = EncodeUtf8(u, out, written, kOutputLimit);
        if (n == 0) break;  // the caller's buffer is full
        written += n;
        pos += 2;
    }
    closeAll();
    return S_OK;
}

bool CLcdRendererImpl::WriteUnit(CHidDevice* device, std::uint8_t value, std::uint8_t control,
                                 bool trace) {
    if (Succeeded(device->SendCommandData(value, control))) return true;
    for (int retry = 1; retry <= 3; ++retry) {
        if (trace) {
            std::printf(" Faile to send data .....(%d).\n", retry);
            std::fflush(stdout);
        }
        m_pause(15ms);
        if (Succeeded(device->SendCommandData(value, control))) return true;
    }
    m_pause(1ms);
    return false;
}

HResult CLcdRendererImpl::SendRendered() {
    // The lock is held only to take the pending stream over; the transfer runs
    // without it so that SetAbort (and a renderer) can reach the component.
    std::unique_ptr<std::uint8_t[]> units;
    int count = 0;
    CHidDevice* device = nullptr;
    {
        std::lock_guard guard(m_lock);
        if (!m_pUnits || m_pDevice == nullptr) return E_FAIL;
        units = std::move(m_pUnits);
        count = m_nUnits;
        m_nUnits = 0;
        device = m_pDevice;
    }
    m_bAbort.store(0, std::memory_order_release);

    const auto stopRequested = [&] {
        if (m_bAbort.load(std::memory_order_acquire) != 0) return true;
        if (m_bPauseBetweenUnits.load(std::memory_order_relaxed) != 0) m_pause(3ms);
        return false;
    };
    const auto stopped = [&] {
        m_bAbort.store(0, std::memory_order_release);
        return 1;
    };

    if (count > 0) {
        bool allWritten = true;
        for (int i = 0; i < count; ++i) {
            allWritten &= WriteUnit(device, units[2 * i], units[2 * i + 1], true);
            if (stopRequested()) return stopped();
        }
        m_pause(300ms);
        // Every unit is tried; a unit that could not be written makes the whole
        // transfer a failure rather than a success.
        return allWritten ? S_OK : E_FAIL;
    }

    // Nothing was rendered into the stream: the handset still expects a text.
    device->SendCommandData(kBeginText, kMarker);
    std::uint8_t toggle = kToggleFirst;
    for (char c : kFallbackText) {
        WriteUnit(device, static_cast<std::uint8_t>(c), toggle, false);
        toggle = toggle == kToggleFirst ? kToggleSecond : kToggleFirst;
        if (stopRequested()) return stopped();
    }
    return E_FAIL;
}

HResult CLcdRendererImpl::SetDevice(CHidDevice* device) {
    std::lock_guard guard(m_lock);
    m_pDevice = device;
    return S_OK;
}

HResult CLcdRendererImpl::SetPortStatus(int pauseBetweenUnits) {
    std::lock_guard guard(m_lock);
    m_bPauseBetweenUnits.store(pauseBetweenUnits, std::memory_order_relaxed);
    return S_OK;
}

HResult CLcdRendererImpl::SetAbort(int abort) {
    std::lock_guard guard(m_lock);
    m_bAbort.store(abort, std::memory_order_release);
    return S_OK;
}

HResult CLcdRendererImpl::SetArfSupport(int value) {
    m_bArfSupport.store(value, std::memory_order_relaxed);
    return S_OK;
}

int CLcdRendererImpl::LastCharset() const {
    std::lock_guard guard(m_lock);
    return m_nCharset;
}

int CLcdRendererImpl::PendingUnitCount() const {
    std::lock_guard guard(m_lock);
    return m_nUnits;
}

bool CLcdRendererImpl::HasPendingStream() const {
    std::lock_guard guard(m_lock);
    return m_pUnits != nullptr;
}
