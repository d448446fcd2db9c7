// The per-tick driver of a live aircraft's motion: nextPosMain takes the stream's front
// sample when it is due, gf_nextPosCurve moves the aircraft along the planned curve every
// tick in between. Simulator-loop thread.
#pragma once

namespace kiv {

class TrafficState;
struct LiveAircraft;

void nextPosMain(TrafficState& state, LiveAircraft& aircraft);
void gf_nextPosCurve(TrafficState& state, LiveAircraft& aircraft);

} // namespace kiv
