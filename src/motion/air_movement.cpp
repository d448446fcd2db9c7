#include "motion/air_movement.h"

#include <cmath>
#include <exception>

#include <fmt/format.h>

#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "motion/leg_ticks.h"
#include "motion/motion_ticks.h"
#include "motion/retime_next_sample.h"
#include "motion/situation_change.h"
#include "motion/stream_helpers.h"
#include "traffic/aircraft_text.h"

namespace kiv {
namespace {

constexpr double kSlowestFlyingKt = 40.0;
constexpr double kFallbackSpeedKt = 100.0;
constexpr LightSet kAllLights = {1, 1, 1, 1, 1, 1, 1};
constexpr std::int32_t kAirWindowTicks = 900;
constexpr std::int32_t kLandingWindowTicks = 2700;
constexpr double kDescendingFpm = -250.0;
constexpr double kClimbingFpm = 400.0;
constexpr double kClimbConfigurationFpm = 600.0;

bool isRotorcraft(const LiveAircraft& aircraft) noexcept { return aircraft.info.sizeClass == SizeClass::Rotorcraft; }

Lalo positionOf(const StreamSample& sample) noexcept { return {sample.latitude, sample.longitude}; }

// The speed between the front and the next sample in knots; 0 without a next sample.
double sampleSpeedKt(const LiveAircraft& aircraft) {
    const auto& samples = aircraft.samples;
    if (samples.size() < 2) {
        return 0.0;
    }
    const double seconds =
        static_cast<double>(std::max(gf_tickSpan(samples[0].deliveryTick, samples[1].deliveryTick), kMinimumLegTicks)) /
        100.0;
    return gf_distanceNm(positionOf(samples[0]), positionOf(samples[1])) * 3600.0 / seconds;
}

// The leg's speed: the front sample's on the touch-down leg, else the stream's; a speed that
// is not above its floor flies the leg at 100 kt.
double legSpeedKt(const LiveAircraft& aircraft) {
    const auto& samples = aircraft.samples;
    const bool touchDownLeg =
        aircraft.situation == FlightSituation::landing && samples.size() >= 2 && samples[1].airborne == 0;
    const double speed = touchDownLeg ? samples[0].groundSpeedKt : gf_streamSpeedKt(aircraft);
    const double floor = touchDownLeg ? 0.0 : 1.0;
    return speed > floor ? speed : kFallbackSpeedKt;
}

void airStep(MotionEnvironment& environment, LiveAircraft& aircraft) {
    const auto& samples = aircraft.samples;
    if (samples.size() >= 2 && samples[1].stationary != 0) {
        if (isRotorcraft(aircraft)) {
            lf_retimeNextSample(environment, aircraft, gf_holdLegTicks(aircraft, environment.simTick()));
        } else {
            environment.removeAircraftFromSim(aircraft);
        }
        return;
    }
    if (!isRotorcraft(aircraft) && sampleSpeedKt(aircraft) < kSlowestFlyingKt) {
        environment.removeAircraftFromSim(aircraft);
        return;
    }
    const double distanceNm = samples.size() < 2 ? 0.0 : gf_distanceNm(positionOf(samples[0]), positionOf(samples[1]));
    lf_retimeNextSample(environment, aircraft, gf_ticksToCover(distanceNm, legSpeedKt(aircraft)));
}

void setRetimingWindows(LiveAircraft& aircraft, std::int32_t ticks) noexcept {
    aircraft.holdTicks1 = ticks;
    aircraft.holdTicks2 = ticks;
}

// Climbing or descending above the threshold: cabin lights, power by the vertical rate, and
// gear and flaps by the height.
void climbOrDescentConfiguration(MotionEnvironment& environment, LiveAircraft& aircraft, double heightFt) {
    gf_narrowRetimingWindows(aircraft);
    environment.setCabinLights(aircraft, 1);
    const double rateFpm = aircraft.samples.empty() ? kNotANumber : aircraft.samples.front().verticalRateFpm;
    if (rateFpm <= kDescendingFpm && aircraft.throttleIndex == 3) {
        environment.setThrottle(aircraft, isRotorcraft(aircraft) ? 4 : 2);
    } else if (rateFpm > kClimbingFpm && aircraft.throttleIndex == 4) {
        environment.setThrottle(aircraft, isRotorcraft(aircraft) ? 4 : 3);
    }
    if (heightFt >= 2400.0) {
        environment.setGear(aircraft, 0);
        environment.setFlaps(aircraft, 0);
    } else if (rateFpm <= 100.0) {
        if (heightFt >= 2000.0) {
            if (aircraft.flapsIndex == 0) {
                environment.setFlaps(aircraft, 1);
            }
        } else if (aircraft.flapsIndex == 0) {
            environment.setFlaps(aircraft, 1);
        } else if (aircraft.flapsIndex == 1) {
            environment.setFlaps(aircraft, 2);
        }
    }
}

void goAround(MotionEnvironment& environment, LiveAircraft& aircraft) {
    aircraft.landingStage = 0;
    lf_setSituation(environment, aircraft, FlightSituation::flying);
    environment.setThrottle(aircraft, 4);
    environment.setGear(aircraft, 0);
    environment.setFlaps(aircraft, 0);
    setRetimingWindows(aircraft, kAirWindowTicks);
    aircraft.climbConfigured = 1;
}

void startLanding(MotionEnvironment& environment, LiveAircraft& aircraft) {
    aircraft.landingStage = 0;
    lf_setSituation(environment, aircraft, FlightSituation::landing);
    environment.setThrottle(aircraft, isRotorcraft(aircraft) ? 4 : 1);
    environment.setFlaps(aircraft, 3);
    environment.setGear(aircraft, 1);
    environment.notifyHexId(aircraft.info.hexId);
    setRetimingWindows(aircraft, kLandingWindowTicks);
    aircraft.climbConfigured = 0;
    aircraft.standLat = 0.0;
    aircraft.standLon = 0.0;
    aircraft.standHeading = 0.0;
    aircraft.standId = 0;
}

} // namespace

void nextPosAir(MotionEnvironment& environment, LiveAircraft& aircraft) {
    try {
        airStep(environment, aircraft);
    } catch (const std::exception& error) {
        gf_logImportant(
            fmt::format("{}: {}, {}, sz:{}", "nextPosAir", error.what(), aircraft, aircraft.samples.size()));
        throw;
    }
}

void lf_airConfiguration(MotionEnvironment& environment, LiveAircraft& aircraft, HeightOverride height) {
    if (aircraft.lightsSet == 0) {
        environment.setAllLights(aircraft, kAllLights);
        setRetimingWindows(aircraft, kAirWindowTicks);
        aircraft.lightsSet = 1;
        aircraft.cruiseConfigured = 0;
    }
    const double heightFt = height.given != 0 ? height.heightFt : aircraft.heightAboveGroundFt;
    const double thresholdFt = aircraft.info.isJet != 0 ? 2050.0 : 625.0;
    if (heightFt > thresholdFt && aircraft.situation != FlightSituation::landing) {
        climbOrDescentConfiguration(environment, aircraft, heightFt);
    } else {
        lf_checkLandingOrGoAround(environment, aircraft);
    }
}

void lf_checkLandingOrGoAround(MotionEnvironment& environment, LiveAircraft& aircraft) {
    environment.setCabinLights(aircraft, 0);
    const auto& samples = aircraft.samples;
    if (samples.size() < 2) {
        return;
    }
    const StreamSample& front = samples[0];
    const StreamSample& next = samples[1];
    const double currentFpm = aircraft.altitudeChangePerTick * 6000.0;
    const bool altitudesKnown = std::isfinite(front.altitudeFt) && std::isfinite(next.altitudeFt);
    const bool samplesDescend = altitudesKnown && front.altitudeFt - 10.0 > next.altitudeFt;
    const bool descending =
        (samplesDescend && front.verticalRateFpm <= kDescendingFpm && next.verticalRateFpm <= kDescendingFpm) ||
        (next.airborne == 0 &&
         (front.verticalRateFpm <= kDescendingFpm || samplesDescend || currentFpm <= kDescendingFpm));
    const bool climbing = next.airborne != 0 && altitudesKnown && next.altitudeFt - front.altitudeFt >= 50.0 &&
                          front.verticalRateFpm >= kClimbingFpm && next.verticalRateFpm >= kClimbingFpm;
    const bool nearPark = environment.isNearParkAirport({aircraft.pose.latitude, aircraft.pose.longitude});
    if (aircraft.situation == FlightSituation::landing && (climbing || !nearPark)) {
        goAround(environment, aircraft);
    } else if (descending && aircraft.situation == FlightSituation::flying && nearPark) {
        startLanding(environment, aircraft);
    } else if (front.verticalRateFpm > kClimbConfigurationFpm && aircraft.climbConfigured == 0) {
        environment.setThrottle(aircraft, 4);
        environment.setGear(aircraft, 0);
        environment.setFlaps(aircraft, 0);
        aircraft.landingStage = 0;
        aircraft.climbConfigured = 1;
    }
}

} // namespace kiv
