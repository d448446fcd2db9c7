#include <cmath>

#include <gtest/gtest.h>

#include "motion/stand_geometry.h"
#include "stream_builder.h"

namespace kiv {
namespace {

using test_support::offsetFromStand;
using test_support::pointFrom;

constexpr double kDeg = kDegreesToRadians;
constexpr StandPose kStand{47.0, 9.0, 45.0 * kDeg};
constexpr Lalo kStandPosition{47.0, 9.0};

TEST(StandGeometry, RelativePositionAlongAndAcrossAHeading) {
    const RelativePosition nearby = gf_relativePosition(kStandPosition, 0.0, pointFrom(kStandPosition, 70.0, 0.05));
    EXPECT_NEAR(nearby.distanceM, 0.05, 1e-6);
    EXPECT_EQ(nearby.headingDifferenceRad, 0.0);
    EXPECT_EQ(nearby.alongTrackM, 0.0);
    EXPECT_EQ(nearby.crossTrackM, 0.0);

    const RelativePosition right =
        gf_relativePosition(kStandPosition, kStand.headingRad, offsetFromStand(kStand, 40.0, 30.0));
    EXPECT_NEAR(right.distanceM, 50.0, 0.01);
    EXPECT_NEAR(right.alongTrackM, 40.0, 0.01);
    EXPECT_NEAR(right.crossTrackM, 30.0, 0.01);
    const RelativePosition behind =
        gf_relativePosition(kStandPosition, kStand.headingRad, offsetFromStand(kStand, -50.0, 0.0));
    EXPECT_NEAR(behind.alongTrackM, -50.0, 0.01);
    EXPECT_NEAR(std::fabs(behind.headingDifferenceRad), 180.0 * kDeg, 1e-4);
}

TEST(StandGeometry, CirclesOverlapWithinTheSumOfTheRadii) {
    const Lalo b30 = pointFrom(kStandPosition, 90.0, 30.0);
    const Lalo b40 = pointFrom(kStandPosition, 90.0, 40.0);
    EXPECT_FALSE(gf_withinRadii(kStandPosition, 0.0, kStandPosition, 0.0));
    EXPECT_TRUE(gf_withinRadii(kStandPosition, 0.01, b30, 0.01));
    EXPECT_FALSE(gf_withinRadii(kStandPosition, 0.01, b40, 0.01));
    EXPECT_FALSE(gf_withinRadii(kStandPosition, std::nan(""), b30, 0.01));
}

TEST(StandGeometry, PositionContinuityModesAndEveryFailure) {
    const StandPose north{47.0, 9.0, 0.0};
    struct Case {
        const char* name;
        std::uint32_t mode;
        double alongNm;
        double lateralNm;
        double altitudeChangeFt;
        double newTrackDeg;
        std::uint32_t result;
        std::uint8_t failure;
    };
    const Case cases[] = {
        {"close ahead", 0, 0.5, 0.0, 0.0, 0.0, 1, 0},
        {"0.7 NM ahead in mode 0", 0, 0.7, 0.0, 0.0, 0.0, 0, 0},
        {"close but 400 ft apart in mode 0", 0, 0.5, 0.0, 400.0, 0.0, 0, 0},
        {"over 4 NM apart", 2, 4.1, 0.0, 0.0, 0.0, 0, 1},
        {"1001 ft apart", 2, 0.5, 0.0, 1001.0, 0.0, 0, 2},
        {"narrow corridor", 1, 0.5, 0.0, 400.0, 0.0, 4, 0},
        {"narrow corridor, track 22 degrees off", 1, 0.5, 0.0, 400.0, 22.0, 4, 0},
        {"narrow corridor, track 30 degrees off", 1, 0.5, 0.0, 400.0, 30.0, 0, 3},
        {"narrow corridor, not ahead", 1, 0.04, 0.0, 400.0, 0.0, 0, 5},
        {"narrow corridor, too far ahead", 1, 0.7, 0.0, 0.0, 0.0, 0, 6},
        {"narrow corridor, 1215 ft aside", 1, 0.5, 0.2, 400.0, 0.0, 0, 7},
        {"behind within limits", 2, -1.0, 0.1, 0.0, 0.0, 2, 0},
        {"too far behind", 2, -2.0, 0.0, 0.0, 0.0, 0, 4},
        {"behind, 1215 ft aside", 2, -1.0, 0.2, 0.0, 0.0, 0, 4},
        {"abeam", 2, 0.03, 0.3, 0.0, 0.0, 0, 5},
        {"2 NM ahead", 2, 2.0, 0.0, 0.0, 0.0, 0, 6},
        {"widening corridor", 2, 1.5, 0.23, 0.0, 0.0, 3, 0},
        {"beyond the widening corridor", 2, 1.5, 0.35, 0.0, 0.0, 0, 7},
        {"wide corridor, track 22 degrees off", 2, 1.5, 0.0, 0.0, 22.0, 0, 3},
    };
    for (const Case& c : cases) {
        const Lalo tested = offsetFromStand(north, c.alongNm * 1852.0, c.lateralNm * 1852.0);
        ContinuityInput in;
        in.mode = c.mode;
        in.refLatitude = north.latitude;
        in.refLongitude = north.longitude;
        in.testLatitude = tested.latitude;
        in.testLongitude = tested.longitude;
        in.cosRefLatitude = std::cos(north.latitude * kDeg);
        in.refTrackRad = 0.0;
        in.testTrackRad = c.newTrackDeg * kDeg;
        in.refAltitudeFt = 5000.0;
        in.testAltitudeFt = 5000.0 + c.altitudeChangeFt;
        const PositionContinuity out = gf_checkPositionContinuity(in);
        EXPECT_EQ(out.result, c.result) << c.name;
        EXPECT_EQ(out.failure, c.failure) << c.name;
    }
}

TEST(StandGeometry, ApproachStateFlagsAndHeadingTolerance) {
    struct Case {
        const char* name;
        double along;
        double lateral;
        double headingOffDeg; // aircraft heading = stand heading - this
        std::uint8_t ok;
        std::uint8_t rejected;
    };
    const Case cases[] = {
        {"20 m in front", -20.0, 0.0, 0.0, 0, 1},
        {"10 m in front", -10.0, 0.0, 0.0, 0, 0},
        {"10 m in front, 50 degrees off", -10.0, 0.0, 50.0, 0, 1},
        {"10 m in front, 9 m aside", -10.0, 9.0, 0.0, 0, 1},
        {"5 m past, aligned", 5.0, 0.0, 0.0, 1, 0},
        {"5 m past, 8.5 degrees off", 5.0, 0.0, 8.5, 1, 0},
        {"5 m past, 9.5 degrees off", 5.0, 0.0, -9.5, 0, 0},
        {"3.2 m past, 9.9 degrees off", 3.2, 0.0, 9.9, 1, 0},
        {"13 m past", 13.0, 0.0, 0.0, 0, 0},
        {"30 m past, 90 degrees off", 30.0, 0.0, 90.0, 0, 0},
    };
    for (const Case& c : cases) {
        const StandApproachState s = gf_standApproachState(kStand, offsetFromStand(kStand, c.along, c.lateral),
                                                           kStand.headingRad - c.headingOffDeg * kDeg);
        EXPECT_EQ(s.ok, c.ok) << c.name;
        EXPECT_EQ(s.rejected, c.rejected) << c.name;
        EXPECT_NEAR(s.headingDifferenceDeg, c.headingOffDeg, 1e-9) << c.name;
        EXPECT_NEAR(s.alongM, c.along, 0.01) << c.name;
        EXPECT_EQ(s.pastStand, c.along > 3.0 ? 1 : 0) << c.name;
    }
}

TEST(StandGeometry, ApproachTurnPoint) {
    struct Case {
        double along;
        double lateral;
        std::uint8_t found;
        double offset;
    };
    const Case cases[] = {
        {-20.0, 2.0, 1, 10.0}, {-14.0, 0.0, 1, 10.0}, {-12.0, 0.0, 1, 5.0},        {-20.0, 2.7, 1, 5.0},
        {-7.0, 0.0, 0, 0.0},   {-9.0, 2.0, 0, 0.0},   {std::nan(""), 0.0, 0, 0.0},
    };
    for (const Case& c : cases) {
        const ApproachPoint point = gf_approachTurnPoint(c.along, c.lateral);
        EXPECT_EQ(point.found, c.found) << c.along << "," << c.lateral;
        EXPECT_EQ(point.offsetM, c.offset) << c.along << "," << c.lateral;
    }
}

TEST(StandGeometry, DirectFinalToStand) {
    struct Case {
        double along;
        double lateral;
        double headingOffDeg;
        bool direct;
    };
    const Case cases[] = {
        {-10.0, 0.0, 0.0, true},  {-3.0, 0.0, 0.0, true},    {-2.9, 0.0, 0.0, false},
        {-13.0, 0.0, 0.0, false}, {-10.0, 2.0, 0.0, true},   {-10.0, 2.9, 0.0, false},
        {-10.0, 3.1, 0.0, false}, {-10.0, 0.0, 16.0, false}, {-10.0, 0.0, std::nan(""), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gf_isDirectFinalToStand(kStand, offsetFromStand(kStand, c.along, c.lateral),
                                          kStand.headingRad - c.headingOffDeg * kDeg),
                  c.direct)
            << c.along << "," << c.lateral << "," << c.headingOffDeg;
    }
}

TEST(StandGeometry, StandEntryRefusalsOneByOne) {
    struct Case {
        const char* name;
        double along;
        double lateral;
        double headingOffDeg;
        double standRadiusNm;
        double aircraftRadiusNm;
        const char* reason; // empty: ok
    };
    const double nan = std::nan("");
    const Case cases[] = {
        {"stand without radius", -20.0, 0.0, 0.0, 0.0, 0.01, "invalid stand or aircraft geometry"},
        {"aircraft radius not a number", -20.0, 0.0, 0.0, 0.01, nan, "invalid stand or aircraft geometry"},
        {"11 degrees off", -20.0, 0.0, 11.0, 0.01, 0.01, "heading exceeds 10 deg"},
        {"30 m out, 18.5 m of radii", -30.0, 0.0, 0.0, 0.005, 0.005, "outside stand overlap"},
        {"2 m past", 2.0, 0.0, 0.0, 0.01, 0.01, "too close to or past stand"},
        {"2 m in front, 2 m aside", -2.0, 2.0, 0.0, 0.01, 0.01, "too close to or past stand"},
        {"3.5 m aside without the 10 m point", -20.0, 3.5, 0.0, 0.015, 0.0, "over 3 m from centerline"},
        {"3.5 m aside, turned towards the 10 m point", -20.0, 3.5, 9.0, 0.015, 0.0, "over 3 m from centerline"},
        {"half a metre past", 0.5, 0.0, 0.0, 0.01, 0.01, "too close to or past stand"},
        {"4.5 m aside", -30.0, 4.5, 0.0, 0.015, 0.01, "over 3 m from centerline"},
        {"8 m in front, 2.5 m aside", -8.0, 2.5, 0.0, 0.01, 0.01, "direct final approach exceeds 15 deg"},
        {"14 m in front, 2.9 m aside", -14.0, 2.9, 0.0, 0.01, 0.01, "approach turn exceeds 15 deg"},
        {"20 m in front, 2 m aside", -20.0, 2.0, 0.0, 0.012, 0.0, ""},
        {"3.5 m aside over the 10 m point", -25.0, 3.5, 0.0, 0.015, 0.0, ""},
        {"at the stand", -0.5, 0.3, 2.0, 0.01, 0.01, ""},
        {"on a direct final", -8.0, 0.5, 0.0, 0.01, 0.01, ""},
    };
    for (const Case& c : cases) {
        const Lalo aircraft = offsetFromStand(kStand, c.along, c.lateral);
        const StandEntryCheck check = gf_checkStandEntry(
            kStand, c.standRadiusNm, aircraft, kStand.headingRad - c.headingOffDeg * kDeg, c.aircraftRadiusNm);
        EXPECT_EQ(check.reason, c.reason) << c.name;
        EXPECT_EQ(check.ok, std::string(c.reason).empty()) << c.name;
        if (check.ok) {
            EXPECT_NEAR(check.distanceM, std::hypot(c.along, c.lateral), 0.01) << c.name;
        }
    }
    const StandEntryCheck nowhere = gf_checkStandEntry(kStand, 0.01, {nan, 9.0}, kStand.headingRad, 0.01);
    EXPECT_EQ(nowhere.reason, "invalid stand relative position");
}

TEST(StandGeometry, CanApproachStandComparesDistancesInOneUnit) {
    struct Case {
        const char* name;
        double along;
        double lateral;
        double headingOffDeg;
        double referenceAlong; // the stream's last sample, on the centre line
        double radiusNm;
        bool can;
    };
    const Case cases[] = {
        {"30 m out, last sample 3 m from the stand", -30.0, 0.0, 0.0, -3.0, 0.02, true},
        {"last sample beyond the stand radius", -60.0, 0.0, 0.0, -40.0, 0.02, false},
        {"more than 65 m out", -70.0, 0.0, 0.0, -3.0, 0.02, false},
        {"not 5 m further out than the last sample", -30.0, 0.0, 0.0, -27.0, 0.02, false},
        {"50 degrees off", -30.0, 0.0, 50.0, -3.0, 0.02, false},
        {"40 degrees off the approach point", -30.0, 0.0, 40.0, -3.0, 0.02, false},
        {"too close for an approach point", -7.0, 0.0, 0.0, 0.0, 0.02, false},
        {"no radius", -30.0, 0.0, 0.0, -3.0, 0.0, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gf_canApproachStand(kStand, c.radiusNm, offsetFromStand(kStand, c.along, c.lateral),
                                      kStand.headingRad - c.headingOffDeg * kDeg,
                                      offsetFromStand(kStand, c.referenceAlong, 0.0)),
                  c.can)
            << c.name;
    }
}

} // namespace
} // namespace kiv
