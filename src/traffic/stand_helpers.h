// The small operations over the park stands that the parking steps and the stand choice
// share: look-ups by stand id and id text, the exclusion test, the fill step of a plan, the
// user's stands, the park limit, the fit of a standing aircraft and the static parked count.
// Simulator-loop thread only; a stand id is the stand's 1-based position in the park stands.
#pragma once

#include <cstdint>
#include <string_view>

#include "traffic/aircraft_records.h"

namespace kiv {

class TrafficState;
struct Stand;

// None when the id is below 1, beyond the list, or the element does not hold that id.
Stand* gf_standById(TrafficState& state, std::int32_t standId) noexcept;
const Stand* gf_standById(const TrafficState& state, std::int32_t standId) noexcept;
Stand* gf_findParkStandByIdText(TrafficState& state, std::string_view idText);
// Rebuilds the id text index from the park stands.
void gf_rebuildStandIndex(TrafficState& state);

// a equals b, or b is in a's exclusion list.
bool gf_standExcludes(const TrafficState& state, std::int32_t a, std::int32_t b);
// Marks the stand filled and its excluded stands blocked; true when `needed` stands are
// filled. False, changing nothing, for an unknown or already filled stand.
bool gf_fillStand(TrafficState& state, std::int32_t standId, std::int32_t needed);
// The stand, or one of its excluded stands, is the park airport's reserved stand or the stand
// under the user aircraft.
bool gf_isUserOrReservedStand(const TrafficState& state, const Stand& stand);
// Blocks the stand and its excluded stands for static aircraft (logged with the label).
void gf_blockUserStandForStatic(TrafficState& state, std::string_view idText, std::string_view label);

struct MaxParkSettings {
    std::int32_t percentage = 0;
    std::int32_t max = 0;
};
// Stores and posts the park limit.
std::int32_t gf_computeMaxPark(TrafficState& state, MaxParkSettings settings);

// The stand has a learned use of this aircraft (registration and livery key but the present
// flag), on now's weekday unless any day is allowed, in one of the slots now back to
// max(now - slotsBack, 0).
bool gf_optionFitsStanding(const TrafficState& state, WeekdaySlot now, std::int32_t slotsBack, bool anyDay,
                           std::int32_t standId, const AircraftInfo& aircraft);

// Static aircraft active or being removed; with postFit also posts their mean parked time.
std::int64_t gf_countStaticParked(TrafficState& state, bool postFit);

} // namespace kiv
