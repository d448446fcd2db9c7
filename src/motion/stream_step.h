// One step along a live aircraft's stream of samples, taken when the front sample is due:
// the ground or air movement for the leg to the next sample, the per-tick deltas and the path
// towards it, then the front sample is consumed. Also the invented samples that keep a
// stream going when the feed runs dry (hold samples on the ground, extrapolated ones in the
// air). Simulator-loop thread (they change the live record).
#pragma once

#include <cstdint>

#include "motion/motion_environment.h"
#include "traffic/aircraft_records.h"

namespace kiv {

// Consumes the front sample; does nothing with fewer than 2 samples.
void lf_streamStep(MotionEnvironment& environment, LiveAircraft& aircraft);

// How many invented samples the aircraft may get now; 0 when none.
std::int32_t lf_extrapolationBudget(MotionEnvironment& environment, LiveAircraft& aircraft);

// Keeps the budget and appends one invented sample after the last one: a hold sample 3 s
// later (7 days in parked), or the last sample carried on along the heading for 3 s. Nothing
// for an empty stream.
void lf_appendExtrapolatedSample(MotionEnvironment& environment, LiveAircraft& aircraft, std::int32_t budget);

} // namespace kiv
