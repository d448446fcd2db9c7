#include "motion/lift_off.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "foundation/geodesy.h"
#include "motion/detail/motion_math.h"
#include "motion/flight_messages.h"
#include "motion/motion_limits.h"
#include "motion/motion_ticks.h"
#include "motion/situation_change.h"
#include "motion/stream_helpers.h"

namespace kiv {
namespace {

constexpr double kClimbingFpm = 256.0;
constexpr double kLiftOffWithinM = 600.0;
constexpr std::int64_t kLiftOffAfterClimbOutTicks = 300;
constexpr double kMinLiftOffClimbPerTick = 0.1;
constexpr double kLightMaxClimbPerTick = 0.2;

bool positiveFinite(double value) noexcept { return std::isfinite(value) && value > 0.0; }

} // namespace

std::uint8_t lf_liftOffKind(const LiveAircraft& aircraft) {
    const auto& samples = aircraft.samples;
    if (samples.size() < 2) {
        return 0;
    }
    const bool allClimbing = std::all_of(samples.begin(), samples.end(), [](const StreamSample& sample) {
        return sample.verticalRateFpm > kClimbingFpm;
    });
    const bool airborneAfterFront = gf_streamAirborneAfterFirst(aircraft);
    if (allClimbing) {
        if (airborneAfterFront) {
            return 1;
        }
        if (samples.back().airborne != 0) {
            return 2;
        }
    }
    const double reference = gf_referenceSpeedKt(aircraft, 3);
    const bool fastAfterFront =
        std::all_of(std::next(samples.begin()), samples.end(),
                    [reference](const StreamSample& s) { return s.groundSpeedKt >= reference; });
    if (fastAfterFront && airborneAfterFront) {
        return 2;
    }
    return gf_streamMaxVerticalRateAbove2000(aircraft) ? 2 : 0;
}

bool lf_liftOffReady(const MotionEnvironment& environment, const LiveAircraft& aircraft) {
    const auto& samples = aircraft.samples;
    const auto airborne =
        std::find_if(samples.begin(), samples.end(), [](const StreamSample& s) { return s.airborne != 0; });
    if (airborne == samples.end()) {
        return false;
    }
    const double speedKt = positiveFinite(aircraft.speedKt) ? aircraft.speedKt : samples.front().groundSpeedKt;
    if (!(speedKt >= gf_referenceSpeedKt(aircraft, 1))) {
        return false;
    }
    const double distanceM =
        gf_distanceNm({aircraft.pose.latitude, aircraft.pose.longitude}, {airborne->latitude, airborne->longitude}) *
        detail::kMetresPerNm;
    if (!(distanceM <= kLiftOffWithinM)) {
        return false;
    }
    const std::int64_t window =
        std::max<std::int64_t>(std::int64_t{aircraft.info.classValue1} + kLiftOffAfterClimbOutTicks, 1);
    return gf_tickSpan(environment.simTick(), static_cast<std::uint32_t>(airborne->deliveryTick)) <= window;
}

bool lf_tryLiftOff(MotionEnvironment& environment, LiveAircraft& aircraft, std::uint8_t kind) {
    if (kind == 0 || aircraft.situation != FlightSituation::takeoff_roll || aircraft.onGround == 0) {
        return false;
    }
    if (!lf_liftOffReady(environment, aircraft)) {
        aircraft.liftOffWaiting = 1;
        return false;
    }
    aircraft.liftOffWaiting = 0;
    if (kind == 1) {
        const auto& samples = aircraft.samples;
        const StreamSample& next = samples.size() >= 2 ? samples[1] : samples[0];
        const double ticks = static_cast<double>(gf_ticksUntilDue(next.deliveryTick, environment.simTick()));
        aircraft.altitudeChangePerTick =
            std::max(next.altitudeFt - aircraft.pose.altitudeFt, kMinLiftOffClimbPerTick * ticks) / ticks;
    } else {
        double climb = aircraft.info.liveFactor;
        if (aircraft.info.sizeClass == SizeClass::Light) {
            climb = std::min(climb, kLightMaxClimbPerTick);
        }
        aircraft.altitudeChangePerTick = climb;
    }
    lf_startTakeoff(environment, aircraft, static_cast<std::int8_t>(kind));
    return true;
}

void lf_startTakeoff(MotionEnvironment& environment, LiveAircraft& aircraft, std::int8_t kind) {
    // Read before the situation changes: the roll came straight from a landing roll, or from a
    // taxi that followed one.
    const bool touchAndGo = aircraft.previousSituation == FlightSituation::landing_roll ||
                            (aircraft.previousSituation == FlightSituation::taxi &&
                             aircraft.earlierSituation == FlightSituation::landing_roll);
    aircraft.liftOffWaiting = 0;
    aircraft.takeoffClimbPerTick = kind == 2 ? aircraft.altitudeChangePerTick : 0.0;
    aircraft.smoothedAltitudeStep = 0.0;
    aircraft.climbOutEnded = 0;
    aircraft.climbTransition = 0;
    aircraft.climbOutTicks = std::max<std::int32_t>(static_cast<std::int32_t>(aircraft.info.classValue1), 1);
    aircraft.pitchChangePerTick = (aircraft.info.classAngle1Rad - aircraft.pose.pitchRad) / aircraft.climbOutTicks;
    aircraft.pose.bankRad = 0.0;
    aircraft.bankChangePerTick = 0.0;
    lf_setSituation(environment, aircraft, FlightSituation::takeoff);
    gf_postFlightMessage(environment, lf_takeoffMessage(environment, aircraft));
    gf_resetPathState(aircraft);
    if (touchAndGo) {
        environment.setThrottle(aircraft, 4);
        environment.setSpoilers(aircraft, 1);
        environment.setFlaps(aircraft, 1);
    }
}

} // namespace kiv
