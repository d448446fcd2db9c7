// The one entry of the livery scan, run by the main worker during start-up before the
// matching tables are built: whether a scan is due, and the scan itself with its messages,
// banners, the SKIP_LIVERIES_SCAN check box and the livery count of the main window.
#pragma once

#include "models/livery_paths.h"
#include "models/models_shell.h"
#include "settings/settings_snapshot.h"

namespace kiv {

// A scan is due unless SKIP_LIVERIES_SCAN is set and the store exists (as any kind of
// entry). Throws filesystem_error ("exists") when the store's status cannot be read.
bool gf_liveriesScanDue(const SettingsSnapshot& settings, const LiveryPaths& paths);

// Scans the folders of lfolder0..lfolder9 into the store. Throws UserRelatedException 243 (a
// folder that does not exist), 48 (no folder set) and 53 (no livery found), and
// std::runtime_error when the store could not be written. On every way out the scan's
// collections are emptied, the check box is enabled again, the message line is cleared and
// the end banner is logged.
void gf_scanLiveries(ModelsShell& shell, const LiveryPaths& paths);

} // namespace kiv
