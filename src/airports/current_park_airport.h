// The current park airport: the one airport at which parked aircraft are being placed, a copy
// of its known-airports row behind its own reader/writer lock. Any thread may read; start-up,
// the park-airport choice, the applying of an airport file and the resets write it, whole.
#pragma once

#include <optional>

#include "airports/known_airports.h"
#include "foundation/lalo.h"

namespace kiv {

// The record as stored; an empty ICAO code means that there is no park airport.
KnownAirport gf_currentParkAirport();
void gf_setCurrentParkAirport(const KnownAirport& airport);
// The airport file's "altitude" replaces the table's (feet).
void gf_setParkAirportAltitudeFt(std::int32_t altitudeFt);
// The traffic and parking resets: code, IATA code and altitude back to empty and 0.
void gf_clearCurrentParkAirport();

// The park airport's altitude in feet, when there is one at a valid position.
std::optional<double> gf_parkAirportAltitude();
// True when there is a park airport at a valid position within 10 NM of `position` (flat
// distance with the cosine of the park airport's latitude).
bool gf_isNearParkAirport(const Lalo& position);

} // namespace kiv
