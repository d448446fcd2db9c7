// The per-tick curve step of a live aircraft between two stream steps: the position along
// the planned leg (direct final leg into a stand, air segment, straight or eased steps, turn
// curve, turn spline, ground-roll profile), the heading, the climb-out after lift-off, the
// landing flare, bank and pitch within their limits and the altitude. Runs every tick while
// the front sample is not stationary; allocates nothing. Simulator-loop thread.
#pragma once

#include "motion/motion_environment.h"
#include "traffic/aircraft_records.h"

namespace kiv {

void gf_nextPosCurve(MotionEnvironment& environment, LiveAircraft& aircraft);

// Height above the ground for the flare and the climb-out: the record's height, or the
// altitude above the park airport when that is known and lower.
double gf_curveHeightFt(const MotionEnvironment& environment, const LiveAircraft& aircraft);

} // namespace kiv
