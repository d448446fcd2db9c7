// The service's traffic and parked entries by array position, into the feeds' records.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "feeds/rtapi_records.h"
#include "feeds_fakes.h"
#include "settings/settings_reset.h"
#include "test_support/log_capture.h"
#include "type_database_fixture.h"

namespace kiv {
namespace {

using nlohmann::json;
namespace field = rtapi::traffic;

constexpr double kCentreLatitude = 50.0;
constexpr double kCentreLongitude = 8.0;

// An airliner 10 NM north of the centre at 10,000 ft, as the service sends it.
json airliner(const std::string& hexId = "3c6444") {
    json entry = json::array();
    for (std::size_t i = 0; i < rtapi::kTrafficEntrySize; ++i) {
        entry.push_back(nullptr);
    }
    entry[field::hexId] = hexId;
    entry[field::latitude] = kCentreLatitude + 10.0 / 60.0;
    entry[field::longitude] = kCentreLongitude;
    entry[field::track] = 181;
    entry[field::altitude] = 10000;
    entry[field::groundSpeed] = 250.5;
    entry[field::squawk] = "1000";
    entry[field::type] = "A320";
    entry[field::registration] = "D-AIAB";
    entry[field::timestamp] = 1733750000.4;
    entry[field::origin] = "FRA";
    entry[field::destination] = "ZRH";
    entry[field::callsign] = "DLH4AB";
    entry[field::verticalRate] = -640;
    entry[field::source] = "mlat";
    entry[field::trueAirspeed] = 300;
    entry[field::roll] = -3.5;
    entry[field::trueHeading] = 182.0;
    entry[field::category] = "A3";
    entry[field::airline] = "DLH";
    return entry;
}

class RTAPIRecordsTest : public testing::Test {
protected:
    RTAPIRecordsTest() {
        test_support::resetSettingsToDefaults();
        gf_publishTrafficSource(false); // RT Direct
        test_support::installFeedsTypeDatabase();
        context.centreLatitude = kCentreLatitude;
        context.centreLongitude = kCentreLongitude;
        context.cosCentreLatitude = std::cos(kCentreLatitude * 0.017453292519943295);
        context.settings = gf_settings();
        context.neighbours = &neighbours;
        context.reportIdentities = true;
        context.dropGroundSquawk = true;
    }
    ~RTAPIRecordsTest() override { test_support::resetSettingsToDefaults(); }

    RTAPIBatch fill(const json& data) {
        RTAPIBatch batch;
        lf_fillBatchFromReply(data, context, batch);
        return batch;
    }

