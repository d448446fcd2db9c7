#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "foundation/geodesy.h"
#include "motion/turn_spline.h"
#include "stream_builder.h"

namespace kiv {
namespace {

using test_support::pointFrom;

constexpr Lalo kStart{47.0, 9.0};

// Corner `cornerM` from the start along `cornerCourseDeg`, end `endM` from the corner along
// `endCourseDeg`.
TurnSplineRequest request(double cornerCourseDeg, double cornerM, double endCourseDeg, double endM,
                          double startHeadingDeg) {
    TurnSplineRequest r;
    r.start = kStart;
    r.corner = pointFrom(kStart, cornerCourseDeg, cornerM);
    r.end = pointFrom(r.corner, endCourseDeg, endM);
    r.startHeadingRad = startHeadingDeg * kDegreesToRadians;
    return r;
}

TurnSpline built(const TurnSplineRequest& r) {
    TurnSpline spline;
    gf_buildTurnSpline(spline, r);
    return spline;
}

double metresBetween(const Lalo& a, const Lalo& b) { return gf_distanceNm(a, b) * 1852.0; }

TEST(TurnSpline, EachErrorKindFromCraftedGeometry) {
    struct Case {
        const char* name;
        TurnSplineRequest request;
        TurnSplineError expected;
    };
    TurnSplineRequest fullTurnHeading = request(0.0, 60.0, 90.0, 60.0, 0.0);
    fullTurnHeading.startHeadingRad = 2.0 * 3.14159265358979323846;
    TurnSplineRequest poleCorner = request(0.0, 60.0, 90.0, 60.0, 0.0);
    poleCorner.corner.latitude = 91.0;
    TurnSplineRequest badEndHeading = request(0.0, 60.0, 90.0, 60.0, 0.0);
    badEndHeading.hasEndHeading = 1;
    badEndHeading.endHeadingRad = -0.1;
    TurnSplineRequest ignoredEndHeading = badEndHeading;
    ignoredEndHeading.hasEndHeading = 0;
    TurnSplineRequest wideMismatchAllowed = request(0.0, 60.0, 30.0, 60.0, 80.0);
    wideMismatchAllowed.limits.maxStartMismatchDeg = 90.0;
    TurnSplineRequest swingsBack = request(0.0, 50.0, 90.0, 50.0, 10.0);
    swingsBack.cornerOnly = 1;
    // A strict turn that builds with the default limits (the legs bend 2 degrees, the
    // aircraft heads 9 degrees left of them); each limit below refuses it on its own.
    const TurnSplineRequest slightBend = request(0.0, 60.0, 2.0, 60.0, 351.0);
    TurnSplineRequest longerLegs = request(0.0, 60.0, 2.0, 80.0, 351.0);
    longerLegs.limits.minLegM = 70.0;
    const TurnSplineRequest shortFirstLeg = request(0.0, 14.0, 2.0, 60.0, 351.0);
    TurnSplineRequest shortLegsAllowed = shortFirstLeg;
    shortLegsAllowed.limits.minLegM = 5.0;
    TurnSplineRequest longerSum = slightBend;
    longerSum.limits.minLegSumM = 121.0;
    TurnSplineRequest nearerCorner = slightBend;
    nearerCorner.limits.cornerDistanceFraction = 0.001;
    TurnSplineRequest loop = request(0.0, 50.0, 60.0, 50.0, 0.0);
    loop.hasEndHeading = 1;
    loop.endHeadingRad = 180.0 * kDegreesToRadians;
    loop.limits.startTangentScale = 12.0;
    const Case cases[] = {
        {"right quarter turn", request(0.0, 60.0, 90.0, 60.0, 0.0), TurnSplineError::none},
        {"end heading ignored without its flag", ignoredEndHeading, TurnSplineError::none},
        {"start heading of a full turn", fullTurnHeading, TurnSplineError::invalid_input},
        {"corner beyond the pole", poleCorner, TurnSplineError::invalid_input},
        {"negative end heading", badEndHeading, TurnSplineError::invalid_input},
        {"corner 1.9 m away", request(0.0, 1.9, 90.0, 60.0, 0.0), TurnSplineError::leg_too_short},
        {"second leg 1.9 m", request(0.0, 60.0, 90.0, 1.9, 0.0), TurnSplineError::leg_too_short},
        {"corner 251 m away", request(0.0, 251.0, 90.0, 60.0, 0.0), TurnSplineError::leg_out_of_range},
        {"second leg 251 m", request(0.0, 60.0, 90.0, 251.0, 0.0), TurnSplineError::leg_out_of_range},
        {"2 degree corner along the heading", request(0.0, 60.0, 2.0, 60.0, 0.0), TurnSplineError::turn_too_small},
        {"170 degree reversal", request(0.0, 60.0, 170.0, 60.0, 0.0), TurnSplineError::turn_too_large},
        {"start 80 degrees off the first leg", request(0.0, 60.0, 30.0, 60.0, 80.0),
         TurnSplineError::start_heading_mismatch},
        {"80 degrees with a wider limit", wideMismatchAllowed, TurnSplineError::invalid_tangent},
        {"heading change of 175 degrees", request(0.0, 60.0, 115.0, 60.0, 300.0), TurnSplineError::invalid_tangent},
        {"strict turn with a 10 m first leg", request(0.0, 10.0, 20.0, 60.0, 35.0), TurnSplineError::invalid_tangent},
        {"heading change of 177 degrees, not strict", request(0.0, 60.0, 162.0, 60.0, 345.0),
         TurnSplineError::invalid_tangent},
        {"right turn that first swings left", swingsBack, TurnSplineError::invalid_tangent},
        {"slight bend, 9 degrees off", slightBend, TurnSplineError::none},
        {"slight bend, first leg below a 70 m minimum", longerLegs, TurnSplineError::invalid_tangent},
        {"slight bend, first leg below the 15 m default", shortFirstLeg, TurnSplineError::invalid_tangent},
        {"slight bend, 14 m first leg with a 5 m minimum", shortLegsAllowed, TurnSplineError::none},
        {"slight bend with a longer minimum sum", longerSum, TurnSplineError::invalid_tangent},
        {"slight bend passing too far from the corner", nearerCorner, TurnSplineError::invalid_tangent},
        {"loop of a long start tangent", loop, TurnSplineError::excessive_length},
    };
    for (const Case& c : cases) {
        const TurnSpline spline = built(c.request);
        EXPECT_EQ(spline.errorKind, static_cast<std::uint32_t>(c.expected)) << c.name;
        EXPECT_EQ(spline.errorKind == 0, spline.length > 0.0) << c.name;
    }
}

TEST(TurnSpline, RefusedShapeKeepsItsAnglesAndStrictFlag) {
    // Callers judge a refused turn by these (long turns, turning on the spot).
    const TurnSpline spline = built(request(0.0, 10.0, 20.0, 60.0, 35.0));
    ASSERT_EQ(spline.errorKind, static_cast<std::uint32_t>(TurnSplineError::invalid_tangent));
    EXPECT_EQ(spline.strict, 1);
    EXPECT_NEAR(spline.turnAngleDeg, 20.0, 0.01);
    EXPECT_NEAR(spline.startMismatchDeg, 35.0, 0.01);
}

TEST(TurnSpline, StrictnessFollowsTheHeadingChange) {
    struct Case {
        const char* name;
        double endCourseDeg;
        double startHeadingDeg;
        std::uint8_t strict;
    };
    const Case cases[] = {
        {"plain right turn", 60.0, 0.0, 0},
        {"start 25 degrees off", 60.0, 25.0, 1},
        {"start 15 degrees off", 60.0, 345.0, 0},
        {"legs turn right, heading must turn left", 20.0, 40.0, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(built(request(0.0, 60.0, c.endCourseDeg, 60.0, c.startHeadingDeg)).strict, c.strict) << c.name;
    }
}

TEST(TurnSpline, TableRisesToOneAndTheEndsAreThePoints) {
    const TurnSplineRequest r = request(0.0, 60.0, 90.0, 60.0, 0.0);
    const TurnSpline spline = built(r);
    ASSERT_EQ(spline.errorKind, 0u);
    EXPECT_EQ(spline.arcTable.front(), 0.0);
    EXPECT_EQ(spline.arcTable.back(), 1.0);
    for (std::size_t k = 1; k < spline.arcTable.size(); ++k) {
        EXPECT_GT(spline.arcTable[k], spline.arcTable[k - 1]) << k;
    }
    const SplinePoint first = gf_turnSplinePointAt(spline, 0.0);
    const SplinePoint last = gf_turnSplinePointAt(spline, 1.0);
    ASSERT_TRUE(first.valid && last.valid);
    EXPECT_LT(metresBetween({first.latitude, first.longitude}, r.start), 1e-6);
    EXPECT_NEAR(first.headingRad, 0.0, 1e-9);
    EXPECT_LT(metresBetween({last.latitude, last.longitude}, r.end), 0.01);
    EXPECT_NEAR(last.headingRad * kRadiansToDegrees, 90.0, 0.01);
    // Fractions beyond the ends are clamped onto them.
    const SplinePoint beyond = gf_turnSplinePointAt(spline, 1.5);
    EXPECT_TRUE(beyond.valid);
    EXPECT_EQ(beyond.latitude, last.latitude);
}

TEST(TurnSpline, LookupAnswersInvalidInsteadOfAMadeUpPoint) {
    const TurnSpline good = built(request(0.0, 60.0, 90.0, 60.0, 0.0));
    ASSERT_EQ(good.errorKind, 0u);
    TurnSpline atPole = good;
    atPole.originLatitude = -90.0; // no longitude follows from metres east here
    TurnSpline refused = built(request(0.0, 1.9, 90.0, 60.0, 0.0));
    struct Case {
        const char* name;
        const TurnSpline* spline;
        double fraction;
    };
    const Case cases[] = {
        {"origin at the pole", &atPole, 0.5},
        {"refused spline", &refused, 0.5},
        {"fraction not a number", &good, std::nan("")},
        {"infinite fraction", &good, INFINITY},
    };
    for (const Case& c : cases) {
        const SplinePoint point = gf_turnSplinePointAt(*c.spline, c.fraction);
        EXPECT_EQ(point.valid, 0) << c.name;
    }
}

TEST(TurnSpline, CornerOnlyEndsAtTheCorner) {
    TurnSplineRequest r = request(0.0, 50.0, 90.0, 50.0, 350.0);
    r.cornerOnly = 1;
    const TurnSpline spline = built(r);
    ASSERT_EQ(spline.errorKind, 0u);
    const SplinePoint last = gf_turnSplinePointAt(spline, 1.0);
    EXPECT_LT(metresBetween({last.latitude, last.longitude}, r.corner), 0.01);
    EXPECT_NEAR(last.headingRad * kRadiansToDegrees, 90.0, 0.01); // already along the second leg
}

TEST(TurnSpline, TurnAcrossTheAntimeridian) {
    TurnSplineRequest r;
    r.start = {-16.7, 179.9996};
    r.corner = pointFrom(r.start, 90.0, 60.0);
    r.end = pointFrom(r.corner, 0.0, 60.0);
    r.startHeadingRad = 90.0 * kDegreesToRadians;
    ASSERT_LT(r.corner.longitude, 0.0);
    const TurnSpline spline = built(r);
    ASSERT_EQ(spline.errorKind, 0u) << gf_turnSplineErrorText(spline);
    EXPECT_LT(spline.length, 1.6 * 120.0);
    const SplinePoint last = gf_turnSplinePointAt(spline, 1.0);
    ASSERT_TRUE(last.valid);
    EXPECT_LT(metresBetween({last.latitude, last.longitude}, r.end), 0.05);
}

TEST(TurnSpline, ErrorTexts) {
    const char* texts[] = {
        "none",           "invalid input",          "leg too short",   "leg out of range", "turn too small",
        "turn too large", "start heading mismatch", "invalid tangent", "excessive length", "unknown"};
    TurnSpline spline;
    for (std::uint32_t kind = 0; kind < 10; ++kind) {
        spline.errorKind = kind;
        EXPECT_EQ(gf_turnSplineErrorText(spline), texts[kind]) << kind;
    }
}

} // namespace
} // namespace kiv
