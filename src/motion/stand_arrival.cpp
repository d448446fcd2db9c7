#include "motion/stand_arrival.h"

#include <cmath>

#include <fmt/format.h>

#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "motion/detail/motion_math.h"
#include "motion/motion_ticks.h"
#include "motion/situation_change.h"
#include "traffic/aircraft_text.h"

namespace kiv {
namespace {

constexpr std::int32_t kArrivalWindowTicks = 900;
constexpr double kMaxParkedHeadingOffDeg = 40.0;
constexpr double kMaxParkedDistanceNm = 0.009719222462203024; // 18 m

struct ParkedActionPlan {
    std::uint32_t kind;
    std::int64_t baseTicks;
    std::uint64_t extraRandomRange; // 0: the shared random slots only
};

// Engines off, then the arrival lights, then the parked lights, each some random seconds on.
constexpr ParkedActionPlan kParkedActions[] = {{0, 1000, 0}, {1, 1500, 5}, {2, 3000, 100}};

void giveUpStand(LiveAircraft& aircraft) {
    aircraft.standLat = 0.0;
    aircraft.standLon = 0.0;
    aircraft.standHeading = 0.0;
    aircraft.standId = 0;
    aircraft.cargoStand = 0;
    aircraft.gateStand = 0;
}

// The motion of the drive in is over.
void stopMoving(LiveAircraft& aircraft) {
    aircraft.speedKt = 0.0;
    aircraft.pose.verticalSpeedFpm = 0.0;
    aircraft.tickDelta = {};
    aircraft.legSpeedKt = 0.0;
    aircraft.driveIn = 0;
    aircraft.finalLeg = {};
    aircraft.groundMode = 0;
}

void queueParkedActions(MotionEnvironment& environment, const LiveAircraft& aircraft) {
    const std::int32_t base = aircraft.samples.front().deliveryTick;
    const std::uint64_t shared = environment.randomIndex(10);
    for (const ParkedActionPlan& plan : kParkedActions) {
        const std::uint64_t slots =
            shared + (plan.extraRandomRange == 0 ? 0 : environment.randomIndex(plan.extraRandomRange));
        const std::int64_t ticks = plan.baseTicks + 100 * static_cast<std::int64_t>(slots);
        environment.queueParkedAction({aircraft.info.hexId, gf_tickAfter(base, ticks), plan.kind});
    }
}

void park(MotionEnvironment& environment, LiveAircraft& aircraft) {
    lf_setSituation(environment, aircraft, FlightSituation::parked);
    const std::int64_t now = environment.systemTime100ns();
    aircraft.parkedSinceTime = now;
    if (aircraft.standChoice && aircraft.standChoice->standId != aircraft.standId) {
        aircraft.standChoice.reset();
    }
    aircraft.parkedSlot = environment.currentSlot();
    if (aircraft.towed != 0) {
        gf_logLine(fmt::format("          towed aircraft {} parks", aircraft));
    }
    aircraft.samples.front().stationary = 1;
    aircraft.arrivalTime = now;
    stopMoving(aircraft);
    environment.setThrottle(aircraft, 0);
    environment.setFlaps(aircraft, 0);
    queueParkedActions(environment, aircraft);
    gf_logLine(fmt::format("{:14}: {:8} arrived at stand", environment.standName(aircraft.standId),
                           aircraft.info.head.callsign));
    environment.notifyHexId(aircraft.info.hexId);
    environment.addRealStandOption(aircraft.standId, aircraft, 0);
    environment.limitParkedAircraft(0);
}

} // namespace

bool lf_arriveAtStand(MotionEnvironment& environment, LiveAircraft& aircraft) {
    aircraft.holdTicks1 = kArrivalWindowTicks;
    aircraft.holdTicks2 = kArrivalWindowTicks;
    if (aircraft.samples.empty()) {
        return false;
    }
    const double headingOffDeg =
        std::fabs(detail::wrapPi(aircraft.pose.headingRad - aircraft.standHeading)) * detail::radToDeg(1.0);
    if (environment.standUseByOtherLive(aircraft.standId, aircraft.info.hexId) != 0 ||
        !(headingOffDeg <= kMaxParkedHeadingOffDeg)) {
        return false;
    }
    const double fromStandNm =
        gf_distanceNm({aircraft.pose.latitude, aircraft.pose.longitude}, {aircraft.standLat, aircraft.standLon});
    if (fromStandNm > kMaxParkedDistanceNm) {
        giveUpStand(aircraft);
        lf_setSituation(environment, aircraft, FlightSituation::taxi);
        return true;
    }
    if (aircraft.standId < 1 || aircraft.info.hexId == 0 || environment.parkStand(aircraft.standId) == nullptr) {
        return false;
    }
    park(environment, aircraft);
    return true;
}

} // namespace kiv
