// Helpers that look over a live aircraft's stream of samples (airborne samples, vertical
// rates, the speed of the coming leg), insert a midpoint sample, and reset the path state of
// a new leg. Simulator-loop thread (they read or change the live record).
#pragma once

#include "traffic/aircraft_records.h"

namespace kiv {

// Invalidates the turn curve and spline and clears turnKind and the curve fraction.
void gf_resetPathState(LiveAircraft& aircraft) noexcept;
// At least 2 samples and every sample after the front airborne.
bool gf_streamAirborneAfterFirst(const LiveAircraft& aircraft) noexcept;
// The highest finite sample vertical rate exceeds 2000 ft/min (false for an empty stream).
bool gf_streamMaxVerticalRateAbove2000(const LiveAircraft& aircraft) noexcept;
// Speed of the leg from the front to the next sample in knots, at least 1: the samples'
// speeds where they report one, else the distance over the time between them.
double gf_streamSpeedKt(const LiveAircraft& aircraft);
// With 2 or more samples, a sample halfway between the front and the next one.
void gf_insertMidpointSample(LiveAircraft& aircraft);

} // namespace kiv
