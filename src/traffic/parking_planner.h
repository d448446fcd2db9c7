// The static parking planner: loads the park airport's stands and decides, for the current
// weekday and half-hour slot, which stands show a parked aircraft and which one: parked
// aircraft the service reported, standing static aircraft whose learned use still fits, and
// learned uses of the airport file (real ones of the day, of the week, then soft ones). The
// result is the pending parked-add list of the traffic state. Simulator-loop thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "traffic/aircraft_records.h"
#include "traffic/parking_data.h"

namespace kiv {

class TrafficState;
struct ParkedRecord;
struct StaticCandidate;

// Empty on success, else the reason (the previous stands stay).
std::string lf_readParkedFile(TrafficState& state, ParkingData& data);
// Logs the time line of a plan and returns now.
WeekdaySlot lf_logParkingTime(const TrafficState& state);

// The search modes in order until `needed` stands are filled.
void lf_runParkingSearches(TrafficState& state, ParkingData& data, WeekdaySlot now, std::int32_t needed);
// One search mode over the offsets 0, 1, 2, ... half-hour slots back from now.
void lf_runParkingSearch(TrafficState& state, ParkingData& data, WeekdaySlot now, bool sameDay, bool real,
                         std::int32_t needed);
// Each returns true when enough stands are filled.
bool lf_searchRTParked(TrafficState& state, ParkingData& data, std::int32_t age, std::int32_t needed);
bool lf_keepStaticStayers(TrafficState& state, ParkingData& data, WeekdaySlot now, std::int32_t offset, bool anyDay,
                          std::int32_t needed);
bool lf_searchStands(TrafficState& state, ParkingData& data, WeekdaySlot now, std::int32_t offset, bool sameDay,
                     bool real, std::int32_t needed);

// Another stand holding a static aircraft, a live stayer or a candidate excludes the stand.
bool lf_standExcludedByOthers(const TrafficState& state, std::int32_t standId);
// The aircraft is planned, flying, parked live, or staying static already.
bool lf_isAlreadyPresent(const TrafficState& state, const std::string& registration, const std::string& callsign1,
                         const std::string& callsign2);
bool lf_callsignInLiveFeed(const TrafficState& state, const std::string& callsign);
bool lf_liveHasSameAircraft(const TrafficState& state, const ParkedRecord& record,
                            const std::string& callsignUnderscore);
void lf_addStaticRemoval(TrafficState& state, const StaticAircraft& aircraft, std::uint32_t standId);

// Candidates with the greatest offset first: placement takes from the back.
void gf_sortParkedAdds(std::vector<StaticCandidate>& candidates);

// Removes the oldest parked aircraft beyond the park limit, `extra` about to park.
void gf_limitParkedAircraft(TrafficState& state, std::uint32_t extra);

// The live-traffic callsigns and hex ids, fresh from the feed.
void gf_refreshLiveFeedIds(TrafficState& state);
// The stand of a service record: its stand text near its position, else the nearest stand
// that fits; 0 for none.
std::int32_t gf_standOfParkedRecord(TrafficState& state, const ParkedRecord& record, const AircraftInfo& info);
// The service's airline code for a record without one: from its callsign, else "PVT".
void gf_fixParkedAirline(TrafficState& state, ParkedRecord& record);

} // namespace kiv
