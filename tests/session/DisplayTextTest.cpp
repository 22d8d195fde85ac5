// The texts the handset shows for a call: start time, duration and clock.
#include <gtest/gtest.h>

#include <ctime>
#include <regex>

#include "StoreTestSupport.h"

using namespace session_test;

namespace {

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
    // Browses to one received call with these times.
    HResult Show(CallTime timestamp, int duration) {
        m_store.ClearCalls();
        AddRecord(m_store, 9, 0, 4);
        m_store.SetCallTimestamp(9, timestamp);
        m_store.SetCallDuration(9, duration);
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
    Show(LocalTime(2040, 2, 29, 23, 59), 1);  // past 32-bit time values
    EXPECT_EQ("02/29/40 23:59", StartTime());
}

TEST_F(DisplayTexts, DurationsWidenTheHoursField) {
    const std::pair<int, const char*> cases[] = {
        {0, "00:00:00"}, {3725, "01:02:05"}, {360000, "100:00:00"}, {-5, "00:00:00"}};
    for (const auto& [seconds, text] : cases) {
        m_store.SetCurrentCallDuration(seconds);  // the call timer follows it
        EXPECT_EQ(text, Duration());
    }
    m_store.SetSecondCallDuration(9);  // the second call's does not
    EXPECT_EQ("00:00:00", Duration());
}

TEST_F(DisplayTexts, AMissingDurationOrTimestampFailsAndShowsWhatIsKnown) {
    m_store.FormatDuration(42);
    EXPECT_EQ(E_FAIL, Show(LocalTime(2026, 3, 14, 9, 26), 0));
    EXPECT_EQ("03/14/26 09:26", StartTime());
    EXPECT_EQ("", Duration());

    m_store.FormatDuration(5);
    EXPECT_EQ(E_FAIL, Show(0, 60));
    EXPECT_EQ("", StartTime());
    EXPECT_EQ("00:00:05", Duration());  // left as it was
}

TEST_F(DisplayTexts, AStartTimeWhoseYearDoesNotFitFailsWithAnEmptyText) {
    // Skype's timestamp is any 64-bit value; these convert to years past INT_MAX.
    for (const CallTime timestamp : {CallTime{67767976233532800}, CallTime{67768036191676799}}) {
        m_store.FormatDuration(5);
        EXPECT_EQ(E_FAIL, Show(timestamp, 60)) << timestamp;
        EXPECT_EQ("", StartTime()) << timestamp;
        EXPECT_EQ("00:00:05", Duration()) << timestamp;
    }
}

TEST_F(DisplayTexts, ReadingFailsOnceAtTheEndThenStartsOver) {
    ASSERT_EQ(S_OK, m_store.FormatClock());
    const std::string clock = ReadText(m_store, &CSessionStore::ReadClockChar);
    EXPECT_TRUE(std::regex_match(clock, std::regex("([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]")))
        << clock;
    char c = 0;
    ASSERT_EQ(S_OK, m_store.ReadClockChar(&c));
    EXPECT_EQ(clock[0], c);
    EXPECT_EQ(E_FAIL, m_store.ReadStartTimeChar(&c));  // an empty text always fails
}
