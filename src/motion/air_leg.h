// The air-leg builder: at each stream step of an aircraft in the air it plans the leg to the
// next sample (altitude change, pitch, heading and bank rates per tick, and a curved segment
// when the track bends after the next sample) for the per-tick curve step to fly, and sends
// the configuration that belongs to the leg. Moves nothing itself. Simulator-loop thread.
#pragma once

#include "motion/motion_environment.h"
#include "traffic/aircraft_records.h"

namespace kiv {

// Runs after the stream step has set tickDelta, only for an aircraft in the air with a next
// sample. A SizeClass outside the tables throws std::out_of_range.
void lf_buildAirLeg(MotionEnvironment& environment, LiveAircraft& aircraft);

// Radians per tick and radians per second of the class.
double gf_maxPitchChangePerTick(SizeClass sizeClass);
double gf_maxAirTurnRate(SizeClass sizeClass);

} // namespace kiv
