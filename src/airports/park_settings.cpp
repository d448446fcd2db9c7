#include "airports/park_settings.h"

#include "settings/settings_snapshot.h"
#include "settings/settings_table.h"

namespace kiv {

void gf_publishParkSettings() {
    const std::int32_t parkingPercentage = param::parking_percentage.value;
    const std::int32_t maxParkSel = param::MAX_PARK_SEL.value;
    const std::int32_t maxFit = param::MAX_FIT.value;
    const bool rtParkTrafficOnly = param::RT_PARKTRAFFIC_ONLY.value;
    const bool autoPark = param::AUTO_PARK.value;
    const bool week = param::WEEK.value;
    const bool parkSoft = param::PARK_SOFT.value;
    gf_updateSettings([&](SettingsSnapshot& copy) {
        copy.parkingPercentage = parkingPercentage;
        copy.maxParkSel = maxParkSel;
        copy.maxFit = maxFit;
        copy.rtParkTrafficOnly = rtParkTrafficOnly;
        copy.autoPark = autoPark;
        copy.week = week;
        copy.parkSoft = parkSoft;
    });
}

} // namespace kiv
