#include "motion/curve_step.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "motion/curve_steps.h"
#include "motion/detail/motion_math.h"
#include "motion/flare_stages.h"
#include "motion/ground_path.h"
#include "motion/lift_off.h"
#include "motion/motion_limits.h"
#include "motion/motion_ticks.h"
#include "motion/path_checks.h"
#include "motion/situation_change.h"
#include "motion/speed_profile.h"
#include "motion/stand_geometry.h"
#include "motion/stream_helpers.h"
#include "motion/turn_curve.h"
#include "motion/turn_spline.h"
#include "motion/vertical_steps.h"

namespace kiv {
namespace {

using detail::degToRad;
using detail::kMetresPerSecondPerKnot;

constexpr double kLastCurveFraction = 0.999999;
constexpr double kHalfDegreeRad = 0.008726646259971648;
constexpr double kLargestHeadingStepRad = 0.06283185307179587; // 3.6 degrees
constexpr double kFineFollowDeg = 6.0;
constexpr double kHeadingClampFactor = 1.2;
constexpr std::int32_t kClimbRampTicks = 300;
constexpr std::int32_t kLowestClimbOutCount = -1000;
constexpr double kStepChangePerTick = 0.001; // ft per tick per tick
constexpr double kTicksPerMinute = 6000.0;
constexpr double kFlareFromFt = 400.0;
constexpr double kFlarePitchRad = -0.06981317007977318; // 4 degrees nose up
constexpr double kSettledPitchRad = 1e-6;
constexpr std::uint32_t kLightAfterTakeoffTicks = 3000;
constexpr double kBackstepM = 0.02;

Lalo currentPosition(const LiveAircraft& aircraft) noexcept {
    return {aircraft.pose.latitude, aircraft.pose.longitude};
}
void setPosition(LiveAircraft& aircraft, double latitude, double longitude) noexcept {
    aircraft.pose.latitude = latitude;
    aircraft.pose.longitude = longitude;
}
bool isLight(const LiveAircraft& aircraft) noexcept { return aircraft.info.sizeClass == SizeClass::Light; }
bool isRotorcraft(const LiveAircraft& aircraft) noexcept { return aircraft.info.sizeClass == SizeClass::Rotorcraft; }

// The share of the leg flown this tick: the next eased step, else the leg's default step.
double nextLegShare(LiveAircraft& aircraft) noexcept {
    if (aircraft.groundMode != 0 && aircraft.legStepCount > 0) {
        return gf_easedLegStep(aircraft.legStepIndex++, aircraft.legStepCount, aircraft.groundMode);
    }
    return aircraft.legDefaultStep;
}

struct TickPlan {
    bool headingSet = false; // the path gave the heading of this tick
    bool finalLeg = false;
};

void followFinalLeg(const MotionEnvironment& environment, LiveAircraft& aircraft, TickPlan& plan) {
    const FinalLeg& leg = aircraft.finalLeg;
    const double span = static_cast<double>(std::max<std::int64_t>(gf_tickSpan(leg.startTick, leg.endTick), 1));
    const double elapsed =
        static_cast<double>(gf_tickSpan(static_cast<std::uint32_t>(leg.startTick), environment.simTick()));
    const double t = gf_ease(std::clamp(elapsed / span, 0.0, 1.0), aircraft.groundMode);
    const PosePoint point = gf_poseBezierPoint(leg.start, leg.startHeadingRad, {aircraft.standLat, aircraft.standLon},
                                               aircraft.standHeading, t);
    setPosition(aircraft, point.latitude, point.longitude);
    aircraft.pose.headingRad = point.headingRad;
    plan.headingSet = true;
    plan.finalLeg = true;
}

void followAirSegment(LiveAircraft& aircraft) {
    AirSegment& segment = aircraft.airSegment;
    segment.step = std::min(segment.step + 1, segment.stepCount);
    const double t = segment.stepCount > 0 ? static_cast<double>(segment.step) / segment.stepCount : 1.0;
    const AirSegmentPoint point =
        gf_airSegmentPoint({segment.start, segment.end, segment.wantedEndHeadingRad, segment.maxDeviationRad, t});
    if (point.valid != 0) {
        setPosition(aircraft, point.latitude, point.longitude);
        return;
    }
    setPosition(aircraft, segment.start.latitude + t * (segment.end.latitude - segment.start.latitude),
                segment.start.longitude +
                    t * detail::longitudeDifference(segment.start.longitude, segment.end.longitude));
    segment.pending = 0;
}

// A taxiing aircraft turning on the spot stays where it is for the turn, then drives the leg
// in its own ticks, so that it reaches the next sample when that is due.
bool turningOnTheSpot(const MotionEnvironment& environment, const LiveAircraft& aircraft) noexcept {
    if (aircraft.onGround == 0 || aircraft.stepTicksOverride == 0 || aircraft.samples.empty()) {
        return false;
    }
    const std::int64_t remaining =
        gf_tickSpan(environment.simTick(), static_cast<std::uint32_t>(aircraft.samples.front().deliveryTick));
    return remaining > aircraft.stepTicks;
}

void followStraightLeg(const MotionEnvironment& environment, LiveAircraft& aircraft) {
    if (aircraft.onGround == 0 && aircraft.airSegment.pending != 0) {
        followAirSegment(aircraft);
        return;
    }
    if (aircraft.groundMode == 0) {
        if (aircraft.situation != FlightSituation::pushed_back && !turningOnTheSpot(environment, aircraft)) {
            setPosition(aircraft, aircraft.pose.latitude + aircraft.tickDelta.latitude,
                        aircraft.pose.longitude + aircraft.tickDelta.longitude);
        }
        return;
    }
    const double share = nextLegShare(aircraft);
    setPosition(aircraft, aircraft.pose.latitude + aircraft.legDelta.latitude * share,
                aircraft.pose.longitude + aircraft.legDelta.longitude * share);
}

void followTurnCurve(LiveAircraft& aircraft, TickPlan& plan) {
    aircraft.curveFraction = std::clamp(aircraft.curveFraction + nextLegShare(aircraft), 0.0, kLastCurveFraction);
    Lalo point;
    double headingRad = 0.0;
    if (!gf_turnCurvePointAt(aircraft.turnCurve, aircraft.curveFraction, point, headingRad)) {
        gf_logLine(fmt::format("{} error in curve at index: {:.2F}", aircraft.info.head.callsign,
                               aircraft.curveFraction));
        return;
    }
    setPosition(aircraft, point.latitude, point.longitude);
    if (aircraft.onGround != 0) {
        aircraft.pose.headingRad = headingRad;
        plan.headingSet = true;
        return;
    }
    const double difference = detail::wrapPi(headingRad - aircraft.pose.headingRad);
    if (std::fabs(difference) > kHalfDegreeRad && std::isfinite(aircraft.turnLimitPerTick)) {
        const double step = std::clamp(difference, -aircraft.turnLimitPerTick, aircraft.turnLimitPerTick);
        aircraft.pose.headingRad =
            detail::reduceTwoPi(aircraft.pose.headingRad +
                                std::clamp(step, -kLargestHeadingStepRad, kLargestHeadingStepRad));
    }
    plan.headingSet = true;
}

void followTurnSpline(LiveAircraft& aircraft, TickPlan& plan) {
    aircraft.curveFraction = std::clamp(aircraft.curveFraction + nextLegShare(aircraft), 0.0, 1.0);
    const SplinePoint point = gf_turnSplinePointAt(aircraft.turnSpline, aircraft.curveFraction);
    if (point.valid == 0) {
        gf_invalidateTurnSpline(aircraft.turnSpline);
        return;
    }
    setPosition(aircraft, point.latitude, point.longitude);
    aircraft.pose.headingRad = point.headingRad;
    plan.headingSet = true;
}

void followGroundRoll(LiveAircraft& aircraft, TickPlan& plan) {
    GroundRoll& roll = aircraft.groundRoll;
    ++roll.tickCounter;
    const double seconds = static_cast<double>(roll.tickCounter) / 100.0;
    const double timeFraction = gf_profileTimeFraction(roll.profile, seconds);
    const double distance = roll.profile.distance;
    const double fraction = std::clamp(gf_profilePositionAt(roll.profile, timeFraction), 0.0, distance) / distance;
    bool placed = false;
    if ((aircraft.turnKind == 2 || aircraft.turnKind == 3) && gf_isValidTurnSpline(aircraft.turnSpline)) {
        const SplinePoint point = gf_turnSplinePointAt(aircraft.turnSpline, fraction);
        if (point.valid != 0) {
            setPosition(aircraft, point.latitude, point.longitude);
            aircraft.pose.headingRad = point.headingRad;
            plan.headingSet = true;
            placed = true;
        } else {
            gf_resetPathState(aircraft);
        }
    }
    if (!placed) {
        setPosition(aircraft, roll.start.latitude + fraction * (roll.end.latitude - roll.start.latitude),
                    roll.start.longitude +
                        fraction * detail::longitudeDifference(roll.start.longitude, roll.end.longitude));
    }
    double speedKt = gf_profileSpeedAt(roll.profile, seconds) / kMetresPerSecondPerKnot;
    if (aircraft.situation == FlightSituation::takeoff_roll) {
        speedKt = std::min(speedKt, gf_referenceSpeedKt(aircraft, 1) + 30.0);
    }
    aircraft.speedKt = speedKt;
}

bool profileDrives(const LiveAircraft& aircraft) noexcept { return aircraft.groundRoll.profile.valid != 0; }

void movePosition(const MotionEnvironment& environment, LiveAircraft& aircraft, TickPlan& plan) {
    if (aircraft.situation == FlightSituation::parking && aircraft.finalLeg.count != 0) {
        followFinalLeg(environment, aircraft, plan);
    } else if (profileDrives(aircraft)) {
        followGroundRoll(aircraft, plan);
    } else if (gf_isValidTurnCurve(aircraft.turnCurve)) {
        followTurnCurve(aircraft, plan);
    } else if (gf_isValidTurnSpline(aircraft.turnSpline)) {
        followTurnSpline(aircraft, plan);
    } else {
        followStraightLeg(environment, aircraft);
    }
}

// On the ground the heading follows the bearing to the next sample where no path gives it,
// never by more than 1.2 base turn steps a tick.
void groundHeading(LiveAircraft& aircraft, const TickPlan& plan, double startHeading) {
    if (aircraft.onGround == 0 || aircraft.situation == FlightSituation::pushing_back) {
        return;
    }
    if (!plan.headingSet) {
        const bool fine = aircraft.situation == FlightSituation::taxi && aircraft.headingOffset <= kFineFollowDeg;
        gf_turnHeadingTowards(aircraft, aircraft.bearingToNext, fine ? 1 : 0);
    }
    const double limit = kHeadingClampFactor * aircraft.info.classRateRad;
    if (plan.finalLeg || !(std::isfinite(limit) && limit > 0.0)) {
        return;
    }
    const double change = detail::wrapPi(aircraft.pose.headingRad - startHeading);
    if (std::fabs(change) > limit) {
        aircraft.pose.headingRad = detail::reduceTwoPi(startHeading + std::copysign(limit, change));
    }
}

void airHeading(LiveAircraft& aircraft, const TickPlan& plan) {
    if (aircraft.onGround != 0 || plan.headingSet || std::fabs(aircraft.headingChangePerTick) > kLargestHeadingStepRad) {
        return;
    }
    const double heading = aircraft.pose.headingRad + aircraft.headingChangePerTick;
    aircraft.pose.headingRad = std::isfinite(heading) ? detail::reduceTwoPi(heading) : 0.0;
}

// One tick of smoothed climb or descent: the step changes by at most 0.001 ft per tick.
void smoothedAltitudeStep(LiveAircraft& aircraft, double wantedPerTick) {
    if (!std::isfinite(wantedPerTick)) {
        wantedPerTick = 0.0;
    }
    const double previous = aircraft.smoothedAltitudeStep;
    const double step = std::clamp(wantedPerTick, previous - kStepChangePerTick, previous + kStepChangePerTick);
    aircraft.smoothedAltitudeStep = step;
    aircraft.pose.altitudeFt += step;
    aircraft.pose.verticalSpeedFpm = step * kTicksPerMinute;
}

// After lift-off: the rotation to the take-off pitch over the climb-out ticks, then the climb
// rate ramped in smoothly, the gear up and at last the switch to flying.
void climbOut(MotionEnvironment& environment, LiveAircraft& aircraft) {
    const AircraftInfo& info = aircraft.info;
    if (aircraft.climbOutTicks > 0) {
        aircraft.onGround = 0;
        aircraft.pose.pitchRad =
            gf_stepTowards(aircraft.pose.pitchRad, info.classAngle1Rad, std::fabs(aircraft.pitchChangePerTick));
        --aircraft.climbOutTicks;
        return;
    }
    aircraft.onGround = 0;
    aircraft.climbOutTicks = std::max(aircraft.climbOutTicks - 1, kLowestClimbOutCount);
    const std::int32_t elapsed = -aircraft.climbOutTicks;
    aircraft.pose.bankRad += aircraft.bankChangePerTick;
    aircraft.pose.pitchRad = gf_stepTowards(aircraft.pose.pitchRad, info.classAngle2Rad,
                                            std::max(std::fabs(aircraft.pitchChangePerTick), 1e-5));
    const double f = std::clamp(static_cast<double>(elapsed) / kClimbRampTicks, 0.0, 1.0);
    const double climb = aircraft.takeoffClimbPerTick > 0.0 ? std::max(aircraft.takeoffClimbPerTick,
                                                                       aircraft.altitudeChangePerTick)
                                                            : aircraft.altitudeChangePerTick;
    smoothedAltitudeStep(aircraft, (3.0 - 2.0 * f) * f * f * climb);
    if (elapsed == kClimbRampTicks) {
        environment.setGear(aircraft, 0);
    }
    const double height = gf_curveHeightFt(environment, aircraft);
    const bool settled = std::fabs(aircraft.pose.pitchRad - info.classAngle2Rad) <= kSettledPitchRad;
    if (elapsed > kClimbRampTicks && settled && height >= (isLight(aircraft) ? 300.0 : 800.0)) {
        environment.setThrottle(aircraft, isRotorcraft(aircraft) ? 4 : 3);
        aircraft.climbOutEnded = 1;
        lf_setSituation(environment, aircraft, FlightSituation::flying);
    }
}

// The flare by stages as the height falls; each stage flies its own rate and reports it.
void flare(MotionEnvironment& environment, LiveAircraft& aircraft) {
    const double height = gf_curveHeightFt(environment, aircraft);
    if (aircraft.situation != FlightSituation::landing || aircraft.onGround != 0 || !(height <= kFlareFromFt)) {
        return;
    }
    environment.setFastPoll();
    const double base = aircraft.info.classDistance;
    while (aircraft.landingStage < kFlareStages.size() &&
           height <= base + kFlareStages[aircraft.landingStage].beginsAboveCgFt) {
        const FlareStage& stage = kFlareStages[aircraft.landingStage];
        if (aircraft.landingStage == 0) {
            aircraft.pitchChangePerTick = (kFlarePitchRad - aircraft.pose.pitchRad) / gf_flareTicks();
        }
        if (aircraft.landingStage == 2) {
            environment.setThrottle(aircraft, 0);
        }
        aircraft.altitudeChangePerTick = stage.altitudeChangePerTick;
        if (!aircraft.samples.empty()) {
            aircraft.samples.back().verticalRateFpm = stage.verticalRateFpm;
        }
        ++aircraft.landingStage;
    }
}

void attitude(const MotionEnvironment& environment, LiveAircraft& aircraft) {
    if (aircraft.onGround != 0) {
        aircraft.pose.pitchRad = aircraft.info.staticPitchRad;
        aircraft.pose.bankRad = 0.0;
        return;
    }
    const bool landing = aircraft.situation == FlightSituation::landing;
    const bool flaring = aircraft.landingStage != 0;
    const double limit = gf_bankLimit(gf_maxBankAngle(aircraft.info.sizeClass), landing ? 1 : 0,
                                      gf_curveHeightFt(environment, aircraft), flaring ? 1 : 0);
    aircraft.pose.bankRad = std::clamp(aircraft.pose.bankRad + aircraft.bankChangePerTick, -limit, limit);
    if (flaring) {
        aircraft.pose.pitchRad =
            gf_stepTowards(aircraft.pose.pitchRad, kFlarePitchRad, std::fabs(aircraft.pitchChangePerTick));
    } else {
        aircraft.pose.pitchRad += aircraft.pitchChangePerTick;
    }
}

void altitude(LiveAircraft& aircraft) {
    if (aircraft.onGround != 0) {
        aircraft.pose.verticalSpeedFpm = 0.0;
        return;
    }
    const auto& samples = aircraft.samples;
    switch (aircraft.situation) {
    case FlightSituation::landing: {
        const double first = samples.empty() ? kNotANumber : samples[0].verticalRateFpm;
        const double second = samples.size() < 2 ? kNotANumber : samples[1].verticalRateFpm;
        const DescentLimit limited = gf_limitDescentRate(aircraft.altitudeChangePerTick * kTicksPerMinute, first,
                                                         second, aircraft.info.sizeClass);
        smoothedAltitudeStep(aircraft, limited.rateFpm / kTicksPerMinute);
        break;
    }
    case FlightSituation::flying:
        gf_altitudeStepFlying(aircraft);
        break;
    default:
        aircraft.pose.altitudeFt += aircraft.altitudeChangePerTick;
        aircraft.pose.verticalSpeedFpm = aircraft.altitudeChangePerTick * kTicksPerMinute;
        break;
    }
}

// A Light aircraft taking off never steps backwards: a position behind the last one is
// replaced by one tick straight on along the heading.
void lightAntiBackstep(const MotionEnvironment& environment, LiveAircraft& aircraft, const Lalo& before,
                       double headingBefore) {
    if (!isLight(aircraft)) {
        return;
    }
    const FlightSituation situation = aircraft.situation;
    const bool applies =
        situation == FlightSituation::takeoff ||
        (situation == FlightSituation::flying && aircraft.previousSituation == FlightSituation::takeoff &&
         gf_tickSpan(aircraft.situationTick, environment.simTick()) <= kLightAfterTakeoffTicks) ||
        (aircraft.onGround != 0 && situation == FlightSituation::takeoff_roll);
    if (!applies) {
        return;
    }
    const RelativePosition moved = gf_relativePosition(before, headingBefore, currentPosition(aircraft));
    if (!(moved.distanceM > kBackstepM && moved.alongTrackM < -kBackstepM)) {
        return;
    }
    const double lastKt = aircraft.samples.empty() ? 0.0 : aircraft.samples.back().groundSpeedKt;
    const double speedKt = std::max(aircraft.speedKt, lastKt);
    const Lalo ahead = gf_destinationPoint(before, headingBefore, speedKt * detail::kFeetPerNm / 360000.0);
    setPosition(aircraft, ahead.latitude, ahead.longitude);
}

} // namespace

double gf_curveHeightFt(const MotionEnvironment& environment, const LiveAircraft& aircraft) {
    double height = aircraft.heightAboveGroundFt;
    const std::optional<double> park = environment.parkAirportAltitude();
    if (park && std::isfinite(*park)) {
        const double abovePark = aircraft.pose.altitudeFt - *park;
        if (std::isfinite(abovePark) && (!std::isfinite(height) || height <= 0.0 || abovePark < height)) {
            height = abovePark;
        }
    }
    return height;
}

void gf_nextPosCurve(MotionEnvironment& environment, LiveAircraft& aircraft) {
    if (aircraft.liftOffWaiting != 0 && aircraft.situation == FlightSituation::takeoff_roll &&
        aircraft.onGround != 0) {
        lf_tryLiftOff(environment, aircraft, lf_liftOffKind(aircraft));
    }
    const Lalo before = currentPosition(aircraft);
    const double headingBefore = aircraft.pose.headingRad;
    TickPlan plan;
    movePosition(environment, aircraft, plan);
    if (!profileDrives(aircraft)) {
        if (aircraft.onGround != 0) {
            aircraft.speedKt = aircraft.legSpeedKt;
        } else {
            // In the air the speed is the one the aircraft really flies.
            aircraft.speedKt = gf_distanceNm(before, currentPosition(aircraft)) * detail::kTicksPerHour;
        }
    }
    groundHeading(aircraft, plan, headingBefore);
    airHeading(aircraft, plan);
    if (aircraft.situation == FlightSituation::takeoff) {
        climbOut(environment, aircraft);
    } else {
        flare(environment, aircraft);
        attitude(environment, aircraft);
        altitude(aircraft);
    }
    Lalo position = currentPosition(aircraft);
    gf_normalizeLatLon(position);
    setPosition(aircraft, position.latitude, position.longitude);
    lightAntiBackstep(environment, aircraft, before, headingBefore);
}

} // namespace kiv
