#include <vector>

#include <gtest/gtest.h>

#include "foundation/half_hour_slots.h"
#include "test_support/log_capture.h"

namespace kiv {
namespace {

SlotSet slotsOf(std::initializer_list<std::size_t> slots) {
    SlotSet set;
    for (const std::size_t slot : slots) {
        set.set(slot);
    }
    return set;
}

TEST(HalfHourSlots, Hours2BitsetWithItsLogLines) {
    struct Case {
        std::string_view text;
        SlotSet expected;
        std::vector<std::string> logLines;
    };
    const Case cases[] = {
        {"", {}, {}},
        {"3, 5,7", slotsOf({3, 5, 7}), {}},
        {"10:12", slotsOf({10, 11, 12}), {}},
        {" 4 : 4 ", slotsOf({4}), {}},
        {"0:47", SlotSet{}.set(), {}},
        {"7h", slotsOf({7}), {}},
        {"-0", slotsOf({0}), {}},
        {"\v9\f", slotsOf({9}), {}},
        {"12:10", {}, {"==> gf_hours2bitset descending range not allowed (12:10 in 12:10)"}},
        {"1:2:3", {}, {"==> gf_hours2bitset more than one colon char in: 1:2:3"}},
        {"1:2:", {}, {"==> gf_hours2bitset more than one colon char in: 1:2:"}},
        {"48", {}, {"==> operator () invalid hour '48' in 48"}},
        {"1,,2", slotsOf({1, 2}), {"==> operator () invalid hour '' in 1,,2"}},
        {"5,", slotsOf({5}), {"==> operator () invalid hour '' in 5,"}},
        {"-1, 2", slotsOf({2}), {"==> operator () invalid hour '-1' in -1, 2"}},
        {"+3", {}, {"==> operator () invalid hour '+3' in +3"}},
        {"99999999999,4", slotsOf({4}), {"==> operator () invalid hour '99999999999' in 99999999999,4"}},
        {"4294967300", {}, {"==> operator () invalid hour '4294967300' in 4294967300"}},
        {"x:3", {}, {"==> operator () invalid hour 'x' in x:3"}},
        {"2:48", {}, {"==> operator () invalid hour '48' in 2:48"}},
    };
    for (const auto& c : cases) {
        test_support::LogCapture log;
        EXPECT_EQ(gf_hours2bitset(c.text), c.expected) << c.text;
        EXPECT_EQ(log.lines(), c.logLines) << c.text;
    }
}

TEST(HalfHourSlots, Bitset2Hours) {
    const std::pair<SlotSet, std::optional<std::string>> cases[] = {
        {{}, std::nullopt},
        {slotsOf({10, 11, 12}), "10:12"},
        {slotsOf({5}), "5"},
        {slotsOf({0}), "0"},
        {slotsOf({47}), "47"},
        {SlotSet{}.set(), "0:47"},
        {slotsOf({1, 3}), std::nullopt},
        {slotsOf({0, 47}), std::nullopt},
    };
    for (const auto& [slots, text] : cases) {
        EXPECT_EQ(gf_bitset2hours(slots), text) << slots;
    }
}

TEST(HalfHourSlots, RunsSurviveTheRoundTrip) {
    for (std::size_t first = 0; first < kSlotsPerDay; ++first) {
        for (std::size_t last = first; last < kSlotsPerDay; ++last) {
            SlotSet run;
            for (std::size_t slot = first; slot <= last; ++slot) {
                run.set(slot);
            }
            const auto text = gf_bitset2hours(run);
            ASSERT_TRUE(text.has_value()) << first << ":" << last;
            EXPECT_EQ(gf_hours2bitset(*text), run) << *text;
        }
    }
}

} // namespace
} // namespace kiv
