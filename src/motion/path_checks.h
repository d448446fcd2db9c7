// Small tests shared by the ground and air steps: whether a turn spline or turn curve is
// planned, and whether two samples or positions lie at the same place (within 1e-8 degrees
// in latitude and in longitude). Pure inline functions; any thread.
#pragma once

#include <cmath>

#include "feeds/traffic_record.h"
#include "foundation/lalo.h"
#include "motion/curve_records.h"

namespace kiv {

inline constexpr double kSamePlaceDeg = 1e-8;

// Built without error and of some length.
inline bool gf_isValidTurnSpline(const TurnSpline& spline) noexcept {
    return spline.errorKind == 0 && spline.length > 0.0;
}

// A default or invalidated curve has no control point.
inline bool gf_isValidTurnCurve(const TurnCurve& curve) noexcept {
    return !std::isnan(curve.controlEast) && !std::isnan(curve.controlNorth);
}

inline bool gf_samePlace(double latitudeA, double longitudeA, double latitudeB, double longitudeB) noexcept {
    return std::fabs(latitudeA - latitudeB) < kSamePlaceDeg && std::fabs(longitudeA - longitudeB) < kSamePlaceDeg;
}

inline bool gf_samePlace(const StreamSample& a, const StreamSample& b) noexcept {
    return gf_samePlace(a.latitude, a.longitude, b.latitude, b.longitude);
}

inline bool gf_samePlace(const StreamSample& sample, const Lalo& position) noexcept {
    return gf_samePlace(sample.latitude, sample.longitude, position.latitude, position.longitude);
}

} // namespace kiv
