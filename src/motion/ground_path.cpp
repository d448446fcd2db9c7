#include "motion/ground_path.h"

#include <algorithm>
#include <cmath>

#include "foundation/geodesy.h"
#include "motion/curve_steps.h"
#include "motion/detail/motion_math.h"
#include "motion/lift_off.h"
#include "motion/motion_limits.h"
#include "motion/motion_ticks.h"
#include "motion/path_checks.h"
#include "motion/retime_next_sample.h"
#include "motion/situation_change.h"
#include "motion/speed_profile.h"

namespace kiv {
namespace {

using detail::kMetresPerSecondPerKnot;

constexpr double kRunwayExitDeg = 15.0;
constexpr double kLiftOffCheckKt = 43.0;
constexpr std::int64_t kRollGiveUpTicks = 12000; // 120 s
constexpr double kTakeoffOvershootKt = 5.0;
constexpr double kLandingOvershootKt = 0.5;
// nav, beacon, landing, taxi, strobes, logo, cabin.
constexpr LightSet kTaxiLights = {1, 1, 0, 1, 0, 1, 1};

Lalo positionOf(const StreamSample& sample) noexcept { return {sample.latitude, sample.longitude}; }
Lalo currentPosition(const LiveAircraft& aircraft) noexcept {
    return {aircraft.pose.latitude, aircraft.pose.longitude};
}
bool isRotorcraft(const LiveAircraft& aircraft) noexcept { return aircraft.info.sizeClass == SizeClass::Rotorcraft; }
bool isRoll(FlightSituation situation) noexcept {
    return situation == FlightSituation::takeoff_roll || situation == FlightSituation::landing_roll;
}
bool finiteNotNegative(double value) noexcept { return std::isfinite(value) && value >= 0.0; }

std::uint32_t takeoffRollThrottle(const LiveAircraft& aircraft) {
    const double a = aircraft.samples[0].groundSpeedKt;
    const double b = aircraft.samples[1].groundSpeedKt;
    if (isRotorcraft(aircraft) || !std::isfinite(a) || !std::isfinite(b) || a >= 25.0 || b >= 30.0) {
        return 4;
    }
    if (a >= 20.0 || b >= 25.0) {
        return 2;
    }
    return a >= 15.0 || b >= 20.0 ? 1 : 0;
}

void reverseThrustOff(MotionEnvironment& environment, const LiveAircraft& aircraft) {
    if (aircraft.info.sizeClass != SizeClass::Light) {
        environment.setReverseThrust(aircraft, 0, aircraft.info.isPackageLivery);
    }
}

void landingRollConfiguration(MotionEnvironment& environment, LiveAircraft& aircraft) {
    const double offDeg =
        std::fabs(detail::wrapPi(aircraft.pose.headingRad - aircraft.touchdownHeading)) * detail::radToDeg(1.0);
    if (offDeg < kRunwayExitDeg) {
        const double speed = aircraft.samples[0].groundSpeedKt;
        if (speed > 90.0) {
            return;
        }
        if (speed > 30.0) {
            environment.setSpoilers(aircraft, 0);
            reverseThrustOff(environment, aircraft);
            environment.setFlaps(aircraft, 1);
        } else {
            environment.setFlaps(aircraft, 0);
        }
        return;
    }
    // Off the runway heading: the runway is left.
    environment.setFlaps(aircraft, 0);
    lf_setSituation(environment, aircraft, FlightSituation::taxi);
    aircraft.runwayExited = 1;
    aircraft.touchdownHeading = 0.0;
    environment.setThrottle(aircraft, isRotorcraft(aircraft) ? 4 : 0);
    environment.setSpoilers(aircraft, 0);
    reverseThrustOff(environment, aircraft);
    environment.setAllLights(aircraft, kTaxiLights);
}

void configureBySituation(MotionEnvironment& environment, LiveAircraft& aircraft) {
    switch (aircraft.situation) {
    case FlightSituation::taxi:
        environment.setThrottle(aircraft, isRotorcraft(aircraft) ? 4 : 0);
        break;
    case FlightSituation::takeoff_roll:
        environment.setThrottle(aircraft, takeoffRollThrottle(aircraft));
        break;
    case FlightSituation::landing_roll:
        landingRollConfiguration(environment, aircraft);
        break;
    default:
        break;
    }
}

bool curvePlanned(const LiveAircraft& aircraft) noexcept {
    return gf_isValidTurnSpline(aircraft.turnSpline) || gf_isValidTurnCurve(aircraft.turnCurve);
}

// The leg of a roll: its length, time and end speed (m, s, m/s) and the sample it ends at.
struct RollLeg {
    double lengthM = 0.0;
    double seconds = 0.0;
    double endSpeed = 0.0;
    std::size_t endSample = 1;
    bool accelerating = false;
};

// A take-off roll that speeds up towards a later, faster (or airborne) sample: the first
// sample that an accelerating profile reaches ends the roll.
void acceleratingRoll(const MotionEnvironment& environment, LiveAircraft& aircraft, double startSpeed,
                      double referenceKt, RollLeg& leg) {
    const auto& samples = aircraft.samples;
    const double startKt = startSpeed / kMetresPerSecondPerKnot;
    if (aircraft.situation != FlightSituation::takeoff_roll || aircraft.onGround == 0 || isRotorcraft(aircraft) ||
        aircraft.holdCount >= 1 || curvePlanned(aircraft) || samples[1].stationary != 0 ||
        !finiteNotNegative(startSpeed)) {
        return;
    }
    const bool speedsUp = std::any_of(std::next(samples.begin()), samples.end(), [startKt](const StreamSample& s) {
        return s.airborne != 0 || s.groundSpeedKt > startKt + 1.0;
    });
    if (!speedsUp) {
        return;
    }
    const std::uint32_t now = environment.simTick();
    const Lalo here = currentPosition(aircraft);
    const double maxSpeed = (referenceKt + 30.0) * kMetresPerSecondPerKnot;
    for (std::size_t k = 1; k < samples.size(); ++k) {
        const StreamSample& sample = samples[k];
        const double distanceM = gf_distanceNm(here, positionOf(sample)) * detail::kMetresPerNm;
        if (sample.stationary != 0 || !(distanceM > 1.0)) {
            continue;
        }
        const double speed = sample.groundSpeedKt * kMetresPerSecondPerKnot;
        if (!(std::isfinite(speed) && speed > 0.0)) {
            continue;
        }
        const double seconds =
            static_cast<double>(std::max(gf_tickSpan(now, static_cast<std::uint32_t>(sample.deliveryTick)),
                                         kMinimumLegTicks)) /
            100.0;
        if (gf_buildAcceleratingProfile(aircraft.groundRoll.profile, distanceM, seconds, startSpeed, speed, maxSpeed)) {
            leg = {distanceM, seconds, speed, k, true};
            return;
        }
    }
}

// Whether a built profile stays within the speeds of the roll: no overshoot above the end
// speed or below the start speed on the take-off roll, none at all on the landing roll.
bool profileKept(const LiveAircraft& aircraft, double currentSpeed) {
    const SpeedProfile& profile = aircraft.groundRoll.profile;
    const double minSpeed = gf_profileMinSpeed(profile);
    const double maxSpeed = gf_profileMaxSpeed(profile);
    if (aircraft.situation == FlightSituation::takeoff_roll) {
        const double overshoot =
            std::max(maxSpeed - profile.endSpeed, profile.startSpeed - minSpeed) / kMetresPerSecondPerKnot;
        return overshoot < kTakeoffOvershootKt;
    }
    const double overshoot =
        std::max(profile.endSpeed - minSpeed, maxSpeed - profile.startSpeed) / kMetresPerSecondPerKnot;
    const double faster =
        currentSpeed > 0.0 ? std::max(profile.startSpeed - currentSpeed, 0.0) / kMetresPerSecondPerKnot : 0.0;
    return std::max(overshoot, faster) < kLandingOvershootKt;
}

void buildRollProfile(const MotionEnvironment& environment, LiveAircraft& aircraft, std::int64_t ticks) {
    const auto& samples = aircraft.samples;
    const FlightSituation situation = aircraft.situation;
    GroundRoll& roll = aircraft.groundRoll;
    const bool continuing = roll.profile.valid != 0 && roll.situation == situation && isRoll(situation);
    const double current =
        continuing && std::isfinite(aircraft.speedKt) && aircraft.speedKt > 0.0
            ? aircraft.speedKt * kMetresPerSecondPerKnot
            : 0.0;
    roll = GroundRoll{};
    const bool splineLeg =
        gf_isValidTurnSpline(aircraft.turnSpline) && (aircraft.turnKind == 2 || aircraft.turnKind == 3);
    RollLeg leg;
    leg.lengthM = splineLeg ? aircraft.turnSpline.length
                            : gf_distanceNm(currentPosition(aircraft), positionOf(samples[1])) * detail::kMetresPerNm;
    leg.seconds = static_cast<double>(ticks) / 100.0;
    leg.endSpeed = samples[1].groundSpeedKt * kMetresPerSecondPerKnot;
    const double frontKt = samples[0].groundSpeedKt;
    const bool touchAndGo = situation == FlightSituation::takeoff_roll &&
                            aircraft.info.sizeClass == SizeClass::Light &&
                            aircraft.previousSituation == FlightSituation::landing_roll && !continuing;
    double startKt = frontKt;
    if (situation != FlightSituation::landing_roll && !touchAndGo && std::isfinite(aircraft.speedKt) &&
        aircraft.speedKt > 0.0) {
        startKt = aircraft.speedKt;
    }
    const double start = current > 0.0 ? current : startKt * kMetresPerSecondPerKnot;
    const double referenceKt = gf_referenceSpeedKt(aircraft, 1);

    acceleratingRoll(environment, aircraft, start, referenceKt, leg);

    const bool eligible = aircraft.onGround != 0 && isRoll(situation) && !isRotorcraft(aircraft) &&
                          (aircraft.holdCount <= 0 || situation == FlightSituation::landing_roll) &&
                          (!curvePlanned(aircraft) || splineLeg) && samples[1].stationary == 0 && leg.lengthM > 1.0 &&
                          finiteNotNegative(start) && finiteNotNegative(leg.endSpeed) &&
                          (situation != FlightSituation::takeoff_roll || leg.endSpeed > 0.0);
    if (!eligible || (!leg.accelerating && !gf_buildSpeedProfile(roll.profile, leg.lengthM, leg.seconds, start,
                                                                  leg.endSpeed))) {
        roll.profile = SpeedProfile{};
        return;
    }
    if (!profileKept(aircraft, current)) {
        roll.profile = SpeedProfile{};
        return;
    }
    roll.start = currentPosition(aircraft);
    roll.end = positionOf(samples[leg.endSample]);
    roll.startHeadingRad = aircraft.pose.headingRad;
    roll.situation = situation;
    aircraft.groundMode = 0;
    aircraft.tickDelta = {};
}

void liftOffOrGiveUp(MotionEnvironment& environment, LiveAircraft& aircraft) {
    if (aircraft.situation != FlightSituation::takeoff_roll || !(aircraft.samples[0].groundSpeedKt >= kLiftOffCheckKt)) {
        return;
    }
    const std::uint8_t kind = lf_liftOffKind(aircraft);
    if (kind == 0) {
        if (gf_tickSpan(aircraft.situationTick, environment.simTick()) >= kRollGiveUpTicks) {
            environment.removeAircraftFromSim(aircraft);
        }
        return;
    }
    lf_tryLiftOff(environment, aircraft, kind);
}

} // namespace

double gf_easedLegStep(std::int32_t index, std::int32_t count, std::uint32_t groundMode) noexcept {
    if (count < 1 || index < 0 || index >= count) {
        return 0.0;
    }
    const double n = static_cast<double>(count);
    return gf_ease(static_cast<double>(index + 1) / n, groundMode) - gf_ease(static_cast<double>(index) / n, groundMode);
}

void lf_buildGroundPath(MotionEnvironment& environment, LiveAircraft& aircraft) {
    auto& samples = aircraft.samples;
    if (samples.size() < 2) {
        return;
    }
    configureBySituation(environment, aircraft);
    if (!isRoll(aircraft.situation)) {
        gf_narrowRetimingWindows(aircraft);
    }
    if (aircraft.landingStage == 0 && aircraft.situation != FlightSituation::takeoff) {
        aircraft.pose.pitchRad = aircraft.info.staticPitchRad;
        aircraft.pitchChangePerTick = 0.0;
        aircraft.pose.bankRad = 0.0;
        aircraft.bankChangePerTick = 0.0;
    }
    const std::int64_t ticks = gf_ticksUntilDue(samples[1].deliveryTick, environment.simTick());
    buildRollProfile(environment, aircraft, ticks);

    if (aircraft.groundMode != 0) {
        aircraft.legStepCount = static_cast<std::int32_t>(ticks);
        aircraft.legStepIndex = 0;
    }
    if (curvePlanned(aircraft)) {
        aircraft.legDefaultStep = 1.0 / static_cast<double>(ticks);
    } else {
        aircraft.headingChangePerTick = 0.0;
        if (aircraft.groundMode != 0) {
            aircraft.legDelta = {samples[1].latitude - aircraft.pose.latitude,
                                 detail::longitudeDifference(aircraft.pose.longitude, samples[1].longitude)};
            aircraft.tickDelta = {};
        }
    }
    const double nextKt = samples[1].groundSpeedKt;
    aircraft.legSpeedKt = aircraft.situation == FlightSituation::pushing_back ? -nextKt : nextKt;
    liftOffOrGiveUp(environment, aircraft);
}

} // namespace kiv
