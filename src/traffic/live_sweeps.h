// Small sweeps over the live table that the tick runs on request: removal of a blocked
// aircraft and of coverage-only aircraft below the TCAS level, and the main window's list of
// active aircraft. Simulator-loop thread only.
#pragma once

#include <string>
#include <vector>

namespace kiv {

class TrafficState;

void gf_removeBlockedAc(TrafficState& state);
void gf_removeTCASCoverageAcs(TrafficState& state);
// "{callsign}, {registration}, {hexid in lower-case hex}", sorted by bytes.
std::vector<std::string> lf_listActiveAircraft(const TrafficState& state);

} // namespace kiv