    test_support::LogCapture log;
    ConversionContext context;
    test_support::FakeFeedsNeighbours neighbours;
};

TEST_F(RTAPIRecordsTest, AnEntryBecomesARecordWithItsFields) {
    const RTAPIBatch batch = fill({{"3c6444", airliner()}});
    ASSERT_EQ(batch.records.size(), 1U);
    const TrafficRecord& r = batch.records[0];
    EXPECT_EQ(r.hexId, 0x3c6444U);
    EXPECT_DOUBLE_EQ(r.timestamp, 1733750000.4);
    EXPECT_EQ(batch.latestTimestamp, 1733750000U);
    EXPECT_EQ(r.head.callsign, "DLH4AB");
    EXPECT_EQ(r.head.registration, "D-AIAB");
    EXPECT_EQ(r.head.route.origin.text(), "FRA");
    EXPECT_EQ(r.head.route.destination.text(), "ZRH");
    EXPECT_DOUBLE_EQ(r.sample.groundSpeedKt, 250.5);
    EXPECT_DOUBLE_EQ(r.sample.trackDeg, 181.0);
    EXPECT_DOUBLE_EQ(r.sample.verticalRateFpm, -640.0);
    EXPECT_DOUBLE_EQ(r.sample.trueAirspeedKt, 300.0);
    ASSERT_TRUE(r.sample.bankRad);
    EXPECT_NEAR(*r.sample.bankRad, 3.5 * 0.017453292519943295, 1e-12);
    EXPECT_EQ(batch.received.hexIds.count(0x3c6444U), 1U);
    EXPECT_EQ(batch.received.callsigns.at("DLH4AB"), 0x3c6444U);
}

TEST_F(RTAPIRecordsTest, EntriesOfTheWrongShapeOrWithoutTheirKeysAreSkipped) {
    struct Case {
        const char* what;
        std::function<void(json&)> change;
        bool kept;
    };
    const std::vector<Case> cases = {
        {"48 elements", [](json& e) { e.erase(e.size() - 1); }, false},
        {"50 elements", [](json& e) { e.push_back(1); }, false},
        {"timestamp as a string", [](json& e) { e[field::timestamp] = "1733750000"; }, false},
        {"timestamp 0", [](json& e) { e[field::timestamp] = 0; }, false},
        {"timestamp 2^63", [](json& e) { e[field::timestamp] = 9223372036854775808.0; }, false},
        {"timestamp as an unsigned integer", [](json& e) { e[field::timestamp] = 1733750000U; }, true},
        {"hex id lower case", [](json& e) { e[field::hexId] = "abcdef"; }, true},
        {"hex id upper case", [](json& e) { e[field::hexId] = "ABCDEF"; }, true},
        {"hex id empty", [](json& e) { e[field::hexId] = ""; }, false},
        {"hex id with a non-hex character", [](json& e) { e[field::hexId] = "3c64g4"; }, false},
        {"hex id of nine digits", [](json& e) { e[field::hexId] = "13c644400"; }, false},
        {"hex id as a number", [](json& e) { e[field::hexId] = 3952708; }, false},
        {"hex id with a sign", [](json& e) { e[field::hexId] = "+3c6444"; }, false},
    };
    for (const Case& c : cases) {
        json entry = airliner();
        c.change(entry);
        const RTAPIBatch batch = fill({{"x", entry}});
        EXPECT_EQ(batch.records.size(), c.kept ? 1U : 0U) << c.what;
    }
}

TEST_F(RTAPIRecordsTest, FractionalTimestampRoundsToTheNearestSecond) {
    json entry = airliner();
    entry[field::timestamp] = 1733750000.5;
    EXPECT_EQ(fill({{"a", entry}}).latestTimestamp, 1733750001U);
}

TEST_F(RTAPIRecordsTest, MissingNumbersAndTextsTakeTheirDefaults) {
    json entry = airliner();
    entry[field::trueAirspeed] = nullptr; // estimated from the altitude
    entry[field::verticalRate] = "fast";
    entry[field::squawk] = 1000;
    const RTAPIBatch batch = fill({{"a", entry}});
    ASSERT_EQ(batch.records.size(), 1U);
    EXPECT_GT(batch.records[0].sample.trueAirspeedKt, 0.0);
    EXPECT_NE(batch.records[0].sample.trueAirspeedKt, 300.0);
    EXPECT_DOUBLE_EQ(batch.records[0].sample.verticalRateFpm, 0.0);
}

TEST_F(RTAPIRecordsTest, RouteNullIsNoCodeAndATwoCharacterCodeIsLogged) {
    json noRoute = airliner();
    noRoute[field::origin] = "null";
    const RTAPIBatch kept = fill({{"a", noRoute}});
    ASSERT_EQ(kept.records.size(), 1U);
    EXPECT_EQ(kept.records[0].head.route.origin.key, 0U);

    json shortCode = airliner();
    shortCode[field::destination] = "ZR";
    EXPECT_TRUE(fill({{"a", shortCode}}).records.empty());
    const auto lines = log.lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "parseTrafficRecord: 'ZR' IataCode: invalid string");
}

TEST_F(RTAPIRecordsTest, DataThatIsNoObjectOrNoSettingsGiveAnEmptyBatch) {
    EXPECT_TRUE(fill(json::array({airliner()})).records.empty());
    EXPECT_TRUE(fill(nullptr).records.empty());
    context.settings = nullptr;
    EXPECT_TRUE(fill({{"a", airliner()}}).records.empty());
}

TEST_F(RTAPIRecordsTest, ParkedEntriesAreNamedByTheirHexId) {
    const json parkedEntry = {50.0301, 8.5601, "V155", "A320", "D-AIAB", 1733750000.6, "DLH4AB"};
    const json data = {
        {"3c6444", parkedEntry},
        {"3C6445", {50.0302, 8.5602, "", "A320", "D-AIAC", 1733750000, "DLH5CD"}},
        {"zz6444", parkedEntry},                                                // not hexadecimal
        {"3c6446", {50.0303, 8.5603, "V156", "A320", "D-AIAD", 1733750000}},    // six elements
        {"3c6447", {50.0303, 8.5603, "V157", "A320", "D-AIAE", "1733750000", "DLH7"}}, // text timestamp
        {"3c6448", json::object()},
    };
    const std::vector<ParkedRecord> records = lf_fillParkedFromReply(data, neighbours);
    ASSERT_EQ(records.size(), 2U);
    EXPECT_EQ(records[0].hexId, 0x3c6445U); // members in name order: upper case first
    EXPECT_EQ(records[1].hexId, 0x3c6444U);
    EXPECT_EQ(records[1].stand, "V155");
    EXPECT_EQ(records[1].head.callsign, "DLH4AB");
    EXPECT_DOUBLE_EQ(records[1].latitude, 50.0301);
    EXPECT_TRUE(lf_fillParkedFromReply(json::array(), neighbours).empty());
}

} // namespace
} // namespace kiv
