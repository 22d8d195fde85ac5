// The texts the handset shows for a call: start time, duration and clock.
#include <gtest/gtest.h>

#include <cctype>
#include <ctime>

#include "StoreTestSupport.h"

using namespace session_test;

namespace {

// Seconds since 1970 of a local date and time.
CallTime LocalTime(int year, int month, int day, int hour, int minute) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_isdst = -1;
    return static_cast<CallTime>(std::mktime(&local));
}

class DisplayTexts : public ::testing::Test {
  protected:
    // Puts one received call with these times under the cursor and shows it.
    HResult Show(CallTime timestamp, int duration) {
        m_store.ClearCalls();
        AddRecord(m_store, 9, 0, 4, "ida");
        m_store.SetCallTimestamp(9, timestamp);
        m_store.SetCallDuration(9, duration);
        m_store.SetBrowseMode(CSessionStore::kBrowseReceived);
        m_store.ResetBrowse();
        int id = 0;
        EXPECT_EQ(S_OK, m_store.SelectNextCall(0, 0, &id));
        m_store.RefreshSelection(id);
        return m_store.FormatSelectedTimes();
    }

    std::string StartTime() { return ReadText(m_store, &CSessionStore::ReadStartTimeChar); }
    std::string Duration() { return ReadText(m_store, &CSessionStore::ReadDurationChar); }

    CSessionStore m_store;
};

}  // namespace

TEST_F(DisplayTexts, StartTimeIsMonthDayYearAndLocalHoursMinutes) {
    EXPECT_EQ(S_OK, Show(LocalTime(2026, 12, 7, 19, 27), 95));
    EXPECT_EQ("12/07/26 19:27", StartTime());
    EXPECT_EQ("00:01:35", Duration());

    Show(LocalTime(2009, 1, 5, 8, 3), 1);
    EXPECT_EQ("01/05/09 08:03", StartTime());

    // Past the end of 32-bit time values.
    Show(LocalTime(2040, 2, 29, 23, 59), 1);
    EXPECT_EQ("02/29/40 23:59", StartTime());
}

TEST_F(DisplayTexts, DurationsWidenTheHoursField) {
    m_store.FormatDuration(0);
    EXPECT_EQ("00:00:00", Duration());
    m_store.FormatDuration(3725);
    EXPECT_EQ("01:02:05", Duration());
    m_store.FormatDuration(360000);
    EXPECT_EQ("100:00:00", Duration());
    m_store.FormatDuration(-5);  // never a negative clock on the display
    EXPECT_EQ("00:00:00", Duration());
}

TEST_F(DisplayTexts, ACallWithoutDurationShowsItsStartAndNoDuration) {
    m_store.FormatDuration(42);
    EXPECT_EQ(E_FAIL, Show(LocalTime(2026, 3, 14, 9, 26), 0));
    EXPECT_EQ("03/14/26 09:26", StartTime());
    EXPECT_EQ("", Duration());
}

TEST_F(DisplayTexts, ACallWithoutTimestampShowsNoStartAndKeepsTheDuration) {
    m_store.FormatDuration(5);
    Show(LocalTime(2026, 3, 14, 9, 26), 60);  // a start time to lose
    m_store.FormatDuration(5);
    EXPECT_EQ(E_FAIL, Show(0, 60));
    EXPECT_EQ("", StartTime());
    EXPECT_EQ("00:00:05", Duration());
}

TEST_F(DisplayTexts, ReadingWrapsAroundAfterOneFailure) {
    ASSERT_EQ(S_OK, m_store.FormatClock());
    const std::string clock = ReadText(m_store, &CSessionStore::ReadClockChar);
    ASSERT_EQ(8u, clock.size());
    for (int i : {0, 1, 3, 4, 6, 7})
        EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(clock[i])));
    EXPECT_EQ(':', clock[2]);
    EXPECT_EQ(':', clock[5]);
    EXPECT_LT(std::stoi(clock.substr(0, 2)), 24);
    EXPECT_LT(std::stoi(clock.substr(3, 2)), 60);

    // ReadText stopped at the one failure; the next read starts again.
    char c = 0;
    ASSERT_EQ(S_OK, m_store.ReadClockChar(&c));
    EXPECT_EQ(clock[0], c);

    // An empty text always fails.
    EXPECT_EQ(E_FAIL, m_store.ReadStartTimeChar(&c));
    EXPECT_EQ(E_FAIL, m_store.ReadStartTimeChar(&c));
}

TEST_F(DisplayTexts, OnlyTheCurrentCallsDurationDrivesTheTimer) {
    m_store.SetCurrentCallDuration(3725);
    EXPECT_EQ("01:02:05", Duration());
    m_store.SetSecondCallDuration(9);
    EXPECT_EQ("01:02:05", Duration());
    int seconds = 0;
    m_store.GetSecondCallDuration(&seconds);
    EXPECT_EQ(9, seconds);
}
