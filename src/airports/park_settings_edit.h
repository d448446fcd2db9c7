// A change of several park settings at once: the new values are kept here, the setting
// objects and their controls change on the GUI thread, and publish() puts the values into
// the settings snapshot in one update. Used on the thread that applies or restores an
// airport file's park settings.
#pragma once

#include <cstdint>

#include "airports/airport_file_apply.h"

namespace kiv {

class IntParameter;
class CheckBoxParameter;

class ParkSettingsEdit {
public:
    ParkSettingsEdit() : values_(gf_currentParkSettingsHead()) {}

    const ParkSettingsHead& values() const { return values_; }

    // The value clamped into the setting's bounds.
    void setInt(IntParameter& parameter, std::int32_t ParkSettingsHead::*field, std::int32_t value);
    void setBool(CheckBoxParameter& parameter, bool ParkSettingsHead::*field, bool value);
    void publish() const;

private:
    ParkSettingsHead values_;
};

} // namespace kiv
