// The taxi branch of ground movement, for an aircraft on the ground that is neither pushing
// back nor parked: the turn ahead, the hand-over of a slowly taxiing arrival to the parking
// attempt, the easing of the leg, then the common ground step. Simulator-loop thread.
#pragma once

#include "motion/motion_environment.h"
#include "traffic/aircraft_records.h"

namespace kiv {

void lf_taxiBranch(MotionEnvironment& environment, LiveAircraft& aircraft);

// An arrival taxiing slowly at an airport with a stand file: in taxi, not just out of a stand,
// every sample but the last at 6 kt or less.
bool gf_isSlowArrivalTaxi(const MotionEnvironment& environment, const LiveAircraft& aircraft);

} // namespace kiv
