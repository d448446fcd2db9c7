#include "motion/taxi_turns.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include <fmt/format.h>

#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "motion/detail/local_frame.h"
#include "motion/detail/motion_math.h"
#include "motion/motion_limits.h"
#include "motion/motion_ticks.h"
#include "motion/path_checks.h"
#include "motion/stand_geometry.h"
#include "motion/stream_helpers.h"
#include "motion/turn_curve.h"
#include "motion/turn_spline.h"

namespace kiv {
namespace {

constexpr double kDegPerRad = 57.29577951308232;
constexpr double kMinTurnDeg = 3.0;
constexpr double kZigzagTurnDeg = 12.0;
constexpr double kLineUpMinTurnDeg = 10.0;
constexpr double kLineUpMaxKt = 30.0;
constexpr double kExitMaxKt = 65.0;
constexpr double kFastTaxiKt = 43.0;
constexpr double kMaxCurveTurnDeg = 120.0;
constexpr double kMaxDeviationM = 5.0;

Lalo positionOf(const StreamSample& sample) noexcept { return {sample.latitude, sample.longitude}; }
Lalo currentPosition(const LiveAircraft& aircraft) noexcept {
    return {aircraft.pose.latitude, aircraft.pose.longitude};
}
double absWrapDeg(double radians) noexcept { return std::fabs(detail::wrapPi(radians)) * kDegPerRad; }
double metres(const Lalo& a, const Lalo& b) { return gf_distanceNm(a, b) * detail::kMetresPerNm; }
double flatNm(const Lalo& a, const Lalo& b) {
    const double dLat = (b.latitude - a.latitude) * 60.0;
    const double dLon = detail::longitudeDifference(a.longitude, b.longitude) *
                        std::cos(detail::degToRad(a.latitude)) * 60.0;
    return std::hypot(dLat, dLon);
}
bool isRotorcraft(const LiveAircraft& aircraft) noexcept { return aircraft.info.sizeClass == SizeClass::Rotorcraft; }

// The largest of the current speed and the speeds of the first `count` samples; a speed that
// is not a number does not count.
double largestSpeedKt(const LiveAircraft& aircraft, std::size_t count) {
    double largest = std::isfinite(aircraft.speedKt) ? aircraft.speedKt : 0.0;
    const auto& samples = aircraft.samples;
    for (std::size_t i = 0; i < std::min(count, samples.size()); ++i) {
        if (std::isfinite(samples[i].groundSpeedKt)) {
            largest = std::max(largest, samples[i].groundSpeedKt);
        }
    }
    return largest;
}

TurnSplineLimits classLimits(SizeClass sizeClass) noexcept {
    TurnSplineLimits limits;
    switch (sizeClass) {
    case SizeClass::Light:
    case SizeClass::HighPerf:
        limits.minLegM = 10.0;
        limits.minLegSumM = 35.0;
        limits.maxHeadingChangePerMetreDeg = 5.0;
        break;
    case SizeClass::TwoProps:
    case SizeClass::Bizjet:
        limits.minLegM = 12.0;
        limits.minLegSumM = 40.0;
        limits.maxHeadingChangePerMetreDeg = 4.0;
        break;
    default:
        break; // the defaults of the spline
    }
    return limits;
}

// Between the next and the third sample, at the lead distance before the third: the second
// point of a runway exit whose corner is already close.
bool insertLateExitPoint(LiveAircraft& aircraft, double turnDeg, double rate, double d7) {
    auto& samples = aircraft.samples;
    const StreamSample& next = samples[1];
    const StreamSample& third = samples[2];
    const double legM = metres(positionOf(next), positionOf(third));
    if (!(legM > d7) || !(rate > 0.0) || !std::isfinite(next.groundSpeedKt) || next.groundSpeedKt > kExitMaxKt) {
        return false;
    }
    const double lead = gf_leadDistanceM(aircraft, next.groundSpeedKt, turnDeg);
    const std::int64_t span = gf_tickSpan(next.deliveryTick, third.deliveryTick);
    if (!(std::isfinite(lead) && lead > 0.0 && lead < legM) || span < 2) {
        return false;
    }
    const double f = std::clamp(lead / legM, 0.0, 1.0);
    StreamSample point = next;
    point.latitude = next.latitude + f * (third.latitude - next.latitude);
    point.longitude = detail::normalizeLongitude(
        next.longitude + f * detail::longitudeDifference(next.longitude, third.longitude));
    point.groundSpeedKt = next.groundSpeedKt + f * (third.groundSpeedKt - next.groundSpeedKt);
    const std::int64_t offset =
        std::clamp<std::int64_t>(static_cast<std::int64_t>(f * static_cast<double>(span)), 1, span - 1);
    point.deliveryTick = gf_tickAfter(next.deliveryTick, offset);
    point.stationary = 0;
    point.plannedPoint = 1;
    point.exitPoint = 1;
    samples.insert(std::next(samples.begin(), 2), point);
    return true;
}

TurnSplineRequest firstRequest(const LiveAircraft& aircraft) {
    const auto& samples = aircraft.samples;
    TurnSplineRequest request;
    request.start = currentPosition(aircraft);
    request.corner = positionOf(samples[1]);
    request.end = positionOf(samples[2]);
    request.startHeadingRad = detail::reduceTwoPi(aircraft.pose.headingRad);
    request.limits = classLimits(aircraft.info.sizeClass);
    return request;
}

// A long turn: the aircraft stands far across the leg; the turn is taken over the samples
// that run on straight from the corner, ending at the first at least S away.
bool longTurn(LiveAircraft& aircraft, const TurnSplineRequest& first, double mismatchDeg, std::size_t& removalEnd) {
    const auto& samples = aircraft.samples;
    const Lalo here = currentPosition(aircraft);
    const double searchM = std::clamp(1.5 * mismatchDeg, 90.0, 250.0);
    const double legBearing = gf_initialBearingRad(positionOf(samples[1]), positionOf(samples[2]));
    for (std::size_t k = 2; k < samples.size(); ++k) {
        const StreamSample& sample = samples[k];
        const StreamSample& before = samples[k - 1];
        if (sample.stationary != 0 || sample.airborne != 0 || gf_samePlace(sample, before) ||
            gf_tickSpan(before.deliveryTick, sample.deliveryTick) <= 0 ||
            absWrapDeg(gf_initialBearingRad(positionOf(before), positionOf(sample)) - legBearing) > 12.0) {
            return false;
        }
        const double distanceM = metres(here, positionOf(sample));
        if (!std::isfinite(distanceM) || distanceM > 250.0) {
            return false;
        }
        if (distanceM < searchM) {
            continue;
        }
        TurnSplineRequest request = first;
        request.corner = {0.5 * (here.latitude + sample.latitude),
                          detail::normalizeLongitude(
                              here.longitude + 0.5 * detail::longitudeDifference(here.longitude, sample.longitude))};
        request.end = positionOf(sample);
        request.limits.maxTurnDeg = 135.0;
        request.limits.maxStartMismatchDeg = 135.0;
        request.limits.cornerDistanceFraction = 1.0;
        request.limits.maxHeadingChangePerMetreDeg = 10.0;
        request.limits.startTangentScale = 1.0;
        TurnSpline spline;
        if (!gf_buildTurnSpline(spline, request)) {
            return false;
        }
        aircraft.turnSpline = spline;
        removalEnd = k;
        return true;
    }
    return false;
}

struct TightLimits {
    double maxSpeedKt;
    double minMismatchDeg;
    double maxTurnDeg;
};

// The legs lie almost in line but the aircraft stands across them: a wide, short turn.
bool tightCorner(LiveAircraft& aircraft, const TurnSplineRequest& first, double turnDeg, double mismatchDeg,
                 bool strict, double d1, double d2) {
    const bool taxi = aircraft.situation == FlightSituation::taxi;
    const bool valid = gf_isValidTurnSpline(aircraft.turnSpline);
    if (!((taxi && !valid) || aircraft.situation == FlightSituation::takeoff_roll)) {
        return false;
    }
    const TightLimits limits = taxi ? TightLimits{25.0, 60.0, 3.0} : TightLimits{30.0, 20.0, 8.0};
    const bool applies = strict && turnDeg <= limits.maxTurnDeg && mismatchDeg >= limits.minMismatchDeg &&
                         mismatchDeg <= 105.0 && d1 >= 7.0 && d1 <= 35.0 && d2 >= 7.0 && d2 <= 35.0 &&
                         d1 + d2 <= 60.0 && largestSpeedKt(aircraft, 3) <= limits.maxSpeedKt;
    if (!applies) {
        return false;
    }
    if (valid) {
        return aircraft.turnSpline.chordDeviation <= kMaxDeviationM;
    }
    TurnSplineRequest request = first;
    request.limits.minLegM = 7.0;
    request.limits.minLegSumM = 14.0;
    request.limits.maxTurnDeg = 105.0;
    request.limits.maxStartMismatchDeg = 105.0;
    request.limits.cornerDistanceFraction = 0.5;
    request.limits.maxHeadingChangePerMetreDeg = 50.0;
    request.limits.startTangentScale = mismatchDeg > 90.0 ? 2.5 : 1.25;
    TurnSpline spline;
    if (!gf_buildTurnSpline(spline, request)) {
        return false;
    }
    if (spline.chordDeviation > kMaxDeviationM) {
        gf_invalidateTurnSpline(aircraft.turnSpline);
        return false;
    }
    aircraft.turnSpline = spline;
    return true;
}

// A turn sharp after the corner, or a large turn onto a long second leg: the spline ends at
// the corner, which stays in the stream.
void cornerOnly(LiveAircraft& aircraft, const TurnSplineRequest& first, double d1, double d2) {
    const auto& samples = aircraft.samples;
    const TurnSpline& spline = aircraft.turnSpline;
    bool sharpAfter = false;
    if (samples.size() >= 4 && samples[3].stationary == 0 && !gf_samePlace(samples[1], samples[2]) &&
        !gf_samePlace(samples[2], samples[3]) && !gf_samePlace(samples[1], samples[3])) {
        const double after = gf_initialBearingRad(positionOf(samples[2]), positionOf(samples[3]));
        const double leg = gf_initialBearingRad(positionOf(samples[1]), positionOf(samples[2]));
        sharpAfter = absWrapDeg(after - leg) >= 45.0;
    }
    if (!sharpAfter && !(spline.turnAngleDeg >= 75.0 && d2 > 100.0 && d2 >= 2.0 * d1)) {
        return;
    }
    TurnSplineRequest request = first;
    request.cornerOnly = 1;
    TurnSpline toCorner;
    if (gf_buildTurnSpline(toCorner, request)) {
        aircraft.turnSpline = toCorner;
    }
}

bool curveFallback(LiveAircraft& aircraft, double turnAngleDeg) {
    if (turnAngleDeg > kMaxCurveTurnDeg) {
        return false;
    }
    const auto& samples = aircraft.samples;
    gf_buildTurnCurve(aircraft.turnCurve, {aircraft.pose.latitude, aircraft.pose.longitude, 0.0},
                      {samples[1].latitude, samples[1].longitude, 0.0}, {samples[2].latitude, samples[2].longitude, 1.0});
    return gf_isValidTurnCurve(aircraft.turnCurve);
}

} // namespace

double gf_groundTurnRateDeg(const LiveAircraft& aircraft) {
    const double front = aircraft.samples.empty() ? kNotANumber : aircraft.samples.front().groundSpeedKt;
    return gf_speedFactorBySpeed(front) * aircraft.info.classRateRad * kDegPerRad * 100.0;
}

double gf_leadDistanceM(const LiveAircraft& aircraft, double speedKt, double turnDeg) {
    const double seconds = std::clamp(turnDeg / gf_groundTurnRateDeg(aircraft), 1.5, 6.0);
    return std::clamp(speedKt * detail::kMetresPerSecondPerKnot * seconds, 12.0, 90.0);
}

bool lf_insertLeadPoint(const MotionEnvironment& environment, LiveAircraft& aircraft, double distanceM,
                        std::uint8_t fromCurrent) {
    auto& samples = aircraft.samples;
    if (samples.size() < 2) {
        return false;
    }
    const StreamSample& front = samples[0];
    const StreamSample& next = samples[1];
    const Lalo start = fromCurrent != 0 ? currentPosition(aircraft) : positionOf(front);
    const std::int32_t startTick =
        fromCurrent != 0 ? static_cast<std::int32_t>(environment.simTick()) : front.deliveryTick;
    const double legM = metres(start, positionOf(next));
    const std::int64_t span = gf_tickSpan(startTick, next.deliveryTick);
    if (!(std::isfinite(distanceM) && distanceM > 0.0 && distanceM < legM) || span < 2) {
        return false;
    }
    const double f = std::clamp((legM - distanceM) / legM, 0.0, 1.0);
    StreamSample point = front;
    point.latitude = start.latitude + f * (next.latitude - start.latitude);
    point.longitude =
        detail::normalizeLongitude(start.longitude + f * detail::longitudeDifference(start.longitude, next.longitude));
    if (fromCurrent != 0) {
        point.groundSpeedKt = front.groundSpeedKt + f * (next.groundSpeedKt - front.groundSpeedKt);
    }
    const std::int64_t offset =
        std::clamp<std::int64_t>(static_cast<std::int64_t>(f * static_cast<double>(span)), 1, span - 1);
    point.deliveryTick = gf_tickAfter(startTick, offset);
    point.stationary = 0;
    point.plannedPoint = 1;
    point.exitPoint = fromCurrent != 0 ? 1 : 0;
    samples.insert(std::next(samples.begin()), point);
    return true;
}

bool lf_straightenZigzag(LiveAircraft& aircraft, std::uint32_t n) {
    auto& samples = aircraft.samples;
    const Lalo here = currentPosition(aircraft);
    if (n < 2 || samples.size() <= n || gf_samePlace(samples[n], here)) {
        return false;
    }
    for (std::size_t k = 1; k <= n; ++k) {
        if (samples[k].stationary != 0 || samples[k].airborne != 0 || gf_samePlace(samples[k], samples[k - 1]) ||
            gf_tickSpan(samples[k - 1].deliveryTick, samples[k].deliveryTick) <= 0) {
            return false;
        }
    }
    const double b1 = gf_initialBearingRad(here, positionOf(samples[1]));
    const double b2 = gf_initialBearingRad(positionOf(samples[1]), positionOf(samples[2]));
    const double b3 = gf_initialBearingRad(positionOf(samples[n - 1]), positionOf(samples[n]));
    const double t1 = detail::wrapPi(b2 - b1);
    const double t2 = detail::wrapPi(b3 - b2);
    const double bt = gf_initialBearingRad(here, positionOf(samples[n]));
    const double farM = metres(here, positionOf(samples[n]));
    if (!(std::isfinite(farM) && farM <= 180.0)) {
        return false;
    }
    double along = 0.0;
    double largestCross = 0.0;
    for (std::size_t k = 1; k < n; ++k) {
        const RelativePosition relative = gf_relativePosition(here, bt, positionOf(samples[k]));
        if (!(relative.alongTrackM > along)) {
            return false;
        }
        along = relative.alongTrackM;
        largestCross = std::max(largestCross, std::fabs(relative.crossTrackM));
    }
    const bool opposite = (t1 >= 0.0) != (t2 >= 0.0);
    if (!opposite || std::fabs(t1) * kDegPerRad > 12.0 || std::fabs(t2) * kDegPerRad > 15.0 ||
        absWrapDeg(bt - b1) > 3.0 || absWrapDeg(b3 - bt) > 3.0 || !(largestCross <= 3.0)) {
        return false;
    }
    aircraft.bearingToNext = bt;
    samples.erase(std::next(samples.begin()), std::next(samples.begin(), static_cast<std::ptrdiff_t>(n)));
    return true;
}

void lf_splitLongLeg(LiveAircraft& aircraft, std::uint8_t slowArrivalTaxi) {
    const auto& samples = aircraft.samples;
    if (samples.size() < 2) {
        return;
    }
    const double front = samples[0].groundSpeedKt;
    const double next = samples[1].groundSpeedKt;
    if ((front <= 0.0 && next <= 0.0) || aircraft.situation == FlightSituation::takeoff_roll ||
        aircraft.situation == FlightSituation::landing_roll) {
        return;
    }
    double limitM = 0.0;
    if (slowArrivalTaxi == 0) {
        if (!(std::fabs(front - next) > 5.0)) {
            return;
        }
        limitM = 60.0 + 60.0 * std::clamp(std::max(front, next) / 25.0, 0.0, 1.0);
    } else {
        limitM = aircraft.previousSituation == FlightSituation::landing_roll ? 40.0 : 50.0;
    }
    if (flatNm(positionOf(samples[0]), positionOf(samples[1])) >= limitM * detail::kNmPerMetre) {
        gf_insertMidpointSample(aircraft);
    }
}

bool makeTurnGnd(MotionEnvironment& environment, LiveAircraft& aircraft, double turnAngleDeg) {
    (void)environment;
    auto& samples = aircraft.samples;
    if (samples.size() < 3) {
        return false;
    }
    if (samples[2].stationary != 0) {
        gf_logImportant(fmt::format("{}: unexpected same at stream[2], {}", "makeTurnGnd", aircraft.info.head.callsign));
        return false;
    }
    if (samples[2].groundSpeedKt <= 0.1) {
        samples[2].groundSpeedKt = 0.5 * (samples[0].groundSpeedKt + samples[1].groundSpeedKt);
    }
    gf_resetPathState(aircraft);
    std::size_t removalEnd = 2;
    const Lalo here = currentPosition(aircraft);
    const FlightSituation situation = aircraft.situation;
    const double bn = gf_initialBearingRad(here, positionOf(samples[1]));
    const double t = absWrapDeg(gf_initialBearingRad(positionOf(samples[1]), positionOf(samples[2])) - bn);
    const double h = absWrapDeg(bn - aircraft.pose.headingRad);
    const bool runwayExit = situation == FlightSituation::landing_roll && t >= 15.0 && t < 135.0 && h <= 20.0 &&
                            samples[0].groundSpeedKt <= kExitMaxKt;
    const bool lineUp = situation == FlightSituation::takeoff_roll && turnAngleDeg >= kLineUpMinTurnDeg &&
                        largestSpeedKt(aircraft, 3) <= kLineUpMaxKt && samples[1].airborne == 0 &&
                        samples[2].airborne == 0;
    const bool taxi = situation == FlightSituation::taxi;
    bool strict = false;
    aircraft.turnOnSpot = 0;
    if ((taxi || runwayExit || lineUp) && !isRotorcraft(aircraft)) {
        const double d1 = metres(here, positionOf(samples[1]));
        const double d2 = metres(positionOf(samples[1]), positionOf(samples[2]));
        const double d7 = gf_distanceIn7s(largestSpeedKt(aircraft, 2));
        const TurnSplineRequest first = firstRequest(aircraft);
        const bool built = gf_buildTurnSpline(aircraft.turnSpline, first);
        const double ta = aircraft.turnSpline.turnAngleDeg;
        const double sm = aircraft.turnSpline.startMismatchDeg;
        strict = aircraft.turnSpline.strict != 0;
        if (taxi && !built && strict && sm >= 60.0 && samples.size() >= 4) {
            longTurn(aircraft, first, sm, removalEnd);
        }
        const bool tight = tightCorner(aircraft, first, ta, sm, strict, d1, d2);
        TurnSpline& spline = aircraft.turnSpline;
        if (taxi && gf_isValidTurnSpline(spline) && spline.strict == 0) {
            cornerOnly(aircraft, first, d1, d2);
        }
        if (runwayExit) {
            if (gf_isValidTurnSpline(spline) && spline.turnAngleDeg >= 15.0 && spline.strict == 0 &&
                spline.startMismatchDeg <= 20.0 && d1 <= d7 && d2 <= d7 && spline.outsideDeviation <= kMaxDeviationM) {
                aircraft.turnKind = 2;
            } else {
                gf_invalidateTurnSpline(spline);
            }
        } else if (lineUp) {
            const bool shaped = tight ? spline.chordDeviation <= kMaxDeviationM
                                      : spline.strict == 0 && spline.startMismatchDeg <= 20.0;
            if (gf_isValidTurnSpline(spline) && spline.outsideDeviation <= kMaxDeviationM && shaped) {
                aircraft.turnKind = 3;
            } else {
                gf_invalidateTurnSpline(spline);
            }
        } else if (taxi && gf_isValidTurnSpline(spline) && aircraft.turnKind == 0) {
            aircraft.turnKind = 1;
        }
        if (taxi && !gf_isValidTurnSpline(spline) &&
            spline.errorKind == static_cast<std::uint32_t>(TurnSplineError::invalid_tangent) && strict &&
            turnAngleDeg >= 90.0 && ta >= 30.0 && ta <= 70.0 && sm >= 35.0 && sm < 60.0) {
            aircraft.turnOnSpot = 1;
        }
    }
    if (!gf_isValidTurnSpline(aircraft.turnSpline)) {
        if (situation == FlightSituation::takeoff_roll || situation == FlightSituation::landing_roll) {
            return false;
        }
        if (taxi && !isRotorcraft(aircraft) && strict) {
            return false;
        }
        if (!curveFallback(aircraft, turnAngleDeg)) {
            return false;
        }
    } else if (aircraft.turnSpline.cornerOnly != 0) {
        return true;
    }
    samples.erase(std::next(samples.begin()), std::next(samples.begin(), static_cast<std::ptrdiff_t>(removalEnd)));
    return true;
}

bool lf_tryMakeTurnGnd(MotionEnvironment& environment, LiveAircraft& aircraft, double turnAngleDeg) {
    const auto& samples = aircraft.samples;
    if (samples.size() < 3 || gf_samePlace(samples[2], samples[0]) || gf_samePlace(samples[2], samples[1])) {
        return false;
    }
    if (!makeTurnGnd(environment, aircraft, turnAngleDeg)) {
        return false;
    }
    aircraft.plannedTurnAngle = turnAngleDeg;
    return true;
}

bool lf_planTaxiTurn(MotionEnvironment& environment, LiveAircraft& aircraft) {
    auto& samples = aircraft.samples;
    if (samples.size() < 2 || samples[1].plannedPoint != 0 ||
        (samples[0].plannedPoint != 0 && samples[0].exitPoint == 0)) {
        return false;
    }
    const Lalo here = currentPosition(aircraft);
    const double heading = aircraft.pose.headingRad;
    const double a = samples.size() >= 3
                         ? absWrapDeg(gf_initialBearingRad(positionOf(samples[1]), positionOf(samples[2])) - heading)
                         : 0.0;
    if (!(a > kMinTurnDeg)) {
        return false;
    }
    const FlightSituation situation = aircraft.situation;
    if (situation == FlightSituation::taxi && a <= kZigzagTurnDeg &&
        (lf_straightenZigzag(aircraft, 3) || lf_straightenZigzag(aircraft, 4))) {
        return true;
    }
    if (situation == FlightSituation::takeoff_roll &&
        (a < kLineUpMinTurnDeg || isRotorcraft(aircraft) || largestSpeedKt(aircraft, 3) > kLineUpMaxKt ||
         samples[1].airborne != 0 || samples[2].airborne != 0)) {
        return false;
    }
    const double rate = gf_groundTurnRateDeg(aircraft);
    const bool landingRoll = situation == FlightSituation::landing_roll;
    const double d = metres(landingRoll ? here : positionOf(samples[0]), positionOf(samples[1]));
    const double bn = gf_initialBearingRad(here, positionOf(samples[1]));
    const double exitTurn = absWrapDeg(gf_initialBearingRad(positionOf(samples[1]), positionOf(samples[2])) - bn);
    const bool exitGeometry = exitTurn >= 15.0 && exitTurn < 135.0 && absWrapDeg(bn - heading) <= 20.0;
    const double d7 = gf_distanceIn7s(largestSpeedKt(aircraft, 2));
    const double front = samples[0].groundSpeedKt;
    const double next = samples[1].groundSpeedKt;
    if (landingRoll) {
        if (samples[0].exitPoint == 0 && exitGeometry && d > d7 && rate > 0.0 && std::isfinite(front) &&
            std::isfinite(next) && next <= kExitMaxKt) {
            double lead = gf_leadDistanceM(aircraft, front, a);
            if (front > kExitMaxKt && front > next) {
                // Where a steady deceleration from the front to the next speed passes 65 kt.
                lead = std::min(lead, (kExitMaxKt - next) * d / (front - next));
            }
            if (lead >= 12.0) {
                return lf_insertLeadPoint(environment, aircraft, lead, 1);
            }
        } else if (samples[2].exitPoint == 0 && exitGeometry && d <= d7 &&
                   insertLateExitPoint(aircraft, a, rate, d7)) {
            return true;
        }
    }
    if (situation == FlightSituation::takeoff_roll) {
        return lf_tryMakeTurnGnd(environment, aircraft, a);
    }
    if (front > kFastTaxiKt) {
        return lf_tryMakeTurnGnd(environment, aircraft, a);
    }
    if (!(rate > 0.0)) {
        return false;
    }
    if (d < (front < 10.0 ? 5.0 : 12.0)) {
        return lf_tryMakeTurnGnd(environment, aircraft, a);
    }
    const double lead = gf_leadDistanceM(aircraft, front, a);
    if (lead >= 0.75 * d || (a <= 45.0 && d < 50.0)) {
        return lf_tryMakeTurnGnd(environment, aircraft, a);
    }
    return lf_insertLeadPoint(environment, aircraft, lead, 0);
}

} // namespace kiv
