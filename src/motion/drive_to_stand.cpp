#include "motion/drive_to_stand.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "motion/detail/motion_math.h"
#include "motion/motion_ticks.h"
#include "motion/stand_geometry.h"

namespace kiv {
namespace {

using detail::kNmPerMetre;

constexpr double kFloorSpeedKt = 1.0; // below it (or without a speed) a drive would never end
constexpr std::int64_t kMinDriveTicks = 100;
constexpr double kMaxDriveTicks = 1e9;
constexpr double kSlowApproachFromM = 20.0;
constexpr std::int32_t kHoldAfterTicks = 50;

// Ticks to cover the distance at the speed, at least 100.
std::int64_t driveTicks(double distanceNm, double speedKt) noexcept {
    const double speed = std::isfinite(speedKt) && speedKt >= kFloorSpeedKt ? speedKt : kFloorSpeedKt;
    const double ticks = distanceNm * detail::kTicksPerHour / speed;
    if (!std::isfinite(ticks)) {
        return kMinDriveTicks;
    }
    return std::max<std::int64_t>(std::llround(std::min(ticks, kMaxDriveTicks)), kMinDriveTicks);
}

std::int32_t windowAfterStart(const LiveAircraft& aircraft) noexcept {
    return aircraft.situation == FlightSituation::takeoff_roll ? 4500 : 2700;
}

// A sample to drive to, made from the stream's last one.
StreamSample driveSample(const LiveAircraft& aircraft, const Lalo& position, double speedKt, std::int64_t afterTicks,
                         const StandPose& stand) {
    StreamSample sample = aircraft.samples.back();
    sample.latitude = position.latitude;
    sample.longitude = position.longitude;
    sample.altitudeFt = aircraft.pose.altitudeFt;
    sample.groundSpeedKt = speedKt;
    sample.trackDeg = detail::radToDeg(stand.headingRad);
    sample.deliveryTick = gf_tickAfter(sample.deliveryTick, afterTicks);
    sample.stationary = 0;
    sample.plannedPoint = 0;
    sample.exitPoint = 0;
    return sample;
}

struct Approach {
    StandApproachState state;
    Lalo position;
    double headingRad = 0.0;
    double speedKt = 0.0;     // of the first leg
    std::uint8_t driveIn = 0; // to be stored with a corrective approach
};

void planIntoStand(MotionEnvironment& environment, LiveAircraft& aircraft, const StandPose& stand,
                   bool correctiveAllowed, const Approach& approach) {
    const StandApproachState& s = approach.state;
    if (correctiveAllowed && detail::lf_isAtStand(s)) {
        return;
    }
    double offsetM = 10.0;
    bool direct = false;
    bool corrective = false;
    if (correctiveAllowed) {
        const ApproachPoint point = gf_approachTurnPoint(s.alongM, s.lateralM);
        offsetM = point.found != 0 ? point.offsetM : offsetM;
        direct = gf_isDirectFinalToStand(stand, approach.position, approach.headingRad);
        corrective = !direct && s.pastStand == 0 && -s.alongM >= offsetM + 3.0 && std::fabs(s.lateralM) >= 1.0;
    }
    const std::int32_t startTick = aircraft.samples.front().deliveryTick;
    std::int64_t lastLegTicks = 0;
    if ((s.rejected == 0 || direct) && !corrective) {
        lastLegTicks = driveTicks(s.distanceM * kNmPerMetre, approach.speedKt);
        if (s.pastStand != 0) {
            gf_logLine(fmt::format("{:14}: {} drive2stand plans corrective move from past stand, distance {:.1f} m, "
                                   "along {:.1f} m, lateral {:.1f} m",
                                   environment.standName(aircraft.standId), aircraft.info.head.callsign, s.distanceM,
                                   s.alongM, s.lateralM));
            aircraft.samples.back().groundSpeedKt = 0.0;
            aircraft.samples.back().trueAirspeedKt = 0.0;
        }
    } else {
        const Lalo point = gf_destinationPoint({stand.latitude, stand.longitude}, stand.headingRad + detail::kPi,
                                               offsetM * detail::kFeetPerMetre);
        StreamSample sample = driveSample(aircraft, point, approach.speedKt,
                                          driveTicks(gf_distanceNm(approach.position, point), approach.speedKt), stand);
        sample.bankRad = aircraft.pose.bankRad;
        aircraft.samples.push_back(sample);
        aircraft.driveIn = approach.driveIn;
        aircraft.holdTicks1 = 2700;
        aircraft.holdTicks2 = windowAfterStart(aircraft);
        lastLegTicks = driveTicks(offsetM * kNmPerMetre, 0.8 * aircraft.info.liveRate);
    }
    aircraft.samples.push_back(driveSample(aircraft, {stand.latitude, stand.longitude}, 0.0, lastLegTicks, stand));
    if (direct) {
        FinalLeg& leg = aircraft.finalLeg;
        leg.start = approach.position;
        leg.startHeadingRad = approach.headingRad;
        leg.startTick = startTick;
        leg.endTick = aircraft.samples.back().deliveryTick;
        leg.count = leg.count == 0 ? 1 : leg.count;
    }
}

} // namespace

void drive2Stand(MotionEnvironment& environment, LiveAircraft& aircraft, const StandPose& stand, bool correctiveAllowed,
                 bool slowApproach) {
    auto& samples = aircraft.samples;
    if (samples.size() != 1) {
        gf_logImportant(fmt::format("{} unexpected stream size: {}, {}", "drive2Stand", samples.size(),
                                    aircraft.info.head.callsign));
        if (samples.empty()) {
            return;
        }
        samples.pop_front();
    }
    Approach approach;
    approach.position = {aircraft.pose.latitude, aircraft.pose.longitude};
    approach.headingRad = aircraft.pose.headingRad;
    approach.state = gf_standApproachState(stand, approach.position, approach.headingRad);
    aircraft.driveIn = 0;
    approach.speedKt = 0.8 * aircraft.info.liveRate;
    if (correctiveAllowed && slowApproach && approach.state.pastStand == 0 &&
        approach.state.distanceM >= kSlowApproachFromM) {
        approach.speedKt = std::max(approach.speedKt, aircraft.info.sizeClass == SizeClass::Heavy ? 3.0 : 4.0);
        approach.driveIn = 1;
    }
    if (approach.state.ok == 0) {
        planIntoStand(environment, aircraft, stand, correctiveAllowed, approach);
    }
    StreamSample hold = samples.back();
    hold.stationary = 1;
    hold.trueAirspeedKt = 0.0;
    hold.deliveryTick = gf_tickAfter(hold.deliveryTick, kHoldAfterTicks);
    samples.push_back(hold);
    aircraft.bearingToNext = stand.headingRad;
    if (aircraft.holdCount > 0) {
        aircraft.holdCount = 0;
        aircraft.holdTicks1 = 2700;
        aircraft.holdTicks2 = windowAfterStart(aircraft);
        aircraft.proximityCompanion = 0;
        aircraft.proximityCheck = 0;
    }
}

} // namespace kiv
