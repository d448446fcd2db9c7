#include <gtest/gtest.h>

#include "foundation/clock.h"
#include "foundation/settings_readers.h"
#include "test_support/pinned_clock.h"

namespace kiv {
namespace {

// Epoch seconds of these instants were computed with Python's calendar.timegm.
constexpr std::int64_t kMon_10_29_29 = 1710152969; // Monday 2024-03-11 10:29:29
constexpr std::int64_t kMon_23_59_59 = 1710201599;
constexpr std::int64_t kThu_0229_07_05_09 = 1709190309; // Thursday 2024-02-29 07:05:09
constexpr std::int64_t kSun_0317_00_00_00 = 1710633600; // Sunday 2024-03-17 00:00:00
constexpr std::int64_t kLastConvertible = 32535215999;  // Wednesday 3000-12-31 23:59:59

bool rtDirectInUse() { return true; }
bool rtAppInUse() { return false; }

class ClockTest : public testing::Test {
protected:
    ~ClockTest() override {
        gf_setDataTimeMode(false);
        gf_setRtDirectDataTime(0);
        gf_setRtAppDataTime(0);
        gf_installRtDirectReader(nullptr);
    }
    test_support::PinnedClock clock{kMon_10_29_29};
};

TEST_F(ClockTest, HalfHourSlotBorders) {
    const std::pair<std::int64_t, std::int32_t> cases[] = {
        {kMon_10_29_29 - (29 * 60 + 29), 20}, // 10:00:00
        {kMon_10_29_29, 20},
        {kMon_10_29_29 + 1, 21},            // 10:29:30: the odd slot starts half a minute early
        {kMon_10_29_29 + 30, 21},           // 10:29:59
        {kMon_10_29_29 + 30 * 60 + 30, 21}, // 10:59:59 stays in the odd slot
        {kMon_10_29_29 + 30 * 60 + 31, 22}, // 11:00:00
        {kMon_23_59_59, 47},
        {kMon_23_59_59 + 1, 0},                // midnight
        {kMon_23_59_59 + 1 + 29 * 60 + 29, 0}, // 00:29:29
        {kMon_23_59_59 + 1 + 29 * 60 + 30, 1}, // 00:29:30
    };
    for (const auto& [seconds, slot] : cases) {
        clock.set(seconds);
        EXPECT_EQ(gf_halfHourSlot(), slot) << seconds;
    }
}

TEST_F(ClockTest, CalendarOfUtcSeconds) {
    struct Case {
        std::int64_t seconds;
        UtcCalendar expected;
    };
    const Case cases[] = {
        {0, {1970, 1, 1, 0, 0, 0, 4}},
        {kThu_0229_07_05_09, {2024, 2, 29, 7, 5, 9, 4}},
        {kSun_0317_00_00_00, {2024, 3, 17, 0, 0, 0, 7}},
        {kLastConvertible, {3000, 12, 31, 23, 59, 59, 3}},
    };
    for (const auto& [seconds, expected] : cases) {
        const auto time = gf_utcCalendar(seconds);
        ASSERT_TRUE(time.has_value()) << seconds;
        EXPECT_EQ(std::tie(time->year, time->month, time->day, time->hour, time->minute, time->second, time->weekday),
                  std::tie(expected.year, expected.month, expected.day, expected.hour, expected.minute, expected.second,
                           expected.weekday))
            << seconds;
    }
    EXPECT_FALSE(gf_utcCalendar(-1).has_value());
    EXPECT_FALSE(gf_utcCalendar(kLastConvertible + 1).has_value());
}

TEST_F(ClockTest, UtcNowPrefersTheActiveSourcesDataTime) {
    struct Case {
        bool useDataTime;
        bool rtDirect;
        std::int64_t directTime;
        std::int64_t appTime;
        std::int64_t expected;
    };
    const Case cases[] = {
        {false, true, 5, 7, kMon_10_29_29}, // data time ignored when not asked for
        {true, true, 5, 7, 5},
        {true, false, 5, 7, 7},
        {true, true, 0, 7, kMon_10_29_29}, // the other source's time is never used
        {true, false, 5, 0, kMon_10_29_29},
    };
    for (const auto& c : cases) {
        gf_installRtDirectReader(c.rtDirect ? &rtDirectInUse : &rtAppInUse);
        gf_setRtDirectDataTime(c.directTime);
        gf_setRtAppDataTime(c.appTime);
        EXPECT_EQ(gf_utcNow(c.useDataTime), c.expected) << c.useDataTime << c.rtDirect << c.directTime << c.appTime;
    }
}

TEST_F(ClockTest, TimeTexts) {
    clock.set(kThu_0229_07_05_09);
    EXPECT_EQ(gf_timeText(), "07:05:09");
    EXPECT_EQ(gf_dateTimeText(), "29 Feb 2024 07:05Z");
    EXPECT_EQ(gf_dataTimeText(), "07:05:09");
    EXPECT_EQ(gf_dataTimeTextShort(), "07:05");

    gf_setRtDirectDataTime(kSun_0317_00_00_00 + 3600 + 2 * 60 + 3);
    gf_setDataTimeMode(true);
    EXPECT_EQ(gf_dataTimeText(), "<<< 01:02:03");
    EXPECT_EQ(gf_dataTimeTextShort(), "<<< 01:02");
    EXPECT_EQ(gf_timeText(), "07:05:09"); // the system clock's texts never take the data time
    EXPECT_EQ(gf_dateTimeText(), "29 Feb 2024 07:05Z");
}

TEST_F(ClockTest, CalendarFailureTexts) {
    clock.set(-1);
    EXPECT_EQ(gf_timeText(), "??:??:??");
    EXPECT_EQ(gf_dateTimeText(), "Invalid time");
    EXPECT_EQ(gf_halfHourSlot(), -1);
    EXPECT_EQ(gf_weekdayAndSlot(), 0xFFFF'FFFFu);
    gf_setDataTimeMode(true); // no data time yet: falls back to the failing system clock
    EXPECT_EQ(gf_dataTimeText(), "??:??:??");
    EXPECT_EQ(gf_dataTimeTextShort(), "??:??");
}

TEST_F(ClockTest, WeekdayAndSlotFollowTheDataTimeInDataTimeMode) {
    clock.set(kMon_10_29_29 + 1);
    EXPECT_EQ(gf_weekdayAndSlot(), (std::uint64_t{21} << 32) | 1u);
    gf_setRtDirectDataTime(kSun_0317_00_00_00 + 23 * 3600 + 45 * 60);
    EXPECT_EQ(gf_weekdayAndSlot(), (std::uint64_t{21} << 32) | 1u); // mode off: data time ignored
    gf_setDataTimeMode(true);
    EXPECT_EQ(gf_weekdayAndSlot(), (std::uint64_t{47} << 32) | 7u);
    EXPECT_EQ(gf_halfHourSlot(), 47);
}

TEST(ClockNames, WeekdayAndMonthNames) {
    const std::pair<std::int32_t, std::string_view> weekdays[] = {{0, "???"}, {1, "Mon"}, {3, "Wed"},
                                                                  {7, "Sun"}, {8, "???"}, {-1, "???"}};
    for (const auto& [n, name] : weekdays) {
        EXPECT_EQ(gf_weekdayName(n), name) << n;
    }
    const std::pair<std::int32_t, std::string_view> months[] = {{0, "???"}, {1, "Jan"},  {2, "Feb"},
                                                                {9, "Sep"}, {12, "Dec"}, {13, "???"}};
    for (const auto& [n, name] : months) {
        EXPECT_EQ(gf_monthName(n), name) << n;
    }
}

} // namespace
} // namespace kiv
