// The park settings as worker threads see them: after an airport file's park keys were applied
// to the setting objects, their values are copied into the settings snapshot. Called on the
// thread that owns the setting objects; the snapshot update itself is safe from any thread.
#pragma once

namespace kiv {

// Copies parking_percentage, MAX_PARK_SEL, MAX_FIT, RT_PARKTRAFFIC_ONLY, AUTO_PARK, WEEK and
// PARK_SOFT into the settings snapshot in one copy-on-write update.
void gf_publishParkSettings();

} // namespace kiv
