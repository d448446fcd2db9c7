// The simulator's install folder (SIM_INSTALL_PATH): finding it at start when it is empty,
// letting the user pick it, the simulator's major version and the stock airports path.
// Linux has no registry: no version counts as installed, and the path comes from the folder
// picker or from "parameters.xml". Main worker (the dialogs run on the GUI thread).
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "app/main_window_controls.h"

namespace kiv {

// Which simulator versions are installed and where their setup path points.
struct InstalledSimulators {
    bool v5 = false;
    bool v6 = false;
    // Empty when the version's setup path cannot be read.
    std::filesystem::path setupPath5;
    std::filesystem::path setupPath6;
};

// What this platform knows of installed simulators: nothing.
InstalledSimulators gf_installedSimulators();

bool gf_prepar3DKeyExists(int majorVersion);
std::filesystem::path gf_prepar3DSetupPath(int majorVersion);

// Chooses and stores the install path at start; false when none was taken.
bool gf_detectSimInstallPath(const WindowContext& context);
bool gf_detectSimInstallPath(const WindowContext& context, const InstalledSimulators& installed);
bool gf_pickSimInstallPath(const WindowContext& context);
std::optional<std::filesystem::path> gf_pickFolder(const WindowContext& context, const std::filesystem::path& initial);
void gf_setSimInstallPath(const std::filesystem::path& path);
// "5" or "6"; throws UserRelatedException 77 when neither the path nor P3D_VERSION says.
std::string gf_prepar3DVersionFromPath();

} // namespace kiv
