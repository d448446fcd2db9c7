// Which stand of the park airport a live aircraft may use: the nearest-stand search, the size
// rule and the learned-use test. Pure functions over the park stands; the simulator-loop
// thread calls them for live aircraft (stand choice, parking, collisions) and the parking plan.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "airports/stand.h"
#include "foundation/lalo.h"
#include "models/livery_key.h"

namespace kiv {

struct AircraftInfo;

inline constexpr double kNoStandDistanceMetres = 99999.0;

// Whether an aircraft of the size class whose half span is aircraftValueNm fits the stand.
bool gf_standFitsSizeClass(const Stand& stand, SizeClass sizeClass, double aircraftValueNm) noexcept;
// A learned stand use of this callsign, or of this airline, operator, model and cargo flag.
bool gf_standHasMatchingOption(const Stand& stand, const std::string& callsign, const LiveryKey& key) noexcept;
// Type, blocked, heli and size filters of the stand searches.
bool gf_standUsableFor(const Stand& stand, const AircraftInfo& aircraft) noexcept;
// The usable stand nearest the position within the aircraft's radius; else, with allowLearned,
// the nearest within its outer radius that has a learned use matching the aircraft. Null when
// none; distanceMetres is then 99999.
const Stand* gf_findNearestStand(std::span<const Stand> stands, const Lalo& position, const AircraftInfo& aircraft,
                                 double& distanceMetres, bool allowLearned);

} // namespace kiv
