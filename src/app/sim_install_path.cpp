// Finding and picking the simulator's install folder.
#include "app/sim_install_path.h"

#include <fmt/format.h>

#include "app/gui.h"
#include "app/traffic_commands.h"
#include "foundation/log.h"
#include "foundation/text_conversion.h"
#include "foundation/user_related_exception.h"
#include "settings/parameters_file.h"
#include "settings/settings_table.h"

namespace kiv {
namespace {

void askToPick(const WindowContext& context, const std::string& line, const std::string& box) {
    context.gui.showMessage(line, true);
    if (context.dialogs != nullptr) {
        context.dialogs->messageBox(box, "VELT_P3D", platform::MessageIcon::warning);
    }
}

} // namespace

InstalledSimulators gf_installedSimulators() {
    // No registry on this platform: the two installed flags are false.
    return {};
}

bool gf_prepar3DKeyExists(int majorVersion) {
    const InstalledSimulators installed = gf_installedSimulators();
    return (majorVersion == 5 && installed.v5) || (majorVersion == 6 && installed.v6);
}

std::filesystem::path gf_prepar3DSetupPath(int majorVersion) {
    const InstalledSimulators installed = gf_installedSimulators();
    if (majorVersion == 5) {
        return installed.setupPath5;
    }
    return majorVersion == 6 ? installed.setupPath6 : std::filesystem::path{};
}

bool gf_detectSimInstallPath(const WindowContext& context) {
    return gf_detectSimInstallPath(context, gf_installedSimulators());
}

bool gf_detectSimInstallPath(const WindowContext& context, const InstalledSimulators& installed) {
    const int found = (installed.v6 ? 6 : 0) + (installed.v5 ? 5 : 0);
    if (found == 5 || found == 6) {
        gf_logLine(fmt::format("P3Dv{} detected", found));
        const std::filesystem::path& path = found == 5 ? installed.setupPath5 : installed.setupPath6;
        if (!path.empty()) {
            gf_setSimInstallPath(path);
            return true;
        }
        askToPick(context, "No P3D install path detected, select the full path upto Prepar3D v?",
                  "No P3D install path detected\n\nSelect the full Install Path upto Prepar3D v?");
    } else if (found == 0) {
        askToPick(context, "No P3D install path detected, select the full path upto Prepar3D v?",
                  "No P3D install path detected\n\nSelect the full path upto Prepar3D v?");
    } else {
        askToPick(context,
                  "More than one P3D version detected, select the full path to the wanted version upto Prepar3D v?",
                  "More than one P3D version detected\n\nSelect the full path to the wanted version upto Prepar3D v?");
    }
    return gf_pickSimInstallPath(context);
}

bool gf_pickSimInstallPath(const WindowContext& context) {
    const std::optional<std::filesystem::path> chosen = gf_pickFolder(context, param::SIM_INSTALL_PATH.value);
    if (!chosen) {
        return false;
    }
    return gf_checkInstallPath(context, *chosen);
}

std::optional<std::filesystem::path> gf_pickFolder(const WindowContext& context, const std::filesystem::path& initial) {
    if (context.dialogs == nullptr) {
        return std::nullopt;
    }
    return context.dialogs->pickFolder(initial);
}

void gf_setSimInstallPath(const std::filesystem::path& path) {
    param::SIM_INSTALL_PATH.value = path.u16string();
    gf_storeParameter(param::SIM_INSTALL_PATH);
}

std::string gf_prepar3DVersionFromPath() {
    const std::string path = wide_to_utf8(param::SIM_INSTALL_PATH.value);
    for (const auto& [needle, version] : {std::pair{"v5", "5"}, {"V5", "5"}, {"v6", "6"}, {"V6", "6"}}) {
        if (path.find(needle) != std::string::npos) {
            return version;
        }
    }
    if (param::P3D_VERSION.value >= 5) {
        return fmt::format("{}", param::P3D_VERSION.value);
    }
    throw UserRelatedException(
        77, fmt::format("P3D install path does not contain v5 or v6. Use hidden parameter {}, set it to 5 or 6.",
                        param::P3D_VERSION.key));
}

} // namespace kiv
