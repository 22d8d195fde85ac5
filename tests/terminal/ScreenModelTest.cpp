// The interactive screen's model: what it makes of the client's log, the
// handset's state and the printed lines.
#include <gtest/gtest.h>

#include "sim/terminal/ScreenModel.h"

namespace kestrava::terminal {
namespace {

using State = sim::HandsetFirmware::State;
using ListMode = sim::HandsetFirmware::ListMode;

bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(ScreenModel, TheClientsLinesMoveItsCallsConnectionAndUserStatus) {
    ScreenModel screen;
    for (const char* entry : {"ATTACH 0", "NOTIFY CALL 301 STATUS RINGING",
                              "NOTIFY CALL 301 PARTNER_DISPNAME \xE7\x8E\x8B\xE5\xB0\x8F "
                              "\xE6\x98\x8E",  // a name with a blank stays whole
                              "NOTIFY CONNSTATUS OFFLINE", "NOTIFY USERSTATUS AWAY",
                              "COMMAND GET CALL 301 PARTNER_HANDLE"}) {
        screen.OnClientEntry(entry);
    }
    auto lines = screen.StateLines();
    EXPECT_TRUE(Has(lines, "  link         attached"));
    EXPECT_TRUE(Has(lines, "  connection   OFFLINE"));
    EXPECT_TRUE(Has(lines, "  user status  AWAY"));
    EXPECT_TRUE(Has(lines, "  call 301     RINGING \xE7\x8E\x8B\xE5\xB0\x8F \xE6\x98\x8E"));
    EXPECT_EQ(screen.UserStatus(), "AWAY");
}

TEST(ScreenModel, TheNewestLiveCallIsTheOneTheCallerKeysActOn) {
    struct Case {
        const char* what;
        std::vector<std::string> entries;
        int newestLive;  // 0: none
    };
    const Case cases[] = {
        {"none yet", {}, 0},
        {"ringing", {"NOTIFY CALL 301 STATUS RINGING"}, 301},
        {"a second call",
         {"NOTIFY CALL 301 STATUS INPROGRESS", "NOTIFY CALL 302 STATUS RINGING"},
         302},
        {"the second ended",
         {"NOTIFY CALL 301 STATUS ONHOLD", "NOTIFY CALL 302 STATUS RINGING",
          "NOTIFY CALL 302 STATUS MISSED"},
         301},
        {"all ended", {"NOTIFY CALL 301 STATUS INPROGRESS", "NOTIFY CALL 301 STATUS FINISHED"}, 0},
        {"not a call id", {"NOTIFY CALL 30x STATUS RINGING", "NOTIFY CALL STATUS RINGING"}, 0},
    };
    for (const Case& c : cases) {
        ScreenModel screen;
        for (const std::string& entry : c.entries) screen.OnClientEntry(entry);
        auto live = screen.NewestLiveCall();
        EXPECT_EQ(live ? live->id : 0, c.newestLive) << c.what;
    }
}

TEST(ScreenModel, ThePanelShowsTheThreeNewestCallsEvenWhenTheHistoryIsReportedLater) {
    ScreenModel screen;
    screen.OnClientEntry("NOTIFY CALL 301 STATUS RINGING");
    for (int id : {11, 12, 13})
        screen.OnClientEntry("NOTIFY CALL " + std::to_string(id) + " STATUS FINISHED");
    auto lines = screen.StateLines();
    EXPECT_TRUE(Has(lines, "  call 301     RINGING "));
    EXPECT_FALSE(Has(lines, "  call 11      FINISHED "));
}

TEST(ScreenModel, ACallStartedFromTheKeyboardIsKnownByItsContactBeforeItRings) {
    ScreenModel screen;
    screen.NoteCall(305, "yamada.taro");
    auto live = screen.NewestLiveCall();
    ASSERT_TRUE(live);
    EXPECT_EQ(live->handle, "yamada.taro");
    EXPECT_TRUE(Has(screen.StateLines(), "  call 305     ... yamada.taro"));
}

TEST(ScreenModel, TheStatePanelShowsTheHandsetsState) {
    struct Case {
        State state;
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {{},
         {"  ringing      no", "  call         none", "  mute         off", "  status       -",
          "  list         none"}},
        {{true, false, false, 0x73, ListMode::None, {}},
         {"  ringing      RINGING", "  status       online"}},
        {{false, true, true, 0x76, ListMode::Contacts, {}},
         {"  call         ACTIVE", "  mute         on", "  status       away",
          "  list         contacts"}},
        {{false, false, false, 0x07, ListMode::Calls, {}},
         {"  status       offline", "  list         calls"}},
    };
    for (const Case& c : cases) {
        ScreenModel screen;
        screen.SetHandset(c.state);
        auto lines = screen.StateLines();
        for (const std::string& row : c.rows) EXPECT_TRUE(Has(lines, row)) << row;
    }
    ScreenModel without;
    without.SetHandset(std::nullopt);
    EXPECT_TRUE(Has(without.StateLines(), "  (none)"));
    EXPECT_EQ(without.LcdLines(40), std::vector<std::string>{"LCD: no handset"});
}

TEST(ScreenModel, OnlyAChangeMovesTheVersionSoAnIdleScreenIsNotRedrawn) {
    ScreenModel screen;
    State ringing{true, false, false, 0, ListMode::None, {}};
    screen.SetHandset(ringing);
    auto version = screen.Version();
    screen.SetHandset(ringing);
    EXPECT_EQ(screen.Version(), version);
    ringing.lcd.push_back({false, 'A', {}});
    screen.SetHandset(ringing);
    EXPECT_GT(screen.Version(), version);
}

TEST(ScreenModel, TheLcdIsDrawnWithItsColumnsUsed) {
    ScreenModel screen;
    State state;
    for (char c : std::string("1 Missed Calls")) state.lcd.push_back({false, std::uint8_t(c), {}});
    screen.SetHandset(state);
    auto lines = screen.LcdLines(40);
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[0], "LCD, 14 of 32 columns:");
    EXPECT_EQ(lines[6], "|1 Missed Calls|");
}

TEST(ScreenModel, TheLogScrollsKeepsItsNewestLinesAndSplitsLineBreaks) {
    ScreenModel screen;
    for (std::size_t i = 0; i < ScreenModel::kLogCapacity + 5; ++i)
        screen.AddLog("line " + std::to_string(i));
    auto all = screen.LogLines(ScreenModel::kLogCapacity * 2);
    ASSERT_EQ(all.size(), ScreenModel::kLogCapacity);
    EXPECT_EQ(all.front(), "line 5");
    screen.AddLog("handset LCD:\n+--+\n|  |");
    EXPECT_EQ(screen.LogLines(3), (std::vector<std::string>{"handset LCD:", "+--+", "|  |"}));
}

TEST(ScreenModel, TheHandsetsReportsAreLeftOutOfTheLogUntilAskedFor) {
    ScreenModel screen;
    screen.AddLog("[  1.000] Kestrava -> Skype: SET CALL   301 STATUS INPROGRESS");
    screen.AddLog("[  1.001] handset MCU<-PC: 00 00 00 1F 00 00 00 00 ...");
    screen.AddLog("[  1.002] handset   (the same report 9 more times)");
    screen.AddLog("[  1.003] Skype -> Kestrava: CALL 301 STATUS INPROGRESS");
    EXPECT_EQ(
        screen.LogLines(2),
        (std::vector<std::string>{"[  1.000] Kestrava -> Skype: SET CALL   301 STATUS INPROGRESS",
                                  "[  1.003] Skype -> Kestrava: CALL 301 STATUS INPROGRESS"}));
    screen.ToggleReports();
    EXPECT_EQ(screen.LogLines(10).size(), 4u);
}

TEST(ScreenModel, TheDumpHasEachPartUnderItsHeadingAndTheKeysWhenShown) {
    ScreenModel screen;
    screen.SetHandset(State{});
    screen.AddLog("hello");
    std::string dump = screen.Dump(40, 10);
    EXPECT_LT(dump.find("== LCD\n"), dump.find("== STATE\n"));
    EXPECT_LT(dump.find("== STATE\n"), dump.find("== LOG\nhello\n"));
    EXPECT_EQ(dump.find("== KEYS"), std::string::npos);
    screen.ToggleHelp();
    EXPECT_TRUE(screen.HelpShown());
    EXPECT_NE(screen.Dump(40, 10).find("== KEYS\n"), std::string::npos);
}

}  // namespace
}  // namespace kestrava::terminal
