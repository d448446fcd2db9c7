// The turns of the taxi branch: lead points and runway-exit points, zig-zags, the ground
// turn with its fallback curve and the samples it replaces, and long-leg splits.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/geodesy.h"
#include "motion/path_checks.h"
#include "motion/taxi_turns.h"
#include "motion_fakes.h"
#include "stream_builder.h"
#include "test_support/log_capture.h"

namespace kiv {
namespace {

using test_support::LogCapture;
using test_support::makeAircraft;
using test_support::pointFrom;
using test_support::RecordingMotionEnvironment;
using test_support::StreamBuilder;

constexpr Lalo kStart{47.0, 9.0};
constexpr std::int32_t kNow = 100000;
constexpr double kTurnStep = 0.0005; // radians per tick: 2.86 degrees per second at taxi speed

Lalo positionOf(const StreamSample& sample) { return {sample.latitude, sample.longitude}; }
double metres(const Lalo& a, const Lalo& b) { return gf_distanceNm(a, b) * 1852.0; }

// Samples placed by (course, metres from the one before, speed, seconds after it).
struct Point {
    double courseDeg, metres, speedKt, seconds;
};

LiveAircraft aircraftOn(FlightSituation situation, double headingDeg, double frontKt, const std::vector<Point>& points,
                        SizeClass sizeClass = SizeClass::Large) {
    StreamBuilder stream(kStart, kNow, frontKt);
    for (const Point& p : points) {
        stream.leg(p.courseDeg, p.seconds, 1.0);
        StreamSample& last = stream.back();
        const StreamSample& before = stream.samples()[stream.samples().size() - 2];
        const Lalo at = pointFrom(positionOf(before), p.courseDeg, p.metres);
        last.latitude = at.latitude;
        last.longitude = at.longitude;
        last.groundSpeedKt = p.speedKt;
        last.stationary = 0;
    }
    LiveAircraft aircraft = makeAircraft(stream.samples(), sizeClass, situation, headingDeg);
    aircraft.info.classRateRad = kTurnStep;
    aircraft.speedKt = frontKt;
    return aircraft;
}

TEST(TaxiTurns, CornerFarAheadGetsALeadPointInsteadOfATurn) {
    RecordingMotionEnvironment environment;
    environment.tick = kNow;
    // Large at 15 kt, a 30-degree corner 200 m ahead.
    LiveAircraft aircraft =
        aircraftOn(FlightSituation::taxi, 0.0, 15.0, {{0.0, 200.0, 15.0, 26.0}, {30.0, 100.0, 15.0, 13.0}});
    const Lalo corner = positionOf(aircraft.samples[1]);
    ASSERT_TRUE(lf_planTaxiTurn(environment, aircraft));
    ASSERT_EQ(aircraft.samples.size(), 4u);
    const StreamSample& lead = aircraft.samples[1];
    EXPECT_EQ(lead.plannedPoint, 1);
    EXPECT_EQ(lead.exitPoint, 0);
    EXPECT_FALSE(gf_isValidTurnSpline(aircraft.turnSpline));
    // 30 degrees at 2.86 degrees per second takes more than 6 s: 6 s at 15 kt.
    EXPECT_NEAR(metres(positionOf(lead), corner), 15.0 * 0.5144444444444445 * 6.0, 0.05);
    EXPECT_EQ(lead.groundSpeedKt, 15.0);
    EXPECT_EQ(lead.deliveryTick, kNow + 1998); // 153.7 of the 200 m along the 26 s leg, truncated

    // While that lead point is ahead, and while it is the front sample, nothing is planned.
    EXPECT_FALSE(lf_planTaxiTurn(environment, aircraft));
    aircraft.samples.pop_front();
    EXPECT_FALSE(lf_planTaxiTurn(environment, aircraft));
    EXPECT_EQ(aircraft.samples.size(), 3u);
}

TEST(TaxiTurns, LeadPointTicksStayBetweenTheStartAndTheNextSample) {
    struct Case {
        const char* name;
        std::uint8_t fromCurrent;
        std::int32_t nextDueIn; // after the start tick
        double distanceM;       // before the next sample, of a 100 m leg
        bool inserted;
        std::int32_t dueIn;
    };
    const Case cases[] = {
        {"halfway", 0, 1000, 50.0, true, 500},
        {"just short of the start: at least one tick on", 0, 1000, 99.99, true, 1},
        {"just before the next: at least one tick earlier", 0, 1000, 0.001, true, 999},
        {"next due two ticks on", 0, 2, 50.0, true, 1},
        {"next due one tick on: no point", 0, 1, 50.0, false, 0},
        {"from the current position and tick", 1, 1000, 25.0, true, 750},
        {"not shorter than the leg", 0, 1000, 100.5, false, 0},
        {"not a distance", 0, 1000, std::nan(""), false, 0},
    };
    for (const Case& c : cases) {
        RecordingMotionEnvironment environment;
        environment.tick = kNow + (c.fromCurrent != 0 ? 0 : 0);
        LiveAircraft aircraft = aircraftOn(FlightSituation::taxi, 0.0, 10.0, {{0.0, 100.0, 20.0, 10.0}});
        aircraft.samples[1].deliveryTick = kNow + c.nextDueIn;
        EXPECT_EQ(lf_insertLeadPoint(environment, aircraft, c.distanceM, c.fromCurrent), c.inserted) << c.name;
        if (!c.inserted) {
            EXPECT_EQ(aircraft.samples.size(), 2u) << c.name;
            continue;
        }
        ASSERT_EQ(aircraft.samples.size(), 3u) << c.name;
        EXPECT_EQ(aircraft.samples[1].deliveryTick, kNow + c.dueIn) << c.name;
        EXPECT_EQ(aircraft.samples[1].exitPoint, c.fromCurrent) << c.name;
        // From the current position the speed runs from the front's towards the next's.
        const double f = (100.0 - c.distanceM) / 100.0;
        EXPECT_NEAR(aircraft.samples[1].groundSpeedKt, c.fromCurrent != 0 ? 10.0 + f * 10.0 : 10.0, 1e-6) << c.name;
    }
}

TEST(TaxiTurns, ZigzagIsStraightenedOnlyWhenShallowAndOpposite) {
    struct Case {
        const char* name;
        std::vector<Point> points;
        bool straightened;
    };
    const Case cases[] = {
        {"S-bend of 1.4 m", {{0.0, 40.0, 10.0, 8.0}, {4.0, 40.0, 10.0, 8.0}, {359.0, 40.0, 10.0, 8.0}}, true},
        {"two bends the same way", {{0.0, 40.0, 10.0, 8.0}, {4.0, 40.0, 10.0, 8.0}, {8.0, 40.0, 10.0, 8.0}}, false},
        {"far sample 181 m away", {{0.0, 60.0, 10.0, 8.0}, {3.0, 60.0, 10.0, 8.0}, {358.5, 61.1, 10.0, 8.0}}, false},
    };
    for (const Case& c : cases) {
        LiveAircraft aircraft = aircraftOn(FlightSituation::taxi, 0.0, 10.0, c.points);
        const Lalo far = positionOf(aircraft.samples[3]);
        EXPECT_EQ(lf_straightenZigzag(aircraft, 3), c.straightened) << c.name;
        if (c.straightened) {
            ASSERT_EQ(aircraft.samples.size(), 2u) << c.name;
            EXPECT_TRUE(gf_samePlace(aircraft.samples[1], far)) << c.name;
            EXPECT_NEAR(aircraft.bearingToNext, gf_initialBearingRad(kStart, far), 1e-12) << c.name;
        } else {
            EXPECT_EQ(aircraft.samples.size(), 4u) << c.name;
        }
    }
}

TEST(TaxiTurns, RunwayExitPointBeforeTheCorner) {
    struct Case {
        const char* name;
        double nextKt;
        double wantBeforeCornerM;
    };
    // Landing roll at 100 kt, the exit corner 400 m ahead, turning off 40 degrees.
    const Case cases[] = {
        {"reported at 20 kt: the lead distance (below the 225 m where 65 kt is passed)", 20.0, 90.0},
        {"reported at 60 kt: where a steady deceleration passes 65 kt", 60.0, 50.0},
    };
    for (const Case& c : cases) {
        RecordingMotionEnvironment environment;
        environment.tick = kNow;
        LiveAircraft aircraft = aircraftOn(FlightSituation::landing_roll, 0.0, 100.0,
                                           {{0.0, 400.0, c.nextKt, 15.0}, {40.0, 100.0, c.nextKt, 10.0}});
        const Lalo corner = positionOf(aircraft.samples[1]);
        ASSERT_TRUE(lf_planTaxiTurn(environment, aircraft)) << c.name;
        ASSERT_EQ(aircraft.samples.size(), 4u) << c.name;
        EXPECT_EQ(aircraft.samples[1].exitPoint, 1) << c.name;
        EXPECT_EQ(aircraft.samples[1].plannedPoint, 1) << c.name;
        EXPECT_NEAR(metres(positionOf(aircraft.samples[1]), corner), c.wantBeforeCornerM, 0.05) << c.name;
    }
}

TEST(TaxiTurns, LineUpOnlyAtTaxiSpeeds) {
    struct Case {
        const char* name;
        double nextKt, thirdKt;
        bool planned;
    };
    const Case cases[] = {
        {"next at 35 kt", 35.0, 10.0, false},
        {"third at 35 kt", 10.0, 35.0, false},
    };
    for (const Case& c : cases) {
        RecordingMotionEnvironment environment;
        environment.tick = kNow;
        LiveAircraft aircraft = aircraftOn(FlightSituation::takeoff_roll, 0.0, 10.0,
                                           {{0.0, 30.0, c.nextKt, 6.0}, {60.0, 60.0, c.thirdKt, 6.0}});
        EXPECT_EQ(lf_planTaxiTurn(environment, aircraft), c.planned) << c.name;
        EXPECT_EQ(aircraft.samples.size(), 3u) << c.name;
        EXPECT_EQ(aircraft.turnKind, 0u) << c.name;
    }
}

TEST(MakeTurnGnd, RemovesTheCornerOrKeepsItForATurnThatEndsThere) {
    struct Case {
        const char* name;
        std::vector<Point> points;
        bool built;
        std::size_t left;
        std::uint8_t cornerOnly;
    };
    const Case cases[] = {
        {"45-degree corner: the corner goes", {{0.0, 60.0, 15.0, 8.0}, {45.0, 60.0, 15.0, 8.0}}, true, 2, 0},
        {"sharp turn after the corner: the turn ends at it",
         {{0.0, 60.0, 15.0, 8.0}, {45.0, 60.0, 15.0, 8.0}, {135.0, 60.0, 15.0, 8.0}},
         true,
         4,
         1},
        {"straight on after the turn: the corner goes",
         {{0.0, 60.0, 15.0, 8.0}, {45.0, 60.0, 15.0, 8.0}, {45.0, 60.0, 15.0, 8.0}},
         true,
         3,
         0},
    };
    for (const Case& c : cases) {
        RecordingMotionEnvironment environment;
        environment.tick = kNow;
        LiveAircraft aircraft = aircraftOn(FlightSituation::taxi, 0.0, 15.0, c.points);
        const Lalo third = positionOf(aircraft.samples[2]);
        const Lalo corner = positionOf(aircraft.samples[1]);
        ASSERT_EQ(lf_tryMakeTurnGnd(environment, aircraft, 45.0), c.built) << c.name;
        EXPECT_TRUE(gf_isValidTurnSpline(aircraft.turnSpline)) << c.name;
        EXPECT_EQ(aircraft.turnKind, 1u) << c.name;
        EXPECT_EQ(aircraft.plannedTurnAngle, 45.0) << c.name;
        EXPECT_EQ(aircraft.turnSpline.cornerOnly, c.cornerOnly) << c.name;
        ASSERT_EQ(aircraft.samples.size(), c.left) << c.name;
        EXPECT_TRUE(gf_samePlace(aircraft.samples[1], c.cornerOnly != 0 ? corner : third)) << c.name;
    }
}

TEST(MakeTurnGnd, ThirdSampleWithoutSpeedTakesTheMeanOfTheTwoBefore) {
    RecordingMotionEnvironment environment;
    environment.tick = kNow;
    LiveAircraft aircraft =
        aircraftOn(FlightSituation::taxi, 0.0, 12.0, {{0.0, 60.0, 18.0, 8.0}, {45.0, 60.0, 0.0, 8.0}});
    ASSERT_TRUE(makeTurnGnd(environment, aircraft, 45.0));
    ASSERT_EQ(aircraft.samples.size(), 2u);
    EXPECT_EQ(aircraft.samples[1].groundSpeedKt, 15.0);
}

TEST(MakeTurnGnd, FallbackCurveOnlyUpTo120Degrees) {
    struct Case {
        const char* name;
        double turnDeg;
        bool built;
    };
    // Outside taxi and the rolls (here in parking) no spline is tried: the curve is the turn.
    const Case cases[] = {{"100 degrees", 100.0, true}, {"130 degrees", 130.0, false}};
    for (const Case& c : cases) {
        RecordingMotionEnvironment environment;
        environment.tick = kNow;
        LiveAircraft aircraft = aircraftOn(FlightSituation::parking, 0.0, 5.0,
                                           {{0.0, 40.0, 5.0, 16.0}, {c.turnDeg, 40.0, 5.0, 16.0}});
        EXPECT_EQ(makeTurnGnd(environment, aircraft, c.turnDeg), c.built) << c.name;
        EXPECT_EQ(gf_isValidTurnCurve(aircraft.turnCurve), c.built) << c.name;
        EXPECT_FALSE(gf_isValidTurnSpline(aircraft.turnSpline)) << c.name;
        EXPECT_EQ(aircraft.samples.size(), c.built ? 2u : 3u) << c.name;
    }
}

TEST(MakeTurnGnd, RefusesWithoutAUsableThirdSample) {
    LogCapture log;
    RecordingMotionEnvironment environment;
    environment.tick = kNow;
    // Two samples only: there is no third sample to turn onto.
    LiveAircraft shortStream = aircraftOn(FlightSituation::taxi, 0.0, 15.0, {{0.0, 60.0, 15.0, 8.0}});
    EXPECT_FALSE(makeTurnGnd(environment, shortStream, 45.0));
    EXPECT_FALSE(lf_tryMakeTurnGnd(environment, shortStream, 45.0));
    EXPECT_EQ(shortStream.samples.size(), 2u);

    // A third sample at the corner's place.
    LiveAircraft samePlace =
        aircraftOn(FlightSituation::taxi, 0.0, 15.0, {{0.0, 60.0, 15.0, 8.0}, {45.0, 0.0, 15.0, 8.0}});
    EXPECT_FALSE(lf_tryMakeTurnGnd(environment, samePlace, 45.0));
    EXPECT_EQ(samePlace.samples.size(), 3u);
    EXPECT_EQ(samePlace.plannedTurnAngle, 0.0);

    // A stationary third sample is logged and refused.
    LiveAircraft standing =
        aircraftOn(FlightSituation::taxi, 0.0, 15.0, {{0.0, 60.0, 15.0, 8.0}, {45.0, 60.0, 15.0, 8.0}});
    standing.samples[2].stationary = 1;
    standing.info.head.callsign = "ABC123";
    EXPECT_FALSE(makeTurnGnd(environment, standing, 45.0));
    const std::vector<std::string> lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("makeTurnGnd: unexpected same at stream[2], ABC123"), std::string::npos) << lines[0];
}

TEST(TaxiTurns, LongLegsWithASpeedChangeAreSplit) {
    struct Case {
        const char* name;
        FlightSituation situation;
        double frontKt, nextKt, legM;
        std::uint8_t slowArrival;
        FlightSituation previous;
        bool split;
    };
    const Case cases[] = {
        {"5 kt apart: not split", FlightSituation::taxi, 10.0, 15.0, 300.0, 0, FlightSituation::taxi, false},
        {"10 kt apart over 97 m (limit 96)", FlightSituation::taxi, 5.0, 15.0, 97.0, 0, FlightSituation::taxi, true},
        {"10 kt apart over 95 m", FlightSituation::taxi, 5.0, 15.0, 95.0, 0, FlightSituation::taxi, false},
        {"both standing", FlightSituation::taxi, 0.0, 0.0, 300.0, 0, FlightSituation::taxi, false},
        {"on the take-off roll", FlightSituation::takeoff_roll, 5.0, 30.0, 300.0, 0, FlightSituation::taxi, false},
        {"slow arrival after landing: 41 m", FlightSituation::taxi, 5.0, 5.0, 41.0, 1, FlightSituation::landing_roll,
         true},
        {"slow arrival otherwise: 45 m", FlightSituation::taxi, 5.0, 5.0, 45.0, 1, FlightSituation::taxi, false},
    };
    for (const Case& c : cases) {
        LiveAircraft aircraft = aircraftOn(c.situation, 0.0, c.frontKt, {{0.0, c.legM, c.nextKt, 20.0}});
        aircraft.previousSituation = c.previous;
        lf_splitLongLeg(aircraft, c.slowArrival);
        EXPECT_EQ(aircraft.samples.size(), c.split ? 3u : 2u) << c.name;
    }
}

} // namespace
} // namespace kiv
