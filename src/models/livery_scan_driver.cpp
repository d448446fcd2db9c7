#include "models/livery_scan_driver.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <vector>

#include <fmt/format.h>

#include "foundation/log.h"
#include "foundation/program_identity.h"
#include "foundation/text_conversion.h"
#include "foundation/user_related_exception.h"
#include "models/livery_folder_scan.h"
#include "models/scan_collections.h"
#include "settings/gui_thread_changes.h"
#include "settings/settings_table.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kScanTitlesRoom = 30000;
constexpr std::size_t kDontUseTitlesRoom = 5000;

void enableSkipCheckBox(bool enabled) {
    gf_runOnGuiThread([enabled] {
        if (param::SKIP_LIVERIES_SCAN.hasLiveWindow()) {
            param::SKIP_LIVERIES_SCAN.window->setEnabled(enabled);
        }
    });
}

// The scan's end work on every way out. The check box is enabled here rather than after a
// completed scan only, so that a scan ended by an error does not leave it disabled for good.
class ScanEndGuard {
public:
    explicit ScanEndGuard(ModelsShell& shell) : shell_(shell) {}
    ~ScanEndGuard() {
        try {
            lf_clearScanCollections();
            enableSkipCheckBox(true);
            shell_.clearMessage();
            shell_.postRepaint(kRepaintStatusBand);
            gf_logLineFlush("\n++++++++++++++++++++++++ liveries scan ends ++++++++++++++++++++++++++++++++\n");
        } catch (...) {
            // End work must not replace the exception that may be leaving the scan.
        }
    }
    ScanEndGuard(const ScanEndGuard&) = delete;
    ScanEndGuard& operator=(const ScanEndGuard&) = delete;

private:
    ModelsShell& shell_;
};

} // namespace

bool gf_liveriesScanDue(const SettingsSnapshot& settings, const LiveryPaths& paths) {
    if (!settings.skipLiveriesScan) {
        return true;
    }
    std::error_code error;
    const fs::file_status status = fs::status(paths.store, error);
    if (status.type() == fs::file_type::not_found) {
        return true;
    }
    if (error) {
        throw fs::filesystem_error("exists", paths.store, error);
    }
    return false;
}

void gf_scanLiveries(ModelsShell& shell, const LiveryPaths& paths) {
    ScanCollections& collections = gf_scanCollections();
    collections.scanTitles.reserve(kScanTitlesRoom);
    collections.dontUseTitles.reserve(kDontUseTitlesRoom);
    const ScanEndGuard guard(shell);

    const std::shared_ptr<const SettingsSnapshot> settings = gf_settings();
    const bool prioritise = settings->ligPrioritize;
    enableSkipCheckBox(false);
    shell.showMessage("Scanning for liveries ...", false);
    gf_logLineFlush(
        fmt::format("\n++++++++++++++++++++++++ liveries scan {} starts ++++++++++++++++++++++++++++++++", "manual"));

    std::vector<fs::path> folders;
    folders.reserve(kFolderKeyCount);
    lf_checkLiveryFolders(folders);
    if (folders.empty()) {
        throw UserRelatedException(
            48, gf_programName("Exit {}, and then set one or more lfolderx parameters to your liveries in the file "
                               "parameters.xml"));
    }
    switch (lf_scanLiveryFolders(folders, prioritise, paths)) {
    case liveryScanDone:
        shell.postLiveryCount(gf_scannedLiveries().size());
        shell.postRepaint(kRepaintSettingsBand);
        return;
    case liveryScanNoLivery:
        throw UserRelatedException(53, "no liveries found, did you set lfolderx parameter(s)?");
    case liveryScanStopped:
        gf_logLine("Liveries scan cancelled");
        return;
    case liveryScanNotStored:
        throw std::runtime_error(fmt::format("the new {} could not be committed safely", gf_pathToUtf8(paths.store)));
    }
}

} // namespace kiv
