#include "motion/ground_movement.h"

#include <algorithm>
#include <cmath>

#include "foundation/geodesy.h"
#include "motion/detail/motion_math.h"
#include "motion/ground_departure.h"
#include "motion/leg_ticks.h"
#include "motion/motion_limits.h"
#include "motion/motion_ticks.h"
#include "motion/path_checks.h"
#include "motion/retime_next_sample.h"
#include "motion/situation_change.h"
#include "motion/stream_helpers.h"
#include "motion/taxi_branch.h"

namespace kiv {
namespace {

constexpr std::int32_t kStandWindowTicks = 2700;
constexpr double kDriveInSpeedShare = 0.8;
constexpr double kLargeTurnDeg = 45.0;
constexpr double kOnTheSpotFromDeg = 60.0;
constexpr double kOnTheSpotSlackDeg = 5.0;

bool positiveFinite(double value) noexcept { return std::isfinite(value) && value > 0.0; }

// Ticks to turn through an angle at a per-tick limit, at least 25 (the caller checks both).
std::int64_t turnTicks(double angleRad, double limitPerTick, bool roundUp) noexcept {
    const double ticks = std::min(angleRad / limitPerTick, kMaxLegTicks);
    return std::max<std::int64_t>(roundUp ? static_cast<std::int64_t>(std::ceil(ticks)) : std::lround(ticks),
                                  kMinimumLegTicks);
}

void endPushBack(MotionEnvironment& environment, LiveAircraft& aircraft) {
    aircraft.bearingToNext = aircraft.pose.headingRad;
    environment.engineAutoStart(aircraft);
    environment.setThrottle(aircraft, 0);
    environment.setFlaps(aircraft, 1);
    lf_setSituation(environment, aircraft, FlightSituation::pushed_back);
    aircraft.holdCount = 0;
    aircraft.departurePending = 0;
    aircraft.proximityCompanion = environment.simTick();
    aircraft.groundMode = 0;
}

void atStand(MotionEnvironment& environment, LiveAircraft& aircraft) {
    aircraft.holdTicks1 = kStandWindowTicks;
    aircraft.holdTicks2 = kStandWindowTicks;
    auto& samples = aircraft.samples;
    if (aircraft.departurePending != 0) {
        if (aircraft.pullOut != 0) {
            lf_pullOut(environment, aircraft);
        } else {
            initiatePushBack(environment, aircraft);
        }
        aircraft.groundMode = aircraft.situation == FlightSituation::pushing_back ? 4 : 0;
    } else if (samples.size() >= 2 && gf_samePlace(samples[0], samples[1])) {
        samples[1].stationary = 1;
    }
}

// Leg length in NM: along the planned spline, else straight from the front to the next sample.
double legLengthNm(const LiveAircraft& aircraft) {
    if (gf_isValidTurnSpline(aircraft.turnSpline)) {
        return aircraft.turnSpline.length * detail::kNmPerMetre;
    }
    const auto& samples = aircraft.samples;
    if (samples.size() < 2) {
        return 0.0;
    }
    return gf_distanceNm({samples[0].latitude, samples[0].longitude}, {samples[1].latitude, samples[1].longitude});
}

bool curvePlanned(const LiveAircraft& aircraft) noexcept {
    return gf_isValidTurnSpline(aircraft.turnSpline) || gf_isValidTurnCurve(aircraft.turnCurve);
}

// The turn limit is fitted to the leg so that the turn ends with the leg; a large turn also
// widens the retiming windows, so that the samples wait for the aircraft to come round.
void fitTurnLimit(LiveAircraft& aircraft, std::int64_t legTicks, double lengthNm) {
    if (!(curvePlanned(aircraft) || aircraft.sharpTurn != 0) || !positiveFinite(aircraft.turnLimitPerTick)) {
        return;
    }
    const double angleDeg = aircraft.sharpTurn != 0 ? aircraft.headingOffset : aircraft.plannedTurnAngle;
    if (!positiveFinite(angleDeg)) {
        return; // nothing to turn through
    }
    const double ratio = static_cast<double>(legTicks) /
                         static_cast<double>(turnTicks(detail::degToRad(angleDeg), aircraft.turnLimitPerTick, false));
    if (angleDeg > kLargeTurnDeg) {
        aircraft.turnLimitPerTick *= std::clamp(1.0 / ratio, 1.0, std::max(angleDeg, 90.0) / 30.0);
        const double f = std::clamp((angleDeg - 30.0) / 70.0, 0.0, 1.0);
        const double k = aircraft.situation == FlightSituation::takeoff_roll ? 5.0 : 3.0;
        aircraft.holdTicks1 =
            std::max(aircraft.holdTicks1, static_cast<std::int32_t>(std::lround((2.0 * f + 1.0) * 900.0)));
        aircraft.holdTicks2 =
            std::max(aircraft.holdTicks2, static_cast<std::int32_t>(std::lround(((k - 1.0) * f + 1.0) * 900.0)));
    } else if (ratio >= 1.2) {
        aircraft.turnLimitPerTick /=
            std::max({ratio, ratio * 10.0 / angleDeg, ratio * 30.0 * detail::kNmPerMetre / lengthNm});
    } else if (ratio > 0.0) {
        aircraft.turnLimitPerTick /= ratio;
    }
}

// A taxiing aircraft that stands across its leg first turns where it is, then drives the leg.
bool turnOnTheSpot(MotionEnvironment& environment, LiveAircraft& aircraft, std::int64_t legTicks) {
    if (aircraft.situation != FlightSituation::taxi || curvePlanned(aircraft) || aircraft.holdCount > 0 ||
        aircraft.sharpTurn == 0 || !positiveFinite(aircraft.turnLimitPerTick)) {
        return false;
    }
    const double differenceDeg = aircraft.headingOffset;
    if (!(differenceDeg >= kOnTheSpotFromDeg || aircraft.turnOnSpot != 0)) {
        return false;
    }
    const std::int64_t turning =
        turnTicks(detail::degToRad(std::max(differenceDeg - kOnTheSpotSlackDeg, 0.0)), aircraft.turnLimitPerTick, true);
    aircraft.stepTicksOverride = 1;
    aircraft.stepTicks = static_cast<std::int32_t>(legTicks);
    lf_retimeNextSample(environment, aircraft, turning + legTicks);
    auto& samples = aircraft.samples;
    if (samples.size() > 1) {
        const std::int32_t wanted = gf_tickAfter(static_cast<std::int32_t>(environment.simTick()), turning + legTicks);
        const std::int64_t late = gf_tickSpan(samples[1].deliveryTick, wanted);
        if (late > 0) {
            for (std::size_t i = 1; i < samples.size(); ++i) {
                samples[i].deliveryTick = gf_tickAfter(samples[i].deliveryTick, late);
            }
        }
    }
    return true;
}

} // namespace

void nextPosGround(MotionEnvironment& environment, LiveAircraft& aircraft) {
    switch (aircraft.situation) {
    case FlightSituation::pushing_back:
        endPushBack(environment, aircraft);
        break;
    case FlightSituation::parked:
        atStand(environment, aircraft);
        break;
    default:
        lf_taxiBranch(environment, aircraft); // ends with the common ground step
        return;
    }
    lf_groundStep(environment, aircraft);
}

void lf_groundStep(MotionEnvironment& environment, LiveAircraft& aircraft) {
    auto& samples = aircraft.samples;
    const std::uint32_t now = environment.simTick();
    if (samples.size() >= 2 && samples[1].stationary != 0) {
        lf_retimeNextSample(environment, aircraft, gf_holdLegTicks(aircraft, now));
        return;
    }
    const double frontSpeed = samples.empty() ? kNotANumber : samples[0].groundSpeedKt;
    aircraft.turnLimitPerTick = gf_speedFactorBySpeed(frontSpeed) * aircraft.info.classRateRad;
    const double lengthNm = legLengthNm(aircraft);
    double speedKt = gf_streamSpeedKt(aircraft);
    if (aircraft.situation == FlightSituation::parking && aircraft.driveIn != 0 && samples.size() >= 2 &&
        gf_samePlace(samples[1], Lalo{aircraft.standLat, aircraft.standLon})) {
        speedKt = std::min(speedKt, kDriveInSpeedShare * aircraft.info.liveRate);
    }
    if (!positiveFinite(lengthNm) || !positiveFinite(speedKt)) {
        lf_retimeNextSample(environment, aircraft, kMinimumLegTicks);
        return;
    }
    const std::int64_t legTicks = gf_ticksToCover(lengthNm, speedKt);
    fitTurnLimit(aircraft, legTicks, lengthNm);
    if (turnOnTheSpot(environment, aircraft, legTicks)) {
        return;
    }
    lf_retimeNextSample(environment, aircraft, legTicks);
    if (aircraft.situation == FlightSituation::parking && aircraft.finalLeg.count != 0 && samples.size() >= 2) {
        samples[1].deliveryTick = aircraft.finalLeg.endTick;
    }
}

} // namespace kiv
