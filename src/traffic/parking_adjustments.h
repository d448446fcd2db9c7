// The parking adjustments: every 15 s the parked aircraft of the park airport are brought in
// line with a new plan (live aircraft that stood too long or beyond the limit leave, statics
// that no longer fit are removed, new ones are queued), with the regeneration, clearing and
// reset of the parking and the 14-second park-airport sweep. Simulator-loop thread only.
#pragma once

#include <cstdint>

#include "traffic/aircraft_records.h"
#include "traffic/parking_data.h"

namespace kiv {

class TrafficState;

void lf_applyParkingAdjustments(TrafficState& state, ParkingData& data, bool replaceAll);
void lf_collectLiveStayers(TrafficState& state);
void lf_removeNOldestLiveParked(TrafficState& state, std::int64_t n, bool spareJetwayWaits);
void lf_removeNOldestStaticParked(TrafficState& state, std::int64_t n);
void lf_removeRemovals(TrafficState& state);
void lf_resetParkingPlan(TrafficState& state);
void lf_clearKeptJetwayWaits(TrafficState& state);
void lf_switchStaticCallsigns(TrafficState& state, WeekdaySlot now);
void lf_cancelOutRemovalsAndAdds(TrafficState& state);

void gf_regenerateParking(TrafficState& state, ParkingData& data);
void gf_clearParking(TrafficState& state, ParkingData& data);
void lf_resetParkingState(TrafficState& state, ParkingData& data);
void lf_parkAirportSweep(TrafficState& state, ParkingData& data);

// Forgets the parked traffic the feed received so far.
void gf_clearReceivedParkedTraffic(TrafficState& state);

// Options renumbered 1, 2, ... by position; a withdrawn option (0) stays withdrawn, and no
// option stays passed over from an earlier plan.
void gf_renumberStandOptions(TrafficState& state);

} // namespace kiv
