// The simulated handset's firmware: which reports it expects acknowledged,
// how it asks for announced texts, and what its LCD makes of a transfer.
#include <gtest/gtest.h>

#include "HandsetFirmware.h"

namespace kestrava::sim {
namespace {

using Report = HandsetFirmware::OutputReport;

Report Command(std::uint8_t code) {
    return {0, 0, 0, code, 0, 0, 0, 0};
}

Report Unit(std::uint8_t value, std::uint8_t control) {
    return {0, 0, 0, value, control, 0, 0, 0};
}

// Sends the units of a text section: the toggle alternates from 0x00.
void SendText(HandsetFirmware& firmware, const std::string& text) {
    std::uint8_t toggle = 0x00;
    for (char c : text) {
        firmware.OnOutputReport(Unit(static_cast<std::uint8_t>(c), toggle));
        toggle ^= 0x05;
    }
}

void SendGlyph(HandsetFirmware& firmware, std::uint8_t fill) {
    for (int i = 0; i < 32; ++i) firmware.OnOutputReport(Unit(fill, i % 2 ? 0x05 : 0x00));
}

TEST(HandsetFirmware, EveryAnnouncedTextIsAskedForWithANumberedTransferReply) {
    HandsetFirmware firmware;
    std::vector<int> seqs;
    for (std::uint8_t command : {0x3E, 0x3F, 0x3F, 0x3E, 0x3F}) {
        auto replies = firmware.OnOutputReport(Command(command));
        ASSERT_EQ(replies.size(), 1u);
        EXPECT_EQ(replies[0][2], HandsetFirmware::kTransferReady);
        seqs.push_back(replies[0][3]);
    }
    EXPECT_EQ(seqs, (std::vector<int>{4, 5, 6, 7, 4}));
    EXPECT_EQ(firmware.UnacknowledgedReports(), 0) << "the transfer itself answers a 0x5A reply";
}

TEST(HandsetFirmware, OnlyReportsThatAskForAnAnswerAwaitOne) {
    struct Case {
        std::uint8_t code;
        bool owed;
    };
    const Case kCases[] = {{0x31, true},  {0x1F, true},  {0x61, true},  {0x6C, true},
                           {0x1A, false}, {0x5A, false}, {0x01, false}, {0x02, false},
                           {0x42, false}, {0x43, false}, {0x80, false}, {0x81, false}};
    for (const auto& c : kCases) {
        HandsetFirmware firmware;
        auto report = firmware.KeyReport(c.code);
        EXPECT_EQ(report[3], 0) << "the first normal report is number 0";
        EXPECT_EQ(firmware.UnacknowledgedReports(), c.owed ? 1 : 0) << int(c.code);
    }
}

TEST(HandsetFirmware, AcknowledgementsMatchTheReportsNumber) {
    HandsetFirmware firmware;
    firmware.KeyReport(0x31);                // 0
    firmware.KeyReport(0x32);                // 1
    firmware.KeyReport(0x33);                // 2
    firmware.OnOutputReport(Command(0x50));  // handled
    firmware.OnOutputReport(Command(0x31));  // received, link not ready
    EXPECT_EQ(firmware.UnacknowledgedReports(), 1);
    EXPECT_EQ(firmware.UnexpectedAcknowledgements(), 0);

    firmware.OnOutputReport(Command(0x53));  // nothing numbered 3 was sent
    firmware.OnOutputReport(Command(0x24));  // no transfer reply awaits 0x24
    firmware.OnOutputReport(Command(0x50));  // 0 was answered already
    EXPECT_EQ(firmware.UnexpectedAcknowledgements(), 3);
    firmware.OnOutputReport(Command(0x52));
    EXPECT_EQ(firmware.UnacknowledgedReports(), 0);
}

TEST(HandsetFirmware, ReadyThenReadyDoneAnnouncesEvenWithOtherCommandsBetween) {
    HandsetFirmware firmware;
    EXPECT_TRUE(firmware.OnOutputReport(Command(0x06)).empty()) << "ready done alone";
    firmware.OnOutputReport(Command(0x51));
    firmware.OnOutputReport(Command(0xEF));  // the focus timer's report
    auto replies = firmware.OnOutputReport(Command(0x06));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0][2], HandsetFirmware::kAnnounceDisplay);
    EXPECT_EQ(firmware.UnexpectedAcknowledgements(), 0) << "HS_READY is no stray acknowledgement";
    EXPECT_EQ(firmware.UnacknowledgedReports(), 0) << "announcements are not acknowledged";
    EXPECT_TRUE(firmware.OnOutputReport(Command(0x06)).empty()) << "one announcement per ready";

    HandsetFirmware withoutDisplay(false);
    withoutDisplay.OnOutputReport(Command(0x51));
    EXPECT_EQ(withoutDisplay.OnOutputReport(Command(0x06)).at(0)[2],
              HandsetFirmware::kAnnounceNoDisplay);
}

