#include "motion/stand_geometry.h"

#include <algorithm>
#include <cmath>

#include "foundation/geodesy.h"
#include "motion/detail/motion_math.h"

namespace kiv {
namespace {

using detail::degToRad;
using detail::kMetresPerNm;
using detail::radToDeg;
using detail::wrapPi;

constexpr double kTan15 = 0.2679491924311227;
constexpr double kFeetPerNm = detail::kFeetPerNm;

Lalo positionOf(const StandPose& stand) noexcept { return {stand.latitude, stand.longitude}; }

// The point `metres` in front of the stand, where an arriving aircraft comes from.
Lalo pointInFront(const StandPose& stand, double metres) {
    return gf_destinationPoint(positionOf(stand), stand.headingRad + detail::kPi, metres * detail::kFeetPerMetre);
}

bool bearingWithin(const Lalo& from, const Lalo& to, double headingRad, double limitDeg) {
    return std::fabs(wrapPi(gf_initialBearingRad(from, to) - headingRad)) <= degToRad(limitDeg);
}

StandEntryCheck refused(const char* reason) { return {0.0, false, reason}; }

// Steps 5 and later of the mode-1 and wider corridors; the close case is already decided.
void judgeCorridor(const ContinuityInput& in, double x, PositionContinuity& out) {
    out.trackChangeRad = wrapPi(in.refTrackRad - in.testTrackRad);
    out.crossTrackFt = std::fabs(std::sin(x)) * out.distanceNm * kFeetPerNm;
    const double along = out.alongTrackNm;
    if (in.mode == 1) {
        if (along <= 0.05) {
            out.failure = 5;
        } else if (along > 0.6) {
            out.failure = 6;
        } else if (std::fabs(out.trackChangeRad) > 0.4363323129985824) { // 25 degrees
            out.failure = 3;
        } else {
            out.crossTrackLimitFt = 700.0;
            out.result = out.crossTrackFt <= out.crossTrackLimitFt ? 4 : 0;
            out.failure = out.result == 0 ? 7 : 0;
        }
        return;
    }
    if (std::fabs(out.trackChangeRad) > 0.3490658503988659) { // 20 degrees
        out.failure = 3;
    } else if (along < -0.05) {
        out.crossTrackLimitFt = 900.0;
        const bool tooFar = -along > 1.8 || out.crossTrackFt > out.crossTrackLimitFt;
        out.result = tooFar ? 0 : 2;
        out.failure = tooFar ? 4 : 0;
    } else if (along <= 0.05) {
        out.failure = 5;
    } else if (along > 1.8) {
        out.failure = 6;
    } else {
        out.crossTrackLimitFt = 900.0 + 1900.0 * std::clamp(out.distanceNm / 4.0, 0.0, 1.0);
        out.result = out.crossTrackFt <= out.crossTrackLimitFt ? 3 : 0;
        out.failure = out.result == 0 ? 7 : 0;
    }
}

} // namespace

RelativePosition gf_relativePosition(const Lalo& from, double headingRad, const Lalo& to) {
    const double distance = gf_distanceNm(from, to) * kMetresPerNm;
    if (distance <= 0.1) {
        return {distance, 0.0, 0.0, 0.0};
    }
    const double x = wrapPi(gf_initialBearingRad(from, to) - headingRad);
    return {distance, x, std::cos(x) * distance, std::sin(x) * distance};
}

bool gf_withinRadii(const Lalo& a, double radiusANm, const Lalo& b, double radiusBNm) noexcept {
    const double sum = radiusANm + radiusBNm;
    if (!(sum > 0.0)) {
        return false;
    }
    const double dLat = (a.latitude - b.latitude) * 60.0;
    const double dLon = std::cos(degToRad(a.latitude)) * (a.longitude - b.longitude) * 60.0;
    return dLat * dLat + dLon * dLon <= sum * sum;
}

PositionContinuity gf_checkPositionContinuity(const ContinuityInput& in) {
    PositionContinuity out;
    const double dLat = (in.testLatitude - in.refLatitude) * 60.0;
    const double dLon = (in.testLongitude - in.refLongitude) * in.cosRefLatitude * 60.0;
    const double squared = dLat * dLat + dLon * dLon;
    out.distanceNm = std::sqrt(squared);
    if (squared > 16.0) {
        out.failure = 1;
        return out;
    }
    out.altitudeDifferenceFt = in.testAltitudeFt - in.refAltitudeFt;
    if (std::fabs(out.altitudeDifferenceFt) > 1000.0) {
        out.failure = 2;
        return out;
    }
    const double bearing = gf_initialBearingRad({in.refLatitude, in.refLongitude}, {in.testLatitude, in.testLongitude});
    const double x = wrapPi(in.refTrackRad - bearing);
    out.alongTrackNm = std::cos(x) * out.distanceNm;
    if (out.distanceNm <= 0.6 && std::fabs(out.altitudeDifferenceFt) <= 300.0 && out.alongTrackNm > 0.05) {
        out.result = 1;
        return out;
    }
    if (in.mode != 0) {
        judgeCorridor(in, x, out);
    }
    return out;
}

StandApproachState gf_standApproachState(const StandPose& stand, const Lalo& aircraft, double headingRad) {
    const RelativePosition r = gf_relativePosition(positionOf(stand), stand.headingRad, aircraft);
    StandApproachState s;
    s.distanceM = r.distanceM;
    s.headingDifferenceDeg = radToDeg(wrapPi(stand.headingRad - headingRad));
    s.alongM = r.alongTrackM;
    s.lateralM = r.crossTrackM;
    s.pastStand = s.alongM > 3.0 ? 1 : 0;
    s.far = s.distanceM > 15.0 ? 1 : 0;
    s.headingOff = std::fabs(s.headingDifferenceDeg) >= 45.0 ? 1 : 0;
    s.lateralOff = std::fabs(s.lateralM) > 8.0 ? 1 : 0;
    const bool candidate = s.pastStand != 0 || (s.far == 0 && s.headingOff == 0 && s.lateralOff == 0);
    if (candidate && s.pastStand != 0 && s.distanceM <= 12.0) {
        const double tolerance = s.distanceM >= 12.0  ? 4.0
                                 : s.distanceM <= 3.5 ? 10.0
                                                      : 4.0 + 6.0 * (12.0 - s.distanceM) / 8.5;
        if (std::fabs(s.headingDifferenceDeg) <= tolerance) {
            s.ok = 1;
            s.rejected = 0;
            return s;
        }
    }
    s.ok = 0;
    s.rejected = candidate ? 0 : 1;
    return s;
}

ApproachPoint gf_approachTurnPoint(double alongM, double lateralM) noexcept {
    if (!std::isfinite(alongM) || !std::isfinite(lateralM)) {
        return {};
    }
    for (const double offset : {10.0, 5.0}) {
        const double before = -alongM - offset;
        if (before >= 3.0 && std::fabs(lateralM) <= kTan15 * before) {
            return {offset, 1};
        }
    }
    return {};
}

bool gf_isDirectFinalToStand(const StandPose& stand, const Lalo& aircraft, double headingRad) {
    if (!std::isfinite(headingRad)) {
        return false;
    }
    const RelativePosition r = gf_relativePosition(positionOf(stand), stand.headingRad, aircraft);
    if (!std::isfinite(r.alongTrackM) || !std::isfinite(r.crossTrackM) || !(r.alongTrackM > -13.0) ||
        !(r.alongTrackM <= -3.0) || !(std::fabs(r.crossTrackM) <= 3.0)) {
        return false;
    }
    return bearingWithin(aircraft, positionOf(stand), headingRad, 15.0) &&
           bearingWithin(aircraft, positionOf(stand), stand.headingRad, 15.0);
}

namespace detail {
bool lf_isAtStand(const StandApproachState& s) noexcept {
    return std::isfinite(s.distanceM) && std::isfinite(s.headingDifferenceDeg) && std::isfinite(s.alongM) &&
           std::isfinite(s.lateralM) && s.distanceM <= 2.0 && s.alongM <= 0.0 && std::fabs(s.lateralM) <= 1.0 &&
           std::fabs(s.headingDifferenceDeg) <= 10.0;
}
} // namespace detail

StandEntryCheck gf_checkStandEntry(const StandPose& stand, double standRadiusNm, const Lalo& aircraft,
                                   double headingRad, double aircraftRadiusNm) {
    if (!std::isfinite(standRadiusNm) || !(standRadiusNm > 0.0) || !std::isfinite(aircraftRadiusNm) ||
        aircraftRadiusNm < 0.0 || !std::isfinite(headingRad)) {
        return refused("invalid stand or aircraft geometry");
    }
    if (std::fabs(wrapPi(headingRad - stand.headingRad)) > degToRad(10.0)) {
        return refused("heading exceeds 10 deg");
    }
    const RelativePosition r = gf_relativePosition(positionOf(stand), stand.headingRad, aircraft);
    if (!std::isfinite(r.distanceM) || !std::isfinite(r.alongTrackM) || !std::isfinite(r.crossTrackM)) {
        return refused("invalid stand relative position");
    }
    if (r.distanceM > (standRadiusNm + aircraftRadiusNm) * kMetresPerNm) {
        return refused("outside stand overlap");
    }
    const bool atStand = detail::lf_isAtStand(gf_standApproachState(stand, aircraft, headingRad));
    if (r.alongTrackM > -3.0 && !atStand) {
        return refused("too close to or past stand");
    }
    if (std::fabs(r.crossTrackM) > 3.0) {
        const ApproachPoint point = gf_approachTurnPoint(r.alongTrackM, r.crossTrackM);
        const bool turnsIn = std::fabs(r.crossTrackM) <= 4.0 && point.found != 0 && point.offsetM == 10.0 &&
                             bearingWithin(aircraft, pointInFront(stand, 10.0), headingRad, 15.0);
        if (!turnsIn) {
            return refused("over 3 m from centerline");
        }
    }
    if (!atStand) {
        if (r.alongTrackM > -13.0) {
            if (!gf_isDirectFinalToStand(stand, aircraft, headingRad)) {
                return refused("direct final approach exceeds 15 deg");
            }
        } else if (gf_approachTurnPoint(r.alongTrackM, r.crossTrackM).found == 0) {
            return refused("approach turn exceeds 15 deg");
        }
    }
    return {r.distanceM, true, {}};
}

bool gf_canApproachStand(const StandPose& stand, double maxReferenceDistanceNm, const Lalo& aircraft, double headingRad,
                         const Lalo& reference) {
    if (!std::isfinite(maxReferenceDistanceNm) || !(maxReferenceDistanceNm > 0.0) || !std::isfinite(headingRad) ||
        std::fabs(wrapPi(headingRad - stand.headingRad)) > degToRad(45.0)) {
        return false;
    }
    const RelativePosition r = gf_relativePosition(positionOf(stand), stand.headingRad, aircraft);
    const double referenceM = gf_distanceNm(reference, positionOf(stand)) * kMetresPerNm;
    if (!std::isfinite(r.distanceM) || !std::isfinite(r.alongTrackM) || !std::isfinite(r.crossTrackM) ||
        !std::isfinite(referenceM)) {
        return false;
    }
    // Both distances in metres: the limit comes in nautical miles.
    if (r.distanceM > 65.0 || r.distanceM < referenceM + 5.0 || referenceM > maxReferenceDistanceNm * kMetresPerNm) {
        return false;
    }
    const ApproachPoint point = gf_approachTurnPoint(r.alongTrackM, r.crossTrackM);
    return point.found != 0 && bearingWithin(aircraft, pointInFront(stand, point.offsetM), headingRad, 30.0);
}

} // namespace kiv
