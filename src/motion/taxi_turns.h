// The turns of the taxi branch: the planner that looks at the corner ahead and builds a
// smooth ground turn (spline, or a quadratic curve as the fallback), inserts a lead point
// where the turn must begin before the reported corner or a runway-exit point on the
// landing roll, straightens shallow zig-zags, and splits long legs with a large speed
// change. Simulator-loop thread (they change the live record and its stream).
#pragma once

#include <cstdint>

#include "motion/motion_environment.h"
#include "traffic/aircraft_records.h"

namespace kiv {

// True when it built a turn or inserted or removed samples.
bool lf_planTaxiTurn(MotionEnvironment& environment, LiveAircraft& aircraft);

// Builds the turn from the current position over the next sample (the corner) to the third
// sample and removes the samples it replaces; false (nothing removed) when no turn fits or
// the stream has fewer than 3 samples.
bool makeTurnGnd(MotionEnvironment& environment, LiveAircraft& aircraft, double turnAngleDeg);

// makeTurnGnd unless the third sample lies at the front's or the next sample's place (or is
// missing); on success the turn angle is kept for the ground step's timing.
bool lf_tryMakeTurnGnd(MotionEnvironment& environment, LiveAircraft& aircraft, double turnAngleDeg);

// A planned sample `distanceM` before the next sample, on the leg from the front sample (or
// from the current position with fromCurrent, which also marks it a runway-exit point).
bool lf_insertLeadPoint(const MotionEnvironment& environment, LiveAircraft& aircraft, double distanceM,
                        std::uint8_t fromCurrent);

// Drops samples 1..n-1 of a shallow S-bend so that the aircraft drives straight to sample n
// (n = 3 or 4).
bool lf_straightenZigzag(LiveAircraft& aircraft, std::uint32_t n);

// A midpoint sample on a long leg that carries a large speed change (or on any long leg of a
// slowly taxiing arrival).
void lf_splitLongLeg(LiveAircraft& aircraft, std::uint8_t slowArrivalTaxi);

// Degrees per second a taxiing aircraft turns at the front sample's speed.
double gf_groundTurnRateDeg(const LiveAircraft& aircraft);
// Metres flown while turning through `turnDeg` at `speedKt`: the turn takes 1.5 to 6 s, and
// the distance is kept within 12..90 m.
double gf_leadDistanceM(const LiveAircraft& aircraft, double speedKt, double turnDeg);

} // namespace kiv