TEST(HandsetFirmware, RingsFromTheAlertUntilACallCommandEndsIt) {
    for (std::uint8_t end : {0x1F, 0x20, 0x9F, 0x98, 0x07}) {
        HandsetFirmware firmware;
        firmware.OnOutputReport(Command(0x1A));
        firmware.OnOutputReport(Command(0x9E));
        EXPECT_TRUE(firmware.IsRinging());
        firmware.OnOutputReport(Command(0xEF));
        EXPECT_TRUE(firmware.IsRinging()) << "the focus report does not stop the ringer";
        firmware.OnOutputReport(Command(end));
        EXPECT_FALSE(firmware.IsRinging()) << int(end);
    }
}

TEST(HandsetFirmware, AListStepOnceHandledIsFollowedByTheRequestForItsEntrysText) {
    HandsetFirmware firmware;
    // The first step is report 1, acknowledged by 0x51 (the form of HS_READY too).
    auto first = firmware.KeyReport(0x31);
    EXPECT_TRUE(firmware.OnOutputReport(Command(0x50 | first[3])).empty());
    for (std::uint8_t step : {0x6A, 0x6B, 0x6D, 0x61, 0x62}) {
        auto key = firmware.KeyReport(step);
        auto replies = firmware.OnOutputReport(Command(0x50 | key[3]));
        ASSERT_EQ(replies.size(), 1u) << int(step);
        EXPECT_EQ(replies[0][2], 0x6C);
        firmware.OnOutputReport(Command(0x50 | replies[0][3]));
    }
    // A report the link was not ready for is not followed.
    auto key = firmware.KeyReport(0x6A);
    EXPECT_TRUE(firmware.OnOutputReport(Command(0x30 | key[3])).empty());
    EXPECT_EQ(firmware.UnacknowledgedReports(), 0);
}

TEST(HandsetFirmware, CommandsAfterListModesStartAreNotDrawnBeforeTheFirstMarker) {
    HandsetFirmware firmware;
    auto key = firmware.KeyReport(0x60);
    firmware.OnOutputReport(Unit(0x00, 0x4F));  // the contact list mode begins
    firmware.OnOutputReport(Command(0x50 | key[3]));
    auto replies = firmware.OnOutputReport(Command(0x3F));
    ASSERT_EQ(replies.size(), 1u) << "the text announcement is taken as one";
    EXPECT_EQ(firmware.UnacknowledgedReports(), 0);
    firmware.OnOutputReport(Unit(0x6A, 0x0A));
    firmware.OnOutputReport(Unit(0x70, 0x0A));
    SendText(firmware, "Alice");
    firmware.OnOutputReport(Unit(0x1A, 0x0A));
    EXPECT_EQ(firmware.LcdText(), "Alice");
}

TEST(HandsetFirmware, TheLcdShowsAFontModeItemsTextAndGlyphs) {
    HandsetFirmware firmware;
    firmware.OnOutputReport(Unit(0x00, 0x4F));
    firmware.OnOutputReport(Unit(0x6A, 0x0A));
    firmware.OnOutputReport(Unit(0x70, 0x0A));
    SendText(firmware, "Ab");
    firmware.OnOutputReport(Unit(0x71, 0x0A));
    SendGlyph(firmware, 0xFF);
    SendGlyph(firmware, 0x01);
    EXPECT_EQ(firmware.TransfersCompleted(), 0);
    firmware.OnOutputReport(Unit(0x1A, 0x0A));

    EXPECT_EQ(firmware.TransfersCompleted(), 1);
    EXPECT_EQ(firmware.LcdText(), "Ab??");
    EXPECT_EQ(firmware.EntryKind(), 0x6A);
    std::string picture = firmware.LcdPicture();
    EXPECT_NE(picture.find("|Ab[][]"), std::string::npos) << picture;
    // Row 1: bit 1 of every column, set in the first glyph only.
    EXPECT_NE(picture.find("\n################ " + std::string(16, '.') + "\n"), std::string::npos)
        << picture;
}

TEST(HandsetFirmware, TheLcdKeepsACallsDurationAndStartTimeFields) {
    HandsetFirmware firmware;
    firmware.OnOutputReport(Unit(0x6D, 0x0A));
    firmware.OnOutputReport(Unit(0x81, 0x0A));
    SendText(firmware, "00:02:05");
    firmware.OnOutputReport(Unit(0x80, 0x0A));
    SendText(firmware, "12/08 09:30");
    firmware.OnOutputReport(Unit(0x70, 0x0A));
    SendText(firmware, "alice");
    firmware.OnOutputReport(Unit(0x1A, 0x0A));
    EXPECT_EQ(firmware.EntryKind(), 0x6D);
    EXPECT_EQ(firmware.LcdField(0x81), "00:02:05");
    EXPECT_EQ(firmware.LcdField(0x80), "12/08 09:30");
    EXPECT_EQ(firmware.LcdText(), "alice");
    EXPECT_NE(firmware.LcdPicture().find("duration: 00:02:05\nstart: 12/08 09:30\n"),
              std::string::npos);

    // The next transfer starts a clean display: the call timer alone.
    firmware.OnOutputReport(Unit(0x00, 0x4F));
    firmware.OnOutputReport(Unit(0x83, 0x0A));
    SendText(firmware, "00:00:42");
    firmware.OnOutputReport(Unit(0x1A, 0x0A));
    EXPECT_EQ(firmware.LcdField(0x83), "00:00:42");
    EXPECT_EQ(firmware.LcdField(0x81), "");
    EXPECT_EQ(firmware.LcdText(), "");
    EXPECT_EQ(firmware.TransfersCompleted(), 2);
}

