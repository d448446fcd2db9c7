// The per-tick driver of a live aircraft's motion: nextPosMain takes the stream's front
// sample when it is due, gf_nextPosCurve moves the aircraft along the planned leg every
// tick in between. The traffic side calls the TrafficState forms through its motion port;
// they run the environment forms over that state. Simulator-loop thread.
#pragma once

#include "motion/motion_environment.h"

namespace kiv {

class TrafficState;
struct LiveAircraft;

void nextPosMain(TrafficState& state, LiveAircraft& aircraft);
void gf_nextPosCurve(TrafficState& state, LiveAircraft& aircraft);

// Consumes the due front sample: drops samples that would slow a departure down, invents
// samples when the stream has run dry, and runs one stream step; removes the aircraft
// (noMoreNextPos) when the stream cannot go on or the loop runs away. Exceptions are logged
// and thrown on.
void nextPosMain(MotionEnvironment& environment, LiveAircraft& aircraft);

} // namespace kiv
