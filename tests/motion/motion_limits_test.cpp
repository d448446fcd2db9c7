#include <cmath>
#include <functional>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "motion/motion_limits.h"
#include "stream_builder.h"

namespace kiv {
namespace {

using test_support::makeAircraft;
using test_support::StreamBuilder;

constexpr double kDeg = kDegreesToRadians;

TEST(MotionLimits, BankTablesByClass) {
    struct Case {
        SizeClass sizeClass;
        double bankDeg;
        double bankChangeDeg;
    };
    const Case cases[] = {
        {SizeClass::Light, 40.0, 0.035},     {SizeClass::TwoProps, 37.5, 0.03}, {SizeClass::Bizjet, 35.0, 0.0275},
        {SizeClass::Large, 30.0, 0.02},      {SizeClass::Heavy, 20.0, 0.015},   {SizeClass::HighPerf, 90.0, 0.1},
        {SizeClass::Rotorcraft, 75.0, 0.06},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(gf_maxBankAngle(c.sizeClass), c.bankDeg * kDeg, 1e-15) << static_cast<int>(c.sizeClass);
        EXPECT_NEAR(gf_maxBankRate(c.sizeClass), c.bankChangeDeg * kDeg, 1e-15) << static_cast<int>(c.sizeClass);
    }
}

TEST(MotionLimits, ClassOutsideTheTablesThrowsTheSameTextEverywhere) {
    const auto outside = static_cast<SizeClass>(7);
    LiveAircraft aircraft =
        makeAircraft(StreamBuilder({47.0, 9.0}, 0).samples(), SizeClass::Large, FlightSituation::taxi, 0.0);
    aircraft.info.sizeClass = outside;
    const std::function<void()> lookups[] = {
        [&] { gf_maxBankAngle(outside); },
        [&] { gf_maxBankRate(outside); },
        [&] { gf_referenceSpeedKt(aircraft, 1); },
        [&] {
            gf_takeoffPerformance({100.0, 10.0, 50.0, 60.0, outside});
        },
    };
    for (const auto& lookup : lookups) {
        try {
            lookup();
            ADD_FAILURE() << "no exception";
        } catch (const std::out_of_range& error) {
            EXPECT_STREQ(error.what(), "invalid unordered_map<K, T> key");
        }
    }
}

TEST(MotionLimits, BankLimitNearTheGround) {
    const double heavy = 20.0 * kDeg;
    struct Case {
        const char* name;
        double maxBank;
        std::uint8_t landing;
        double heightFt;
        std::uint8_t final;
        double expectedDeg;
    };
    const Case cases[] = {
        {"Heavy landing at 550 ft", heavy, 1, 550.0, 0, 15.0},
        {"Heavy landing at 100 ft", heavy, 1, 100.0, 0, 10.0},
        {"Heavy landing at 50 ft", heavy, 1, 50.0, 0, 10.0},
        {"Heavy landing at 1000 ft", heavy, 1, 1000.0, 0, 20.0},
        {"Light landing at 550 ft", 40.0 * kDeg, 1, 550.0, 0, 25.0},
        {"final flare", heavy, 1, 550.0, 1, 5.0},
        {"not landing", heavy, 0, 50.0, 1, 20.0},
        {"landing height not known", heavy, 1, std::nan(""), 0, 20.0},
        {"maximum beyond a right angle", 2.0, 0, 0.0, 0, 90.0},
        {"no maximum", 0.0, 0, 0.0, 0, 0.0},
        {"maximum not a number", std::nan(""), 1, 500.0, 0, 0.0},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(gf_bankLimit(c.maxBank, c.landing, c.heightFt, c.final), c.expectedDeg * kDeg, 1e-12) << c.name;
    }
}

TEST(MotionLimits, ReferenceSpeedsByTypeAndPhase) {
    struct Case {
        const char* name;
        SizeClass sizeClass;
        int typeFlag; // 0 none, 1 regional, 2 piston twin, 3 light single
        std::int8_t phase;
        double expectedKt;
    };
    const Case cases[] = {
        {"Heavy rotation", SizeClass::Heavy, 0, 1, 150.0},
        {"Heavy phase 2", SizeClass::Heavy, 0, 2, 140.0},
        {"Heavy phase 3", SizeClass::Heavy, 0, 3, 135.0},
        {"Large rotation", SizeClass::Large, 0, 1, 140.0},
        {"Large phase 2", SizeClass::Large, 0, 2, 130.0},
        {"Large phase 3", SizeClass::Large, 0, 3, 120.0},
        {"regional", SizeClass::Large, 1, 3, 130.0},
        {"piston twin", SizeClass::TwoProps, 2, 2, 80.0},
        {"light single", SizeClass::Light, 3, 1, 65.0},
        {"other light", SizeClass::Light, 0, 3, 60.0},
        {"rotorcraft has none", SizeClass::Rotorcraft, 0, 3, 0.0},
    };
    for (const Case& c : cases) {
        LiveAircraft aircraft =
            makeAircraft(StreamBuilder({47.0, 9.0}, 0).samples(), c.sizeClass, FlightSituation::takeoff_roll, 0.0);
        aircraft.info.isRegional = c.typeFlag == 1;
        aircraft.info.isPistonTwin = c.typeFlag == 2;
        aircraft.info.isLightSingle = c.typeFlag == 3;
        EXPECT_EQ(gf_referenceSpeedKt(aircraft, c.phase), c.expectedKt) << c.name;
    }
}

TEST(MotionLimits, SpeedFactorAndSevenSecondDistance) {
    const double speeds[] = {0.0, 8.0, 11.5, 15.0, 15.5, 20.0, 25.0, 30.0, 45.0};
    const double factors[] = {1.2, 1.2, 1.1, 1.0, 1.0, 1.0, 0.8, 0.6, 0.6};
    for (std::size_t i = 0; i < std::size(speeds); ++i) {
        EXPECT_NEAR(gf_speedFactorBySpeed(speeds[i]), factors[i], 1e-12) << speeds[i];
    }
    EXPECT_EQ(gf_distanceIn7s(0.0), 100.0);
    EXPECT_EQ(gf_distanceIn7s(-5.0), 100.0);
    EXPECT_EQ(gf_distanceIn7s(std::nan("")), 100.0);
    EXPECT_EQ(gf_distanceIn7s(60.0), 160.0); // 216 m before the clamp
    EXPECT_NEAR(gf_distanceIn7s(30.0), 30.0 * 0.5144444444444445 * 7.0, 1e-12);
}

TEST(MotionLimits, ClimbPitchFollowsTheVerticalRateWithinTheBands) {
    struct Case {
        SizeClass sizeClass;
        double rateFpm;
        double pitchDeg;
    };
    const Case cases[] = {
        {SizeClass::Large, 0.0, -3.0},          {SizeClass::Large, 1200.0, -7.4}, {SizeClass::Large, 9000.0, -11.8},
        {SizeClass::Large, -600.0, -1.9},       {SizeClass::Large, -9000.0, 2.5}, {SizeClass::HighPerf, 3600.0, -18.1},
        {SizeClass::Rotorcraft, -1800.0, 2.25},
    };
    for (const Case& c : cases) {
        StreamSample sample;
        sample.verticalRateFpm = c.rateFpm;
        EXPECT_NEAR(gf_climbDescentProfile(sample, c.sizeClass), c.pitchDeg * kDeg, 1e-12) << c.rateFpm;
    }
    StreamSample unknown;
    unknown.verticalRateFpm = std::nan("");
    EXPECT_NEAR(gf_climbDescentProfile(unknown, SizeClass::Large), -3.0 * kDeg, 1e-12);
}

TEST(MotionLimits, DescentKeptWithin1200FeetPerMinuteOfTheSamples) {
    const double nan = std::nan("");
    struct Case {
        const char* name;
        double wanted;
        double first;
        double second;
        double rate;
        std::uint8_t limited;
    };
    const Case cases[] = {
        {"within the limit", -1000.0, -700.0, -500.0, -1000.0, 0},
        {"below the samples less 1200", -2500.0, -700.0, -500.0, -1800.0, 1},
        {"climb wanted", 300.0, -700.0, -500.0, 0.0, 1},
        {"samples climbing", -1500.0, 500.0, 800.0, -1200.0, 1},
        {"no sample rate", -1500.0, nan, nan, -1200.0, 1},
        {"one sample rate", -2000.0, -900.0, nan, -2000.0, 0},
        {"band reached", -5000.0, -2500.0, -2900.0, -3000.0, 1},
        {"wanted rate unknown", nan, -700.0, -500.0, -600.0, 0},
    };
    for (const Case& c : cases) {
        const DescentLimit limit = gf_limitDescentRate(c.wanted, c.first, c.second, SizeClass::Large);
        EXPECT_NEAR(limit.rateFpm, c.rate, 1e-9) << c.name;
        EXPECT_EQ(limit.limited, c.limited) << c.name;
    }
}

TEST(MotionLimits, TakeoffPerformance) {
    struct Case {
        const char* name;
        TakeoffInput input;
        double minimumTimeS;
        double neededSpeedKt;
        std::uint8_t tooFast;
    };
    const double kt = 1.9438444924406046;
    const Case cases[] = {
        {"no time for 50 m", {50.0, 0.0, 30.0, 40.0, SizeClass::Large}, 50.0 * kt / 360.0, INFINITY, 1},
        {"no distance, no time", {0.0, 0.0, 30.0, 40.0, SizeClass::Large}, 0.0, 0.0, 0},
        {"one metre in no time", {1.0, 0.0, 30.0, 40.0, SizeClass::Large}, 1.0 * kt / 360.0, INFINITY, 0},
        {"1000 m in 10 s", {1000.0, 10.0, 100.0, 120.0, SizeClass::Large}, 1000.0 * kt / 360.0, 100.0 * kt, 0},
        {"1000 m in 3 s", {1000.0, 3.0, 100.0, 120.0, SizeClass::Large}, 1000.0 * kt / 360.0, 1000.0 / 3.0 * kt, 1},
        {"top speed capped", {1000.0, 3.0, 400.0, 100.0, SizeClass::Large}, 1000.0 * kt / 700.0, 1000.0 / 3.0 * kt, 0},
        {"top speed of twice the faster sample",
         {1000.0, 3.0, 80.0, 100.0, SizeClass::Light},
         1000.0 * kt / 200.0,
         1000.0 / 3.0 * kt,
         1},
        {"negative inputs count as 0", {-5.0, -1.0, -30.0, std::nan(""), SizeClass::Large}, 0.0, 0.0, 0},
    };
    for (const Case& c : cases) {
        const TakeoffPerformance p = gf_takeoffPerformance(c.input);
        EXPECT_NEAR(p.minimumTimeS, c.minimumTimeS, 1e-9) << c.name;
        if (std::isinf(c.neededSpeedKt)) {
            EXPECT_TRUE(std::isinf(p.neededSpeedKt)) << c.name;
        } else {
            EXPECT_NEAR(p.neededSpeedKt, c.neededSpeedKt, 1e-9) << c.name;
        }
        EXPECT_EQ(p.tooFast, c.tooFast) << c.name;
    }
}

} // namespace
} // namespace kiv
