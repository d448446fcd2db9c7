// The matching tables built from the scan result store at every traffic start: read the
// store, then every table of models/livery_tables.h, the registration codes, the similar
// models, the size classes and the generic liveries, each reported in the log. Main worker,
// while no traffic runs: the tables are rebuilt in place, so the traffic must have been reset.
#pragma once

#include <vector>

#include "models/livery.h"
#include "models/livery_paths.h"
#include "models/models_shell.h"

namespace kiv {

// Throws std::logic_error before touching anything when the traffic (or a sticky livery)
// still holds views into the tables, and std::runtime_error "{} could not be read completely"
// when the store cannot be read.
void gf_processScannedLiveries(ModelsShell& shell, const LiveryViewHolders& traffic, const LiveryPaths& paths);

// The build from liveries already read and sorted, as gf_processScannedLiveries does it after
// the read; the list is released at the end.
void lf_buildLiveryTables(std::vector<Livery>& liveries, ModelsShell& shell, const LiveryPaths& paths);

} // namespace kiv
