// The airports for which the traffic service supplies weekly parking traffic, from
// "input/wktraffic.enc": a sorted list of codes behind one reader/writer lock. The scan
// reloads it at its start and empties it at its end; lookups may come from any thread.
#pragma once

#include <string>
#include <vector>

#include <pugixml.hpp>

#include "foundation/expected.h"
#include "foundation/icao_code.h"

namespace kiv {

inline constexpr std::size_t kWeeklyTrafficAirportsReserve = 15000;

// Replaces the list with the file's; on failure logs the reason and empties the list.
bool gf_readWeeklyTrafficAirports();
// Membership; an empty list answers true (no list loaded: every airport counts as supported).
bool gf_isWeeklyTrafficAirport(const IcaoCode& icao);
// Empties the list (the scan's end work).
void gf_clearWeeklyTrafficAirports();

Expected<std::vector<IcaoCode>, std::string> lf_loadWeeklyTrafficFile();
// root > traffic_airports > arp c="EDDF, EGLL,..." into a sorted list without repeats; any
// bad element or code fails the whole document.
Expected<std::vector<IcaoCode>, std::string> lf_parseWeeklyTraffic(const pugi::xml_document& document);

} // namespace kiv
