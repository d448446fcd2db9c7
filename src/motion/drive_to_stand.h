// The drive into a stand just taken: the last samples of a live aircraft's stream, straight
// in or over a corrective point in front of the stand, ending with a hold at the stand.
// Simulator-loop thread (it changes the live record).
#pragma once

#include "motion/motion_environment.h"
#include "traffic/aircraft_records.h"

namespace kiv {

// Expects a stream of exactly one sample (logs and copes with another size). With
// correctiveAllowed an aircraft off the centre line is led over a point in front of the
// stand; slowApproach (with it) drives in at walking pace.
void drive2Stand(MotionEnvironment& environment, LiveAircraft& aircraft, const StandPose& stand, bool correctiveAllowed,
                 bool slowApproach);

} // namespace kiv
