// The settings snapshot as the traffic code reads it: one load per use, kept while its
// values are read together. Any thread.
#pragma once

#include <memory>

#include "settings/settings_snapshot.h"

namespace kiv::detail {

inline std::shared_ptr<const SettingsSnapshot> settings() { return gf_settings(); }

} // namespace kiv::detail
