// The program's turn splines, turn curves and speed profiles against values computed apart
// from it with numpy/scipy (tests/data/motion/make_shape_table.py): Hermite curves from
// scipy's CubicHermiteSpline, arc lengths by quadrature, points at a fraction of the length
// by root finding, speed extremes by dense sampling.
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/geodesy.h"
#include "motion/speed_profile.h"
#include "motion/turn_curve.h"
#include "motion/turn_spline.h"

namespace kiv {
namespace {

constexpr double kMetresPerDegree = 111132.95;
constexpr Lalo kOrigin{46.5, 7.25};

std::vector<std::vector<std::string>> readRows(const std::string& name) {
    std::ifstream file(std::string(KIV_TEST_DATA_DIR) + "/motion/" + name);
    std::vector<std::vector<std::string>> rows;
    std::string line;
    std::getline(file, line); // header
    while (std::getline(file, line)) {
        std::vector<std::string> fields;
        std::stringstream stream(line);
        std::string field;
        while (std::getline(stream, field, ',')) {
            fields.push_back(field);
        }
        rows.push_back(fields);
    }
    return rows;
}

double number(const std::string& text) { return text.empty() ? std::nan("") : std::stod(text); }

// The frame of the curve code: metres east and north of the origin.
Lalo fromLocal(double east, double north) {
    const double cosOrigin = std::cos(kOrigin.latitude * kDegreesToRadians);
    return {kOrigin.latitude + north / kMetresPerDegree, kOrigin.longitude + east / (kMetresPerDegree * cosOrigin)};
}

void toLocal(const Lalo& point, double& east, double& north) {
    const double cosOrigin = std::cos(kOrigin.latitude * kDegreesToRadians);
    east = (point.longitude - kOrigin.longitude) * kMetresPerDegree * cosOrigin;
    north = (point.latitude - kOrigin.latitude) * kMetresPerDegree;
}

double headingDifferenceDeg(double aDeg, double bDeg) { return std::fabs(std::remainder(aDeg - bDeg, 360.0)); }

// Columns: kind, case, a, b, c, d, start heading, scale, end heading, corner only, fraction,
// x, y, heading, length.
TEST(IndependentShapes, TurnSplinesAndCurvesMatchScipy) {
    const auto rows = readRows("turn_shapes.csv");
    ASSERT_EQ(rows.size(), 40u);
    for (const auto& row : rows) {
        const std::string label = row[0] + " " + row[1] + " at " + row[10];
        const double fraction = number(row[10]);
        Lalo point;
        double headingRad = 0.0;
        double length = 0.0;
        if (row[0] == "spline") {
            TurnSplineRequest request;
            request.start = kOrigin;
            request.corner = fromLocal(number(row[2]), number(row[3]));
            request.end = fromLocal(number(row[4]), number(row[5]));
            request.startHeadingRad = number(row[6]) * kDegreesToRadians;
            request.limits.startTangentScale = number(row[7]);
            request.hasEndHeading = row[8].empty() ? 0 : 1;
            request.endHeadingRad = row[8].empty() ? 0.0 : number(row[8]) * kDegreesToRadians;
            request.cornerOnly = static_cast<std::uint8_t>(number(row[9]));
            TurnSpline spline;
            ASSERT_TRUE(gf_buildTurnSpline(spline, request)) << label << ": " << gf_turnSplineErrorText(spline);
            const SplinePoint at = gf_turnSplinePointAt(spline, fraction);
            ASSERT_TRUE(at.valid) << label;
            point = {at.latitude, at.longitude};
            headingRad = at.headingRad;
            length = spline.length;
        } else {
            TurnCurve curve;
            const Lalo control = fromLocal(number(row[2]), number(row[3]));
            const Lalo end = fromLocal(number(row[4]), number(row[5]));
            gf_buildTurnCurve(curve, {kOrigin.latitude, kOrigin.longitude, 0.0},
                              {control.latitude, control.longitude, 0.0}, {end.latitude, end.longitude, 1.0});
            ASSERT_TRUE(gf_turnCurvePointAt(curve, fraction, point, headingRad)) << label;
        }
        double east = 0.0;
        double north = 0.0;
        toLocal(point, east, north);
        // 128 (spline) or 64 (curve) chords: lengths a little short, points within centimetres.
        EXPECT_NEAR(east, number(row[11]), 0.05) << label;
        EXPECT_NEAR(north, number(row[12]), 0.05) << label;
        EXPECT_LT(headingDifferenceDeg(headingRad * kRadiansToDegrees, number(row[13])), 0.3) << label;
        if (row[0] == "spline") { // a curve keeps no length of its own
            EXPECT_NEAR(length, number(row[14]), 5e-4 * number(row[14])) << label;
        }
    }
}

// Columns: case, distance, duration, start, end, time fraction, position, limited start,
// limited end, min speed, max speed.
TEST(IndependentShapes, SpeedProfilesMatchScipy) {
    const auto rows = readRows("speed_profiles.csv");
    ASSERT_EQ(rows.size(), 15u);
    for (const auto& row : rows) {
        const std::string label = "profile " + row[0] + " at " + row[5];
        SpeedProfile profile;
        ASSERT_TRUE(gf_buildSpeedProfile(profile, number(row[1]), number(row[2]), number(row[3]), number(row[4])))
            << label;
        EXPECT_NEAR(gf_profilePositionAt(profile, number(row[5])), number(row[6]), 1e-6) << label;
        EXPECT_NEAR(profile.startSpeed, number(row[7]), 1e-6) << label;
        EXPECT_NEAR(profile.endSpeed, number(row[8]), 1e-6) << label;
        EXPECT_NEAR(gf_profileMinSpeed(profile), number(row[9]), 1e-6) << label;
        EXPECT_NEAR(gf_profileMaxSpeed(profile), number(row[10]), 1e-6) << label;
    }
}

} // namespace
} // namespace kiv
