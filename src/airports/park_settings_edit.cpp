#include "airports/park_settings_edit.h"

#include <algorithm>

#include "airports/learned_save.h"
#include "settings/control_parameters.h"
#include "settings/settings_snapshot.h"

namespace kiv {

void ParkSettingsEdit::setInt(IntParameter& parameter, std::int32_t ParkSettingsHead::*field, std::int32_t value) {
    values_.*field = std::clamp(value, parameter.min, parameter.max);
    lf_setIntClamped(parameter, value);
}

void ParkSettingsEdit::setBool(CheckBoxParameter& parameter, bool ParkSettingsHead::*field, bool value) {
    values_.*field = value;
    lf_setBoolAndCheck(parameter, value);
}

void ParkSettingsEdit::publish() const {
    const ParkSettingsHead values = values_;
    gf_updateSettings([&values](SettingsSnapshot& copy) {
        copy.parkingPercentage = values.parking_percentage;
        copy.maxFit = values.MAX_FIT;
        copy.rtParkTrafficOnly = values.RT_PARKTRAFFIC_ONLY;
        copy.autoPark = values.AUTO_PARK;
        copy.week = values.WEEK;
        copy.parkSoft = values.PARK_SOFT;
    });
}

} // namespace kiv
