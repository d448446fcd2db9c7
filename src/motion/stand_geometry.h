// Pure geometric tests of how an aircraft stands to a pose: a point relative to a pose, two
// circles overlapping, a new traffic position continuing the current motion, an aircraft
// lined up on or near a stand, whether it may drive in and why a stand entry is refused.
// No state, no locks; any thread.
#pragma once

#include <cstdint>

#include "foundation/lalo.h"
#include "motion/motion_values.h"
#include "traffic/aircraft_records.h"
#include "traffic/neighbour_ports.h"

namespace kiv {

// distance 0.1 m or less: only the distance, everything else 0.
RelativePosition gf_relativePosition(const Lalo& from, double headingRad, const Lalo& to);

// Flat-earth overlap of two circles (radii in NM); false when the radii sum to 0 or less.
bool gf_withinRadii(const Lalo& a, double radiusANm, const Lalo& b, double radiusBNm) noexcept;

struct PositionContinuity {
    // 0 undecided, 1 close and ahead, 2 behind within limits, 3 ahead within the widening
    // corridor, 4 ahead within the narrow corridor.
    std::uint32_t result = 0;
    // 0 none, 1 over 4 NM apart, 2 altitude difference over 1000 ft, 3 track change too large,
    // 4 too far behind, 5 not ahead, 6 too far ahead, 7 cross-track beyond the limit.
    std::uint8_t failure = 0;
    double distanceNm = 0.0;
    double altitudeDifferenceFt = 0.0; // new minus current
    double alongTrackNm = 0.0;
    double crossTrackFt = 0.0;
    double crossTrackLimitFt = 0.0;
    double trackChangeRad = 0.0;
};
// Mode 0 accepts only the close case; mode 1 the narrow corridor ahead; any other mode also
// a position behind and the widening corridor ahead.
PositionContinuity gf_checkPositionContinuity(const ContinuityInput& input);

StandApproachState gf_standApproachState(const StandPose& stand, const Lalo& aircraft, double headingRad);

struct ApproachPoint {
    double offsetM = 0.0; // metres in front of the stand
    std::uint8_t found = 0;
};
// The first of the points 10 m and 5 m in front of the stand that the aircraft (along and
// lateral as seen from the stand) can turn onto within 15 degrees.
ApproachPoint gf_approachTurnPoint(double alongM, double lateralM) noexcept;

// 3 to 13 m in front of the stand, within 3 m of its centre line, and heading at the stand
// within 15 degrees of both the aircraft's and the stand's heading.
bool gf_isDirectFinalToStand(const StandPose& stand, const Lalo& aircraft, double headingRad);

StandEntryCheck gf_checkStandEntry(const StandPose& stand, double standRadiusNm, const Lalo& aircraft,
                                   double headingRad, double aircraftRadiusNm);

// Whether the aircraft can drive into the stand from its pose while its reference point (the
// stream's last sample) lies within maxReferenceDistanceNm of the stand.
bool gf_canApproachStand(const StandPose& stand, double maxReferenceDistanceNm, const Lalo& aircraft, double headingRad,
                         const Lalo& reference);

namespace detail {
// Within 2 m of the stand, not past it, within 1 m of its centre line and 10 degrees of its
// heading.
bool lf_isAtStand(const StandApproachState& state) noexcept;
} // namespace detail

} // namespace kiv
