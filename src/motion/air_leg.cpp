#include "motion/air_leg.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>

#include "foundation/geodesy.h"
#include "motion/air_movement.h"
#include "motion/curve_steps.h"
#include "motion/detail/class_index.h"
#include "motion/detail/motion_math.h"
#include "motion/motion_limits.h"
#include "motion/path_checks.h"
#include "motion/stream_helpers.h"
#include "motion/vertical_steps.h"

namespace kiv {
namespace {

using detail::degToRad;

constexpr double kTicksPerMinute = 6000.0;
constexpr double kCruiseFromFt = 10000.0;
constexpr double kTrueHeadingBelowFt = 1000.0;
constexpr double kLandingTrueHeadingBelowFt = 2000.0;
constexpr std::size_t kLookAheadPoints = 6;
constexpr double kLowClimbPerTick = 0.2;
// nav, beacon, landing, taxi, strobes, logo, cabin.
constexpr LightSet kCruiseLights = {1, 1, 0, 0, 1, 0, 1};

// Light, TwoProps, Bizjet, Large, Heavy, HighPerf, Rotorcraft.
constexpr std::array<double, detail::kSizeClassCount> kTurnRateDegPerS = {8.0, 8.0, 8.0, 8.0, 8.0, 12.0, 20.0};
constexpr std::array<double, detail::kSizeClassCount> kPitchChangeDegPerTick = {0.01,  0.009, 0.0085, 0.0075,
                                                                                0.005, 0.03,  0.03};

Lalo positionOf(const StreamSample& sample) noexcept { return {sample.latitude, sample.longitude}; }
Lalo currentPosition(const LiveAircraft& aircraft) noexcept {
    return {aircraft.pose.latitude, aircraft.pose.longitude};
}

bool climbExpected(const LiveAircraft& aircraft) {
    const auto& samples = aircraft.samples;
    if (samples[1].airborne != 0) {
        return true;
    }
    return aircraft.situation == FlightSituation::takeoff && aircraft.takeoffClimbPerTick > 0.0 && samples.size() > 2 &&
           std::any_of(std::next(samples.begin(), 2), samples.end(), [](const StreamSample& s) { return s.airborne; });
}

// An airborne front sample and a climb ahead: the slope to the next sample, within the
// take-off's limits, or a landing that holds its level flies the reported descent instead.
void planClimb(MotionEnvironment& environment, LiveAircraft& aircraft, double ticks) {
    const StreamSample& front = aircraft.samples[0];
    const StreamSample& next = aircraft.samples[1];
    const double slope = (next.altitudeFt - aircraft.pose.altitudeFt) / ticks;
    const double height = aircraft.heightAboveGroundFt;
    const double initialClimb = aircraft.info.liveFactor;
    switch (aircraft.situation) {
    case FlightSituation::flying:
        aircraft.altitudeChangePerTick = slope;
        break;
    case FlightSituation::takeoff:
        aircraft.altitudeChangePerTick = height <= 1000.0 ? std::min(std::max(slope, kLowClimbPerTick), initialClimb)
                                                          : std::min(slope, initialClimb);
        break;
    case FlightSituation::landing:
        if (front.altitudeFt == next.altitudeFt && height <= 1000.0 &&
            front.verticalRateFpm + next.verticalRateFpm <= 100.0) {
            const double rate = lf_descentRateFpm(environment, aircraft);
            aircraft.altitudeChangePerTick = rate / kTicksPerMinute;
            aircraft.legVerticalRateFpm = rate;
        } else {
            aircraft.altitudeChangePerTick = slope;
        }
        break;
    default:
        break;
    }
}

// An airborne front sample and the next one on the ground: down to the park airport's
// elevation when the aircraft lands there in standard pressure, else at the reported rate.
void planDescentToGround(MotionEnvironment& environment, LiveAircraft& aircraft, double ticks) {
    const bool standardPressure = environment.currentQnh() <= 1013;
    const std::optional<double> parkAltitude = environment.parkAirportAltitude();
    if (standardPressure && parkAltitude && environment.isNearParkAirport(currentPosition(aircraft))) {
        aircraft.altitudeChangePerTick =
            (*parkAltitude + aircraft.info.classDistance - aircraft.pose.altitudeFt) / ticks;
    } else {
        const double rate = standardPressure ? -601.0 : lf_descentRateFpm(environment, aircraft);
        aircraft.samples[1].verticalRateFpm = rate;
        aircraft.legVerticalRateFpm = rate;
        aircraft.altitudeChangePerTick = rate / kTicksPerMinute;
    }
    environment.setGear(aircraft, 1);
}

void planVertical(MotionEnvironment& environment, LiveAircraft& aircraft) {
    const auto& samples = aircraft.samples;
    if (samples[0].airborne == 0) {
        if (samples[1].airborne != 0) {
            lf_climbTowardsNext(environment, aircraft);
            lf_keepTakeoffClimb(aircraft);
        } else {
            lf_planOverGroundSamples(environment, aircraft);
        }
        return;
    }
    const double ticks = static_cast<double>(gf_airLegTicks(environment, aircraft));
    if (climbExpected(aircraft)) {
        planClimb(environment, aircraft, ticks);
    } else {
        planDescentToGround(environment, aircraft, ticks);
    }
}

void planPitch(const MotionEnvironment& environment, LiveAircraft& aircraft) {
    if (aircraft.situation == FlightSituation::takeoff) {
        return;
    }
    const double target = gf_climbDescentProfile(aircraft.samples[1], aircraft.info.sizeClass);
    if (!std::isfinite(aircraft.pose.pitchRad)) {
        aircraft.pose.pitchRad = target;
    }
    const double maxStep = gf_maxPitchChangePerTick(aircraft.info.sizeClass);
    const double ticks = static_cast<double>(gf_airLegTicks(environment, aircraft));
    aircraft.pitchChangePerTick = std::clamp((target - aircraft.pose.pitchRad) / ticks, -maxStep, maxStep);
}

struct TargetHeading {
    double headingRad = 0.0;
    bool lookAheadFound = false;
};

// The reported true heading low down, else the track after the next sample (on a landing
// below 2000 ft the straight track ahead when the samples run straight).
TargetHeading targetHeading(const LiveAircraft& aircraft) {
    const auto& samples = aircraft.samples;
    const StreamSample& next = samples[1];
    const bool landing = aircraft.situation == FlightSituation::landing;
    const double height = aircraft.heightAboveGroundFt;
    if (next.trueHeadingValid != 0 && next.trueHeadingRad &&
        height < (landing ? kLandingTrueHeadingBelowFt : kTrueHeadingBelowFt)) {
        return {*next.trueHeadingRad, false};
    }
    const double bearing = samples.size() >= 3 ? gf_initialBearingRad(positionOf(next), positionOf(samples[2]))
                                               : gf_initialBearingRad(currentPosition(aircraft), positionOf(next));
    if (!(landing && height < kLandingTrueHeadingBelowFt)) {
        return {bearing, false};
    }
    std::array<Lalo, kLookAheadPoints> points{};
    std::size_t count = 0;
    for (std::size_t i = 1; i < samples.size() && count < points.size(); ++i) {
        if (samples[i].airborne == 0 || samples[i].stationary != 0) {
            break;
        }
        points[count++] = positionOf(samples[i]);
    }
    const ContinuationHeading ahead = gf_lookAheadTrack(currentPosition(aircraft), std::span(points.data(), count),
                                                        bearing, 300.0, 800.0, degToRad(5.0));
    return {ahead.headingRad, ahead.found != 0};
}

TurnBankInput turnInput(const LiveAircraft& aircraft, double ticks) {
    const SizeClass sizeClass = aircraft.info.sizeClass;
    TurnBankInput input;
    input.speedKt = gf_streamSpeedKt(aircraft);
    input.ticksToNext = ticks;
    input.ticksPerSecond = 100.0;
    input.maxTurnRateRadPerS = gf_maxAirTurnRate(sizeClass);
    input.maxBankRad = gf_bankLimit(gf_maxBankAngle(sizeClass), aircraft.situation == FlightSituation::landing ? 1 : 0,
                                    aircraft.heightAboveGroundFt, aircraft.landingStage != 0 ? 1 : 0);
    input.maxBankChangePerTick = gf_maxBankRate(sizeClass);
    return input;
}

void planHeadingAndBank(LiveAircraft& aircraft, const TurnBankInput& common, double targetRad) {
    const StreamSample& next = aircraft.samples[1];
    TurnBankInput input = common;
    input.headingRad = aircraft.pose.headingRad;
    input.targetHeadingRad = targetRad;
    input.bankRad = aircraft.pose.bankRad;
    input.commandedBankRad = next.bankRad.value_or(0.0);
    input.bankCommand = next.bankRad ? 1 : 0;
    const TurnBankStep step = gf_turnAndBankStep(input);
    aircraft.pose.bankRad = step.currentBankRad;
    aircraft.headingChangePerTick = step.headingChangePerTick;
    aircraft.bankChangePerTick = step.bankChangePerTick;
}

// A curved segment to the next sample, arriving turned towards the track after it by as much
// as the leg can turn.
void planSegment(LiveAircraft& aircraft, const TurnBankInput& common, const TargetHeading& target, double ticks) {
    AirSegment& segment = aircraft.airSegment;
    segment.step = 0;
    segment.stepCount = 0;
    segment.pending = 0;
    const auto& samples = aircraft.samples;
    if (samples.size() < 3 || samples[2].stationary != 0 || gf_samePlace(samples[1], samples[2])) {
        return;
    }
    const Lalo start = currentPosition(aircraft);
    const Lalo end = positionOf(samples[1]);
    const double endHeading =
        target.lookAheadFound ? target.headingRad : gf_initialBearingRad(end, positionOf(samples[2]));
    TurnBankInput input = common;
    input.headingRad = gf_initialBearingRad(start, end);
    input.targetHeadingRad = endHeading;
    const double deviation = std::fabs(gf_turnAndBankStep(input).headingChangePerTick) * ticks;
    const AirSegmentPoint middle = gf_airSegmentPoint({start, end, endHeading, deviation, 0.5});
    if (middle.valid != 0 && middle.curved != 0) {
        segment = {start, end, endHeading, deviation, 0, static_cast<std::int32_t>(ticks), 1};
    }
}

void configure(MotionEnvironment& environment, LiveAircraft& aircraft) {
    const std::optional<double> parkAltitude = environment.parkAirportAltitude();
    HeightOverride height;
    double compared = aircraft.samples.front().altitudeFt;
    if (environment.isNearParkAirport(currentPosition(aircraft)) && parkAltitude && std::isfinite(*parkAltitude) &&
        std::isfinite(aircraft.pose.altitudeFt)) {
        height = {aircraft.pose.altitudeFt - *parkAltitude, 1};
        compared = height.heightFt;
    }
    if (!(compared >= kCruiseFromFt)) {
        lf_airConfiguration(environment, aircraft, height);
        return;
    }
    if (aircraft.cruiseConfigured != 0) {
        return;
    }
    aircraft.cruiseConfigured = 1;
    aircraft.lightsSet = 0;
    environment.setAllLights(aircraft, kCruiseLights);
    environment.setThrottle(aircraft, aircraft.info.sizeClass == SizeClass::Rotorcraft ? 4 : 3);
    aircraft.holdTicks1 = 900;
    aircraft.holdTicks2 = 900;
    environment.setGear(aircraft, 0);
    environment.setFlaps(aircraft, 0);
}

} // namespace

double gf_maxPitchChangePerTick(SizeClass sizeClass) {
    return degToRad(kPitchChangeDegPerTick[detail::classIndex(sizeClass)]);
}

double gf_maxAirTurnRate(SizeClass sizeClass) { return degToRad(kTurnRateDegPerS[detail::classIndex(sizeClass)]); }

void lf_buildAirLeg(MotionEnvironment& environment, LiveAircraft& aircraft) {
    if (aircraft.samples.size() < 2) {
        return;
    }
    aircraft.tasKt = aircraft.samples[1].trueAirspeedKt;
    aircraft.legVerticalRateFpm = aircraft.samples[1].verticalRateFpm;
    if (aircraft.landingStage == 0) {
        planVertical(environment, aircraft);
        planPitch(environment, aircraft);
    }
    const double ticks = static_cast<double>(gf_airLegTicks(environment, aircraft));
    const TurnBankInput common = turnInput(aircraft, ticks);
    const TargetHeading target = targetHeading(aircraft);
    planHeadingAndBank(aircraft, common, target.headingRad);
    planSegment(aircraft, common, target, ticks);
    if (aircraft.situation == FlightSituation::flying && aircraft.climbOutEnded != 0) {
        aircraft.climbOutEnded = 0;
        aircraft.climbTransition = 1;
    }
    configure(environment, aircraft);
}

} // namespace kiv
