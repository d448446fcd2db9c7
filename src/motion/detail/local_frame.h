// The flat frame of the curve legs: metres east and north of an origin, with 111132.95 m per
// degree of latitude and that times cos(origin latitude) per degree of longitude. Longitudes
// are taken the short way round, so a taxiway across the antimeridian stays a few metres long.
// Pure inline functions: any thread.
#pragma once

#include <cmath>

#include "foundation/lalo.h"
#include "motion/detail/motion_math.h"
#include "motion/turn_curve.h"

namespace kiv::detail {

inline constexpr double kCurveMetresPerDegree = 111132.95;

// Longitude into [-180, 180].
inline double normalizeLongitude(double longitude) noexcept {
    if (longitude >= -180.0 && longitude <= 180.0) {
        return longitude;
    }
    return std::remainder(longitude, 360.0);
}

struct LocalFrame {
    Lalo origin;
    double cosOrigin = 1.0;

    explicit LocalFrame(const Lalo& originPoint)
        : origin(originPoint), cosOrigin(std::cos(degToRad(originPoint.latitude))) {}

    LocalPoint toLocal(const Lalo& point) const noexcept {
        return {longitudeDifference(origin.longitude, point.longitude) * kCurveMetresPerDegree * cosOrigin,
                (point.latitude - origin.latitude) * kCurveMetresPerDegree};
    }
    Lalo toLalo(const LocalPoint& point) const noexcept {
        return {point.north / kCurveMetresPerDegree + origin.latitude,
                normalizeLongitude(point.east / (kCurveMetresPerDegree * cosOrigin) + origin.longitude)};
    }
};

} // namespace kiv::detail
