// The one way an aircraft leaves the simulator, the cancelling of creation requests not yet
// sent, and the livery respawn. Simulator-loop thread only; these mark records and queue
// object ids, they never erase a record.
#pragma once

#include <cstdint>
#include <deque>

#include "simlink/link_commands.h"

namespace kiv {

class TrafficState;
struct AircraftRecord;
struct LiveAircraft;

inline constexpr std::uint32_t kHighestStaticHexId = 10000;

void removeAircraftFromSim(TrafficState& state, AircraftRecord& aircraft);
// Drops every request of that hex id, keeping the order of the rest; true when one was dropped.
bool gf_cancelCreationRequest(std::deque<CreateCommand>& queue, std::uint32_t hexId);
void liveryRespawn(TrafficState& state, LiveAircraft& aircraft);

} // namespace kiv
