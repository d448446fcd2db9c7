#include "motion/ground_departure.h"

#include <cmath>
#include <iterator>

#include <fmt/format.h>

#include "airports/stand.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "motion/detail/motion_math.h"
#include "motion/leg_ticks.h"
#include "motion/motion_ticks.h"
#include "motion/situation_change.h"

namespace kiv {
namespace {

// nav, beacon, landing, taxi, strobes, logo, cabin.
constexpr LightSet kLeavingStandLights = {1, 1, 0, 1, 0, 1, 0};
constexpr LightSet kTakeoffRollLights = {1, 1, 1, 1, 1, 1, 0};
constexpr double kPushbackStandRadii = 2.5;
constexpr double kPullOutAircraftRadii = 2.0;

Lalo currentPosition(const LiveAircraft& aircraft) noexcept {
    return {aircraft.pose.latitude, aircraft.pose.longitude};
}

// The front sample of a departure: it stops where it is, and with more samples queued it goes
// (the aircraft starts from its own pose).
void dropFrontForDeparture(LiveAircraft& aircraft) {
    auto& samples = aircraft.samples;
    if (!samples.empty()) {
        samples.front().groundSpeedKt = 0.0;
    }
    if (samples.size() > 1) {
        samples.pop_front();
    }
}

// The planned samples go right after the front sample, so that they are the next ones; every
// sample queued behind them that would fall due before the last planned one is made due just
// after it, keeping the stream's due ticks in order.
void insertAfterFront(LiveAircraft& aircraft, std::initializer_list<StreamSample> planned) {
    auto& samples = aircraft.samples;
    const auto at = samples.empty() ? samples.end() : std::next(samples.begin());
    const auto first = samples.insert(at, planned);
    auto later = std::next(first, static_cast<std::ptrdiff_t>(planned.size()));
    std::int32_t floorTick = std::prev(later)->deliveryTick;
    for (; later != samples.end(); ++later) {
        if (gf_tickSpan(floorTick, later->deliveryTick) <= 0) {
            later->deliveryTick = gf_tickAfter(floorTick, 1);
        }
        floorTick = later->deliveryTick;
    }
}

StreamSample groundSample(const Lalo& position, std::int32_t dueTick) {
    StreamSample sample;
    sample.latitude = position.latitude;
    sample.longitude = position.longitude;
    sample.deliveryTick = dueTick;
    return sample;
}

} // namespace

void initiatePushBack(MotionEnvironment& environment, LiveAircraft& aircraft) {
    aircraft.holdCount = 0;
    double direction = detail::reduceTwoPi(aircraft.standHeading + detail::kPi);
    if (!std::isfinite(direction)) {
        direction = 0.0;
    }
    const Stand* stand = environment.parkStand(aircraft.standId);
    if (stand != nullptr && std::isfinite(stand->radius) && stand->radius > 0.0) {
        const Lalo current = currentPosition(aircraft);
        const Lalo end =
            gf_destinationPoint(current, direction, kPushbackStandRadii * stand->radius * detail::kFeetPerNm);
        aircraft.bearingToNext = aircraft.pose.headingRad;
        const std::int64_t duration =
            gf_ticksToCover(gf_distanceNm(current, end), gf_manoeuvreSpeedKt(aircraft.info.liveRate));
        dropFrontForDeparture(aircraft);
        const StreamSample pushedTo =
            groundSample(end, gf_tickAfter(static_cast<std::int32_t>(environment.simTick()), duration));
        StreamSample hold = pushedTo;
        hold.stationary = 1;
        insertAfterFront(aircraft, {pushedTo, hold});
        environment.setAllLights(aircraft, kLeavingStandLights);
        lf_setSituation(environment, aircraft, FlightSituation::pushing_back);
    } else {
        gf_logImportant(fmt::format("{} cancelled pushback, invalid stand radius for stand {}, callsign {}",
                                    "initiatePushBack", environment.standName(aircraft.standId),
                                    aircraft.info.head.callsign));
    }
    aircraft.departurePending = 0;
}

void lf_pullOut(MotionEnvironment& environment, LiveAircraft& aircraft) {
    aircraft.departurePending = 0;
    aircraft.holdCount = 0;
    const Lalo current = currentPosition(aircraft);
    const Lalo target = gf_destinationPoint({aircraft.standLat, aircraft.standLon}, aircraft.standHeading,
                                            kPullOutAircraftRadii * aircraft.info.radiusNm * detail::kFeetPerNm);
    const std::int64_t ticks =
        gf_ticksToCover(gf_distanceNm(current, target), gf_manoeuvreSpeedKt(aircraft.info.liveRate));
    StreamSample out = groundSample(target, gf_tickAfter(static_cast<std::int32_t>(environment.simTick()), ticks));
    out.groundSpeedKt = aircraft.info.liveRate;
    out.trackDeg = detail::radToDeg(aircraft.standHeading);
    dropFrontForDeparture(aircraft);
    insertAfterFront(aircraft, {out});
    lf_setSituation(environment, aircraft, FlightSituation::taxi);
    aircraft.bearingToNext = aircraft.pose.headingRad;
    environment.setAllLights(aircraft, kLeavingStandLights);
    environment.engineAutoStart(aircraft);
    environment.setThrottle(aircraft, 0);
    environment.setFlaps(aircraft, 1);
    gf_logLine(
        fmt::format("{:14}: {:8} pulling out", environment.standName(aircraft.standId), aircraft.info.head.callsign));
}

void gf_startTakeoffRoll(MotionEnvironment& environment, LiveAircraft& aircraft) {
    aircraft.takeoffClimbPerTick = 0.0;
    aircraft.smoothedAltitudeStep = 0.0;
    aircraft.climbOutEnded = 0;
    aircraft.climbTransition = 0;
    lf_setSituation(environment, aircraft, FlightSituation::takeoff_roll);
    environment.setThrottle(aircraft, 3);
    environment.setSpoilers(aircraft, 1);
    environment.setFlaps(aircraft, 1);
    aircraft.liftOffWaiting = 0;
    environment.setAllLights(aircraft, kTakeoffRollLights);
    aircraft.holdTicks1 = 2700;
    aircraft.holdTicks2 = 4500;
}

} // namespace kiv
