// Lift-off at the end of the take-off roll: which kind of climb the stream asks for, whether
// the aircraft is ready to rotate, and the start of the take-off with its climb-out and its
// flight message. Called by the per-tick curve step and the ground path builder while the
// aircraft rolls; simulator-loop thread.
#pragma once

#include <cstdint>

#include "motion/motion_environment.h"
#include "traffic/aircraft_records.h"

namespace kiv {

// 0 no lift-off yet, 1 climb to the next sample's altitude, 2 climb at the type's initial
// climb per tick.
std::uint8_t lf_liftOffKind(const LiveAircraft& aircraft);

// Fast enough to rotate with an airborne sample within 600 m and due within the climb-out.
bool lf_liftOffReady(const MotionEnvironment& environment, const LiveAircraft& aircraft);

// On the take-off roll: lifts off when ready (true), else waits for the next try (false). A
// kind of 0 or an aircraft not rolling on the ground does nothing.
bool lf_tryLiftOff(MotionEnvironment& environment, LiveAircraft& aircraft, std::uint8_t kind);

// Situation takeoff: the climb-out's pitch and climb, the take-off message, and take-off power
// again after a touch-and-go.
void lf_startTakeoff(MotionEnvironment& environment, LiveAircraft& aircraft, std::int8_t kind);

} // namespace kiv
