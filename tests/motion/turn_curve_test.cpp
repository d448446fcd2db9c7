#include <cmath>

#include <gtest/gtest.h>

#include "foundation/geodesy.h"
#include "motion/turn_curve.h"
#include "stream_builder.h"

namespace kiv {
namespace {

using test_support::pointFrom;

constexpr Lalo kOrigin{47.0, 9.0};

CurvePoint at(const Lalo& point, double value) { return {point.latitude, point.longitude, value}; }

// P0 at the origin, P1 100 m north, P2 100 m east of P1: a right-hand quarter turn.
struct QuarterTurn {
    Lalo p1 = pointFrom(kOrigin, 0.0, 100.0);
    Lalo p2 = pointFrom(p1, 90.0, 100.0);
    TurnCurve curve;
    QuarterTurn(double start = 10.0, double end = 20.0) {
        gf_buildTurnCurve(curve, at(kOrigin, start), at(p1, 0.0), at(p2, end));
    }
};

double metresBetween(const Lalo& a, const Lalo& b) { return gf_distanceNm(a, b) * 1852.0; }

TEST(TurnCurve, RefusedInputsLeaveAnInvalidCurve) {
    const Lalo p1 = pointFrom(kOrigin, 0.0, 100.0);
    const Lalo p2 = pointFrom(p1, 90.0, 100.0);
    const double nan = std::nan("");
    struct Case {
        const char* name;
        CurvePoint p0;
        CurvePoint p1;
        CurvePoint p2;
    };
    const Case cases[] = {
        {"start equals end distance", at(kOrigin, 5.0), at(p1, 0.0), at(p2, 5.0)},
        {"start after end", at(kOrigin, 6.0), at(p1, 0.0), at(p2, 5.0)},
        {"latitude beyond the pole", {91.0, 9.0, 0.0}, at(p1, 0.0), at(p2, 1.0)},
        {"longitude out of range", at(kOrigin, 0.0), {47.0, 181.0, 0.0}, at(p2, 1.0)},
        {"control value not a number", at(kOrigin, 0.0), at(p1, nan), at(p2, 1.0)},
        {"end distance not a number", at(kOrigin, 0.0), at(p1, 0.0), at(p2, nan)},
        {"all three points the same", at(kOrigin, 0.0), at(kOrigin, 0.0), at(kOrigin, 1.0)},
    };
    for (const Case& c : cases) {
        QuarterTurn valid; // a valid curve first, so that the refusal must clear it
        gf_buildTurnCurve(valid.curve, c.p0, c.p1, c.p2);
        EXPECT_TRUE(std::isnan(valid.curve.controlEast) && std::isnan(valid.curve.controlNorth)) << c.name;
        EXPECT_TRUE(std::isnan(valid.curve.startDistance) && std::isnan(valid.curve.endDistance)) << c.name;
        EXPECT_EQ(valid.curve.arcTable[64], 0.0) << c.name;
        Lalo point;
        double heading = 0.0;
        EXPECT_FALSE(gf_turnCurvePointAt(valid.curve, 0.5, point, heading)) << c.name;
    }
}

TEST(TurnCurve, EndsAtItsPointsWithTheTangentHeadings) {
    const QuarterTurn turn;
    Lalo point;
    double heading = -1.0;
    ASSERT_TRUE(gf_turnCurvePointAt(turn.curve, 10.0, point, heading));
    EXPECT_LT(metresBetween(point, kOrigin), 1e-6);
    EXPECT_NEAR(heading, 0.0, 1e-9); // towards P1, north
    ASSERT_TRUE(gf_turnCurvePointAt(turn.curve, 20.0, point, heading));
    EXPECT_LT(metresBetween(point, turn.p2), 0.01);
    EXPECT_NEAR(heading * kRadiansToDegrees, 90.0, 0.01); // from P1 towards P2, east
}

TEST(TurnCurve, TableRisesFromZeroToOneAndDistancesOutsideAreRefused) {
    const QuarterTurn turn;
    EXPECT_EQ(turn.curve.arcTable.front(), 0.0);
    EXPECT_EQ(turn.curve.arcTable.back(), 1.0);
    for (std::size_t k = 1; k < turn.curve.arcTable.size(); ++k) {
        EXPECT_GT(turn.curve.arcTable[k], turn.curve.arcTable[k - 1]) << k;
    }
    Lalo point;
    double heading = 0.0;
    for (const double distance : {9.999, 20.001, std::nan(""), double{INFINITY}}) {
        EXPECT_FALSE(gf_turnCurvePointAt(turn.curve, distance, point, heading)) << distance;
    }
}

TEST(TurnCurve, DistanceFlownMovesTheAircraftEvenlyAlongTheArc) {
    // Equal steps of distance give equal steps along the arc, not equal steps of t (this
    // Bezier runs three times faster by t at its end than at its start).
    const Lalo p1 = pointFrom(kOrigin, 0.0, 100.0);
    const Lalo p2 = pointFrom(p1, 60.0, 300.0);
    TurnCurve curve;
    gf_buildTurnCurve(curve, at(kOrigin, 0.0), at(p1, 0.0), at(p2, 1.0));
    Lalo previous = kOrigin;
    double heading = 0.0;
    double firstStep = 0.0;
    for (int i = 1; i <= 10; ++i) {
        Lalo point;
        ASSERT_TRUE(gf_turnCurvePointAt(curve, i / 10.0, point, heading));
        const double step = metresBetween(previous, point);
        firstStep = i == 1 ? step : firstStep;
        EXPECT_NEAR(step, firstStep, 0.02 * firstStep) << i;
        previous = point;
    }
}

TEST(TurnCurve, BezierHeadingFallsBackToTheSecondDerivative) {
    double heading = 0.0;
    // P1 on P0: the first derivative vanishes at t = 0; the curve still leaves towards P2.
    gf_bezierPoint(0.0, {0.0, 0.0}, {0.0, 0.0}, {10.0, 0.0}, heading);
    EXPECT_NEAR(heading * kRadiansToDegrees, 90.0, 1e-9);
    // All three on one spot: no heading at all.
    gf_bezierPoint(0.5, {3.0, 4.0}, {3.0, 4.0}, {3.0, 4.0}, heading);
    EXPECT_TRUE(std::isnan(heading));
}

TEST(TurnCurve, CurveAcrossTheAntimeridianStaysShort) {
    const Lalo p0{-17.0, 179.9995};
    const Lalo p1 = pointFrom(p0, 90.0, 60.0); // beyond 180: wrapped to about -179.9999
    const Lalo p2 = pointFrom(p1, 0.0, 60.0);
    ASSERT_LT(p1.longitude, 0.0);
    TurnCurve curve;
    gf_buildTurnCurve(curve, at(p0, 0.0), at(p1, 0.0), at(p2, 1.0));
    Lalo point;
    double heading = 0.0;
    ASSERT_TRUE(gf_turnCurvePointAt(curve, 1.0, point, heading));
    EXPECT_LT(metresBetween(point, p2), 0.05);
    ASSERT_TRUE(gf_turnCurvePointAt(curve, 0.5, point, heading));
    EXPECT_LT(metresBetween(point, p1), 60.0);
    EXPECT_TRUE(point.longitude >= -180.0 && point.longitude <= 180.0);
}

} // namespace
} // namespace kiv
