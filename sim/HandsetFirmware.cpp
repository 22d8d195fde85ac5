#include "HandsetFirmware.h"

#include <algorithm>

namespace kestrava::sim {

namespace {

constexpr std::uint8_t kHsReady = 0x51;
constexpr std::uint8_t kHsReadyDone = 0x06;
constexpr std::uint8_t kHsTextRaw = 0x3E;
constexpr std::uint8_t kHsTextFont = 0x3F;
constexpr std::uint8_t kHsCallAlert = 0x9E;
constexpr std::uint8_t kHsCallActive = 0x1F;
constexpr std::uint8_t kHsCallIdle = 0x20;
constexpr std::uint8_t kHsCallFailed = 0x9F;
constexpr std::uint8_t kHsCallRouting = 0x98;
constexpr std::uint8_t kHsStatusOffline = 0x07;
constexpr std::uint8_t kHsMuteOff = 0x2E;
constexpr std::uint8_t kHsMuteOn = 0x2F;

constexpr std::uint8_t kMarker = 0x0A;
constexpr std::uint8_t kStart = 0x4F;
constexpr std::uint8_t kToggleOff = 0x00;
constexpr std::uint8_t kToggleOn = 0x05;
constexpr std::uint8_t kBeginText = 0x70;
constexpr std::uint8_t kBeginGlyphs = 0x71;
constexpr std::uint8_t kEndTransfer = 0x1A;

constexpr std::uint8_t kRegisterWrite = 0x60;
constexpr std::uint8_t kRegisterRead = 0x70;

// Normal reports the program takes without acknowledging them.
bool OwedNoAcknowledgement(std::uint8_t code) {
    switch (code) {
        case 0x80:  // announcements
        case 0x81:
        case 0x1A:  // handed to the keypad without an answer
        case 0x5A:  // ask for nothing
        case 0x01:
        case 0x02:
        case 0x42:
        case 0x43:
            return true;
        default:
            return false;
    }
}

constexpr std::uint8_t kEntryText = 0x6C;

// Reports after which the handset shows another entry of a list.
bool IsListStep(std::uint8_t code) {
    return code == 0x61 || code == 0x62 || code == 0x6A || code == 0x6B || code == 0x6D;
}

char Printable(std::uint8_t code) {
    return code >= 0x20 && code < 0x7F ? char(code) : '.';
}

}  // namespace

HandsetFirmware::InputReport HandsetFirmware::Normal(std::uint8_t code) {
    std::uint8_t seq = m_nNormalSeq;
    m_nNormalSeq = (m_nNormalSeq + 1) % 4;
    if (!OwedNoAcknowledgement(code)) {
        m_PendingAcks.push_back(seq);
        m_AwaitedCodes[seq] = code;
    }
    return {0, 0, code, seq, 0, 0, 0, 0};
}

HandsetFirmware::InputReport HandsetFirmware::TransferReply(std::uint8_t code) {
    std::uint8_t seq = m_nTransferSeq;
    m_nTransferSeq = m_nTransferSeq == 7 ? 4 : m_nTransferSeq + 1;
    // A 0x5A reply is answered by the transfer itself, any other by seq OR 0x20.
    if (code != kTransferReady) {
        m_PendingAcks.push_back(seq);
        m_AwaitedCodes[seq] = code;
    }
    return {0, 0, code, seq, 0, 0, 0, 0};
}

HandsetFirmware::InputReport HandsetFirmware::KeyReport(std::uint8_t code) {
    // The list keys switch the handset's own list mode.
    if (code == 0x60) m_ListMode = ListMode::Contacts;
    if (code == 0x6E) m_ListMode = ListMode::Calls;
    if (code == 0x6F) m_ListMode = ListMode::None;
    return Normal(code);
}

HandsetFirmware::State HandsetFirmware::CurrentState() const {
    return {m_bRinging, m_bCallActive, m_bMuted, m_nStatusSymbol, m_ListMode, m_Line};
}

bool HandsetFirmware::TakeAcknowledgement(std::uint8_t command, std::uint8_t* code) {
    // seq OR 0x50 (handled), seq OR 0x30 (received, link not ready) for normal
    // reports; seq OR 0x20 for transfer replies (seq 4..7).
    std::uint8_t family = command & 0xF0;
    std::uint8_t seq = command & 0x0F;
    bool normal = (family == 0x50 || family == 0x30) && seq <= 3;
    bool transfer = family == 0x20 && seq >= 4 && seq <= 7;
    if (!normal && !transfer) return false;
    auto it = std::find(m_PendingAcks.begin(), m_PendingAcks.end(), seq);
    if (it != m_PendingAcks.end()) {
        m_PendingAcks.erase(it);
        *code = m_AwaitedCodes[seq];
        return true;
    }
    // HS_READY has the form of the acknowledgement of report 1; unawaited, it is the command.
    if (command != kHsReady) ++m_nUnexpectedAcks;
    return false;
}

std::vector<HandsetFirmware::InputReport> HandsetFirmware::OnOutputReport(
    const OutputReport& report) {
    std::vector<InputReport> replies;
    if (report[4] == kRegisterWrite) {
        m_Registers[report[5]] = {report[6], report[7]};
        return replies;
    }
    if (report[4] == kRegisterRead) {
        auto it = m_Registers.find(report[5]);
        InputReport reply = Normal(report[5]);
        reply[4] = it == m_Registers.end() ? 0 : it->second[0];
        replies.push_back(reply);
        return replies;
    }
    std::uint8_t value = report[3];
    std::uint8_t control = report[4];
    // A one-byte command carries control 0x00 like every other data unit, so
    // inside a transfer the toggle decides: where the next data unit would
    // carry 0x05, a 0x00 report is a command. HS_END_TRANSFER outside a glyph
    // ends the transfer. (A command that arrives where 0x00 is due after a
    // section marker is taken as data: the handset cannot tell the two apart.)
    bool unit = control == kMarker || control == kStart || control == kToggleOn;
    if (control == kToggleOff && m_bInTransfer) {
        if (value == kEndTransfer && m_nSection != kBeginGlyphs) {
            EndTransfer();
            return replies;
        }
        // Before the first section marker nothing is drawn: list mode's
        // start (0x00, 0x4F) is followed by the program's acknowledgements
        // and commands, not by characters.
        unit = m_nNextToggle == kToggleOff && m_nSection != 0;
    }
    if (unit) {
        HandleUnit(value, control);
    } else {
        HandleCommand(value, replies);
    }
    return replies;
}

void HandsetFirmware::HandleCommand(std::uint8_t command, std::vector<InputReport>& replies) {
    std::uint8_t acknowledged = 0;
    bool acknowledgement = TakeAcknowledgement(command, &acknowledged);
    // (0x51 acknowledges report 1 and has the form of HS_READY as well.)
    if (acknowledgement && (command & 0xF0) == 0x50 && IsListStep(acknowledged)) {
        replies.push_back(Normal(kEntryText));
    }
    if (acknowledgement && command != kHsReady) return;
    switch (command) {
        case kHsReady:
            m_bReadySeen = true;
            break;
        case kHsReadyDone:
            // Other commands (the focus timer's) may come between the two.
            if (m_bReadySeen) {
                replies.push_back(Normal(m_bWithDisplay ? kAnnounceDisplay : kAnnounceNoDisplay));
            }
            m_bReadySeen = false;
            break;
        case kHsTextRaw:
        case kHsTextFont:
            if (m_bAnswersText) replies.push_back(TransferReply(kTransferReady));
            break;
        case kHsCallAlert:
            m_bRinging = true;
            break;
        case kHsCallActive:
            m_bRinging = false;
            m_bCallActive = true;
            break;
        case kHsCallIdle:
        case kHsCallFailed:
        case kHsCallRouting:
            m_bRinging = false;
            m_bCallActive = false;
            break;
        case kHsStatusOffline:
            m_bRinging = false;
            m_bCallActive = false;
            m_nStatusSymbol = command;
            break;
        case kHsMuteOn:
        case kHsMuteOff:
            m_bMuted = command == kHsMuteOn;
            break;
        case 0x72:  // the own status symbols: DND, online, offline, Skype me, away, NA, invisible
        case 0x73:
        case 0x74:
        case 0x75:
        case 0x76:
        case 0x77:
        case 0x78:
            m_nStatusSymbol = command;
            break;
        default:
            break;
    }
}

void HandsetFirmware::BeginTransferIfIdle() {
    if (m_bInTransfer) return;
    // The first unit of a transfer clears the display.
    m_bInTransfer = true;
    ++m_nTransfersBegun;
    m_Line.clear();
    m_GlyphBytes.clear();
    m_Fields.clear();
    m_nSection = 0;
    m_nEntryKind = 0;
    m_nNextToggle = kToggleOff;
}

void HandsetFirmware::EndTransfer() {
    m_bInTransfer = false;
    ++m_nTransfers;
}

void HandsetFirmware::HandleUnit(std::uint8_t value, std::uint8_t control) {
    ++m_nUnits;
    BeginTransferIfIdle();
    if (control == kStart) return;
    if (control == kMarker) {
        if (value == kEndTransfer) {
            EndTransfer();
            return;
        }
        if (value == 0x6A || value == 0x6B || value == 0x6D) m_nEntryKind = value;
        m_nSection = value;
        m_GlyphBytes.clear();
        m_nNextToggle = kToggleOff;
        return;
    }
    // A data unit.
    m_nNextToggle = control == kToggleOff ? kToggleOn : kToggleOff;
    if (m_nSection == kBeginGlyphs) {
        m_GlyphBytes.push_back(value);
        if (m_GlyphBytes.size() == 32) {
            m_nNextToggle = kToggleOff;  // each glyph's toggle starts again
            if (Columns() + 2 <= kColumns) {
                Cell cell;
                cell.fullWidth = true;
                std::copy(m_GlyphBytes.begin(), m_GlyphBytes.end(), cell.glyph.begin());
                m_Line.push_back(cell);
            }
            m_GlyphBytes.clear();
        }
        return;
    }
    if (m_nSection == 0x81 || m_nSection == 0x80 || m_nSection == 0x83) {
        if (value != 0) m_Fields[m_nSection].push_back(static_cast<char>(value));
        return;
    }
    // Text, and data after any other marker: half-width codes on the line.
    if (value != 0 && Columns() + 1 <= kColumns) {
        Cell cell;
        cell.code = value;
        m_Line.push_back(cell);
    }
}

int HandsetFirmware::Columns() const {
    int columns = 0;
    for (const Cell& cell : m_Line) columns += cell.fullWidth ? 2 : 1;
    return columns;
}

std::string HandsetFirmware::LcdText() const {
    std::string text;
    for (const Cell& cell : m_Line) text.push_back(cell.fullWidth ? '?' : Printable(cell.code));
    return text;
}

std::string HandsetFirmware::LcdField(std::uint8_t section) const {
    auto it = m_Fields.find(section);
    return it == m_Fields.end() ? std::string() : it->second;
}

std::string HandsetFirmware::LcdPicture() const {
    // The text line with each full-width character as "[]", then the glyphs
    // in a row as 16x16 block art ('#' set, '.' clear).
    std::string line;
    std::vector<const Cell*> glyphs;
    for (const Cell& cell : m_Line) {
        if (cell.fullWidth) {
            line += "[]";
            glyphs.push_back(&cell);
        } else {
            line.push_back(Printable(cell.code));
        }
    }
    std::string border = "+" + std::string(kColumns, '-') + "+\n";
    std::string picture =
        border + "|" + line + std::string(kColumns - line.size(), ' ') + "|\n" + border;
    static const std::pair<std::uint8_t, const char*> kFields[] = {
        {0x81, "duration"}, {0x80, "start"}, {0x83, "timer"}};
    for (const auto& [section, name] : kFields) {
        std::string field = LcdField(section);
        if (!field.empty()) picture += std::string(name) + ": " + field + "\n";
    }
    if (m_bRinging) picture += "(ringing)\n";
    for (int y = 0; y < 16 && !glyphs.empty(); ++y) {
        for (std::size_t g = 0; g < glyphs.size(); ++g) {
            if (g) picture += ' ';
            for (int x = 0; x < 16; ++x) {
                std::uint8_t column = glyphs[g]->glyph[(y < 8 ? 0 : 16) + x];
                picture += (column >> (y % 8)) & 1 ? '#' : '.';
            }
        }
        picture += '\n';
    }
    return picture;
}

}  // namespace kestrava::sim
