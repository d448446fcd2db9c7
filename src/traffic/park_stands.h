// The park airport's stands as other threads see them: an immutable snapshot published by
// the simulator-loop thread whenever the park stands change, and the question which stand
// lies at a position, answered on any thread from a per-thread cache without a lock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kiv {

class TrafficState;

// Simulator-loop thread.
void gf_publishParkStands(TrafficState& state);
// Any thread: the stand within 20 m of the position (the nearest; the first of equals), when
// the user aircraft is on the ground.
std::optional<std::string> gf_findStandAtPosition(const TrafficState& state, double latitude, double longitude);
// "sid==0?" for 0, "sid==?" for an id that names no park stand, else the stand's id text.
std::string gf_standName(const TrafficState& state, std::int32_t standId);

} // namespace kiv
