// Puts every global setting back to its start state (parameter values at their defaults,
// default snapshots), so that tests that change the globals do not leak into each other.
#pragma once

#include <memory>

#include "settings/settings_snapshot.h"
#include "settings/settings_table.h"

namespace kiv::test_support {

inline void resetSettingsToDefaults() {
    for (auto* p : registry::bools)
        p->value = p->defaultValue;
    for (auto* p : registry::checkBoxes)
        p->value = p->defaultValue;
    for (auto* p : registry::ints)
        p->value = p->defaultValue;
    for (auto* p : registry::intLists)
        p->value = p->defaultValue;
    for (auto* p : registry::texts)
        p->value = p->defaultValue;
    for (auto* p : registry::choices)
        p->value = p->defaultValue;
    for (auto* p : registry::paths)
        p->value = p->defaultValue;
    param::MAX_FIT_FL.value = param::MAX_FIT_FL.defaultValue;
    param::AIRCRAFT_SELECTOR.value = param::AIRCRAFT_SELECTOR.defaultValue;
    *param::AIRCRAFT_SELECTOR.choices = {""};
    param::AIRCRAFT_SELECTOR.window = nullptr;
    gf_setBlockCallsignUnderscore(false);
    gf_publishTrafficSource(false);
    detail::settingsSlot().store(std::make_shared<const SettingsSnapshot>());
}

} // namespace kiv::test_support
