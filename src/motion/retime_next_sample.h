// Moving the due tick of a live aircraft's next sample to when the aircraft can really reach
// it, within the retiming window the record carries (how much earlier, how much later).
// Shared by ground and air movement and the driver. Simulator-loop thread.
#pragma once

#include <cstdint>

#include "motion/motion_environment.h"
#include "traffic/aircraft_records.h"

namespace kiv {

// The next sample becomes due `ticksFromNow` after simTick, moved by at most holdTicks1
// earlier or holdTicks2 later and never sooner than the next tick. When it moves later onto
// or past the sample after it, every later sample moves later by as much. Nothing while
// extrapolated samples are running or without a next sample.
void lf_retimeNextSample(const MotionEnvironment& environment, LiveAircraft& aircraft, std::int64_t ticksFromNow);

} // namespace kiv
