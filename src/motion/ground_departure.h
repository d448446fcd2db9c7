// Leaving a stand and starting the take-off roll: the pushback to a point behind the stand,
// pulling out forwards, and the configuration of the roll. Each changes the live record's
// stream and situation and sends the aircraft's commands through the motion environment.
// Simulator-loop thread.
#pragma once

#include "motion/motion_environment.h"
#include "traffic/aircraft_records.h"

namespace kiv {

// Pushes the aircraft back 2.5 stand radii opposite to its parked heading: two samples (the
// end point and a hold there, both due when the pushback ends) follow the front sample, and
// every later sample stays due after them. A stand without a usable radius cancels the
// pushback with a log line. Either way the departure is no longer pending.
void initiatePushBack(MotionEnvironment& environment, LiveAircraft& aircraft);

// Drives forwards out of the stand to a point two aircraft radii ahead of the parked pose
// and taxis on from there.
void lf_pullOut(MotionEnvironment& environment, LiveAircraft& aircraft);

// Situation takeoff_roll with take-off power, spoilers armed, flaps 1, all outside lights and
// the wide retiming window of the roll.
void gf_startTakeoffRoll(MotionEnvironment& environment, LiveAircraft& aircraft);

} // namespace kiv
