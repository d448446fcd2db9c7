#include <cmath>
#include <stdexcept>

#include <gtest/gtest.h>

#include "traffic/aircraft_text.h"
#include "traffic/batch_intake.h"
#include "traffic_fakes.h"

namespace kiv {
namespace {

using test_support::FakeModels;
using test_support::SettingsGuard;

TrafficRecordHead headOf(std::uint16_t modelId) {
    TrafficRecordHead head;
    head.liveryKey.modelId = modelId;
    head.callsign = "DLH4AB";
    head.registration = "D-AIAB";
    return head;
}

TEST(AircraftInfo, RadiusFollowsHalfSpanWithinItsBounds) {
    struct Case {
        const char* name;
        std::uint16_t modelId;
        double spanMetres; // < 0: no entry
        double radiusMetres;
    };
    const Case cases[] = {
        {"no wingspan", 1, -1.0, 18.0},      {"zero wingspan", 1, 0.0, 18.0},        {"35 m span", 1, 35.0, 43.5},
        {"80 m span clamps", 1, 80.0, 65.0}, {"beyond the table", 2700, -1.0, 18.0},
    };
    for (const Case& c : cases) {
        FakeModels models;
        models.codes[2700] = "A388";
        if (c.spanMetres >= 0.0) {
            models.halfSpans[c.modelId] = c.spanMetres * 0.5 / 1852.0;
        }
        const AircraftInfo info = gf_makeAircraftInfo(models, headOf(c.modelId));
        EXPECT_NEAR(info.radiusNm * 1852.0, c.radiusMetres, 1e-9) << c.name;
        EXPECT_NEAR(info.outerRadiusNm, 1.25 * info.radiusNm, 1e-12) << c.name;
        EXPECT_EQ(info.halfSpanNm, info.conflictHalfSpanNm) << c.name;
    }
}

TEST(AircraftInfo, ThirtyFiveMetreSpanGivesTheDocumentedNauticalMiles) {
    FakeModels models;
    models.halfSpans[1] = 35.0 * 0.5 / 1852.0;
    const AircraftInfo info = gf_makeAircraftInfo(models, headOf(1));
    EXPECT_NEAR(info.halfSpanNm, 0.00945, 5e-6);
    EXPECT_NEAR(info.radiusNm, 0.02349, 5e-6);
    EXPECT_NEAR(info.outerRadiusNm, 0.02936, 5e-6);
}

TEST(AircraftInfo, ClassAndTypeFlags) {
    struct Case {
        std::uint16_t modelId;
        SizeClass sizeClass;
        std::uint8_t jet, regional, pistonTwin, lightSingle;
        double cgFt;
    };
    // 1 A320 Large, 2 C172 Light, 3 BE58 TwoProps, 4 CRJ9 Large regional, 5 EC35 Rotorcraft
    const Case cases[] = {
        {1, SizeClass::Large, 1, 0, 0, 0, 8.0},      {2, SizeClass::Light, 0, 0, 0, 1, 3.0},
        {3, SizeClass::TwoProps, 0, 0, 1, 0, 5.0},   {4, SizeClass::Large, 1, 1, 0, 0, 8.0},
        {5, SizeClass::Rotorcraft, 0, 0, 0, 0, 4.0},
    };
    FakeModels models;
    for (const Case& c : cases) {
        const AircraftInfo info = gf_makeAircraftInfo(models, headOf(c.modelId));
        EXPECT_EQ(info.sizeClass, c.sizeClass) << c.modelId;
        EXPECT_EQ(info.isJet, c.jet) << c.modelId;
        EXPECT_EQ(info.isRegional, c.regional) << c.modelId;
        EXPECT_EQ(info.isPistonTwin, c.pistonTwin) << c.modelId;
        EXPECT_EQ(info.isLightSingle, c.lightSingle) << c.modelId;
        EXPECT_EQ(info.classDistance, c.cgFt) << c.modelId;
    }
}

TEST(AircraftInfo, AnglesAreVariedWithinTheirPercentAndStoredInRadians) {
    FakeModels models;
    const double degToRad = 3.14159265358979323846 / 180.0;
    for (int i = 0; i < 20; ++i) {
        const AircraftInfo info = gf_makeAircraftInfo(models, headOf(1)); // Large: -6.0, -16.5, 0.07
        const double angle1 = info.classAngle1Rad / degToRad;
        const double angle2 = info.classAngle2Rad / degToRad;
        EXPECT_TRUE(std::fabs(angle1 - -6.15) < 1e-9 || std::fabs(angle1 - -5.85) < 1e-9) << angle1;
        EXPECT_TRUE(std::fabs(angle2 - -17.325) < 1e-9 || std::fabs(angle2 - -15.675) < 1e-9) << angle2;
        EXPECT_NEAR(info.classRateRad, 0.07 * degToRad, 1e-15);
        EXPECT_EQ(info.classValue2, 350u);
    }
}

TEST(AircraftInfo, SizeClassOutsideTheTableIsRefused) {
    FakeModels models;
    models.classes[1] = static_cast<SizeClass>(7);
    EXPECT_THROW(gf_makeAircraftInfo(models, headOf(1)), std::out_of_range);
}

TEST(AircraftInfo, LiveClassValuesComeFromTheLiveTables) {
    FakeModels models;
    AircraftInfo info = gf_makeAircraftInfo(models, headOf(4)); // Large
    gf_setLiveClassValues(info);
    EXPECT_EQ(info.liveFactor, 0.6);
    EXPECT_EQ(info.liveRate, 3.0);
    EXPECT_EQ(info.liveRateCopy, info.classRateRad);
}

TEST(SizeClassFilter, FollowsTheSettingsOfTheFourSwitchableClasses) {
    SettingsGuard guard;
    gf_updateSettings([](SettingsSnapshot& s) {
        s.lightAircraft = false;
        s.twoProps = false;
        s.highPerfAircraft = false;
        s.helicopters = false;
    });
    for (std::uint32_t c = 0; c <= 8; ++c) {
        const bool expected = c >= 2 && c <= 4;
        EXPECT_EQ(gf_isSizeClassIncluded(static_cast<SizeClass>(c)), expected) << c;
    }
    gf_updateSettings([](SettingsSnapshot& s) {
        s.lightAircraft = true;
        s.helicopters = true;
    });
    EXPECT_TRUE(gf_isSizeClassIncluded(SizeClass::Light));
    EXPECT_TRUE(gf_isSizeClassIncluded(SizeClass::Rotorcraft));
    EXPECT_FALSE(gf_isSizeClassIncluded(SizeClass::TwoProps));
}

TEST(AircraftNames, SituationAndStateNames) {
    EXPECT_EQ(gf_flightSituationName(FlightSituation::pushing_back), "pushing_back");
    EXPECT_EQ(gf_flightSituationName(FlightSituation::landing_roll), "landing_roll");
    EXPECT_EQ(gf_flightSituationName(FlightSituation::birth), "birth");
    EXPECT_EQ(gf_simStateName(SimState::adding2sim), "adding2sim");
    EXPECT_EQ(gf_simStateName(SimState::removingfromsim), "removingfromsim");
    EXPECT_THROW(gf_flightSituationName(static_cast<FlightSituation>(11)), std::out_of_range);
    EXPECT_THROW(gf_flightSituationName(static_cast<FlightSituation>(-1)), std::out_of_range);
    EXPECT_THROW(gf_simStateName(static_cast<SimState>(5)), std::out_of_range);
}

IataCode iata(const char* text) {
    IataCode code;
    code.chars[0] = text[0];
    code.chars[1] = text[1];
    code.chars[2] = text[2];
    code.key = (static_cast<std::uint32_t>(text[0]) << 16) | (static_cast<std::uint32_t>(text[1]) << 8) |
               static_cast<std::uint32_t>(text[2]);
    return code;
}

TEST(AircraftText, TextForms) {
    FakeModels models;
    gf_installModelCodeNames(&models);
    Route empty;
    Route fraJfk{iata("FRA"), iata("JFK")};
    Route toJfk{IataCode{}, iata("JFK")};
    EXPECT_EQ(fmt::format("[{}]", empty), "[        ]");
    EXPECT_EQ(fmt::format("{}", fraJfk), "FRA->JFK");
    EXPECT_EQ(fmt::format("{}", toJfk), "   ->JFK");

    LiveryKey key{1, 0, 1, 0, 1};
    EXPECT_EQ(lf_liveryKeyText(key), "DLH     A320.   ");
    key.operatorId = 2;
    key.cargo = 1;
    key.present = 0;
    EXPECT_EQ(lf_liveryKeyText(key), "DLH,DLH A320 (C)");

    AircraftInfo info;
    info.head.callsign = "DLH4AB";
    info.head.registration = "D-AIAB";
    info.head.route = fraJfk;
    info.head.liveryKey = LiveryKey{1, 0, 1, 0, 1};
    EXPECT_EQ(fmt::format("{}", info), "DLH4AB   D-AIAB       FRA->JFK DLH     A320.   ");
    EXPECT_EQ(lf_printSpawnLine(info), "DLH     A320.    D-AIAB");
    EXPECT_EQ(fmt::format("{}", WeekdaySlot{(std::uint64_t{21} << 32) | 3u}), "[3,21]");
    gf_installModelCodeNames(nullptr);
}

TEST(AircraftRecords, ConstructorsSetTheirDefaults) {
    FakeModels models;
    StreamSample first;
    first.latitude = 50.1;
    LiveAircraft live(first, gf_makeAircraftInfo(models, headOf(1)), 1234.5,
                      WeekdaySlot{(std::uint64_t{7} << 32) | 2u});
    EXPECT_EQ(live.simState, SimState::buffer);
    EXPECT_EQ(live.situation, FlightSituation::birth);
    EXPECT_EQ(live.throttleIndex, 5u);
    EXPECT_EQ(live.flapsIndex, 4u);
    EXPECT_EQ(live.holdTicks1, 900);
    EXPECT_EQ(live.holdTicks2, 900);
    EXPECT_EQ(live.visible, 1);
    ASSERT_EQ(live.samples.size(), 1u);
    EXPECT_EQ(live.samples.front().latitude, 50.1);
    EXPECT_EQ(live.lastRecordTime, 1234.5);
    EXPECT_EQ(live.parkedSlot.slot(), 7);

    struct Case {
        const char* name;
        std::uint32_t standId;
        std::uint8_t gate;
    };
    const Case cases[] = {{"GATE", 3, 1}, {"A GATE 12", 3, 1}, {"GAT", 3, 0}, {"gate 5", 3, 0}, {"GATE 1", 0, 0}};
    for (const Case& c : cases) {
        StaticAircraft parked(gf_makeAircraftInfo(models, headOf(1)), c.standId, StandPose{50.0, 8.0, 1.0}, true,
                              c.name);
        EXPECT_EQ(parked.gateStand, c.gate) << c.name;
        EXPECT_EQ(parked.cargoStand, 1);
        EXPECT_EQ(parked.standHeading, 1.0);
    }
}

} // namespace
} // namespace kiv
