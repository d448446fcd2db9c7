// The per-tick steps that talk to the simulator link: the live-table update with the erase
// of removed records and the publication of the tick's poses, the paced creation and removal
// queues, the adding stack, the user-aircraft poll, and the live-count throttle.
// Simulator-loop thread only (the link's mutexes are taken inside its port).
#pragma once

#include <cstddef>

#include "simlink/link_commands.h"

namespace kiv {

class TrafficState;

inline constexpr std::size_t kMaxPublishedPoses = 16;

void lf_updateAllLiveAc(TrafficState& state);
void lf_runSimQueues(TrafficState& state);
void lf_handleAddingStack(TrafficState& state);
void lf_pollUserAircraft(TrafficState& state);
void gf_setUserAircraftState(TrafficState& state, const UserAircraftState& user);
// True when no active aircraft lies further from the user than `distanceNm` (any when it is
// negative); otherwise removes the furthest and returns false.
bool lf_isThisTheFurthestLive(TrafficState& state, double distanceNm);

} // namespace kiv
