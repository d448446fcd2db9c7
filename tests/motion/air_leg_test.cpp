// The air-leg builder: the vertical plan by where the samples lie, the pitch, the target
// heading, the curved segment and the configuration the leg sends.
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "motion/air_leg.h"
#include "motion_fakes.h"
#include "stream_builder.h"

namespace kiv {
namespace {

using test_support::makeAircraft;
using test_support::RecordingMotionEnvironment;
using test_support::StreamBuilder;

constexpr Lalo kStart{50.0, 8.0};
constexpr std::uint32_t kNow = 100000;
constexpr double kDeg = kDegreesToRadians;
using FS = FlightSituation;

struct Leg {
    RecordingMotionEnvironment environment;
    LiveAircraft aircraft;

    // From `altitudeFt` on a track north at 200 kt, the next sample 18 s on.
    Leg(double altitudeFt, FS situation = FS::flying, SizeClass sizeClass = SizeClass::Large)
        : aircraft(makeAircraft(StreamBuilder(kStart, kNow, 200.0, altitudeFt).leg(0.0, 18.0, 200.0).samples(),
                                sizeClass, situation, 0.0)) {
        environment.tick = kNow;
        aircraft.lightsSet = 1;
        aircraft.heightAboveGroundFt = altitudeFt;
        aircraft.info.liveFactor = 0.5;
    }
    StreamSample& next() { return aircraft.samples[1]; }
    // The next sample on the ground, due in `ticks`.
    void nextOnGround(std::int32_t ticks) {
        next().altitudeFt = 0.0;
        next().airborne = 0;
        next().verticalRateFpm = -700.0;
        aircraft.samples[0].verticalRateFpm = -700.0;
        next().deliveryTick = static_cast<std::int32_t>(kNow) + ticks;
    }
};

TEST(AirLeg, DescentToAGroundSample) {
    struct Case {
        const char* name;
        std::int32_t qnh;
        std::optional<double> parkAltitude;
        bool near;
        double climbPerTick;
        double nextRateFpm; // written to the next sample
    };
    // Park airport at 500 ft, static CG height 10 ft, 1510 ft now, the ground sample in 10000
    // ticks; the samples descend at 700 ft/min, 1000 ft above the ground.
    const Case cases[] = {
        {"QNH 1013 at the park airport: down to its elevation", 1013, 500.0, true, -0.1, -700.0},
        {"QNH 1020: the samples' rate with the QNH", 1020, 500.0, true, -740.5 / 6000.0, -740.5},
        {"QNH 1013 without a park airport altitude", 1013, std::nullopt, true, -601.0 / 6000.0, -601.0},
        {"QNH 1013 away from the park airport: not its elevation", 1013, 500.0, false, -601.0 / 6000.0, -601.0},
    };
    for (const Case& c : cases) {
        Leg leg(1510.0);
        leg.aircraft.heightAboveGroundFt = 1000.0;
        leg.aircraft.info.classDistance = 10.0;
        leg.environment.qnh = c.qnh;
        leg.environment.parkAltitude = c.parkAltitude;
        leg.environment.nearParkAirport = c.near;
        leg.nextOnGround(10000);
        lf_buildAirLeg(leg.environment, leg.aircraft);
        EXPECT_NEAR(leg.aircraft.altitudeChangePerTick, c.climbPerTick, 1e-12) << c.name;
        EXPECT_EQ(leg.next().verticalRateFpm, c.nextRateFpm) << c.name;
        EXPECT_EQ(leg.environment.calls.front(), "gear 1") << c.name;
    }
}

TEST(AirLeg, ClimbAndDescentBetweenAirborneSamples) {
    struct Case {
        const char* name;
        FS situation;
        double heightFt;
        double nextAltitudeFt;
        double climbPerTick;
    };
    // 1800 ticks to the next sample from 3000 ft; the type climbs at most 0.5 ft per tick.
    const Case cases[] = {
        {"flying: the slope", FS::flying, 3000.0, 3180.0, 0.1},
        {"flying down: the slope", FS::flying, 3000.0, 2820.0, -0.1},
        {"take-off high up: the slope", FS::takeoff, 1500.0, 3180.0, 0.1},
        {"take-off high up: at most the initial climb", FS::takeoff, 1500.0, 4800.0, 0.5},
        {"take-off low: at least 0.2 ft per tick", FS::takeoff, 1000.0, 3180.0, 0.2},
        {"landing: the slope", FS::landing, 3000.0, 2820.0, -0.1},
    };
    for (const Case& c : cases) {
        Leg leg(3000.0, c.situation);
        leg.aircraft.heightAboveGroundFt = c.heightFt;
        leg.next().altitudeFt = c.nextAltitudeFt;
        lf_buildAirLeg(leg.environment, leg.aircraft);
        EXPECT_NEAR(leg.aircraft.altitudeChangePerTick, c.climbPerTick, 1e-12) << c.name;
    }
    // A landing low down whose samples hold their level flies the reported descent.
    Leg level(900.0, FS::landing);
    level.next().altitudeFt = 900.0;
    level.aircraft.samples[0].verticalRateFpm = -900.0;
    level.next().verticalRateFpm = -700.0;
    lf_buildAirLeg(level.environment, level.aircraft);
    EXPECT_DOUBLE_EQ(level.aircraft.altitudeChangePerTick, -798.5 / 6000.0);
    EXPECT_DOUBLE_EQ(level.aircraft.legVerticalRateFpm, -798.5);
}

TEST(AirLeg, TheFlareKeepsItsOwnRates) {
    Leg leg(30.0, FS::landing);
    leg.aircraft.landingStage = 2;
    leg.aircraft.altitudeChangePerTick = -0.075;
    leg.aircraft.pitchChangePerTick = 0.001;
    leg.nextOnGround(300);
    lf_buildAirLeg(leg.environment, leg.aircraft);
    EXPECT_EQ(leg.aircraft.altitudeChangePerTick, -0.075);
    EXPECT_EQ(leg.aircraft.pitchChangePerTick, 0.001);
}

TEST(AirLeg, PitchTowardsTheProfileWithinTheClassStep) {
    Leg leg(3000.0);
    leg.next().verticalRateFpm = 0.0;
    leg.aircraft.pose.pitchRad = std::nan("");
    lf_buildAirLeg(leg.environment, leg.aircraft);
    EXPECT_NEAR(leg.aircraft.pose.pitchRad, -3.0 * kDeg, 1e-12) << "a pitch that is not a number takes the target";
    EXPECT_EQ(leg.aircraft.pitchChangePerTick, 0.0);

    Leg steep(3000.0, FS::flying, SizeClass::Heavy);
    steep.aircraft.pose.pitchRad = 20.0 * kDeg; // 23 degrees from the target in 1800 ticks
    lf_buildAirLeg(steep.environment, steep.aircraft);
    EXPECT_NEAR(steep.aircraft.pitchChangePerTick, -0.005 * kDeg, 1e-15) << "Heavy: at most 0.005 deg per tick";

    Leg takeoff(3000.0, FS::takeoff);
    takeoff.aircraft.pitchChangePerTick = 0.0002;
    lf_buildAirLeg(takeoff.environment, takeoff.aircraft);
    EXPECT_EQ(takeoff.aircraft.pitchChangePerTick, 0.0002) << "the climb-out owns the pitch";

    Leg unknown(3000.0);
    unknown.aircraft.info.sizeClass = static_cast<SizeClass>(7);
    EXPECT_THROW(
        {
            try {
                lf_buildAirLeg(unknown.environment, unknown.aircraft);
            } catch (const std::out_of_range& error) {
                EXPECT_STREQ(error.what(), "invalid unordered_map<K, T> key");
                throw;
            }
        },
        std::out_of_range);
}

TEST(AirLeg, TheReportedTrueHeadingSteersOnlyLowDown) {
    struct Case {
        const char* name;
        FS situation;
        double heightFt;
        bool steers;
    };
    const Case cases[] = {
        {"999 ft", FS::flying, 999.0, true},
        {"1000 ft", FS::flying, 1000.0, false},
        {"landing at 1999 ft", FS::landing, 1999.0, true},
        {"landing at 2000 ft", FS::landing, 2000.0, false},
    };
    for (const Case& c : cases) {
        Leg leg(c.heightFt + 500.0, c.situation);
        leg.aircraft.heightAboveGroundFt = c.heightFt;
        leg.next().altitudeFt = leg.aircraft.pose.altitudeFt;
        leg.next().trueHeadingValid = 1;
        leg.next().trueHeadingRad = 20.0 * kDeg;
        lf_buildAirLeg(leg.environment, leg.aircraft);
        // Heading north along a track north: only the reported 20 degrees turn it.
        if (c.steers) {
            EXPECT_GT(leg.aircraft.headingChangePerTick, 0.0) << c.name;
        } else {
            EXPECT_NEAR(leg.aircraft.headingChangePerTick, 0.0, 1e-12) << c.name;
        }
    }
}

TEST(AirLeg, CurvedSegmentOnlyForATurnOfHalfADegreeTo90OverTenMetres) {
    struct Case {
        const char* name;
        double turnDeg;    // of the track after the next sample
        double legSeconds; // to the next sample at 200 kt
        bool thirdStationary;
        bool pending;
    };
    const Case cases[] = {
        {"30 degrees", 30.0, 18.0, false, true},   {"1 degree", 1.0, 18.0, false, true},
        {"0.3 degree", 0.3, 18.0, false, false},   {"100 degrees", 100.0, 18.0, false, false},
        {"a 9 m chord", 30.0, 0.09, false, false}, {"a stationary sample after the next", 30.0, 18.0, true, false},
    };
    for (const Case& c : cases) {
        StreamBuilder stream(kStart, kNow, 200.0, 5000.0);
        stream.leg(0.0, c.legSeconds, 200.0).leg(c.turnDeg, 18.0, 200.0);
        stream.back().stationary = c.thirdStationary ? 1 : 0;
        LiveAircraft aircraft = makeAircraft(stream.samples(), SizeClass::Large, FS::flying, 0.0);
        aircraft.heightAboveGroundFt = 5000.0;
        aircraft.lightsSet = 1;
        aircraft.airSegment.pending = 1;
        aircraft.airSegment.step = 7;
        RecordingMotionEnvironment environment;
        environment.tick = kNow;
        lf_buildAirLeg(environment, aircraft);
        const AirSegment& segment = aircraft.airSegment;
        EXPECT_EQ(segment.pending != 0, c.pending) << c.name;
        EXPECT_EQ(segment.step, 0) << c.name;
        if (c.pending) {
            EXPECT_EQ(segment.stepCount, std::lround(c.legSeconds * 100.0)) << c.name;
            EXPECT_EQ(segment.start, (Lalo{kStart.latitude, kStart.longitude})) << c.name;
            EXPECT_EQ(segment.end, (Lalo{aircraft.samples[1].latitude, aircraft.samples[1].longitude})) << c.name;
            EXPECT_NEAR(segment.wantedEndHeadingRad, c.turnDeg * kDeg, 1e-6) << c.name;
            EXPECT_GT(segment.maxDeviationRad, 0.0) << c.name;
        } else {
            EXPECT_EQ(segment.stepCount, 0) << c.name;
        }
    }
}

TEST(AirLeg, TheSegmentEndsAlongTheTrackAfterTheNextSampleNotTheReportedHeading) {
    StreamBuilder stream(kStart, kNow, 200.0, 900.0);
    stream.leg(0.0, 18.0, 200.0).leg(30.0, 18.0, 200.0);
    LiveAircraft aircraft = makeAircraft(stream.samples(), SizeClass::Large, FS::flying, 0.0);
    aircraft.heightAboveGroundFt = 500.0;
    aircraft.lightsSet = 1;
    aircraft.samples[1].trueHeadingValid = 1;
    aircraft.samples[1].trueHeadingRad = 10.0 * kDeg; // steers the heading low down
    RecordingMotionEnvironment environment;
    environment.tick = kNow;
    lf_buildAirLeg(environment, aircraft);
    ASSERT_EQ(aircraft.airSegment.pending, 1);
    EXPECT_NEAR(aircraft.airSegment.wantedEndHeadingRad, 30.0 * kDeg, 1e-6);
}

TEST(AirLeg, CruiseConfigurationOnceAndTheLightsBackBelow) {
    Leg leg(12000.0);
    leg.aircraft.lightsSet = 1;
    lf_buildAirLeg(leg.environment, leg.aircraft);
    lf_buildAirLeg(leg.environment, leg.aircraft);
    EXPECT_EQ(leg.environment.calls,
              (std::vector<std::string>{"lights 1,1,0,0,1,0,1", "throttle 3", "gear 0", "flaps 0"}));
    EXPECT_EQ(leg.aircraft.cruiseConfigured, 1);
    EXPECT_EQ(leg.aircraft.lightsSet, 0);
    EXPECT_EQ(leg.aircraft.holdTicks1, 900);

    // Back below 10000 ft the first configuration step switches every light on again.
    leg.environment.calls.clear();
    leg.aircraft.samples[0].altitudeFt = 9000.0;
    leg.aircraft.heightAboveGroundFt = 9000.0;
    lf_buildAirLeg(leg.environment, leg.aircraft);
    EXPECT_EQ(leg.environment.calls.front(), "lights 1,1,1,1,1,1,1");
    EXPECT_EQ(leg.aircraft.cruiseConfigured, 0);

    // Near the park airport the height above it decides: 10400 ft over a 500 ft airport.
    Leg near(10400.0);
    near.environment.nearParkAirport = true;
    near.environment.parkAltitude = 500.0;
    lf_buildAirLeg(near.environment, near.aircraft);
    EXPECT_EQ(near.aircraft.cruiseConfigured, 0);
    EXPECT_EQ(near.environment.calls, (std::vector<std::string>{"cabin 1", "gear 0", "flaps 0"}));

    Leg rotorcraft(12000.0, FS::flying, SizeClass::Rotorcraft);
    lf_buildAirLeg(rotorcraft.environment, rotorcraft.aircraft);
    EXPECT_EQ(rotorcraft.environment.calls[1], "throttle 4");
}

TEST(AirLeg, CopiesTheLegsValuesAndStartsTheClimbTransition) {
    Leg leg(3000.0);
    leg.next().trueAirspeedKt = 231.0;
    leg.next().verticalRateFpm = 640.0;
    leg.aircraft.climbOutEnded = 1;
    lf_buildAirLeg(leg.environment, leg.aircraft);
    EXPECT_EQ(leg.aircraft.tasKt, 231.0);
    EXPECT_EQ(leg.aircraft.legVerticalRateFpm, 640.0);
    EXPECT_EQ(leg.aircraft.climbOutEnded, 0);
    EXPECT_EQ(leg.aircraft.climbTransition, 1);

    Leg takeoff(3000.0, FS::takeoff);
    takeoff.aircraft.climbOutEnded = 1;
    lf_buildAirLeg(takeoff.environment, takeoff.aircraft);
    EXPECT_EQ(takeoff.aircraft.climbTransition, 0) << "only in flying";
}

} // namespace
} // namespace kiv
