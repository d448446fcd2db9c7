// Cleaning the parked aircraft the service reported before the traffic manager places them:
// callsign check, age in half hours, age limit, newest first, one record per stand and per
// callsign. Pure function on the caller's list; the caller holds the list's lock.
#pragma once

#include <cstdint>
#include <vector>

#include "feeds/traffic_record.h"
#include "settings/settings_snapshot.h"

namespace kiv {

// `currentSlot` is the half-hour slot of now (gf_halfHourSlot), -1 when unknown; then no
// age can be told and every age is 0. Records whose own slot is unknown are dropped.
void lf_mergeParkedRecords(std::vector<ParkedRecord>& list, const SettingsSnapshot& settings, std::int32_t currentSlot);

} // namespace kiv
