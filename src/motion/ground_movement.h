// Ground movement of a live aircraft at each stream step: the dispatch by flight situation
// (the end of a pushback, a parked aircraft that leaves or stays, taxiing) and the common
// ground step that times the leg to the next sample and the turns on it. Called by the
// stream step for an aircraft on the ground; simulator-loop thread.
#pragma once

#include "motion/motion_environment.h"
#include "traffic/aircraft_records.h"

namespace kiv {

void nextPosGround(MotionEnvironment& environment, LiveAircraft& aircraft);

// The common ground step that ends every branch: the per-tick turn limit from the speed and
// the turn ahead, the retiming windows for large turns, a turn on the spot where a taxiing
// aircraft stands across its leg, and the due tick of the next sample from the leg's length
// and speed.
void lf_groundStep(MotionEnvironment& environment, LiveAircraft& aircraft);

} // namespace kiv
