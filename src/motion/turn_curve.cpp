#include "motion/turn_curve.h"

#include <algorithm>
#include <cmath>

#include "motion/detail/arc_table.h"
#include "motion/detail/local_frame.h"
#include "motion/detail/motion_math.h"

namespace kiv {
namespace {

constexpr double kVanishing = 1e-18; // squared derivative below which it has no direction

LocalPoint bezier(double t, const LocalPoint& p0, const LocalPoint& p1, const LocalPoint& p2) noexcept {
    const double u = 1.0 - t;
    return {u * u * p0.east + 2.0 * t * u * p1.east + t * t * p2.east,
            u * u * p0.north + 2.0 * t * u * p1.north + t * t * p2.north};
}

} // namespace

bool gf_isValidLatLon(double latitude, double longitude) noexcept {
    return std::isfinite(latitude) && std::isfinite(longitude) && latitude >= -90.0 && latitude <= 90.0 &&
           longitude >= -180.0 && longitude <= 180.0;
}

bool gf_isValidCurvePoint(const CurvePoint& point) noexcept {
    return std::isfinite(point.value) && gf_isValidLatLon(point.latitude, point.longitude);
}

LocalPoint gf_bezierPoint(double t, const LocalPoint& p0, const LocalPoint& p1, const LocalPoint& p2,
                          double& headingRad) noexcept {
    const double u = 1.0 - t;
    const double dEast = 2.0 * u * (p1.east - p0.east) + 2.0 * t * (p2.east - p1.east);
    const double dNorth = 2.0 * u * (p1.north - p0.north) + 2.0 * t * (p2.north - p1.north);
    if (dEast * dEast + dNorth * dNorth > kVanishing) {
        headingRad = detail::headingOf(dEast, dNorth);
    } else {
        const double ddEast = 2.0 * (p0.east - 2.0 * p1.east + p2.east);
        const double ddNorth = 2.0 * (p0.north - 2.0 * p1.north + p2.north);
        headingRad =
            ddEast * ddEast + ddNorth * ddNorth > kVanishing ? detail::headingOf(ddEast, ddNorth) : kNotANumber;
    }
    return bezier(t, p0, p1, p2);
}

void gf_invalidateTurnCurve(TurnCurve& curve) noexcept { curve = TurnCurve{}; }

void gf_buildTurnCurve(TurnCurve& curve, const CurvePoint& p0, const CurvePoint& p1, const CurvePoint& p2) noexcept {
    if (!gf_isValidCurvePoint(p0) || !gf_isValidCurvePoint(p1) || !gf_isValidCurvePoint(p2) || !(p0.value < p2.value)) {
        gf_invalidateTurnCurve(curve);
        return;
    }
    const detail::LocalFrame frame({p0.latitude, p0.longitude});
    const LocalPoint start{};
    const LocalPoint control = frame.toLocal({p1.latitude, p1.longitude});
    const LocalPoint end = frame.toLocal({p2.latitude, p2.longitude});

    curve.arcTable[0] = 0.0;
    LocalPoint previous = start;
    double total = 0.0;
    for (std::size_t k = 1; k < TurnCurve::kTableSize; ++k) {
        const LocalPoint point = bezier(static_cast<double>(k) / 64.0, start, control, end);
        total += std::hypot(point.east - previous.east, point.north - previous.north);
        curve.arcTable[k] = total;
        previous = point;
    }
    if (!std::isfinite(total) || !(total > 0.0)) {
        gf_invalidateTurnCurve(curve);
        return;
    }
    for (double& entry : curve.arcTable) {
        entry /= total;
    }
    curve.originLatitude = p0.latitude;
    curve.originLongitude = p0.longitude;
    curve.startDistance = p0.value;
    curve.endNorth = end.north;
    curve.endEast = end.east;
    curve.endDistance = p2.value;
    curve.controlEast = control.east;
    curve.controlNorth = control.north;
}

bool gf_turnCurvePointAt(const TurnCurve& curve, double distance, Lalo& point, double& headingRad) noexcept {
    const double span = curve.endDistance - curve.startDistance;
    if (std::isnan(curve.controlEast) || std::isnan(curve.controlNorth) || !std::isfinite(distance) ||
        distance < curve.startDistance || distance > curve.endDistance || !(span > 0.0)) {
        return false;
    }
    const double fraction = (distance - curve.startDistance) / span;
    if (!(fraction >= 0.0 && fraction <= 1.0)) {
        return false;
    }
    const double t = detail::parameterAtFraction(curve.arcTable, fraction);
    double heading = 0.0;
    const LocalPoint local =
        gf_bezierPoint(t, {}, {curve.controlEast, curve.controlNorth}, {curve.endEast, curve.endNorth}, heading);
    if (std::isnan(local.east) || std::isnan(local.north) || !std::isfinite(heading)) {
        return false;
    }
    const detail::LocalFrame frame({curve.originLatitude, curve.originLongitude});
    const Lalo result = frame.toLalo(local);
    if (!std::isfinite(result.latitude) || !std::isfinite(result.longitude)) {
        return false;
    }
    point = result;
    headingRad = detail::reduceTwoPi(heading);
    return true;
}

} // namespace kiv
