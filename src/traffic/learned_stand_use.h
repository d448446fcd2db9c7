// What the system learns while live aircraft use the park airport's stands: each use becomes
// or extends a learned option (registration, weekday, half-hour slots) of the stand, saved
// later with the airport's learned file. Also the matching of a newly seen aircraft to its
// learned callsigns and the text helpers of the parking logs. Simulator-loop thread only.
#pragma once

#include <bitset>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "traffic/aircraft_records.h"

namespace kiv {

class TrafficState;
class ModelsPort;
struct Stand;

// Use kinds: 0 arrival at the stand, 1 created standing on it, 2 and 3 leaving it.
inline constexpr std::uint32_t kFirstDepartureUse = 2;

// Records one use of the stand by the aircraft; never throws.
void gf_addRealStandOption(TrafficState& state, std::uint32_t standId, const LiveAircraft& aircraft,
                           std::uint32_t useKind);

// Gives the aircraft the two callsigns of a learned option near now that it matches.
void lf_matchSlotWindow(std::span<const Stand> stands, WeekdaySlot now, LiveAircraft& aircraft);

// The stand id (0: none) of the first stand within 250 m of the position whose id text holds
// the name's word (the name without its first five characters) as a whole word.
std::int32_t lf_findWordNear(std::span<const Stand> stands, std::string_view name, const double position[2]);

// "{:3}{:4} {:4}{}{:3}": airline, ",operator", model, "." when from the type database, "(C)".
std::string lf_liveryKeyText(const ModelsPort& models, const LiveryKey& key);
// "          {:8}: excludes A,B" for a stand with exclusions; empty for none.
std::string lf_printStandExclusions(const TrafficState& state, const std::vector<std::uint32_t>& excluded,
                                    std::int32_t standId);

// The slots set form one contiguous run (the airport file holds nothing else).
bool gf_isOneSlotRun(const std::bitset<48>& slots) noexcept;

} // namespace kiv
