// The ground path builder: the configuration of the ground situations, the runway exit, the
// speed profile of a roll, the eased steps of a taxi leg and the end of a roll that never
// lifts off.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "motion/ground_path.h"
#include "motion_fakes.h"
#include "stream_builder.h"

namespace kiv {
namespace {

using test_support::makeAircraft;
using test_support::pointFrom;
using test_support::RecordingMotionEnvironment;
using test_support::StreamBuilder;

constexpr Lalo kStart{47.0, 9.0};
constexpr std::int32_t kNow = 100000;

// Front sample due now, the next one `metres` north, due `seconds` later.
LiveAircraft rolling(FlightSituation situation, double frontKt, double nextKt, double metres = 100.0,
                     double seconds = 10.0, SizeClass sizeClass = SizeClass::Large) {
    StreamBuilder stream(kStart, kNow, frontKt);
    stream.leg(0.0, seconds, nextKt);
    StreamSample& next = stream.back();
    const Lalo at = pointFrom(kStart, 0.0, metres);
    next.latitude = at.latitude;
    next.longitude = at.longitude;
    next.stationary = 0;
    LiveAircraft aircraft = makeAircraft(stream.samples(), sizeClass, situation, 0.0);
    aircraft.speedKt = frontKt;
    aircraft.objectId = 77;
    return aircraft;
}

TEST(GroundPath, TakeoffRollThrottleBySpeeds) {
    struct Case {
        double frontKt, nextKt;
        std::string throttle;
    };
    const Case cases[] = {
        {10.0, 18.0, "throttle 0"}, {16.0, 18.0, "throttle 1"}, {10.0, 20.0, "throttle 1"},
        {20.0, 18.0, "throttle 2"}, {10.0, 26.0, "throttle 2"}, {25.0, 18.0, "throttle 4"},
        {10.0, 30.0, "throttle 4"}, {10.0, std::nan(""), "throttle 4"},
    };
    for (const Case& c : cases) {
        RecordingMotionEnvironment environment;
        environment.tick = kNow;
        LiveAircraft aircraft = rolling(FlightSituation::takeoff_roll, c.frontKt, c.nextKt);
        lf_buildGroundPath(environment, aircraft);
        ASSERT_FALSE(environment.calls.empty());
        EXPECT_EQ(environment.calls.front(), c.throttle) << c.frontKt << " " << c.nextKt;
    }
}

TEST(GroundPath, LandingRollConfigurationBySpeed) {
    struct Case {
        const char* name;
        double frontKt;
        SizeClass sizeClass;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"95 kt: nothing yet", 95.0, SizeClass::Large, {}},
        {"60 kt: spoilers in, reverse off, flaps 1", 60.0, SizeClass::Large, {"spoilers 0", "reverse 0,0", "flaps 1"}},
        {"60 kt, Light: no reverse thrust", 60.0, SizeClass::Light, {"spoilers 0", "flaps 1"}},
        {"25 kt: flaps up", 25.0, SizeClass::Large, {"flaps 0"}},
    };
    for (const Case& c : cases) {
        RecordingMotionEnvironment environment;
        environment.tick = kNow;
        LiveAircraft aircraft = rolling(FlightSituation::landing_roll, c.frontKt, c.frontKt - 5.0, 100.0, 10.0,
                                        c.sizeClass);
        aircraft.touchdownHeading = 0.1 * kDegreesToRadians;
        lf_buildGroundPath(environment, aircraft);
        EXPECT_EQ(environment.calls, c.calls) << c.name;
        EXPECT_EQ(aircraft.situation, FlightSituation::landing_roll) << c.name;
    }
}

TEST(GroundPath, LeavingTheRunwayHeadingEndsTheLandingRoll) {
    RecordingMotionEnvironment environment;
    environment.tick = kNow;
    LiveAircraft aircraft = rolling(FlightSituation::landing_roll, 25.0, 20.0);
    aircraft.touchdownHeading = 340.0 * kDegreesToRadians; // 20 degrees off the heading north
    lf_buildGroundPath(environment, aircraft);
    EXPECT_EQ(aircraft.situation, FlightSituation::taxi);
    EXPECT_EQ(aircraft.previousSituation, FlightSituation::landing_roll);
    EXPECT_EQ(aircraft.runwayExited, 1);
    EXPECT_EQ(aircraft.touchdownHeading, 0.0);
    EXPECT_EQ(environment.calls, (std::vector<std::string>{"flaps 0", "throttle 0", "spoilers 0", "reverse 0,0",
                                                           "lights 1,1,0,1,0,1,1"}));
    EXPECT_EQ(aircraft.groundRoll.profile.valid, 0); // a taxi leg now
}

TEST(GroundPath, RollProfileOnlyOverMoreThanOneMetre) {
    struct Case {
        const char* name;
        double metres;
        bool profile;
    };
    // 40 kt slowing to 30 kt at an even rate: 90 m in 5 s.
    const Case cases[] = {{"90 m", 90.0, true}, {"1 m", 1.0, false}, {"0.5 m", 0.5, false}};
    for (const Case& c : cases) {
        RecordingMotionEnvironment environment;
        environment.tick = kNow;
        LiveAircraft aircraft = rolling(FlightSituation::landing_roll, 40.0, 30.0, c.metres, 5.0);
        aircraft.groundMode = 0;
        lf_buildGroundPath(environment, aircraft);
        EXPECT_EQ(aircraft.groundRoll.profile.valid, c.profile ? 1 : 0) << c.name;
        if (c.profile) {
            EXPECT_NEAR(aircraft.groundRoll.profile.distance, c.metres, 0.01) << c.name;
            EXPECT_NEAR(aircraft.groundRoll.profile.startSpeed, 40.0 * 0.5144444444444445, 1e-6) << c.name;
            EXPECT_EQ(aircraft.groundRoll.situation, FlightSituation::landing_roll) << c.name;
            EXPECT_EQ(aircraft.tickDelta.latitude, 0.0) << c.name;
        }
    }
}

TEST(GroundPath, EasedTaxiLegStepsAddUpToTheLeg) {
    RecordingMotionEnvironment environment;
    environment.tick = kNow;
    LiveAircraft aircraft = rolling(FlightSituation::taxi, 0.0, 0.0, 20.0, 3.0);
    aircraft.groundMode = 4;
    lf_buildGroundPath(environment, aircraft);
    ASSERT_EQ(aircraft.legStepCount, 300);
    EXPECT_EQ(aircraft.legStepIndex, 0);
    EXPECT_NEAR(aircraft.legDelta.latitude, aircraft.samples[1].latitude - kStart.latitude, 1e-15);
    EXPECT_EQ(aircraft.tickDelta.latitude, 0.0);
    double sum = 0.0;
    std::int32_t peak = 0;
    for (std::int32_t i = 0; i < 300; ++i) {
        const double step = gf_easedLegStep(i, 300, 4);
        EXPECT_GE(step, 0.0);
        sum += step;
        if (step > gf_easedLegStep(peak, 300, 4)) {
            peak = i;
        }
    }
    EXPECT_NEAR(sum, 1.0, 1e-12);
    EXPECT_GE(peak, 149);
    EXPECT_LE(peak, 150);
    EXPECT_EQ(gf_easedLegStep(300, 300, 4), 0.0);
    EXPECT_EQ(gf_easedLegStep(-1, 300, 4), 0.0);
}

TEST(GroundPath, DelayedSampleMakesALongEasedLegWithoutATable) {
    RecordingMotionEnvironment environment;
    environment.tick = kNow;
    LiveAircraft aircraft = rolling(FlightSituation::taxi, 0.0, 8.0, 50.0, 3.0);
    aircraft.samples[1].deliveryTick = kNow + 400'000'000; // a sample held back for days
    aircraft.groundMode = 1;
    lf_buildGroundPath(environment, aircraft);
    EXPECT_EQ(aircraft.legStepCount, 400'000'000);
    EXPECT_NEAR(gf_easedLegStep(399'999'999, 400'000'000, 1), 2.0 / 400'000'000.0, 1e-15);
}

TEST(GroundPath, TakeoffRollWithoutLiftOffIsGivenUpAfter120Seconds) {
    struct Case {
        std::uint32_t rolledTicks;
        double frontKt;
        bool removed;
    };
    const Case cases[] = {{12000, 50.0, true}, {11999, 50.0, false}, {20000, 42.0, false}};
    for (const Case& c : cases) {
        RecordingMotionEnvironment environment;
        environment.tick = kNow;
        LiveAircraft aircraft = rolling(FlightSituation::takeoff_roll, c.frontKt, c.frontKt + 5.0);
        aircraft.situationTick = kNow - c.rolledTicks;
        lf_buildGroundPath(environment, aircraft);
        const bool removed = std::find(environment.calls.begin(), environment.calls.end(), "removeAircraftFromSim") !=
                             environment.calls.end();
        EXPECT_EQ(removed, c.removed) << c.rolledTicks << " " << c.frontKt;
    }
}

TEST(GroundPath, PushbackLegRunsBackwards) {
    RecordingMotionEnvironment environment;
    environment.tick = kNow;
    LiveAircraft aircraft = rolling(FlightSituation::pushing_back, 0.0, 3.0, 30.0, 20.0);
    aircraft.groundMode = 4;
    lf_buildGroundPath(environment, aircraft);
    EXPECT_EQ(aircraft.legSpeedKt, -3.0);
    EXPECT_TRUE(environment.calls.empty());
}

} // namespace
} // namespace kiv
