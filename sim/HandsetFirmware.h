// The simulated handset's firmware: what it answers to each output report and
// what its LCD shows. Knows nothing of how reports travel; the device
// boundary (HandsetDevice) feeds it output reports and sends what it returns.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "LcdArt.h"

namespace kestrava::sim {

class HandsetFirmware {
  public:
    // An input report as the device produces it, report id byte first.
    using InputReport = std::array<std::uint8_t, 8>;
    using OutputReport = std::array<std::uint8_t, 8>;

    static constexpr std::uint8_t kAnnounceDisplay = 0x80;
    static constexpr std::uint8_t kAnnounceNoDisplay = 0x81;
    static constexpr std::uint8_t kTransferReady = 0x5A;
    static constexpr int kColumns = 32;

    // The list the handset browses, as its own list keys chose it.
    enum class ListMode { None, Contacts, Calls };

    // What a person sees on the handset besides the LCD's characters.
    struct State {
        bool ringing = false;
        bool callActive = false;  // between HS_CALL_ACTIVE and the call's end
        bool muted = false;
        // The own status symbol last shown (0x72..0x78), 0x07 offline, 0 none yet.
        std::uint8_t statusSymbol = 0;
        ListMode listMode = ListMode::None;
        std::vector<LcdCell> lcd;

        bool operator==(const State&) const = default;
    };

    explicit HandsetFirmware(bool withDisplay = true) : m_bWithDisplay(withDisplay) {}

    // A normal report (sequence 0..3) carrying `code`.
    InputReport KeyReport(std::uint8_t code);
    // Handles one output report; returns the input reports it answers with.
    // A list step the program has taken (the previous or next entry, or the
    // first entry of a list) is followed by the request for that entry's
    // text (0x6C): the handset shows the entry it is on.
    std::vector<InputReport> OnOutputReport(const OutputReport& report);

    bool IsRinging() const { return m_bRinging; }
    State CurrentState() const;
    // Reports sent that the program owes an acknowledgement and has not given
    // it yet. Announcements, 0x1A key reports, reports that ask for nothing
    // (0x01, 0x02, 0x42, 0x43, 0x5A) and 0x5A transfer replies are owed none.
    int UnacknowledgedReports() const { return static_cast<int>(m_PendingAcks.size()); }
    // Acknowledgement codes that matched no report awaiting one.
    int UnexpectedAcknowledgements() const { return m_nUnexpectedAcks; }
    std::string LcdText() const;
    std::string LcdPicture() const;
    // Text of a section of the last transfer: 0x81 duration, 0x80 start time, 0x83 timer.
    std::string LcdField(std::uint8_t section) const;
    std::uint8_t EntryKind() const { return m_nEntryKind; }
    int TransfersCompleted() const { return m_nTransfers; }
    // Transfers started while none was under way; a transfer cut off (stopped
    // by the program, or the handset unplugged) runs on into the next one.
    int TransfersBegun() const { return m_nTransfersBegun; }
    bool InTransfer() const { return m_bInTransfer; }
    // Transfer units taken (markers and data), counted since creation;
    // commands between them are not units.
    long UnitsReceived() const { return m_nUnits; }
    // The handset gives up on a transfer that stopped coming: the next unit
    // begins a new one.
    void AbandonTransfer() { m_bInTransfer = false; }
    // A handset whose firmware has stopped answering text announcements
    // (HS_TEXT_FONT, HS_TEXT_RAW) with its 0x5A transfer reply; on by default.
    void SetAnswersTextAnnouncements(bool answers) { m_bAnswersText = answers; }
    // Codec register values written with 0x60 (register -> two value bytes).
    std::map<std::uint8_t, std::array<std::uint8_t, 2>> Registers() const { return m_Registers; }

  private:
    using Cell = LcdCell;

    InputReport Normal(std::uint8_t code);
    InputReport TransferReply(std::uint8_t code);
    void HandleCommand(std::uint8_t command, std::vector<InputReport>& replies);
    void HandleUnit(std::uint8_t value, std::uint8_t control);
    // True when the command was an acknowledgement that a report awaited;
    // `code` is then that report's code.
    bool TakeAcknowledgement(std::uint8_t command, std::uint8_t* code);
    void BeginTransferIfIdle();
    void EndTransfer();
    int Columns() const;

    bool m_bWithDisplay;
    bool m_bAnswersText = true;
    std::uint8_t m_nNormalSeq = 0;    // 0..3
    std::uint8_t m_nTransferSeq = 4;  // 4..7
    // Sequence numbers of reports still awaiting an acknowledgement: 0..3
    // answered by seq|0x50 or seq|0x30, 4..7 by seq|0x20.
    std::vector<std::uint8_t> m_PendingAcks;
    std::uint8_t m_AwaitedCodes[8] = {};  // the code of the report awaiting each number
    int m_nUnexpectedAcks = 0;
    bool m_bReadySeen = false;  // HS_READY came; HS_READY_DONE makes the announcement
    bool m_bRinging = false;
    bool m_bCallActive = false;
    bool m_bMuted = false;
    std::uint8_t m_nStatusSymbol = 0;
    ListMode m_ListMode = ListMode::None;

    // LCD and transfer decoding.
    bool m_bInTransfer = false;
    long m_nUnits = 0;
    std::uint8_t m_nSection = 0;
    std::uint8_t m_nNextToggle = 0;  // control byte the next data unit carries
    std::uint8_t m_nEntryKind = 0;
    std::vector<Cell> m_Line;
    std::vector<std::uint8_t> m_GlyphBytes;
    std::map<std::uint8_t, std::string> m_Fields;
    int m_nTransfers = 0;
    int m_nTransfersBegun = 0;
    std::map<std::uint8_t, std::array<std::uint8_t, 2>> m_Registers;
};

}  // namespace kestrava::sim
