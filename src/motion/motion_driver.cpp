#include "motion/motion_driver.h"

#include <cmath>
#include <exception>
#include <iterator>

#include <fmt/format.h>

#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "motion/curve_step.h"
#include "motion/detail/motion_math.h"
#include "motion/motion_ticks.h"
#include "motion/stand_arrival.h"
#include "motion/stand_geometry.h"
#include "motion/stream_step.h"
#include "motion/traffic_motion_environment.h"
#include "traffic/aircraft_text.h"

namespace kiv {
namespace {

constexpr int kGuardRepetitions = 32;
constexpr std::uint32_t kDepartureSmoothingTicks = 3000;
constexpr double kSmoothingMinSeconds = 5.0;
constexpr double kLightTakeoffSpeedKt = 35.0;
constexpr double kLightCloseNextM = 12.0;
constexpr double kLightFarAheadM = 30.0;
constexpr double kSlowDropShare = 0.65;

Lalo positionOf(const StreamSample& sample) noexcept { return {sample.latitude, sample.longitude}; }
Lalo currentPosition(const LiveAircraft& aircraft) noexcept {
    return {aircraft.pose.latitude, aircraft.pose.longitude};
}

bool isLight(const LiveAircraft& aircraft) noexcept { return aircraft.info.sizeClass == SizeClass::Light; }

std::string stateText(const LiveAircraft& aircraft) {
    return fmt::format("sz:{}, fs:{}, st:{}", aircraft.samples.size(), gf_flightSituationName(aircraft.situation),
                       gf_simStateName(aircraft.simState));
}

// Just after take-off: the aircraft climbs away or has been flying for at most 30 s since.
bool departureSmoothing(const MotionEnvironment& environment, const LiveAircraft& aircraft) {
    if (aircraft.situation == FlightSituation::takeoff) {
        return true;
    }
    return aircraft.situation == FlightSituation::flying && aircraft.previousSituation == FlightSituation::takeoff &&
           gf_tickSpan(aircraft.situationTick, environment.simTick()) <= kDepartureSmoothingTicks;
}

// A Light aircraft speeding up for take-off passes a next sample just ahead when the one
// after it lies well ahead.
bool lightTakeoffSkipsNext(const LiveAircraft& aircraft) {
    const auto& samples = aircraft.samples;
    if (!isLight(aircraft) || aircraft.situation != FlightSituation::takeoff_roll || aircraft.onGround == 0 ||
        samples.size() < 3 || !(aircraft.speedKt >= kLightTakeoffSpeedKt)) {
        return false;
    }
    const RelativePosition after = gf_relativePosition(currentPosition(aircraft), aircraft.pose.headingRad,
                                                       positionOf(samples[2]));
    const double toNextM = gf_distanceNm(currentPosition(aircraft), positionOf(samples[1])) * detail::kMetresPerNm;
    return toNextM < kLightCloseNextM && after.alongTrackM > kLightFarAheadM;
}

// After take-off a front sample is dropped when the next one could only be reached by
// slowing well below it (the feed lags behind the climbing aircraft).
bool slowFrontSample(const MotionEnvironment& environment, const LiveAircraft& aircraft) {
    const auto& samples = aircraft.samples;
    const double seconds =
        static_cast<double>(gf_ticksUntilDue(samples[1].deliveryTick, environment.simTick())) / 100.0;
    const double distanceM = gf_distanceNm(currentPosition(aircraft), positionOf(samples[1])) * detail::kMetresPerNm;
    const double frontSpeed = samples[0].groundSpeedKt;
    const double floorKt = isLight(aircraft) ? 55.0 : 120.0;
    if (!(std::isfinite(distanceM) && distanceM > 1.0) || seconds < kSmoothingMinSeconds ||
        !(std::isfinite(frontSpeed) && frontSpeed >= floorKt)) {
        return false;
    }
    const double neededKt = distanceM / seconds * detail::kKnotsPerMetrePerSecond;
    const double ceilingKt = isLight(aircraft) ? 35.0 : 100.0;
    return neededKt < ceilingKt && neededKt < kSlowDropShare * frontSpeed;
}

enum class Outcome { repeat, done };

Outcome withNextSample(MotionEnvironment& environment, LiveAircraft& aircraft) {
    auto& samples = aircraft.samples;
    if (aircraft.onGround == 0 && samples[1].stationary != 0 && aircraft.info.sizeClass != SizeClass::Rotorcraft) {
        samples.erase(std::next(samples.begin()));
        return Outcome::repeat;
    }
    if (lightTakeoffSkipsNext(aircraft)) {
        samples.erase(std::next(samples.begin()));
        return Outcome::repeat;
    }
    if (departureSmoothing(environment, aircraft) && aircraft.holdCount <= 0 &&
        slowFrontSample(environment, aircraft)) {
        samples.pop_front();
        aircraft.slowSamplesSkipped = 1;
        return Outcome::repeat;
    }
    lf_streamStep(environment, aircraft);
    return Outcome::done;
}

// The stream has no next sample: the arrival at the stand, then invented samples while the
// budget lasts; otherwise the aircraft goes.
Outcome withoutNextSample(MotionEnvironment& environment, LiveAircraft& aircraft) {
    if (aircraft.samples.empty()) {
        // Nothing to arrive at or to carry on from.
        environment.noMoreNextPos(aircraft);
        return Outcome::done;
    }
    if (aircraft.situation == FlightSituation::parking && !lf_arriveAtStand(environment, aircraft)) {
        environment.noMoreNextPos(aircraft);
        return Outcome::done;
    }
    std::int32_t budget = 0;
    if (aircraft.holdCount < 0) {
        environment.noMoreNextPos(aircraft);
        return Outcome::done;
    }
    if (aircraft.holdCount == 1) {
        aircraft.holdCount = -1;
        environment.noMoreNextPos(aircraft);
        return Outcome::done;
    }
    budget = aircraft.holdCount > 1 ? aircraft.holdCount - 1 : lf_extrapolationBudget(environment, aircraft);
    if (budget < 1) {
        environment.noMoreNextPos(aircraft);
        return Outcome::done;
    }
    lf_appendExtrapolatedSample(environment, aircraft, budget);
    return Outcome::repeat;
}

void runLoop(MotionEnvironment& environment, LiveAircraft& aircraft) {
    for (int guard = 0;; ++guard) {
        if (guard >= kGuardRepetitions) {
            gf_logImportant(fmt::format("{}: guard exceeded {}, {}", "nextPosMain", aircraft, stateText(aircraft)));
            environment.noMoreNextPos(aircraft);
            return;
        }
        const Outcome outcome = aircraft.samples.size() >= 2 ? withNextSample(environment, aircraft)
                                                             : withoutNextSample(environment, aircraft);
        if (outcome == Outcome::done) {
            return;
        }
    }
}

} // namespace

void nextPosMain(MotionEnvironment& environment, LiveAircraft& aircraft) {
    try {
        runLoop(environment, aircraft);
    } catch (const std::exception& error) {
        gf_logImportant(fmt::format("{}: {} {}, {}", "nextPosMain", error.what(), aircraft, stateText(aircraft)));
        throw;
    }
}

void nextPosMain(TrafficState& state, LiveAircraft& aircraft) {
    TrafficMotionEnvironment environment(state);
    nextPosMain(environment, aircraft);
}

void gf_nextPosCurve(TrafficState& state, LiveAircraft& aircraft) {
    TrafficMotionEnvironment environment(state);
    gf_nextPosCurve(environment, aircraft);
}

} // namespace kiv
