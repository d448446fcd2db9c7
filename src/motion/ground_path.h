// The ground path builder: after ground movement has planned the leg to the next sample, it
// sends the configuration of the ground situations (throttle on taxi and take-off roll;
// spoilers, flaps and reverse thrust on the landing roll), turns a landing roll that leaves
// the runway heading into taxiing, builds the speed profile of a take-off or landing roll,
// prepares an eased taxi leg, and starts the lift-off (or gives up a roll that never lifts
// off). The per-tick curve step follows what it builds. Simulator-loop thread.
#pragma once

#include <cstdint>

#include "motion/motion_environment.h"
#include "traffic/aircraft_records.h"

namespace kiv {

// Runs after the stream step has set tickDelta, only for an aircraft on the ground with a
// next sample.
void lf_buildGroundPath(MotionEnvironment& environment, LiveAircraft& aircraft);

// Share of an eased leg of `count` ticks flown in tick `index` (0-based):
// ease((index + 1) / count) - ease(index / count); the shares of all ticks add up to 1.
// 0 outside 0..count - 1.
double gf_easedLegStep(std::int32_t index, std::int32_t count, std::uint32_t groundMode) noexcept;

} // namespace kiv
