#include "motion/vertical_steps.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "foundation/geodesy.h"
#include "motion/leg_ticks.h"
#include "motion/motion_ticks.h"
#include "motion/retime_next_sample.h"
#include "motion/stream_helpers.h"

namespace kiv {
namespace {

constexpr double kTicksPerMinute = 6000.0;
constexpr double kStepChangePerTick = 0.001; // ft per tick per tick: 6 ft/min per tick
constexpr double kLevelDescentFpm = -600.0;
constexpr double kFloorDescentFpm = -601.0;
constexpr double kSteepestLightDescentFpm = -1200.0;
constexpr double kStandardQnh = 1013.25;
constexpr std::size_t kGroundSearchSamples = 10;

bool positiveFinite(double value) noexcept { return std::isfinite(value) && value > 0.0; }

// Both the front and the next sample on the ground while the leg descends: the aircraft
// settles towards them.
bool settling(const LiveAircraft& aircraft) noexcept {
    const auto& samples = aircraft.samples;
    return samples.size() >= 2 && samples[0].airborne == 0 && samples[1].airborne == 0 &&
           aircraft.altitudeChangePerTick < 0.0;
}

void climbAtLeast601(LiveAircraft& aircraft) {
    StreamSample& next = aircraft.samples[1];
    if (!(next.verticalRateFpm >= -kFloorDescentFpm)) {
        next.verticalRateFpm = -kFloorDescentFpm;
    }
    aircraft.legVerticalRateFpm = next.verticalRateFpm;
    aircraft.altitudeChangePerTick = next.verticalRateFpm / kTicksPerMinute;
}

} // namespace

std::int64_t gf_airLegTicks(const MotionEnvironment& environment, const LiveAircraft& aircraft) {
    const auto& samples = aircraft.samples;
    return samples.size() < 2 ? kMinimumLegTicks : gf_ticksUntilDue(samples[1].deliveryTick, environment.simTick());
}

void lf_climbTowardsNext(const MotionEnvironment& environment, LiveAircraft& aircraft) {
    if (aircraft.samples.size() < 2) {
        return;
    }
    const double nextAltitude = aircraft.samples[1].altitudeFt;
    if (!(nextAltitude > aircraft.pose.altitudeFt)) {
        aircraft.altitudeChangePerTick = 0.0;
        return;
    }
    const double ticks = static_cast<double>(gf_airLegTicks(environment, aircraft));
    aircraft.altitudeChangePerTick =
        std::min((nextAltitude - aircraft.pose.altitudeFt) / ticks, aircraft.info.liveFactor);
}

void lf_keepTakeoffClimb(LiveAircraft& aircraft) {
    if (aircraft.situation != FlightSituation::takeoff || !(aircraft.takeoffClimbPerTick > 0.0)) {
        return;
    }
    const double takeoff = aircraft.takeoffClimbPerTick * kTicksPerMinute;
    const double current = aircraft.altitudeChangePerTick * kTicksPerMinute;
    if (!std::isfinite(takeoff)) {
        return;
    }
    aircraft.altitudeChangePerTick = (std::isfinite(current) ? std::max(takeoff, current) : takeoff) / kTicksPerMinute;
}

void lf_planOverGroundSamples(MotionEnvironment& environment, LiveAircraft& aircraft) {
    auto& samples = aircraft.samples;
    if (samples.size() < 2) {
        return;
    }
    double rateSum = 0.0;
    for (const StreamSample& sample : samples) {
        if (std::isfinite(sample.verticalRateFpm)) { // a rate not reported adds nothing
            rateSum += sample.verticalRateFpm;
        }
    }
    if (aircraft.situation == FlightSituation::landing || rateSum <= 100.0) {
        const double rate = lf_descentRateFpm(environment, aircraft);
        samples[1].verticalRateFpm = rate;
        aircraft.legVerticalRateFpm = rate;
        aircraft.altitudeChangePerTick = rate / kTicksPerMinute;
    } else {
        const std::size_t searchEnd = std::min(samples.size() - 1, kGroundSearchSamples);
        std::size_t airborne = 0;
        for (std::size_t i = 2; i < searchEnd; ++i) {
            if (samples[i].airborne != 0) {
                airborne = i;
                break;
            }
        }
        if (airborne != 0) {
            samples.erase(std::next(samples.begin()),
                          std::next(samples.begin(), static_cast<std::ptrdiff_t>(airborne)));
            const double distanceNm =
                gf_distanceNm({samples[0].latitude, samples[0].longitude}, {samples[1].latitude, samples[1].longitude});
            lf_retimeNextSample(environment, aircraft, gf_ticksToCover(distanceNm, gf_streamSpeedKt(aircraft)));
            lf_climbTowardsNext(environment, aircraft);
            lf_keepTakeoffClimb(aircraft);
        } else {
            climbAtLeast601(aircraft);
        }
    }
    environment.setGear(aircraft, 1);
}

double lf_descentRateFpm(const MotionEnvironment& environment, const LiveAircraft& aircraft) {
    const auto& samples = aircraft.samples;
    if (!(aircraft.heightAboveGroundFt > 100.0) || samples.empty()) {
        return kLevelDescentFpm;
    }
    const StreamSample& next = samples.size() >= 2 ? samples[1] : samples[0];
    const double rate = (samples[0].verticalRateFpm + next.verticalRateFpm) * 0.5 -
                        (static_cast<double>(environment.currentQnh()) - kStandardQnh) * 6.0;
    return rate <= kFloorDescentFpm ? rate : kFloorDescentFpm;
}

double lf_lightLevelOffLimit(const LiveAircraft& aircraft, double wantedFpm) {
    if (aircraft.info.sizeClass != SizeClass::Light || aircraft.situation != FlightSituation::flying ||
        !aircraft.latestAirborneAltitude || !std::isfinite(*aircraft.latestAirborneAltitude) ||
        !std::isfinite(aircraft.pose.altitudeFt) || !std::isfinite(wantedFpm)) {
        return wantedFpm;
    }
    if (wantedFpm < 0.0) {
        return std::max(wantedFpm, kSteepestLightDescentFpm);
    }
    const double above = aircraft.pose.altitudeFt - *aircraft.latestAirborneAltitude;
    if (above > 650.0) {
        return kLevelDescentFpm;
    }
    return above >= 500.0 ? 0.0 : wantedFpm;
}

void lf_smoothVerticalStep(LiveAircraft& aircraft, double wantedPerTick, std::uint8_t force) {
    double wanted = wantedPerTick * kTicksPerMinute;
    if (force == 0 && !positiveFinite(wanted)) {
        wanted = positiveFinite(aircraft.pose.verticalSpeedFpm) ? aircraft.pose.verticalSpeedFpm : 0.0;
    }
    wanted = lf_lightLevelOffLimit(aircraft, wanted);
    if (!std::isfinite(wanted)) {
        wanted = 0.0; // hold the level rather than carry a rate that is not a number
    }
    const double previous = aircraft.smoothedAltitudeStep;
    const double step =
        std::clamp(wanted / kTicksPerMinute, previous - kStepChangePerTick, previous + kStepChangePerTick);
    aircraft.smoothedAltitudeStep = step;
    aircraft.pose.altitudeFt += step;
    aircraft.pose.verticalSpeedFpm = step * kTicksPerMinute;
}

void gf_altitudeStepFlying(LiveAircraft& aircraft) {
    const auto& samples = aircraft.samples;
    const double planned = aircraft.altitudeChangePerTick;
    const bool isSettling = settling(aircraft);
    if (aircraft.climbTransition != 0) {
        if (isSettling) {
            aircraft.climbTransition = 0;
            aircraft.pose.verticalSpeedFpm = planned * kTicksPerMinute;
            aircraft.pose.altitudeFt += planned;
            return;
        }
        const bool airborneNext =
            samples.size() >= 2 && samples[1].airborne != 0 && positiveFinite(samples[1].altitudeFt);
        if (airborneNext) {
            const double initialClimb = aircraft.info.liveFactor * kTicksPerMinute;
            double wanted = planned * kTicksPerMinute;
            wanted = wanted > initialClimb ? initialClimb : std::max(wanted, kSteepestLightDescentFpm);
            wanted = lf_lightLevelOffLimit(aircraft, wanted);
            lf_smoothVerticalStep(aircraft, wanted / kTicksPerMinute, 1);
            if (std::fabs(aircraft.smoothedAltitudeStep * kTicksPerMinute - wanted) <= 1.0) {
                aircraft.climbTransition = 0;
            }
            return;
        }
        double wanted = planned * kTicksPerMinute;
        if (!positiveFinite(wanted)) {
            wanted = positiveFinite(aircraft.pose.verticalSpeedFpm) ? aircraft.pose.verticalSpeedFpm : 0.0;
        }
        lf_smoothVerticalStep(aircraft, lf_lightLevelOffLimit(aircraft, wanted) / kTicksPerMinute, 0);
        return;
    }
    if (aircraft.info.sizeClass == SizeClass::Light) {
        double wanted = planned * kTicksPerMinute;
        if (!isSettling) {
            wanted = lf_lightLevelOffLimit(aircraft, wanted);
        }
        aircraft.pose.altitudeFt += wanted / kTicksPerMinute;
        aircraft.pose.verticalSpeedFpm = wanted;
        return;
    }
    aircraft.pose.altitudeFt += planned;
    aircraft.pose.verticalSpeedFpm = planned * kTicksPerMinute;
}

} // namespace kiv
