#include <cmath>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "feeds/record_conversion.h"
#include "feeds_fakes.h"
#include "models/interned_codes.h"
#include "settings/settings_reset.h"
#include "test_support/pinned_clock.h"
#include "type_database_fixture.h"

namespace kiv {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kCentreLatitude = 50.0;
constexpr double kCentreLongitude = 8.0;

class ConversionTest : public testing::Test {
protected:
    ConversionTest() {
        test_support::resetSettingsToDefaults();
        gf_publishTrafficSource(true); // the RT App road
        test_support::installFeedsTypeDatabase();
        context.centreLatitude = kCentreLatitude;
        context.centreLongitude = kCentreLongitude;
        context.cosCentreLatitude = std::cos(kCentreLatitude * kPi / 180.0);
        context.settings = gf_settings();
        context.neighbours = &neighbours;
    }
    ~ConversionTest() override { test_support::resetSettingsToDefaults(); }

    // An airliner 10 NM north of the centre at 10,000 ft.
    static TrafficFields airborne() {
        TrafficFields f;
        f.timestamp = 1733750000.4;
        f.hexId = 0x3c6444;
        f.latitude = kCentreLatitude + 10.0 / 60.0;
        f.longitude = kCentreLongitude;
        f.altitudeFt = 10000.0;
        f.verticalRateFpm = -640.0;
        f.trackDeg = 181.0;
        f.groundSpeedKt = 250.0;
        f.callsign = "DLH4AB";
        f.type = "A320";
        f.registration = "D-AIAB";
        f.origin = "FRA";
        f.destination = "zrh";
        f.source = "mlat";
        return f;
    }
    // Taxiing 1 NM from the park airport (at the centre).
    TrafficFields onGround() {
        neighbours.setParkAirport({"EDDF", kCentreLatitude, kCentreLongitude});
        TrafficFields f = airborne();
        f.latitude = kCentreLatitude + 1.0 / 60.0;
        f.altitudeFt = 0.0;
        f.groundSpeedKt = 12.0;
        return f;
    }
    TrafficConversionResult convert(const TrafficFields& f) { return lf_convertTrafficRecord(context, f); }