TEST(HandsetFirmware, ACommandWhereTheToggleIsDueIsNotTakenForText) {
    HandsetFirmware firmware;
    firmware.OnOutputReport(Unit(0x70, 0x0A));
    firmware.OnOutputReport(Unit('A', 0x00));
    firmware.OnOutputReport(Command(0x9E));  // a 0x05 unit is due: this is the alert
    firmware.OnOutputReport(Unit('b', 0x05));
    EXPECT_TRUE(firmware.IsRinging());
    EXPECT_EQ(firmware.LcdText(), "Ab");

    // HS_END_TRANSFER in the middle of a text ends the transfer.
    firmware.OnOutputReport(Command(0x1A));
    EXPECT_EQ(firmware.TransfersCompleted(), 1);
    firmware.OnOutputReport(Command(0x20));
    EXPECT_FALSE(firmware.IsRinging()) << "after the transfer, 0x00 reports are commands again";
}

TEST(HandsetFirmware, TheLineHoldsThirtyTwoColumns) {
    HandsetFirmware firmware;
    firmware.OnOutputReport(Unit(0x70, 0x0A));
    SendText(firmware, std::string(31, 'x'));
    firmware.OnOutputReport(Unit(0x71, 0x0A));
    SendGlyph(firmware, 0x0F);  // two columns: does not fit beside 31
    firmware.OnOutputReport(Unit(0x70, 0x0A));
    SendText(firmware, "yz");
    firmware.OnOutputReport(Unit(0x1A, 0x0A));
    EXPECT_EQ(firmware.LcdText(), std::string(31, 'x') + "y");
}

// What a person sees besides the LCD follows the program's commands and the
// handset's own list keys.
TEST(HandsetFirmware, TheStateFollowsCallMuteStatusAndListCommands) {
    using ListMode = HandsetFirmware::ListMode;
    struct Case {
        const char* what;
        std::vector<std::uint8_t> commands;
        std::vector<std::uint8_t> keys;
        bool ringing, callActive, muted;
        std::uint8_t statusSymbol;
        ListMode listMode;
    };
    const Case cases[] = {
        {"alert", {0x9E}, {}, true, false, false, 0, ListMode::None},
        {"answered", {0x9E, 0x1F}, {}, false, true, false, 0, ListMode::None},
        {"ended", {0x9E, 0x1F, 0x20}, {}, false, false, false, 0, ListMode::None},
        {"failed", {0x1F, 0x9F}, {}, false, false, false, 0, ListMode::None},
        {"mute on", {0x2F}, {}, false, false, true, 0, ListMode::None},
        {"mute off", {0x2F, 0x2E}, {}, false, false, false, 0, ListMode::None},
        {"away symbol", {0x73, 0x76}, {}, false, false, false, 0x76, ListMode::None},
        {"offline ends the call", {0x1F, 0x07}, {}, false, false, false, 0x07, ListMode::None},
        {"contacts", {}, {0x60}, false, false, false, 0, ListMode::Contacts},
        {"calls", {}, {0x60, 0x6E}, false, false, false, 0, ListMode::Calls},
        {"left", {}, {0x6E, 0x6F}, false, false, false, 0, ListMode::None},
    };
    for (const Case& c : cases) {
        HandsetFirmware firmware;
        for (std::uint8_t command : c.commands) firmware.OnOutputReport(Command(command));
        for (std::uint8_t key : c.keys) firmware.KeyReport(key);
        HandsetFirmware::State state = firmware.CurrentState();
        EXPECT_EQ(state.ringing, c.ringing) << c.what;
        EXPECT_EQ(state.callActive, c.callActive) << c.what;
        EXPECT_EQ(state.muted, c.muted) << c.what;
        EXPECT_EQ(state.statusSymbol, c.statusSymbol) << c.what;
        EXPECT_EQ(state.listMode, c.listMode) << c.what;
    }
}

TEST(HandsetFirmware, AMuteCodeInsideATextIsACharacterNotTheMute) {
    HandsetFirmware firmware;
    firmware.OnOutputReport(Unit(0x70, 0x0A));
    SendText(firmware, "//");  // 0x2F twice, the second with the toggle 0x05
    EXPECT_FALSE(firmware.CurrentState().muted);
    EXPECT_EQ(firmware.LcdText(), "//");
}

}  // namespace
}  // namespace kestrava::sim
