// The end of a drive into a stand: the aircraft parks there (situation parked, its engines,
// lights and learned stand use queued), gives the stand up when it stopped short, or is
// refused when the stand is taken or it stands skewed. Run by the driver when a parking
// aircraft's stream has run dry; simulator-loop thread.
#pragma once

#include "motion/motion_environment.h"
#include "traffic/aircraft_records.h"

namespace kiv {

// True when the aircraft parked or taxis on without the stand; false when it cannot stay and
// is to be removed now.
bool lf_arriveAtStand(MotionEnvironment& environment, LiveAircraft& aircraft);

} // namespace kiv
