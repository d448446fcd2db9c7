#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "feeds/record_rules.h"

namespace kiv {
namespace {

TEST(IataCode, ParseTable) {
    const IataCode fra = gf_parseIataCode("fra");
    EXPECT_EQ(fra.key, 0x465241u);
    EXPECT_EQ(fra.text(), "FRA");
    EXPECT_EQ(gf_parseIataCode("A1Z").text(), "A1Z");
    for (const char* bad : {"", "FR", "FRAN", "F-A", "FR ",
                            "\xc3\xa4"
                            "A"}) {
        SCOPED_TRACE(bad);
        try {
            gf_parseIataCode(bad);
            ADD_FAILURE() << "accepted";
        } catch (const std::invalid_argument& error) {
            EXPECT_EQ(error.what(), fmt::format("'{}' IataCode: invalid string", bad));
        }
    }
}

// A missing route code is "null" or empty; only a malformed code that is there throws.
TEST(IataCode, NullAndEmptyRouteCodesAreNoCode) {
    EXPECT_EQ(lf_iataCodeOrNone("null").key, 0u);
    EXPECT_EQ(lf_iataCodeOrNone("").key, 0u);
    EXPECT_EQ(lf_iataCodeOrNone("zrh").text(), "ZRH");
    EXPECT_THROW(lf_iataCodeOrNone("ZR"), std::invalid_argument);
    EXPECT_THROW(lf_iataCodeOrNone("NULL"), std::invalid_argument);
}

TEST(Callsign, NormaliseTable) {
    const std::pair<const char*, const char*> cases[] = {
        {"DLH4AB", "DLH4AB"}, {"", ""},        {"null", ""},      {".AB", ""},
        {".ABC", "ABC"},      {"AB", ""},      {"ABC", "ABC"},    {"ABCDEFGH", "ABCDEFGH"},
        {"ABCDEFGHI", ""},    {"N@123", ""},   {"A00000", ""},    {"0000", "0000"},
        {"N00000", ""},       {"..AB", ".AB"}, {".ABCDEFGH", ""},
    };
    for (const auto& [in, out] : cases) {
        SCOPED_TRACE(in);
        EXPECT_EQ(lf_normaliseCallsign(in), out);
    }
}

TEST(AircraftType, AcceptanceTable) {
    struct Case {
        const char* type;
        const char* category;
        bool accepted;
    };
    const Case cases[] = {
        {"A320", "A3", true}, {"C2", "", true},     {"B77W", "", true},    {"", "", false},       {"null", "", false},
        {"0", "", false},     {"ZZZZ", "", false},  {"A320", "B2", false}, {"A320", "C1", false}, {"A320", "B3", true},
        {"GLID", "", false},  {"BALL", "", false},  {"TWR", "", false},    {"SF25", "", false},   {"B7478", "", false},
        {"A", "", false},     {"GND", "A1", false}, {"FOXY", "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + "/" + c.category);
        EXPECT_EQ(lf_isAcceptableType(c.type, c.category), c.accepted);
    }
}

TrafficBatch timedBatch(const std::vector<double>& timestamps) {
    TrafficBatch batch(timestamps.size());
    for (std::size_t i = 0; i < timestamps.size(); ++i) {
        batch[i].timestamp = timestamps[i];
    }
    return batch;
}

std::vector<std::int32_t> ticksOf(const TrafficBatch& batch) {
    std::vector<std::int32_t> ticks;
    for (const TrafficRecord& record : batch) {
        ticks.push_back(record.sample.deliveryTick);
    }
    return ticks;
}

TEST(DeliveryTicks, RecordsKeepTheirSpacingAroundTheMedian) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        std::vector<double> timestamps;
        std::int32_t base;
        std::int32_t seconds;
        std::vector<std::int32_t> ticks;
    };
    const Case cases[] = {
        {{100.0, 101.5, 99.0}, 1000, 6, {1600, 1750, 1500}},
        {{100.0, 102.0, 101.0, 104.0}, 0, 0, {-150, 50, -50, 250}}, // even count: mean of the middle two
        {{100.0, nan, 100.25}, 10, 30, {2997, 3010, 3023}},
        {{nan, nan}, 5, 1, {105, 105}},
        {{0.0, 5.0e7}, 0, 0, {std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()}},
        {{100.0}, std::numeric_limits<std::int32_t>::max(), 6, {std::numeric_limits<std::int32_t>::max()}},
    };
    for (const Case& c : cases) {
        TrafficBatch batch = timedBatch(c.timestamps);
        gf_setBatchDeliveryTicks(batch, c.base, c.seconds);
        EXPECT_EQ(ticksOf(batch), c.ticks);
    }
}

} // namespace
} // namespace kiv
