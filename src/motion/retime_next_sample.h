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

// Ticks until a stationary next sample: as long after simTick as the front sample is due,
// plus the time between the front and the next sample (at least 25); at least 25 in all.
// With fewer than 2 samples, 25 after the front sample.
std::int64_t gf_holdLegTicks(const LiveAircraft& aircraft, std::uint32_t simTick) noexcept;

// Both retiming windows one step (100 ticks) back towards their floor of 900.
void gf_narrowRetimingWindows(LiveAircraft& aircraft) noexcept;

} // namespace kiv