    ConversionContext context;
    test_support::FakeFeedsNeighbours neighbours;
};

TEST_F(ConversionTest, AcceptedRecordCarriesEveryField) {
    const TrafficConversionResult result = convert(airborne());
    EXPECT_EQ(result.timestamp, 1733750000u);
    ASSERT_TRUE(result.record);
    const TrafficRecord& r = *result.record;
    EXPECT_EQ(gf_airlineCode(r.head.liveryKey.airlineId), "DLH"); // from the callsign
    EXPECT_EQ(gf_modelCode(r.head.liveryKey.modelId), "A320");
    EXPECT_EQ(r.head.liveryKey.cargo, 0);
    EXPECT_EQ(r.head.route.origin.text(), "FRA");
    EXPECT_EQ(r.head.route.destination.text(), "ZRH");
    EXPECT_EQ(r.head.callsign, "DLH4AB");
    EXPECT_EQ(r.head.registration, "D-AIAB");
    EXPECT_EQ(r.hexId, 0x3c6444u);
    EXPECT_DOUBLE_EQ(r.timestamp, 1733750000.4);
    EXPECT_DOUBLE_EQ(r.sample.altitudeFt, 10000.0);
    EXPECT_EQ(r.sample.airborne, 1);
    EXPECT_DOUBLE_EQ(r.sample.trackDeg, 181.0);
    EXPECT_DOUBLE_EQ(r.sample.verticalRateFpm, -640.0);
    EXPECT_DOUBLE_EQ(r.sample.trueAirspeedKt, 250.0); // estimated at 10,000 ft
    EXPECT_FALSE(r.sample.trueHeadingRad);
    EXPECT_EQ(r.sample.trueHeadingValid, 0);
    EXPECT_FALSE(result.identity); // identities only when the context asks
}

// Each row changes the good record (and maybe the context) and says what must come out.
TEST_F(ConversionTest, RuleTable) {
    struct Case {
        const char* name;
        std::function<void(TrafficFields&, ConversionContext&, test_support::FakeFeedsNeighbours&)> change;
        std::function<void(const TrafficConversionResult&)> check;
    };
    const auto none = [](const TrafficConversionResult& r) { EXPECT_FALSE(r.record); };
    const auto some = [](const TrafficConversionResult& r) { EXPECT_TRUE(r.record); };
    const auto modelIs = [](const char* code, std::uint8_t cargo) {
        return [=](const TrafficConversionResult& r) {
            ASSERT_TRUE(r.record);
            EXPECT_EQ(gf_modelCode(r.record->head.liveryKey.modelId), code);
            EXPECT_EQ(r.record->head.liveryKey.cargo, cargo);
        };
    };
    const auto headingIs = [](std::optional<double> heading) {
        return [=](const TrafficConversionResult& r) {
            ASSERT_TRUE(r.record);
            EXPECT_EQ(r.record->sample.trueHeadingRad, heading);
            EXPECT_EQ(r.record->sample.trueHeadingValid, heading ? 1 : 0);
        };
    };
    const auto sample = [](std::function<void(const StreamSample&)> check) {
        return [=](const TrafficConversionResult& r) {
            ASSERT_TRUE(r.record);
            check(r.record->sample);
        };
    };
    using F = TrafficFields;
    using C = ConversionContext;
    using N = test_support::FakeFeedsNeighbours;
    const Case cases[] = {
        {"out of range: timestamp only", [](F& f, C&, N&) { f.latitude += 1.0; },
         [](const TrafficConversionResult& r) {
             EXPECT_FALSE(r.record);
             EXPECT_EQ(r.timestamp, 1733750000u);
         }},
        {"no settings: nothing", [](F&, C& c, N&) { c.settings.reset(); },
         [](const TrafficConversionResult& r) { EXPECT_EQ(r.timestamp, 0u); }},
        {"hex id 10000 is a static id", [](F& f, C&, N&) { f.hexId = 10000; }, none},
        {"hex id 10001", [](F& f, C&, N&) { f.hexId = 10001; }, some},
        {"airline code of the feed wins over the callsign", [](F& f, C&, N&) { f.airline = "EWG"; },
         [](const TrafficConversionResult& r) {
             ASSERT_TRUE(r.record);
             EXPECT_EQ(gf_airlineCode(r.record->head.liveryKey.airlineId), "EWG");
         }},
        {"B777 of a cargo operator is the freighter",
         [](F& f, C&, N&) {
             f.type = "B777";
             f.callsign = "FDX12";
         },
         modelIs("B77F", 1)},
        {"B777 of a passenger airline stays", [](F& f, C&, N&) { f.type = "B777"; }, modelIs("B777", 0)},
        {"fixed type", [](F& f, C&, N&) { f.type = "A32O"; }, modelIs("A320", 0)},
        {"surface category", [](F& f, C&, N&) { f.category = "B2"; }, none},
        {"glider", [](F& f, C&, N&) { f.type = "GLID"; }, none},
        {"five-character type", [](F& f, C&, N&) { f.type = "A320N"; }, none},
        {"true heading 0 is north",
         [](F& f, C&, N&) {
             f.source = "adsb_icao";
             f.trueHeadingDeg = 0.0;
         },
         headingIs(2.0 * kPi)},
        {"true heading 360",
         [](F& f, C&, N&) {
             f.source = "adsb_icao";
             f.trueHeadingDeg = 360.0;
         },
         headingIs(2.0 * kPi)},
        {"true heading 90",
         [](F& f, C&, N&) {
             f.source = "adsb_icao";
             f.trueHeadingDeg = 90.0;
         },
         headingIs(kPi / 2.0)},
        {"negative true heading is none",
         [](F& f, C&, N&) {
             f.source = "adsb_icao";
             f.trueHeadingDeg = -1.0;
         },
         headingIs(std::nullopt)},
        {"true heading of another source is ignored", [](F& f, C&, N&) { f.trueHeadingDeg = 400.0; },
         headingIs(std::nullopt)},
        {"track 0 takes the true heading",
         [](F& f, C&, N&) {
             f.source = "adsb_icao";
             f.trueHeadingDeg = 90.0;
             f.trackDeg = 0.0;
         },
         sample([](const StreamSample& s) { EXPECT_NEAR(s.trackDeg, 90.0, 1e-9); })},
        {"airborne without speed", [](F& f, C&, N&) { f.groundSpeedKt = 0.0; }, none},
        {"hovering helicopter",
         [](F& f, C&, N&) {
             f.groundSpeedKt = 0.0;
             f.type = "EC35";
         },
         some},
        {"neither callsign nor registration",
         [](F& f, C&, N&) {
             f.callsign = "null";
             f.registration = "AB";
         },
         none},
        {"registration only", [](F& f, C&, N&) { f.callsign = ""; }, some},
        {"registration 13 characters long is none", [](F& f, C&, N&) { f.registration = "ABCDEFGHIJKLM"; },
         [](const TrafficConversionResult& r) {
             ASSERT_TRUE(r.record);
             EXPECT_EQ(r.record->head.registration, "");
         }},
        {"origin null and empty destination are no codes",
         [](F& f, C&, N&) {
             f.origin = "null";
             f.destination = "";
         },
         [](const TrafficConversionResult& r) {
             ASSERT_TRUE(r.record);
             EXPECT_EQ(r.record->head.route.origin.key, 0u);
             EXPECT_EQ(r.record->head.route.destination.key, 0u);
         }},
        {"bank from the roll", [](F& f, C&, N&) { f.rollDeg = 10.0; },
         sample([](const StreamSample& s) { EXPECT_DOUBLE_EQ(*s.bankRad, -10.0 * kPi / 180.0); })},
        {"roll beyond 90 is no bank", [](F& f, C&, N&) { f.rollDeg = 95.0; },
         sample([](const StreamSample& s) { EXPECT_FALSE(s.bankRad); })},
        {"unknown roll is no bank", [](F& f, C&, N&) { f.rollDeg = -1.0; },
         sample([](const StreamSample& s) { EXPECT_FALSE(s.bankRad); })},
        {"true airspeed estimated at 4,000 ft", [](F& f, C&, N&) { f.altitudeFt = 4000.0; },
         sample([](const StreamSample& s) { EXPECT_DOUBLE_EQ(s.trueAirspeedKt, 220.0); })},
        {"true airspeed estimated at 25,000 ft", [](F& f, C&, N&) { f.altitudeFt = 25000.0; },
         sample([](const StreamSample& s) { EXPECT_DOUBLE_EQ(s.trueAirspeedKt, 430.0); })},
        {"true airspeed of the feed is kept", [](F& f, C&, N&) { f.trueAirspeedKt = 312.0; },
         sample([](const StreamSample& s) { EXPECT_DOUBLE_EQ(s.trueAirspeedKt, 312.0); })},
        {"vertical rate not finite is 0",
         [](F& f, C&, N&) { f.verticalRateFpm = std::numeric_limits<double>::infinity(); },
         sample([](const StreamSample& s) { EXPECT_DOUBLE_EQ(s.verticalRateFpm, 0.0); })},
        {"blocked callsign",
         [](F&, C& c, N&) {
             auto settings = std::make_shared<SettingsSnapshot>(*c.settings);
             settings->block = {"DLH4AB,D-AIAB,3c6444", "DLH4AB", "D-AIAB", 0x3c6444, false};
             c.settings = settings;
         },
         none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TrafficFields fields = airborne();
        ConversionContext ctx = context;
        c.change(fields, ctx, neighbours);
        c.check(lf_convertTrafficRecord(ctx, fields));
    }
}

TEST_F(ConversionTest, GroundRecordsOnlyNearTheParkAirport) {
    TrafficFields fields = onGround();
    EXPECT_TRUE(convert(fields).record);
    fields.latitude = kCentreLatitude + 5.1 / 60.0;
    EXPECT_FALSE(convert(fields).record);
    fields.latitude = kCentreLatitude + 4.9 / 60.0;
    EXPECT_TRUE(convert(fields).record);
    neighbours.setParkAirport({});
    EXPECT_FALSE(convert(fields).record);
}

TEST_F(ConversionTest, GroundSquawkDroppedOnlyWhenTheContextAsks) {
    TrafficFields fields = onGround();
    fields.squawk = "0000";
    EXPECT_TRUE(convert(fields).record);
    context.dropGroundSquawk = true;
    EXPECT_FALSE(convert(fields).record);
    fields.squawk = "1000";
    EXPECT_TRUE(convert(fields).record);
}

TEST_F(ConversionTest, IdentitiesReportedBeforeOrAfterTheIdentityChecks) {
    TrafficFields noIdentity = airborne();
    noIdentity.callsign = "";
    noIdentity.registration = "";
    context.reportIdentities = true;
    context.identitiesBeforeChecks = true;
    TrafficConversionResult early = convert(noIdentity);
    EXPECT_FALSE(early.record);
    ASSERT_TRUE(early.identity);
    EXPECT_EQ(early.identity->hexId, 0x3c6444u);

    context.identitiesBeforeChecks = false;
    EXPECT_FALSE(convert(noIdentity).identity);
    const TrafficConversionResult late = convert(airborne());
    ASSERT_TRUE(late.identity);
    EXPECT_EQ(late.identity->callsign, "DLH4AB");
}

TEST_F(ConversionTest, ThrowsForBadTimestampPositionHeadingAndRouteCode) {
    struct Case {
        std::function<void(TrafficFields&)> change;
        const char* message;
    };
    const Case cases[] = {
        {[](TrafficFields& f) {
             f.latitude = 0.00005;
             f.longitude = -0.00009;
         },
         "invalid lalo: 0.000050,-0.000090"},
        {[](TrafficFields& f) { f.latitude = 90.5; }, "invalid lalo: 90.500000,8.000000"},
        {[](TrafficFields& f) { f.timestamp = 0.0; }, "timestamp outside range: 0.000"},
        {[](TrafficFields& f) { f.timestamp = -2.5; }, "timestamp outside range: -2.500"},
        {[](TrafficFields& f) { f.timestamp = std::nan(""); }, "timestamp outside range: nan"},
        {[](TrafficFields& f) {
             f.source = "adsb_icao";
             f.trueHeadingDeg = 360.5;
         },
         "true heading: 360.50"},
        {[](TrafficFields& f) { f.origin = "FR"; }, "'FR' IataCode: invalid string"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        TrafficFields fields = airborne();
        c.change(fields);
        try {
            convert(fields);
            ADD_FAILURE() << "no exception";
        } catch (const std::exception& error) {
            EXPECT_EQ(std::string(error.what()), c.message);
        }
    }
}

TEST_F(ConversionTest, AltitudeCorrectionBlendsLowAndHighValues) {
    context.qnh = 1023; // d = 292.5 ft
    UserAircraftState user;
    user.altitudeFt = 5100.0;
    user.indicatedAltitudeFt = 5000.0; // the high value gains 100 ft
    neighbours.setUser(user);
    struct Case {
        bool rtDirect;
        double altitude;
        double expected;
    };
    const Case cases[] = {
        {false, 16000.0, 16000.0},                                   // only the low value
        {false, 20000.0, 20000.0 - 292.5 + 100.0},                   // only the high value
        {false, 18000.0, 18000.0 * 0.75 + (18000.0 - 192.5) * 0.25}, // w = 0.5, the high value weighs 0.25
        {true, 16000.0, 16292.5},                                    // RT Direct: the low value is corrected
        {true, 20000.0, 20100.0},
        {false, -50.0, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.altitude);
        gf_publishTrafficSource(!c.rtDirect);
        EXPECT_NEAR(lf_correctAltitude(c.altitude, 250.0, context), c.expected, 1e-9);
    }
}

TEST_F(ConversionTest, LowAircraftNearTheParkElevationAreOnTheGround) {
    context.parkElevationFt = 1000.0;
    struct Case {
        double altitude;
        double speed;
        double expected;
    };
    const Case cases[] = {
        {1090.0, 30.0, 0.0},                              // 90 ft at taxi speed
        {1091.0, 30.0, 1091.0},                           // above the 90 ft threshold
        {1060.0, 81.5, 0.0},                              // threshold (120 - 81.5) / 77 x 45 + 45 = 67.5
        {1070.0, 81.5, 1070.0}, {1010.0, 130.0, 1010.0},  // fast: only at or below the elevation
        {990.0, 130.0, 0.0},    {15000.0, 10.0, 15000.0}, // too high for the test
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.altitude);
        EXPECT_DOUBLE_EQ(lf_correctAltitude(c.altitude, c.speed, context), c.expected);
    }
}

class ParkedConversionTest : public ConversionTest {
protected:
    static ParkedFields parked() {
        ParkedFields f;
        f.hexId = 0x3c6444;
        f.latitude = 50.03;
        f.longitude = 8.57;
        f.timestamp = 1733745600 + 12 * 3600 + 10 * 60; // 12:10 UTC
        f.callsign = "DLH4AB";
        f.type = "A320";
        f.registration = "D-AIXX";
        f.stand = "V101";
        return f;
    }
    std::optional<ParkedRecord> convert(const ParkedFields& f) { return lf_convertParkedRecord(f, neighbours); }
};

TEST_F(ParkedConversionTest, RuleTable) {
    struct Case {
        const char* name;
        std::function<void(ParkedFields&, test_support::FakeFeedsNeighbours&)> change;
        std::function<void(const std::optional<ParkedRecord>&)> check;
    };
    const auto none = [](const std::optional<ParkedRecord>& r) { EXPECT_FALSE(r); };
    const auto slotIs = [](std::int32_t slot) {
        return [=](const std::optional<ParkedRecord>& r) {
            ASSERT_TRUE(r);
            EXPECT_EQ(r->slot, slot);
        };
    };
    const std::int64_t midnight = 1733702400; // 2024-12-09 00:00:00 UTC
    using F = ParkedFields;
    using N = test_support::FakeFeedsNeighbours;
    const Case cases[] = {
        {"the good record", [](F&, N&) {},
         [](const std::optional<ParkedRecord>& r) {
             ASSERT_TRUE(r);
             EXPECT_EQ(r->stand, "V101");
             EXPECT_EQ(r->hexId, 0x3c6444u);
             EXPECT_EQ(gf_airlineCode(r->head.liveryKey.airlineId), "DLH");
             EXPECT_EQ(gf_modelCode(r->head.liveryKey.modelId), "A320");
         }},
        {"static hex id", [](F& f, N&) { f.hexId = 10000; }, none},
        {"no time", [](F& f, N&) { f.timestamp = 0; }, none},
        {"no type", [](F& f, N&) { f.type = ""; }, none},
        {"unknown type", [](F& f, N&) { f.type = "ZZZ9"; }, none},
        {"12:29:29 is slot 24", [=](F& f, N&) { f.timestamp = midnight + 12 * 3600 + 29 * 60 + 29; }, slotIs(24)},
        {"12:29:30 is slot 25", [=](F& f, N&) { f.timestamp = midnight + 12 * 3600 + 29 * 60 + 30; }, slotIs(25)},
        {"23:59:59 is slot 47", [=](F& f, N&) { f.timestamp = midnight + 86399; }, slotIs(47)},
        {"known registration gives the key and the callsign",
         [](F& f, N&) {
             f.registration = "D-AIAB";
             f.callsign = "";
             f.type = "ZZZ9"; // the table's model wins
         },
         [](const std::optional<ParkedRecord>& r) {
             ASSERT_TRUE(r);
             EXPECT_EQ(r->head.callsign, "D-AIAB");
             EXPECT_EQ(r->head.liveryKey.present, 1);
             EXPECT_EQ(gf_modelCode(r->head.liveryKey.modelId), "A320");
         }},
        {"callsign found as registration: operator as airline",
         [](F& f, N&) {
             f.registration = "null";
             f.callsign = "HBJNA";
         },
         [](const std::optional<ParkedRecord>& r) {
             ASSERT_TRUE(r);
             EXPECT_EQ(r->head.registration, "HBJNA");
             EXPECT_EQ(gf_airlineCode(r->head.liveryKey.airlineId), "EDW");
         }},
        {"B777 of a cargo operator",
         [](F& f, N&) {
             f.type = "B777";
             f.callsign = "FDX12";
         },
         [](const std::optional<ParkedRecord>& r) {
             ASSERT_TRUE(r);
             EXPECT_EQ(gf_modelCode(r->head.liveryKey.modelId), "B77F");
             EXPECT_EQ(r->head.liveryKey.cargo, 1);
         }},
        {"size class switched off", [](F&, N& n) { n.excludeSizeClass(SizeClass::Large); }, none},
        {"the user's reserved stand", [](F&, N& n) { n.setReservedStand("V101"); }, none},
        {"the stand the user stands at",
         [](F&, N& n) {
             UserAircraftState user;
             user.latitude = 50.04;
             user.longitude = 8.58;
             n.setUser(user);
             n.setStandAt(50.04, 8.58, "V101");
         },
         none},
        {"no stand text",
         [](F& f, N& n) {
             f.stand = "";
             n.setReservedStand("");
         },
         [](const std::optional<ParkedRecord>& r) { EXPECT_TRUE(r); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test_support::FakeFeedsNeighbours fresh;
        ParkedFields fields = parked();
        c.change(fields, fresh);
        c.check(lf_convertParkedRecord(fields, fresh));
    }
}

TEST_F(ParkedConversionTest, BadPositionThrows) {
    ParkedFields fields = parked();
    fields.latitude = 0.0;
    fields.longitude = 0.0;
    EXPECT_THROW(
        {
            try {
                convert(fields);
            } catch (const std::runtime_error& error) {
                EXPECT_STREQ(error.what(), "lalo: 0.000000,0.000000");
                throw;
            }
        },
        std::runtime_error);
}

} // namespace
} // namespace kiv
