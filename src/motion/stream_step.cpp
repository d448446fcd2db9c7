#include "motion/stream_step.h"

#include <algorithm>
#include <cmath>

#include "foundation/geodesy.h"
#include "motion/air_leg.h"
#include "motion/air_movement.h"
#include "motion/detail/motion_math.h"
#include "motion/ground_movement.h"
#include "motion/ground_path.h"
#include "motion/motion_ticks.h"
#include "motion/path_checks.h"
#include "motion/retime_next_sample.h"
#include "motion/stream_helpers.h"

namespace kiv {
namespace {

constexpr std::int32_t kSamplesPerHoldingMinute = 20; // one hold sample every 3 s
constexpr std::int32_t kRollBudget = 20;
constexpr std::int32_t kFlyingBudget = 20;
constexpr std::int64_t kExtrapolatedTicks = 300;      // 3 s
constexpr std::int64_t kParkedHoldTicks = 60'480'000; // 7 days
constexpr double kExtrapolatedSeconds = 3.0;
constexpr double kUnknownUserDeg = 0.0001;
constexpr double kRangeMarginNm = 0.5;

Lalo positionOf(const StreamSample& sample) noexcept { return {sample.latitude, sample.longitude}; }

bool onRoll(const LiveAircraft& aircraft) noexcept {
    return aircraft.situation == FlightSituation::takeoff_roll || aircraft.situation == FlightSituation::landing_roll;
}

// The slowest speed at which a flying aircraft's track is still carried on.
double slowestExtrapolatedKt(SizeClass sizeClass) noexcept {
    switch (sizeClass) {
    case SizeClass::Light:
        return 25.0;
    case SizeClass::TwoProps:
        return 45.0;
    case SizeClass::HighPerf:
        return 90.0;
    default:
        return 70.0;
    }
}

std::int32_t flyingBudget(const MotionEnvironment& environment, const LiveAircraft& aircraft) {
    if (aircraft.info.sizeClass != SizeClass::Rotorcraft) {
        const double lastSpeed = aircraft.samples.back().groundSpeedKt;
        if (!(std::isfinite(lastSpeed) && lastSpeed >= slowestExtrapolatedKt(aircraft.info.sizeClass))) {
            return 0;
        }
    }
    const UserAircraftState user = environment.userAircraft();
    if (std::fabs(user.latitude) <= kUnknownUserDeg && std::fabs(user.longitude) <= kUnknownUserDeg) {
        return kFlyingBudget; // nobody to be out of range of
    }
    const double dLat = (aircraft.pose.latitude - user.latitude) * 60.0;
    const double dLon = (aircraft.pose.longitude - user.longitude) * 60.0 * std::cos(detail::degToRad(user.latitude));
    const double withinNm = environment.settings()->rangeNm - kRangeMarginNm;
    return withinNm > 0.0 && dLat * dLat + dLon * dLon <= withinNm * withinNm ? kFlyingBudget : 0;
}

// Speed step of an invented landing-roll sample, knots per second.
double brakingStepKt(double speedKt) noexcept {
    if (speedKt >= 120.0) {
        return 6.0;
    }
    if (speedKt >= 80.0) {
        return 5.0;
    }
    return speedKt >= 40.0 ? 4.0 : 2.5;
}

// Speed step of an invented take-off-roll sample, knots per second.
double acceleratingStepKt(double speedKt) noexcept {
    if (speedKt < 60.0) {
        return 4.0;
    }
    return speedKt < 120.0 ? 3.0 : 2.0;
}

void extrapolateInAir(const LiveAircraft& aircraft, StreamSample& copy, std::int32_t budget) {
    if (aircraft.situation != FlightSituation::landing) {
        copy.groundSpeedKt = std::max(copy.groundSpeedKt * 0.9, 1.0);
        if (aircraft.situation == FlightSituation::takeoff) {
            copy.altitudeFt += 75.0;
            copy.verticalRateFpm = 1500.0;
        }
    } else {
        if (budget >= 4) {
            copy.groundSpeedKt = std::max(copy.groundSpeedKt * 0.94, 1.0);
        }
        if (aircraft.landingStage == 0) {
            copy.altitudeFt -= 31.6825;
            copy.verticalRateFpm = -633.65;
        }
    }
    copy.airborne = copy.altitudeFt > 0.0 ? 1 : 0;
    if (!(copy.altitudeFt > 0.0)) {
        copy.altitudeFt = 0.0;
    }
}

void extrapolateOnGround(const LiveAircraft& aircraft, StreamSample& copy) {
    switch (aircraft.situation) {
    case FlightSituation::landing_roll:
        copy.verticalRateFpm = 0.0;
        copy.groundSpeedKt =
            std::max(0.0, copy.groundSpeedKt - kExtrapolatedSeconds * brakingStepKt(copy.groundSpeedKt));
        break;
    case FlightSituation::takeoff_roll: {
        const double speed =
            std::min(180.0, copy.groundSpeedKt + kExtrapolatedSeconds * acceleratingStepKt(copy.groundSpeedKt));
        copy.groundSpeedKt = speed;
        if (speed == 140.0) {
            copy.verticalRateFpm = 600.0;
        } else if (speed > 140.0 && speed <= 170.0) {
            copy.verticalRateFpm = 1200.0;
        } else if (speed > 170.0) {
            copy.verticalRateFpm = 2400.0;
        }
        break;
    }
    default:
        copy.groundSpeedKt = 0.0;
        break;
    }
}

} // namespace

void lf_streamStep(MotionEnvironment& environment, LiveAircraft& aircraft) {
    auto& samples = aircraft.samples;
    if (samples.size() < 2) {
        return;
    }
    aircraft.stepTicksOverride = 0;
    aircraft.stepTicks = 0;
    aircraft.sharpTurn = 0;
    aircraft.turnOnSpot = 0;
    gf_resetPathState(aircraft);
    if (!(aircraft.onGround != 0 && onRoll(aircraft))) {
        aircraft.groundRoll.profile = SpeedProfile{};
    }
    StreamSample& next = samples[1];
    if (next.stationary == 0) {
        if (gf_samePlace(samples[0], next)) {
            next.stationary = 1;
        } else {
            aircraft.bearingToNext = gf_initialBearingRad(positionOf(samples[0]), positionOf(next));
        }
    }
    if (aircraft.onGround != 0) {
        nextPosGround(environment, aircraft);
    } else {
        nextPosAir(environment, aircraft);
    }
    // Ground and air movement may have changed the stream (pushback, erased ground samples).
    if (samples.size() >= 2) {
        if (samples[1].stationary != 0) {
            aircraft.groundRoll.profile = SpeedProfile{};
            aircraft.tickDelta = {};
            gf_narrowRetimingWindows(aircraft);
        } else {
            const std::int64_t ticks = aircraft.stepTicksOverride != 0
                                           ? std::max<std::int64_t>(aircraft.stepTicks, 1)
                                           : gf_ticksUntilDue(samples[1].deliveryTick, environment.simTick());
            const double perTick = 1.0 / static_cast<double>(ticks);
            aircraft.tickDelta = {(samples[1].latitude - aircraft.pose.latitude) * perTick,
                                  detail::longitudeDifference(aircraft.pose.longitude, samples[1].longitude) * perTick};
            if (aircraft.onGround != 0) {
                lf_buildGroundPath(environment, aircraft);
            } else {
                lf_buildAirLeg(environment, aircraft);
            }
        }
    }
    if (!samples.empty()) {
        samples.pop_front();
    }
}

std::int32_t lf_extrapolationBudget(MotionEnvironment& environment, LiveAircraft& aircraft) {
    if (!environment.isSizeClassIncluded(aircraft.info.sizeClass)) {
        return 0;
    }
    switch (aircraft.situation) {
    case FlightSituation::takeoff_roll:
    case FlightSituation::takeoff:
    case FlightSituation::landing:
    case FlightSituation::landing_roll:
        return kRollBudget;
    case FlightSituation::parked:
        return 1;
    case FlightSituation::pushed_back:
    case FlightSituation::taxi:
        aircraft.proximityCompanion = environment.simTick(); // the hold starts now
        aircraft.proximityCheck = 1;
        return std::max(environment.settings()->maxHoldingMinutes, 0) * kSamplesPerHoldingMinute;
    case FlightSituation::flying:
        return aircraft.samples.empty() ? 0 : flyingBudget(environment, aircraft);
    default:
        return 0;
    }
}

void lf_appendExtrapolatedSample(MotionEnvironment& environment, LiveAircraft& aircraft, std::int32_t budget) {
    (void)environment;
    aircraft.holdCount = budget;
    auto& samples = aircraft.samples;
    if (samples.empty()) {
        return;
    }
    StreamSample copy = samples.back();
    const bool parked = aircraft.situation == FlightSituation::parked;
    if (copy.stationary != 0 || parked) {
        copy.groundSpeedKt = 0.0;
        copy.trueAirspeedKt = 0.0;
    } else if (aircraft.onGround == 0) {
        extrapolateInAir(aircraft, copy, budget);
    } else {
        extrapolateOnGround(aircraft, copy);
    }
    if (copy.groundSpeedKt > 0.0) {
        if (aircraft.situation == FlightSituation::takeoff && aircraft.slowSamplesSkipped != 0) {
            copy.groundSpeedKt = std::min(210.0, copy.groundSpeedKt * 1.015);
        }
        const double feet = copy.groundSpeedKt * kExtrapolatedSeconds * detail::kFeetPerNm / 3600.0;
        const Lalo to = gf_destinationPoint(positionOf(copy), aircraft.pose.headingRad, feet);
        copy.latitude = to.latitude;
        copy.longitude = to.longitude;
        copy.stationary = 0;
    } else {
        copy.trueAirspeedKt = 0.0;
        copy.stationary = 1;
    }
    copy.plannedPoint = 0;
    copy.exitPoint = 0;
    copy.deliveryTick = gf_tickAfter(copy.deliveryTick, parked ? kParkedHoldTicks : kExtrapolatedTicks);
    samples.push_back(copy);
}

} // namespace kiv
