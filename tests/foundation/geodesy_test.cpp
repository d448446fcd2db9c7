#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

#include "foundation/geodesy.h"

namespace kiv {
namespace {

// Reference values come from a separate Python computation with 3-D unit vectors on the
// same sphere (distance = atan2(|a × b|, a · b) · R, course from the tangent-plane
// components, destination by rotating the start vector), not from the haversine code here.

struct PairCase {
    const char* name;
    Lalo a;
    Lalo b;
    double distanceNm;
    double bearingRad;
};

const PairCase kPairs[] = {
    {"EHAM-KJFK", {52.3086, 4.7639}, {40.6398, -73.7789}, 3155.282619082341, 5.07121895774938},
    {"YSSY-KLAX over the antimeridian",
     {-33.9461, 151.1772},
     {33.9425, -118.4081},
     6508.086634280121,
     1.0646502361522023},
    {"over the south pole", {-89.5, 10.0}, {-60.0, -170.0}, 1830.0000000000002, std::numbers::pi},
    {"almost antipodal", {10.0, 20.0}, {-9.9, -160.5}, 10769.84822974327, 1.371221012031879},
    {"short hop", {52.3, 4.76}, {52.3001, 4.7601}, 0.007032973848094914, 0.5488509871554927},
    {"one minute of arc", {0.0, 0.0}, {0.0, 1.0}, 60.0, std::numbers::pi / 2},
    {"due west is 3π/2", {0.0, 0.0}, {0.0, -1.0}, 60.0, 3 * std::numbers::pi / 2},
    {"due north", {0.0, 0.0}, {1.0, 0.0}, 60.0, 0.0},
};

TEST(Geodesy, DistanceAgreesWithVectorGeometry) {
    for (const auto& c : kPairs) {
        EXPECT_NEAR(gf_distanceNm(c.a, c.b), c.distanceNm, 1e-6) << c.name;
        EXPECT_NEAR(gf_distanceNm(c.b, c.a), c.distanceNm, 1e-6) << c.name;
    }
    EXPECT_EQ(gf_distanceNm({52.3086, 4.7639}, {52.3086, 4.7639}), 0.0);
}

TEST(Geodesy, NearAntipodalPairsStayFinite) {
    // Found by search: for these the haversine term rounds to 1.0000000000000002.
    const Lalo pairs[][2] = {
        {{51.0579, 115.3749}, {-51.0579, -64.6251}},
        {{55.6452, 6.7242}, {-55.6452, -173.2758}},
        {{-21.9656, -55.1049}, {21.9656, 124.8951}},
    };
    for (const auto& [a, b] : pairs) {
        EXPECT_NEAR(gf_distanceNm(a, b), 10800.0, 1e-6) << a.latitude << "," << a.longitude;
    }
}

TEST(Geodesy, InitialBearingAgreesWithVectorGeometry) {
    for (const auto& c : kPairs) {
        const double course = gf_initialBearingRad(c.a, c.b);
        EXPECT_NEAR(course, c.bearingRad, 1e-9) << c.name;
    }
}

TEST(Geodesy, InitialBearingStaysBelowAFullTurn) {
    // Just west of north: the course is a hair below 0 and must not become exactly 2π.
    const double course = gf_initialBearingRad({0.0, 0.0}, {1.0, -1e-17});
    EXPECT_GE(course, 0.0);
    EXPECT_LT(course, kFullTurnRad);
    EXPECT_NEAR(std::fmod(course, kFullTurnRad), 0.0, 1e-12);
}

TEST(Geodesy, DestinationPointAgreesWithVectorGeometry) {
    struct Case {
        const char* name;
        Lalo start;
        double courseRad;
        double distanceFt;
        Lalo expected;
    };
    const Case cases[] = {
        {"EHAM eastwards", {52.3086, 4.7639}, 1.2, 1500000.0, {53.62685180153322, 11.238520589432555}},
        {"east over the antimeridian", {0.0, 179.9}, std::numbers::pi / 2, 364567.0, {0.0, -179.09999980634558}},
        {"far across the Pacific", {-33.9461, 151.1772}, 0.8, 40000000.0, {47.095020406330185, -126.10816753596603}},
        {"west over the antimeridian", {45.0, -179.95}, 4.8, 120000.0, {45.02786209452493, 179.58605795493304}},
        {"nowhere", {12.5, -7.25}, 1.0, 0.0, {12.5, -7.25}},
    };
    for (const auto& c : cases) {
        const Lalo reached = gf_destinationPoint(c.start, c.courseRad, c.distanceFt);
        EXPECT_NEAR(reached.latitude, c.expected.latitude, 1e-9) << c.name;
        EXPECT_NEAR(reached.longitude, c.expected.longitude, 1e-9) << c.name;
        EXPECT_LE(std::abs(reached.longitude), 180.0) << c.name;
    }
}

TEST(Geodesy, DestinationOverAPoleStaysFinite) {
    // The sine of the new latitude rounds to 1.0000000000000002 here.
    const Lalo reached = gf_destinationPoint({52.646, 0.0}, 0.0, 13618033.0);
    EXPECT_NEAR(reached.latitude, 89.99999977834634, 1e-6);
    EXPECT_NEAR(reached.longitude, 0.0, 1e-9);
}

} // namespace
} // namespace kiv
