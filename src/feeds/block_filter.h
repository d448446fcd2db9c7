// The user's block of one aircraft: parsing the entry of the main window, matching feed
// records against the blocked identity, and learning the identifiers the user did not know.
// Any thread; learning publishes a new settings snapshot by compare-exchange, never a lock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "feeds/traffic_record.h"
#include "settings/settings_snapshot.h"

namespace kiv {

struct AircraftIdentity {
    std::string callsign;
    std::string registration;
    std::uint32_t hexId = 0;
};

// "callsign, registration, hex id": three non-empty pieces, the last hexadecimal (32 bits).
std::optional<AircraftIdentity> gf_parseAircraftIdentity(std::string_view text);

// False when the record is the blocked aircraft. A match by one identifier stores the
// record's other identifiers in the published block filter. An empty (or "null") field of
// the filter matches nothing.
bool lf_passesBlockFilter(const TrafficRecord& record, const BlockFilter& block);

// Copy-on-write updates of the published block filter with the record's values.
void gf_publishBlockRegcode(const TrafficRecord& record);
void gf_publishBlockHexid(const TrafficRecord& record);
void gf_publishBlockHexidRegcode(const TrafficRecord& record);
void gf_publishBlockCallsignHexidRegcode(const TrafficRecord& record);

} // namespace kiv
