#include "motion/turn_spline.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "motion/detail/arc_table.h"
#include "motion/detail/local_frame.h"
#include "motion/detail/motion_math.h"
#include "motion/turn_curve.h"

namespace kiv {
namespace {

using detail::degToRad;
using detail::kPi;
using detail::kTwoPi;
using detail::radToDeg;

constexpr double kMinLegM = 2.0;
constexpr double kMaxLegM = 250.0;
constexpr double kSmallHeadingChangeRad = 0.08726646259971647; // 5 degrees
constexpr double kReversalRad = 3.0543261909900767;            // 175 degrees
constexpr double kRunningMarginRad = 0.4363323129985824;       // 25 degrees
constexpr double kTotalTurnMarginRad = 0.8726646259971648;     // 50 degrees
constexpr double kBackstepRad = 0.5 * 0.017453292519943295;    // half a degree against the turn
constexpr double kVanishing = 1e-8;                            // squared derivative without a direction
constexpr double kMaxLengthFactor = 1.6;

struct Limits {
    double minLegM;
    double minLegSumM;
    double maxTurnDeg;
    double maxStartMismatchDeg;
    double cornerDistanceFraction;
    double maxHeadingChangePerMetreDeg;
    double startTangentScale;
};

double orDefault(double value, double fallback) noexcept { return value > 0.0 ? value : fallback; }

Limits limitsOf(const TurnSplineLimits& given) noexcept {
    return {orDefault(given.minLegM, 15.0),
            orDefault(given.minLegSumM, 50.0),
            orDefault(given.maxTurnDeg, 60.0),
            orDefault(given.maxStartMismatchDeg, 60.0),
            orDefault(given.cornerDistanceFraction, 0.35),
            orDefault(given.maxHeadingChangePerMetreDeg, 3.0),
            orDefault(given.startTangentScale, 2.0)};
}

bool isCompassHeading(double headingRad) noexcept { return headingRad >= 0.0 && headingRad < kTwoPi; }

double legHeading(const LocalPoint& leg) noexcept {
    const double heading = detail::reduceTwoPi(detail::headingOf(leg.east, leg.north));
    return std::isfinite(heading) ? heading : 0.0;
}

// One step of 2 pi is enough: both headings come from atan2.
double headingStep(double heading, double previous) noexcept {
    double step = heading - previous;
    if (step > kPi) {
        step -= kTwoPi;
    } else if (step < -kPi) {
        step += kTwoPi;
    }
    return step;
}

bool fail(TurnSpline& spline, TurnSplineError error) noexcept {
    spline.errorKind = static_cast<std::uint32_t>(error);
    return false;
}

// The geometry of the request in the local frame of its start point.
struct Shape {
    LocalPoint corner;
    LocalPoint end;
    LocalPoint leg2;
    double l1 = 0.0;
    double l2 = 0.0;
    double turnRad = 0.0;   // second leg heading - first leg heading, wrapped
    double changeRad = 0.0; // second leg heading - start heading, wrapped
};

void setTangents(TurnSpline& spline, const TurnSplineRequest& request, const Shape& shape, const Limits& limits) {
    const double sinStart = std::sin(request.startHeadingRad);
    const double cosStart = std::cos(request.startHeadingRad);
    if (request.cornerOnly != 0) {
        spline.endEast = shape.corner.east;
        spline.endNorth = shape.corner.north;
        spline.startTangentEast = shape.l1 * sinStart;
        spline.startTangentNorth = shape.l1 * cosStart;
        spline.endTangentEast = 0.5 * shape.l1 * shape.leg2.east / shape.l2;
        spline.endTangentNorth = 0.5 * shape.l1 * shape.leg2.north / shape.l2;
        return;
    }
    spline.endEast = shape.end.east;
    spline.endNorth = shape.end.north;
    spline.startTangentEast = limits.startTangentScale * shape.l1 * sinStart;
    spline.startTangentNorth = limits.startTangentScale * shape.l1 * cosStart;
    if (request.hasEndHeading != 0) {
        spline.endTangentEast = 2.0 * shape.l2 * std::sin(request.endHeadingRad);
        spline.endTangentNorth = 2.0 * shape.l2 * std::cos(request.endHeadingRad);
    } else {
        spline.endTangentEast = 2.0 * shape.leg2.east;
        spline.endTangentNorth = 2.0 * shape.leg2.north;
    }
}

bool tangentsUsable(const TurnSpline& spline, const Shape& shape, const Limits& limits) noexcept {
    const double startSquared =
        spline.startTangentEast * spline.startTangentEast + spline.startTangentNorth * spline.startTangentNorth;
    const double change = std::fabs(shape.changeRad);
    if (startSquared <= kVanishing || change >= kReversalRad) {
        return false;
    }
    if (spline.strict == 0) {
        return true;
    }
    return change >= degToRad(10.0) && change <= degToRad(limits.maxTurnDeg) && spline.turnAngleDeg <= 60.0 &&
           spline.startMismatchDeg <= limits.maxStartMismatchDeg && shape.l1 >= limits.minLegM &&
           shape.l2 >= limits.minLegM && shape.l1 + shape.l2 >= limits.minLegSumM;
}

// What the walk along the spline measured.
struct Walk {
    double length = 0.0;
    double runningMin = 0.0;
    double runningMax = 0.0;
    double totalTurn = 0.0;
    double cornerDistance = 0.0;
};

// Samples t = k/128, fills the arc table and the deviations; false on a bad sample.
bool walkSpline(TurnSpline& spline, const Shape& shape, const Limits& limits, Walk& walk) noexcept {
    const double unitEast = shape.corner.east / shape.l1;
    const double unitNorth = shape.corner.north / shape.l1;
    const double chordLength = std::hypot(spline.endEast, spline.endNorth);
    const double outsideSign = shape.turnRad > 0.0 ? -1.0 : 1.0;
    double previousHeading = detail::headingOf(spline.startTangentEast, spline.startTangentNorth);
    LocalPoint previous{};
    double running = 0.0;
    walk.cornerDistance = shape.l1;
    spline.arcTable[0] = 0.0;
    for (std::size_t k = 1; k < TurnSpline::kTableSize; ++k) {
        const HermitePoint p = gf_hermitePoint(spline, static_cast<double>(k) / 128.0);
        const double derivativeSquared = p.dEast * p.dEast + p.dNorth * p.dNorth;
        if (!std::isfinite(p.east) || !std::isfinite(p.north) || !std::isfinite(derivativeSquared) ||
            derivativeSquared <= kVanishing) {
            return false;
        }
        const double heading = detail::headingOf(p.dEast, p.dNorth);
        const double step = headingStep(heading, previousHeading);
        if (spline.strict == 0 &&
            ((shape.turnRad > 0.0 && step < -kBackstepRad) || (shape.turnRad < 0.0 && step > kBackstepRad))) {
            return false;
        }
        const double segment = std::sqrt((p.east - previous.east) * (p.east - previous.east) +
                                         (p.north - previous.north) * (p.north - previous.north));
        if (spline.strict != 0 && segment > 0.0 &&
            radToDeg(std::fabs(step)) / segment > limits.maxHeadingChangePerMetreDeg) {
            return false;
        }
        walk.length += segment;
        spline.arcTable[k] = walk.length;
        running += step;
        walk.runningMin = std::min(walk.runningMin, running);
        walk.runningMax = std::max(walk.runningMax, running);
        walk.totalTurn += std::fabs(step);
        walk.cornerDistance =
            std::min(walk.cornerDistance, std::hypot(p.east - shape.corner.east, p.north - shape.corner.north));
        const double cross = p.east * unitNorth - p.north * unitEast;
        spline.outsideDeviation = std::max(spline.outsideDeviation, outsideSign * cross);
        const double chordDistance = chordLength > 0.0
                                         ? std::fabs(p.east * spline.endNorth - p.north * spline.endEast) / chordLength
                                         : std::hypot(p.east, p.north);
        spline.chordDeviation = std::max(spline.chordDeviation, chordDistance);
        previousHeading = heading;
        previous = {p.east, p.north};
    }
    return true;
}

bool walkWithinTurn(const Walk& walk, const Shape& shape, const Limits& limits) noexcept {
    const double change = shape.changeRad;
    return walk.runningMin >= std::min(change, 0.0) - kRunningMarginRad &&
           walk.runningMax <= std::max(change, 0.0) + kRunningMarginRad &&
           walk.totalTurn <= std::fabs(change) + kTotalTurnMarginRad &&
           walk.cornerDistance <= std::min(shape.l1, shape.l2) * limits.cornerDistanceFraction;
}

// Steps 1 to 6 of the check: points, legs and angles. Fills the shape and the spline's
// angle fields; false with the error kind set.
bool checkShape(TurnSpline& spline, const TurnSplineRequest& request, Shape& shape, const Limits& limits) {
    const detail::LocalFrame frame(request.start);
    shape.corner = frame.toLocal(request.corner);
    shape.end = frame.toLocal(request.end);
    shape.leg2 = {shape.end.east - shape.corner.east, shape.end.north - shape.corner.north};
    shape.l1 = std::hypot(shape.corner.east, shape.corner.north);
    shape.l2 = std::hypot(shape.leg2.east, shape.leg2.north);
    if (shape.l1 < kMinLegM || shape.l2 < kMinLegM) {
        return fail(spline, TurnSplineError::leg_too_short);
    }
    if (shape.l1 > kMaxLegM || shape.l2 > kMaxLegM) {
        return fail(spline, TurnSplineError::leg_out_of_range);
    }
    const double h1 = legHeading(shape.corner);
    const double h2 = legHeading(shape.leg2);
    shape.turnRad = detail::wrapPi(h2 - h1);
    shape.changeRad = detail::wrapPi(h2 - request.startHeadingRad);
    spline.cornerEast = shape.corner.east;
    spline.cornerNorth = shape.corner.north;
    spline.turnAngleDeg = radToDeg(std::fabs(shape.turnRad));
    spline.startMismatchDeg = radToDeg(std::fabs(detail::wrapPi(h1 - request.startHeadingRad)));
    if (std::fabs(shape.changeRad) > kSmallHeadingChangeRad) {
        const bool opposite = (shape.changeRad < 0.0) != (shape.turnRad < 0.0);
        spline.strict = spline.turnAngleDeg <= 3.0 || opposite || spline.startMismatchDeg >= 20.0 ? 1 : 0;
    } else if (spline.turnAngleDeg <= 3.0) {
        return fail(spline, TurnSplineError::turn_too_small);
    }
    if (spline.turnAngleDeg >= 165.0) {
        return fail(spline, TurnSplineError::turn_too_large);
    }
    if (spline.startMismatchDeg > std::max(limits.maxStartMismatchDeg, 70.0)) {
        return fail(spline, TurnSplineError::start_heading_mismatch);
    }
    return true;
}

} // namespace

void gf_invalidateTurnSpline(TurnSpline& spline) noexcept { spline = TurnSpline{}; }

HermitePoint gf_hermitePoint(const TurnSpline& spline, double t) noexcept {
    t = std::clamp(t, 0.0, 1.0);
    const double t2 = t * t;
    const double t3 = t2 * t;
    const double h10 = t3 - 2.0 * t2 + t;
    const double h01 = 3.0 * t2 - 2.0 * t3;
    const double h11 = t3 - t2;
    const double d10 = 3.0 * t2 - 4.0 * t + 1.0;
    const double d01 = 6.0 * t - 6.0 * t2;
    const double d11 = 3.0 * t2 - 2.0 * t;
    return {h10 * spline.startTangentEast + h01 * spline.endEast + h11 * spline.endTangentEast,
            h10 * spline.startTangentNorth + h01 * spline.endNorth + h11 * spline.endTangentNorth,
            d10 * spline.startTangentEast + d01 * spline.endEast + d11 * spline.endTangentEast,
            d10 * spline.startTangentNorth + d01 * spline.endNorth + d11 * spline.endTangentNorth};
}

bool gf_buildTurnSpline(TurnSpline& spline, const TurnSplineRequest& request) noexcept {
    gf_invalidateTurnSpline(spline);
    spline.cornerOnly = request.cornerOnly;
    const bool pointsValid = gf_isValidLatLon(request.start.latitude, request.start.longitude) &&
                             gf_isValidLatLon(request.corner.latitude, request.corner.longitude) &&
                             gf_isValidLatLon(request.end.latitude, request.end.longitude);
    if (!pointsValid || !isCompassHeading(request.startHeadingRad) ||
        (request.hasEndHeading != 0 && !isCompassHeading(request.endHeadingRad))) {
        return fail(spline, TurnSplineError::invalid_input);
    }
    spline.originLatitude = request.start.latitude;
    spline.originLongitude = request.start.longitude;
    const Limits limits = limitsOf(request.limits);
    Shape shape;
    if (!checkShape(spline, request, shape, limits)) {
        return false;
    }
    setTangents(spline, request, shape, limits);
    if (!tangentsUsable(spline, shape, limits)) {
        return fail(spline, TurnSplineError::invalid_tangent);
    }
    Walk walk;
    if (!walkSpline(spline, shape, limits, walk) || (spline.strict != 0 && !walkWithinTurn(walk, shape, limits))) {
        return fail(spline, TurnSplineError::invalid_tangent);
    }
    if (!std::isfinite(walk.length) || !(walk.length > 0.0) || walk.length > kMaxLengthFactor * (shape.l1 + shape.l2)) {
        return fail(spline, TurnSplineError::excessive_length);
    }
    for (double& entry : spline.arcTable) {
        entry /= walk.length;
    }
    spline.length = walk.length;
    spline.errorKind = static_cast<std::uint32_t>(TurnSplineError::none);
    return true;
}

std::string_view gf_turnSplineErrorText(const TurnSpline& spline) noexcept {
    static constexpr std::array<std::string_view, 9> texts = {
        "none",           "invalid input",          "leg too short",   "leg out of range", "turn too small",
        "turn too large", "start heading mismatch", "invalid tangent", "excessive length",
    };
    return spline.errorKind < texts.size() ? texts[spline.errorKind] : "unknown";
}

SplinePoint gf_turnSplinePointAt(const TurnSpline& spline, double fraction) noexcept {
    SplinePoint result;
    if (spline.errorKind != 0 || !(spline.length > 0.0) || !std::isfinite(fraction)) {
        return result;
    }
    const double t = detail::parameterAtFraction(spline.arcTable, std::clamp(fraction, 0.0, 1.0));
    const HermitePoint p = gf_hermitePoint(spline, t);
    if (!(p.dEast * p.dEast + p.dNorth * p.dNorth > kVanishing)) {
        return result;
    }
    // At a pole no longitude follows from metres east: no point rather than a made-up one.
    const detail::LocalFrame frame({spline.originLatitude, spline.originLongitude});
    if (!(std::fabs(frame.cosOrigin) >= 1e-9)) {
        return result;
    }
    const Lalo point = frame.toLalo({p.east, p.north});
    if (!gf_isValidLatLon(point.latitude, point.longitude)) {
        return result;
    }
    const double heading = detail::reduceTwoPi(detail::headingOf(p.dEast, p.dNorth));
    result.latitude = point.latitude;
    result.longitude = point.longitude;
    result.headingRad = std::isfinite(heading) ? heading : 0.0;
    result.valid = 1;
    return result;
}

} // namespace kiv
