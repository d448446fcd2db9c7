// Great-circle arithmetic on a spherical earth: distance, initial course and the position
// reached along a course. Pure functions: any thread.
#pragma once

#include "foundation/lalo.h"

namespace kiv {

inline constexpr double kEarthRadiusNm = 3437.746770784939;
inline constexpr double kEarthDiameterNm = 6875.493541569878;
inline constexpr double kRadiansPerFoot = 4.787404208238998e-8; // a radius of 20888146.40466385 ft
inline constexpr double kDegreesToRadians = 0.017453292519943295;
inline constexpr double kRadiansToDegrees = 57.29577951308232;
inline constexpr double kFullTurnRad = 6.283185307179586;

// Haversine distance in nautical miles; finite for every pair of valid positions.
double gf_distanceNm(const Lalo& a, const Lalo& b);
// Initial course from a to b, in radians clockwise from true north, in [0, 2π).
double gf_initialBearingRad(const Lalo& a, const Lalo& b);
// The position reached from `start` along `courseRad` over `distanceFt`, longitude in [-180, 180].
Lalo gf_destinationPoint(const Lalo& start, double courseRad, double distanceFt);

} // namespace kiv
