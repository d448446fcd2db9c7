#include "motion/curve_steps.h"

#include <algorithm>
#include <cmath>

#include "foundation/geodesy.h"
#include "motion/detail/local_frame.h"
#include "motion/detail/motion_math.h"
#include "motion/turn_curve.h"
#include "traffic/aircraft_records.h"

namespace kiv {
namespace {

using detail::degToRad;
using detail::kHalfPi;
using detail::kPi;

constexpr double kAirMetresPerDegree = 111319.49;
constexpr double kHalfDegreeRad = 0.008726646259971648;
constexpr double kLargestHeadingStepRad = 0.06283185307179587; // 3.6 degrees
constexpr double kFineLimitRad = 0.10471975511965977;          // 6 degrees
constexpr double kFineRateMaxRad = 0.00034906585039886593;     // 0.02 degree per tick
constexpr double kFineRateChangeRad = 6.981317007977318e-6;    // 0.0004 degree per tick per tick
constexpr double kFineBrakeFactor = 1.3962634015954637e-5;     // 2 x the rate change
constexpr double kFineRateSquaredOffset = 4.873878716587338e-11;

double metresBetween(const Lalo& a, const Lalo& b) { return gf_distanceNm(a, b) * detail::kMetresPerNm; }

bool isCompass(double headingRad) noexcept { return headingRad >= 0.0 && headingRad < detail::kTwoPi; }

bool samePlace(const Lalo& a, const Lalo& b) noexcept {
    return std::fabs(a.latitude - b.latitude) < 1e-8 && std::fabs(a.longitude - b.longitude) < 1e-8;
}

double computedBank(const TurnBankStep& step, double dh, double v, double ticksPerSecond, double limit) noexcept {
    const double bank = v > 1.0 ? -std::atan(step.headingChangePerTick * ticksPerSecond * v / detail::kGravity)
                                : -std::clamp(dh, -limit, limit);
    return std::clamp(bank, -limit, limit);
}

} // namespace

TurnBankStep gf_turnAndBankStep(const TurnBankInput& in) noexcept {
    TurnBankStep step;
    for (const double positive :
         {in.ticksToNext, in.ticksPerSecond, in.maxTurnRateRadPerS, in.maxBankRad, in.maxBankChangePerTick}) {
        if (!std::isfinite(positive) || !(positive > 0.0)) {
            return step;
        }
    }
    const double limit = std::clamp(in.maxBankRad, 0.0, kHalfPi);
    step.currentBankRad = std::isfinite(in.bankRad) ? std::clamp(in.bankRad, -limit, limit) : 0.0;
    const bool headingsKnown = std::isfinite(in.targetHeadingRad) && std::isfinite(in.headingRad);
    const double dh = headingsKnown ? std::remainder(in.targetHeadingRad - in.headingRad, detail::kTwoPi) : 0.0;
    const double v = std::isfinite(in.speedKt) && in.speedKt > 0.0 ? in.speedKt * detail::kMetresPerSecondPerKnot : 0.0;
    const double turnRate =
        v > 1.0 ? std::min(std::tan(limit) * detail::kGravity / v, in.maxTurnRateRadPerS) : in.maxTurnRateRadPerS;
    const double perTick = turnRate / in.ticksPerSecond;
    step.headingChangePerTick = std::clamp(dh / in.ticksToNext, -perTick, perTick);
    step.newBankRad = computedBank(step, dh, v, in.ticksPerSecond, limit);
    if (in.bankCommand != 0) {
        if (std::isfinite(in.commandedBankRad) && std::fabs(in.commandedBankRad) <= kHalfPi) {
            step.newBankRad = std::clamp(in.commandedBankRad, -limit, limit);
            step.bankCommanded = 1;
        } else {
            step.bankCommandInvalid = 1;
        }
    }
    step.bankChangePerTick = std::clamp((step.newBankRad - step.currentBankRad) / in.ticksToNext,
                                        -in.maxBankChangePerTick, in.maxBankChangePerTick);
    return step;
}

ContinuationHeading gf_lookAheadTrack(const Lalo& origin, std::span<const Lalo> points, double headingRad,
                                      double minDistanceM, double maxDistanceM, double maxAngleRad) {
    ContinuationHeading result{headingRad, 0.0, 0};
    if (!gf_isValidLalo(origin.latitude, origin.longitude) || !isCompass(headingRad) || !(minDistanceM > 0.0) ||
        !(maxDistanceM >= minDistanceM) || !(maxAngleRad > 0.0)) {
        return result;
    }
    const Lalo* first = nullptr;
    const Lalo* last = nullptr;
    for (const Lalo& point : points) {
        if (!gf_isValidLalo(point.latitude, point.longitude)) {
            break;
        }
        const double distance = metresBetween(origin, point);
        if (!std::isfinite(distance) || distance <= 1.0) {
            continue;
        }
        if (distance > maxDistanceM) {
            break;
        }
        first = first == nullptr ? &point : first;
        last = &point;
        result.distanceM = distance;
    }
    if (first == nullptr || samePlace(*first, *last) || result.distanceM < minDistanceM) {
        return result;
    }
    const double toFirst = gf_initialBearingRad(origin, *first);
    const double toLast = gf_initialBearingRad(origin, *last);
    if (!isCompass(toFirst) || !isCompass(toLast) || std::fabs(detail::wrapPi(toLast - toFirst)) > maxAngleRad ||
        std::fabs(detail::wrapPi(toLast - headingRad)) > maxAngleRad) {
        return result;
    }
    result.headingRad = toLast;
    result.found = 1;
    return result;
}

AirSegmentPoint gf_airSegmentPoint(const AirSegmentInput& in) {
    AirSegmentPoint result;
    if (!gf_isValidLatLon(in.start.latitude, in.start.longitude) ||
        !gf_isValidLatLon(in.end.latitude, in.end.longitude) || !std::isfinite(in.wantedEndHeadingRad) ||
        !std::isfinite(in.maxDeviationRad) || !std::isfinite(in.t)) {
        return result;
    }
    const double scale = std::cos(degToRad(0.5 * (in.start.latitude + in.end.latitude))) * kAirMetresPerDegree;
    if (!std::isfinite(scale) || scale < 1.0) {
        return result;
    }
    const double t = std::clamp(in.t, 0.0, 1.0);
    const double dLon = detail::longitudeDifference(in.start.longitude, in.end.longitude);
    const double dx = dLon * scale;
    const double dy = (in.end.latitude - in.start.latitude) * kAirMetresPerDegree;
    const double chord = std::hypot(dx, dy);
    if (chord < 10.0) {
        Lalo point{in.start.latitude + t * (in.end.latitude - in.start.latitude), in.start.longitude + t * dLon};
        gf_normalizeLatLon(point);
        return {point.latitude, point.longitude, 0.0, 0, 1};
    }
    const double bearing = gf_initialBearingRad(in.start, in.end);
    const double deviation = std::remainder(in.wantedEndHeadingRad - bearing, detail::kTwoPi);
    const double maxDeviation = std::clamp(std::fabs(in.maxDeviationRad), 0.0, kHalfPi);
    const double turn = std::fabs(deviation) <= kHalfPi && maxDeviation >= kHalfDegreeRad
                            ? std::clamp(deviation, -maxDeviation, maxDeviation)
                            : 0.0;
    const bool curved = std::fabs(turn) >= kHalfDegreeRad;
    const double chordHeading = detail::headingOf(dx, dy);
    const double endDirection = curved ? bearing + turn : chordHeading;
    const double t2 = t * t;
    const double t3 = t2 * t;
    const double h10 = t3 - 2.0 * t2 + t;
    const double h01 = 3.0 * t2 - 2.0 * t3;
    const double h11 = t3 - t2;
    const double d10 = 3.0 * t2 - 4.0 * t + 1.0;
    const double d01 = 6.0 * t - 6.0 * t2;
    const double d11 = 3.0 * t2 - 2.0 * t;
    const double s0 = std::sin(chordHeading) * chord;
    const double c0 = std::cos(chordHeading) * chord;
    const double s1 = std::sin(endDirection) * chord;
    const double c1 = std::cos(endDirection) * chord;
    const double x = h10 * s0 + h01 * dx + h11 * s1;
    const double y = h10 * c0 + h01 * dy + h11 * c1;
    const double vx = d10 * s0 + d01 * dx + d11 * s1;
    const double vy = d10 * c0 + d01 * dy + d11 * c1;
    if (!std::isfinite(x) || !std::isfinite(y) || !(std::hypot(vx, vy) >= 1e-6)) {
        return result;
    }
    Lalo point{y / kAirMetresPerDegree + in.start.latitude, x / scale + in.start.longitude};
    gf_normalizeLatLon(point);
    const double heading = curved ? detail::reduceTwoPi(detail::headingOf(vx, vy)) : bearing;
    return {point.latitude, point.longitude, heading, static_cast<std::uint8_t>(curved ? 1 : 0), 1};
}

void gf_normalizeLatLon(Lalo& position) noexcept {
    const auto wrapLongitude = [](double longitude) {
        double shifted = std::fmod(longitude + 180.0, 360.0);
        if (shifted < 0.0) {
            shifted += 360.0;
        }
        return shifted - 180.0;
    };
    position.longitude = wrapLongitude(position.longitude);
    if (position.latitude > 90.0 || position.latitude < -90.0) {
        position.latitude = position.latitude > 90.0 ? 180.0 - position.latitude : -180.0 - position.latitude;
        position.longitude = wrapLongitude(position.longitude + 180.0);
    }
}

PosePoint gf_poseBezierPoint(const Lalo& start, double startHeadingRad, const Lalo& end, double endHeadingRad,
                             double t) {
    if (!(t > 0.0)) {
        return {start.latitude, start.longitude, startHeadingRad};
    }
    if (t >= 1.0) {
        return {end.latitude, end.longitude, endHeadingRad};
    }
    const double thirdFt = gf_distanceNm(start, end) * detail::kMetresPerNm / 3.0 * detail::kFeetPerMetre;
    const Lalo c1 = gf_destinationPoint(start, startHeadingRad, thirdFt);
    const Lalo c2 = gf_destinationPoint(end, endHeadingRad + kPi, thirdFt);
    // Longitudes relative to the start, so that a leg across the antimeridian stays short.
    const double lon1 = detail::longitudeDifference(start.longitude, c1.longitude);
    const double lon2 = detail::longitudeDifference(start.longitude, c2.longitude);
    const double lon3 = detail::longitudeDifference(start.longitude, end.longitude);
    const double u = 1.0 - t;
    const double b1 = 3.0 * u * u * t;
    const double b2 = 3.0 * u * t * t;
    const double b3 = t * t * t;
    Lalo point{u * u * u * start.latitude + b1 * c1.latitude + b2 * c2.latitude + b3 * end.latitude,
               start.longitude + b1 * lon1 + b2 * lon2 + b3 * lon3};
    const double dLat = 3.0 * u * u * (c1.latitude - start.latitude) + 6.0 * u * t * (c2.latitude - c1.latitude) +
                        3.0 * t * t * (end.latitude - c2.latitude);
    const double dLon = 3.0 * u * u * lon1 + 6.0 * u * t * (lon2 - lon1) + 3.0 * t * t * (lon3 - lon2);
    const double heading = detail::reduceTwoPi(std::atan2(std::cos(degToRad(point.latitude)) * dLon, dLat));
    gf_normalizeLatLon(point);
    return {point.latitude, point.longitude, std::isfinite(heading) ? heading : 0.0};
}

double gf_ease(double x, std::uint32_t kind) noexcept {
    x = std::clamp(x, 0.0, 1.0);
    switch (kind) {
    case 1:
        return x * x;
    case 2:
        return x < 0.2 ? x * x * 1.1111111111111112 / 0.4 : (x - 0.1) * 1.1111111111111112;
    case 3:
        return 1.0 - (1.0 - x) * (1.0 - x);
    case 4:
        return (3.0 - 2.0 * x) * x * x;
    default:
        return x;
    }
}

double gf_stepTowards(double current, double target, double maxStep) noexcept {
    if (!std::isfinite(target)) {
        return std::isfinite(current) ? current : 0.0;
    }
    if (!std::isfinite(current)) {
        return target;
    }
    if (std::isfinite(maxStep) && maxStep > 0.0) {
        return current + std::clamp(target - current, -maxStep, maxStep);
    }
    return current;
}

void gf_turnHeadingTowards(LiveAircraft& aircraft, double targetHeadingRad, std::uint8_t fine) noexcept {
    const double diff = detail::wrapPi(targetHeadingRad - aircraft.pose.headingRad);
    const double limit = aircraft.turnLimitPerTick;
    if (!std::isfinite(diff) || !std::isfinite(limit) || !(limit > 0.0)) {
        aircraft.turnRateState = 0.0;
        return;
    }
    double step = 0.0;
    if (fine != 0 && std::fabs(diff) <= kFineLimitRad) {
        double& rate = aircraft.turnRateState;
        if ((rate > 0.0 && diff < 0.0) || (rate < 0.0 && diff > 0.0)) {
            rate = 0.0;
        }
        // The rate at which a steady slow-down of kFineRateChangeRad per tick ends on the target.
        const double brakingRate =
            std::sqrt(std::fabs(diff) * kFineBrakeFactor + kFineRateSquaredOffset) - kFineRateChangeRad;
        const double wanted = std::copysign(std::min(brakingRate, std::min(kFineRateMaxRad, limit)), diff);
        rate += std::clamp(wanted - rate, -kFineRateChangeRad, kFineRateChangeRad);
        rate = std::clamp(rate, -std::fabs(diff), std::fabs(diff));
        step = rate;
    } else {
        aircraft.turnRateState = 0.0;
        step = std::clamp(diff, -limit, limit);
    }
    if (std::fabs(step) > kLargestHeadingStepRad) {
        return;
    }
    aircraft.pose.headingRad = detail::reduceTwoPi(aircraft.pose.headingRad + step);
}

} // namespace kiv
