// One parking plan of the park airport (auto park), the placement of the planned static
// aircraft one creation step at a time, and the sweeps that remove an AI aircraft overlapping
// the user aircraft. Simulator-loop thread only (the service's parked records are placed while
// the feed holds their list's lock).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "traffic/parking_data.h"

namespace kiv {

class TrafficState;
struct ParkedRecord;
struct StaticCandidate;

void lf_autoPark(TrafficState& state, ParkingData& data);
// Blocks the reserved stand and the stand under the user aircraft for static aircraft.
void lf_blockUserStands(TrafficState& state);
void gf_placeRTParkedAircraft(TrafficState& state, std::vector<ParkedRecord>& records, std::int32_t needed);
// Takes the last pending candidate: creates it, defers it behind a removal, or drops it.
void lf_placeStaticAircraft(TrafficState& state);
std::string lf_determineStaticCallsign(const StaticCandidate& candidate);
// The next static serial (1..9999) that no static aircraft holds as its hex id.
std::uint32_t gf_nextStaticSerial(TrafficState& state);

void gf_checkUserAcGndCollisions(TrafficState& state);
void lf_checkUserAirCollisions(TrafficState& state);

} // namespace kiv
