// Test tracks for the motion tests: a stream of timed samples built leg by leg (course,
// seconds, speed, vertical rate), a live aircraft of a size class standing at the start of
// such a stream, and positions placed relative to a stand. Tests only.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>
#include <string>

#include "foundation/geodesy.h"
#include "traffic/aircraft_records.h"
#include "traffic/detail/aircraft_class_tables.h"

namespace kiv::test_support {

inline constexpr double kFeetPerMetre = 3.2808399;
inline constexpr double kFeetPerNm = 6076.11549;

// The point along a course over metres.
inline Lalo pointFrom(const Lalo& start, double courseDeg, double metres) {
    return gf_destinationPoint(start, courseDeg * kDegreesToRadians, metres * kFeetPerMetre);
}

// The position `alongM` ahead of the stand along its heading (negative: in front, where an
// arriving aircraft comes from) and `lateralM` to its right.
inline Lalo offsetFromStand(const StandPose& stand, double alongM, double lateralM) {
    const double headingDeg = stand.headingRad * kRadiansToDegrees;
    const Lalo along = pointFrom({stand.latitude, stand.longitude}, headingDeg, alongM);
    return pointFrom(along, headingDeg + 90.0, lateralM);
}

// Each leg goes on from the last sample: the sample after it lies `seconds` later, along the
// course at the speed, with the altitude changed by the vertical rate.
class StreamBuilder {
public:
    StreamBuilder(const Lalo& start, std::int32_t startTick, double speedKt = 0.0, double altitudeFt = 0.0) {
        StreamSample first;
        first.latitude = start.latitude;
        first.longitude = start.longitude;
        first.altitudeFt = altitudeFt;
        first.groundSpeedKt = speedKt;
        first.trueAirspeedKt = speedKt;
        first.deliveryTick = startTick;
        first.airborne = altitudeFt > 0.0 ? 1 : 0;
        samples_.push_back(first);
    }

    StreamBuilder& leg(double courseDeg, double seconds, double speedKt, double verticalRateFpm = 0.0) {
        StreamSample next = samples_.back();
        const Lalo to = pointFrom({next.latitude, next.longitude}, courseDeg, speedKt * 1852.0 / 3600.0 * seconds);
        next.latitude = to.latitude;
        next.longitude = to.longitude;
        next.altitudeFt = std::max(next.altitudeFt + verticalRateFpm * seconds / 60.0, 0.0);
        next.groundSpeedKt = speedKt;
        next.trueAirspeedKt = speedKt;
        next.trackDeg = courseDeg;
        next.verticalRateFpm = verticalRateFpm;
        next.deliveryTick += static_cast<std::int32_t>(std::lround(seconds * 100.0));
        next.airborne = next.altitudeFt > 0.0 ? 1 : 0;
        next.stationary = speedKt == 0.0 ? 1 : 0;
        samples_.push_back(next);
        return *this;
    }

    // A sample at the same place `seconds` later, standing.
    StreamBuilder& hold(double seconds) { return leg(samples_.back().trackDeg, seconds, 0.0); }

    const std::deque<StreamSample>& samples() const { return samples_; }
    StreamSample& back() { return samples_.back(); }

private:
    std::deque<StreamSample> samples_;
};

// A live, active aircraft of the class with its class values, standing at the first sample
// with the given heading, on the ground when that sample is not airborne.
inline LiveAircraft makeAircraft(const std::deque<StreamSample>& samples, SizeClass sizeClass,
                                 FlightSituation situation, double headingDeg, std::uint32_t hexId = 0x4B1234) {
    AircraftInfo info;
    info.sizeClass = sizeClass;
    info.hexId = hexId;
    info.head.callsign = "TST" + std::to_string(hexId % 1000);
    const detail::ClassRow& row = detail::classRow(sizeClass);
    info.classDistance = row.classDistance;
    info.classAngle1Rad = row.angle1Deg * kDegreesToRadians;
    info.classAngle2Rad = row.angle2Deg * kDegreesToRadians;
    info.classRateRad = row.rateDeg * kDegreesToRadians;
    info.classValue1 = row.value1;
    gf_setLiveClassValues(info);
    LiveAircraft aircraft(samples.front(), info, 0.0, WeekdaySlot{});
    aircraft.samples = samples;
    aircraft.simState = SimState::active;
    aircraft.objectId = 77;
    aircraft.situation = situation;
    aircraft.pose.latitude = samples.front().latitude;
    aircraft.pose.longitude = samples.front().longitude;
    aircraft.pose.altitudeFt = samples.front().altitudeFt;
    aircraft.pose.headingRad = headingDeg * kDegreesToRadians;
    aircraft.onGround = samples.front().airborne == 0 ? 1 : 0;
    return aircraft;
}

} // namespace kiv::test_support
