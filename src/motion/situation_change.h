// The one way a live aircraft's flight situation changes: the history shifts by one, the tick
// of the change is kept, and leaving a landing forgets its flare. Shared by every motion step
// that changes the situation. Simulator-loop thread (it changes the live record).
#pragma once

#include "motion/motion_environment.h"
#include "traffic/aircraft_records.h"

namespace kiv {

// Nothing when the aircraft is already in `situation`.
void lf_setSituation(const MotionEnvironment& environment, LiveAircraft& aircraft, FlightSituation situation);

} // namespace kiv
