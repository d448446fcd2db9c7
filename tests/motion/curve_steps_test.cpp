#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "motion/curve_steps.h"
#include "stream_builder.h"

namespace kiv {
namespace {

using test_support::makeAircraft;
using test_support::pointFrom;
using test_support::StreamBuilder;

constexpr double kDeg = kDegreesToRadians;
constexpr Lalo kOrigin{47.0, 9.0};

double metresBetween(const Lalo& a, const Lalo& b) { return gf_distanceNm(a, b) * 1852.0; }

TEST(CurveSteps, StepTowards) {
    const double nan = std::nan("");
    struct Case {
        double current;
        double target;
        double maxStep;
        double expected;
    };
    const Case cases[] = {
        {10.0, 20.0, 3.0, 13.0}, {10.0, 20.0, 0.0, 10.0}, {10.0, 12.0, 3.0, 12.0}, {10.0, 0.0, 3.0, 7.0},
        {10.0, 20.0, nan, 10.0}, {nan, 5.0, 1.0, 5.0},    {10.0, nan, 1.0, 10.0},  {nan, nan, 1.0, 0.0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gf_stepTowards(c.current, c.target, c.maxStep), c.expected)
            << c.current << " " << c.target << " " << c.maxStep;
    }
}

TEST(CurveSteps, EaseKindsRunFromZeroToOneWithoutGoingBack) {
    for (std::uint32_t kind = 0; kind <= 5; ++kind) {
        EXPECT_EQ(gf_ease(0.0, kind), 0.0) << kind;
        EXPECT_NEAR(gf_ease(1.0, kind), 1.0, 1e-15) << kind;
        EXPECT_EQ(gf_ease(-1.0, kind), 0.0) << kind;
        EXPECT_NEAR(gf_ease(2.0, kind), 1.0, 1e-15) << kind;
        double previous = 0.0;
        for (int i = 1; i <= 1000; ++i) {
            const double value = gf_ease(i / 1000.0, kind);
            EXPECT_GE(value, previous) << kind << " at " << i;
            previous = value;
        }
    }
    // Their shapes: from standstill slow, stopping fast first, start and stop symmetric, and
    // the slow start of a drive-in joins its straight part at 0.2 without a jump.
    EXPECT_EQ(gf_ease(0.5, 0), 0.5);
    EXPECT_EQ(gf_ease(0.5, 1), 0.25);
    EXPECT_EQ(gf_ease(0.5, 3), 0.75);
    EXPECT_EQ(gf_ease(0.5, 4), 0.5);
    EXPECT_NEAR(gf_ease(0.2 - 1e-12, 2), gf_ease(0.2, 2), 1e-9);
    EXPECT_EQ(gf_ease(0.5, 9), 0.5); // unknown kind: even
}

TEST(CurveSteps, NormalizeLatLonOverThePoleAndTheAntimeridian) {
    struct Case {
        Lalo in;
        Lalo out;
    };
    const Case cases[] = {
        {{10.0, 190.0}, {10.0, -170.0}}, {{10.0, -190.0}, {10.0, 170.0}}, {{10.0, 180.0}, {10.0, -180.0}},
        {{10.0, 540.0}, {10.0, -180.0}}, {{95.0, 10.0}, {85.0, -170.0}},  {{-100.0, -170.0}, {-80.0, 10.0}},
        {{90.0, 45.0}, {90.0, 45.0}},    {{91.0, 170.0}, {89.0, -10.0}},
    };
    for (const Case& c : cases) {
        Lalo position = c.in;
        gf_normalizeLatLon(position);
        EXPECT_NEAR(position.latitude, c.out.latitude, 1e-12) << c.in.latitude << "," << c.in.longitude;
        EXPECT_NEAR(position.longitude, c.out.longitude, 1e-12) << c.in.latitude << "," << c.in.longitude;
    }
}

TurnBankInput airLeg(double headingDeg, double targetDeg, double speedKt) {
    TurnBankInput in;
    in.headingRad = headingDeg * kDeg;
    in.targetHeadingRad = targetDeg * kDeg;
    in.speedKt = speedKt;
    in.ticksToNext = 1000.0;
    in.maxTurnRateRadPerS = 8.0 * kDeg;
    in.maxBankRad = 30.0 * kDeg;
    in.maxBankChangePerTick = 0.02 * kDeg;
    return in;
}

TEST(CurveSteps, TurnAndBankStepBanksIntoTheTurn) {
    const TurnBankStep right = gf_turnAndBankStep(airLeg(0.0, 30.0, 250.0));
    EXPECT_GT(right.headingChangePerTick, 0.0);
    EXPECT_LT(right.newBankRad, 0.0); // right wing down is negative
    EXPECT_LT(right.bankChangePerTick, 0.0);
    const TurnBankStep left = gf_turnAndBankStep(airLeg(30.0, 0.0, 250.0));
    EXPECT_LT(left.headingChangePerTick, 0.0);
    EXPECT_GT(left.newBankRad, 0.0);
    // Across north the short way: from 350 to 10 degrees is a right turn of 20.
    EXPECT_NEAR(gf_turnAndBankStep(airLeg(350.0, 10.0, 250.0)).headingChangePerTick, 20.0 * kDeg / 1000.0, 1e-12);
}

TEST(CurveSteps, TurnAndBankStepLimits) {
    // 250 kt at 30 degrees of bank turn at most g tan(30) / v per second.
    const double v = 250.0 * 0.5144444444444445;
    const double bankTurnRate = std::tan(30.0 * kDeg) * 9.80665 / v;
    EXPECT_NEAR(gf_turnAndBankStep(airLeg(0.0, 120.0, 250.0)).headingChangePerTick, bankTurnRate / 100.0, 1e-12);
    // Slow: the class turn rate limits; the bank is the heading difference within the limit.
    const TurnBankStep slow = gf_turnAndBankStep(airLeg(0.0, 120.0, 1.0));
    EXPECT_NEAR(slow.headingChangePerTick, 8.0 * kDeg / 100.0, 1e-12);
    EXPECT_NEAR(slow.newBankRad, -30.0 * kDeg, 1e-12);
    // The bank change per tick is limited and the current bank clamped.
    TurnBankInput banked = airLeg(0.0, 0.0, 250.0);
    banked.bankRad = 50.0 * kDeg;
    const TurnBankStep level = gf_turnAndBankStep(banked);
    EXPECT_NEAR(level.currentBankRad, 30.0 * kDeg, 1e-12);
    EXPECT_NEAR(level.bankChangePerTick, -0.02 * kDeg, 1e-12);
    // Unusable limits give nothing at all.
    TurnBankInput noTicks = airLeg(0.0, 90.0, 250.0);
    noTicks.ticksToNext = 0.0;
    const TurnBankStep none = gf_turnAndBankStep(noTicks);
    EXPECT_EQ(none.headingChangePerTick, 0.0);
    EXPECT_EQ(none.newBankRad, 0.0);
}

TEST(CurveSteps, CommandedBankIsTakenWhenUsable) {
    TurnBankInput in = airLeg(0.0, 30.0, 250.0);
    in.bankCommand = 1;
    in.commandedBankRad = -45.0 * kDeg;
    const TurnBankStep taken = gf_turnAndBankStep(in);
    EXPECT_EQ(taken.bankCommanded, 1);
    EXPECT_NEAR(taken.newBankRad, -30.0 * kDeg, 1e-12); // within the class limit
    in.commandedBankRad = std::nan("");
    const TurnBankStep refused = gf_turnAndBankStep(in);
    EXPECT_EQ(refused.bankCommandInvalid, 1);
    EXPECT_EQ(refused.bankCommanded, 0);
    EXPECT_LT(refused.newBankRad, 0.0);
}

TEST(CurveSteps, LookAheadFindsAStraightContinuation) {
    const std::vector<Lalo> straight = {pointFrom(kOrigin, 2.0, 200.0), pointFrom(kOrigin, 2.0, 400.0),
                                        pointFrom(kOrigin, 2.0, 600.0), pointFrom(kOrigin, 2.0, 900.0)};
    const ContinuationHeading found = gf_lookAheadTrack(kOrigin, straight, 0.0, 300.0, 800.0, 5.0 * kDeg);
    EXPECT_EQ(found.found, 1);
    EXPECT_NEAR(found.headingRad * kRadiansToDegrees, 2.0, 0.01);
    EXPECT_NEAR(found.distanceM, 600.0, 1.0); // the 900 m point lies beyond the maximum

    struct Case {
        const char* name;
        std::vector<Lalo> points;
        double headingDeg;
        double minDistance;
    };
    const Case cases[] = {
        {"not far enough", straight, 0.0, 700.0},
        {"bending away", {pointFrom(kOrigin, 0.0, 200.0), pointFrom(kOrigin, 12.0, 600.0)}, 0.0, 300.0},
        {"heading off the track", straight, 10.0, 300.0},
        {"one point only", {pointFrom(kOrigin, 0.0, 500.0)}, 0.0, 300.0},
        {"a point beyond the maximum ends the walk",
         {pointFrom(kOrigin, 0.0, 200.0), pointFrom(kOrigin, 0.0, 900.0), pointFrom(kOrigin, 0.0, 600.0)},
         0.0,
         300.0},
        {"stops at an invalid point",
         {pointFrom(kOrigin, 0.0, 200.0), {0.0, 0.0}, pointFrom(kOrigin, 0.0, 600.0)},
         0.0,
         300.0},
    };
    for (const Case& c : cases) {
        const ContinuationHeading result =
            gf_lookAheadTrack(kOrigin, c.points, c.headingDeg * kDeg, c.minDistance, 800.0, 5.0 * kDeg);
        EXPECT_EQ(result.found, 0) << c.name;
        EXPECT_EQ(result.headingRad, c.headingDeg * kDeg) << c.name;
    }
}

TEST(CurveSteps, AirSegmentCurvesOnlyWithinItsLimits) {
    const Lalo end = pointFrom(kOrigin, 0.0, 5000.0);
    struct Case {
        const char* name;
        Lalo end;
        double wantedDeg;
        double maxDeviationDeg;
        std::uint8_t curved;
    };
    const Case cases[] = {
        {"turning 20 degrees", end, 20.0, 30.0, 1},
        {"turn below half a degree", end, 0.4, 30.0, 0},
        {"turn beyond a right angle", end, 100.0, 30.0, 0},
        {"deviation allowed below half a degree", end, 20.0, 0.3, 0},
        {"chord under 10 m", pointFrom(kOrigin, 0.0, 8.0), 20.0, 30.0, 0},
    };
    for (const Case& c : cases) {
        const AirSegmentInput in{kOrigin, c.end, c.wantedDeg * kDeg, c.maxDeviationDeg * kDeg, 0.5};
        const AirSegmentPoint point = gf_airSegmentPoint(in);
        EXPECT_EQ(point.valid, 1) << c.name;
        EXPECT_EQ(point.curved, c.curved) << c.name;
    }
    // A curved segment starts at the start, ends at the end arriving turned by at most the
    // maximum deviation.
    AirSegmentInput in{kOrigin, end, 20.0 * kDeg, 10.0 * kDeg, 0.0};
    EXPECT_LT(metresBetween({gf_airSegmentPoint(in).latitude, gf_airSegmentPoint(in).longitude}, kOrigin), 0.01);
    in.t = 1.0;
    const AirSegmentPoint last = gf_airSegmentPoint(in);
    EXPECT_LT(metresBetween({last.latitude, last.longitude}, end), 0.5);
    EXPECT_NEAR(last.headingRad * kRadiansToDegrees, 10.0, 0.05);
    in.start.latitude = std::nan("");
    EXPECT_EQ(gf_airSegmentPoint(in).valid, 0);
}

TEST(CurveSteps, PoseBezierRunsFromPoseToPose) {
    const Lalo end = pointFrom(kOrigin, 90.0, 30.0);
    const PosePoint first = gf_poseBezierPoint(kOrigin, 45.0 * kDeg, end, 90.0 * kDeg, 0.0);
    EXPECT_EQ(first.latitude, kOrigin.latitude);
    EXPECT_EQ(first.headingRad, 45.0 * kDeg);
    const PosePoint last = gf_poseBezierPoint(kOrigin, 45.0 * kDeg, end, 90.0 * kDeg, 1.0);
    EXPECT_EQ(last.longitude, end.longitude);
    EXPECT_EQ(last.headingRad, 90.0 * kDeg);
    // Just after the start the heading is still the start heading; just before the end the
    // end heading.
    EXPECT_NEAR(gf_poseBezierPoint(kOrigin, 45.0 * kDeg, end, 90.0 * kDeg, 1e-6).headingRad, 45.0 * kDeg, 1e-3);
    EXPECT_NEAR(gf_poseBezierPoint(kOrigin, 45.0 * kDeg, end, 90.0 * kDeg, 1.0 - 1e-6).headingRad, 90.0 * kDeg, 1e-3);
    // Across the antimeridian the leg stays 30 m long.
    const Lalo west{-17.0, 179.99985};
    const Lalo east = pointFrom(west, 90.0, 30.0);
    const PosePoint middle = gf_poseBezierPoint(west, 90.0 * kDeg, east, 90.0 * kDeg, 0.5);
    EXPECT_NEAR(metresBetween({middle.latitude, middle.longitude}, west), 15.0, 0.1);
}

TEST(CurveSteps, HeadingFollowUpOnTheGround) {
    LiveAircraft aircraft =
        makeAircraft(StreamBuilder(kOrigin, 0).samples(), SizeClass::Large, FlightSituation::taxi, 0.0);
    aircraft.turnLimitPerTick = 0.05 * kDeg;
    // Coarse: by the turn limit.
    gf_turnHeadingTowards(aircraft, 20.0 * kDeg, 0);
    EXPECT_NEAR(aircraft.pose.headingRad, 0.05 * kDeg, 1e-12);
    // Fine: the rate builds up by 0.0004 degree per tick and never passes the target.
    aircraft.pose.headingRad = 0.0;
    gf_turnHeadingTowards(aircraft, 2.0 * kDeg, 1);
    EXPECT_NEAR(aircraft.pose.headingRad, 0.0004 * kDeg, 1e-12);
    gf_turnHeadingTowards(aircraft, 2.0 * kDeg, 1);
    EXPECT_NEAR(aircraft.pose.headingRad, 0.0012 * kDeg, 1e-12);
    for (int tick = 0; tick < 2000; ++tick) {
        gf_turnHeadingTowards(aircraft, 2.0 * kDeg, 1);
        ASSERT_LE(aircraft.pose.headingRad, 2.0 * kDeg + 1e-12) << tick;
    }
    EXPECT_NEAR(aircraft.pose.headingRad, 2.0 * kDeg, 1e-6);
    // A step beyond 3.6 degrees is never taken; no limit, no turn.
    aircraft.pose.headingRad = 0.0;
    aircraft.turnLimitPerTick = 5.0 * kDeg;
    gf_turnHeadingTowards(aircraft, 90.0 * kDeg, 0);
    EXPECT_EQ(aircraft.pose.headingRad, 0.0);
    aircraft.turnLimitPerTick = std::nan("");
    aircraft.turnRateState = 1.0;
    gf_turnHeadingTowards(aircraft, 1.0 * kDeg, 1);
    EXPECT_EQ(aircraft.pose.headingRad, 0.0);
    EXPECT_EQ(aircraft.turnRateState, 0.0);
}

} // namespace
} // namespace kiv
