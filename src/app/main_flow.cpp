#include "app/main_flow.h"

#include <exception>
#include <new>
#include <string>
#include <system_error>
#include <utility>

#include <fmt/format.h>

#include "app/command_line_job.h"
#include "app/stop_requests.h"
#include "foundation/clock.h"
#include "foundation/file_helpers.h"
#include "foundation/log.h"
#include "foundation/program_folder_check.h"
#include "foundation/program_identity.h"
#include "foundation/program_paths.h"
#include "foundation/scope_exit.h"
#include "foundation/stop_request.h"
#include "foundation/text_conversion.h"
#include "foundation/user_related_exception.h"
#include "settings/settings_snapshot.h"
#include "settings/settings_table.h"

namespace kiv {
namespace {

// A failed status query other than a missing entry (and, where `unknownIsMissing`, the
// status "unknown") throws the file-system error `what`.
std::filesystem::file_status statusOrThrow(const std::filesystem::path& path, const char* what) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error && status.type() != std::filesystem::file_type::not_found) {
        throw std::filesystem::filesystem_error(what, path, error);
    }
    return status;
}

void stopWithError(Gui& gui, std::string_view text) {
    gui.showError(text);
    gf_requestStop(ExitReason::system_error, 0);
}

bool isFormatError(const std::exception& e) {
    return dynamic_cast<const fmt::format_error*>(&e) != nullptr;
}

} // namespace

void MainFlow::lf_main() noexcept {
    try {
        runToLoop();
    } catch (...) {
        lf_handleMainException(std::current_exception());
    }
    try {
        c_.steps.closingDown();
    } catch (...) {
        // Closing-down reports its own failures; nothing may leave the thread.
    }
}

void MainFlow::runToLoop() {
    c_.steps.startNetworkLibrary();
    gf_checkProgramFolder(inProgramFolder(gf_paths().docsFolder));
    if (!lf_readDataFiles()) {
        return;
    }
    gf_stockAirportsPath();
    lf_runScans();
    if (!startUpToSimulator()) {
        return;
    }
    if (!c_.steps.lf_startSimClient()) {
        return;
    }
    selectParkAirport();
    const bool started = gf_isRTDirect() ? c_.steps.lf_startRTAPIReaders() : c_.steps.lf_startRTAppReaders();
    if (!started) {
        return;
    }
    startTime_.store(gf_weekdayAndSlot());
    c_.steps.runSimulatorLoop();
}

bool MainFlow::startUpToSimulator() {
    if (!gf_isRunning()) {
        return false;
    }
    const ProgramPaths& paths = gf_paths();
    c_.gui.enqueueUpdate(gui_update::SimaddonCount{gf_countFiles(inProgramFolder(paths.userSimaddonAirports), "")});
    c_.gui.enqueueUpdate(
        gui_update::ThirdPartyCount{gf_countFiles(inProgramFolder(paths.userThirdpartyAirports), "")});
    if (!gf_isRunning()) {
        return false;
    }
    if (const std::optional<std::filesystem::path> folder = c_.steps.flightPlanFolder()) {
        if (!c_.steps.ensureFlightPlanFolder(*folder)) {
            return false;
        }
    }
    c_.steps.readMyParkAirportsFile();
    if (!param::DESTINATION.value.empty()) {
        const IcaoCode destination(param::DESTINATION.value);
        if (const std::optional<KnownAirport> airport = c_.steps.findKnownAirport(destination)) {
            c_.steps.setDestination(*airport);
        }
    }
    c_.gui.enqueueUpdate(gui_update::SetAlwaysOnTop{param::ALWAYS_ON_TOP.value});
    c_.steps.clearRtAppConnected();
    c_.steps.initTraffic();
    c_.steps.enableRtChoiceComboBox();
    gf_flushLog();
    return true;
}

void MainFlow::selectParkAirport() {
    if (!c_.steps.userOnGround()) {
        return;
    }
    const std::optional<KnownAirport> airport = c_.steps.findNearestAirport(c_.steps.userPosition());
    if (!airport) {
        return;
    }
    c_.steps.setParkAirport(*airport);
    c_.gui.enqueueUpdate(gui_update::ParkAirport{airport->icao});
    gf_logLine(fmt::format("User aircraft on the ground at {}", airport->icao.text()));
    gf_logLine(fmt::format("The park airport is {}", airport->icao.text()));
}

bool MainFlow::lf_readDataFiles() {
    c_.steps.readSettings();
    c_.gui.enqueueUpdate(gui_update::Repaint{1});
    c_.steps.initControls();
    c_.gui.enqueueUpdate(gui_update::SetCollapsed{param::COLLAPSED.value});
    lf_createDataFolders();
    if (gf_isRTDirect()) {
        c_.steps.findRtCredentials();
    }
    if (!c_.flags.restart.load() && !c_.steps.checkForUpdates()) {
        return false;
    }
    c_.steps.initTimeShiftControls();
    startTime_.store(gf_weekdayAndSlot());
    if (!dataFilesRead_.load()) {
        if (!c_.steps.readTypeDatabase()) {
            throw std::runtime_error("reading data files failed!");
        }
        dataFilesRead_.store(true);
    }
    if (const std::optional<std::string> error = c_.steps.readKnownAirports()) {
        throw std::runtime_error(*error);
    }
    if (param::SIM_INSTALL_PATH.value.empty() && !c_.steps.detectSimInstallPath()) {
        gf_requestStop(ExitReason::install_path_missing, 0);
        return false;
    }
    c_.gui.enqueueUpdate(gui_update::Repaint{2});
    if (c_.flags.production.load()) {
        lf_logProductionJob(c_.flags);
        return false;
    }
    gf_flushLog();
    return true;
}

void MainFlow::lf_createDataFolders() {
    const ProgramPaths& paths = gf_paths();
    for (const std::filesystem::path* relative :
         {&paths.outputFolder, &paths.outputInfoFolder, &paths.outputErrorsFolder, &paths.airportsFolder,
          &paths.learnedFolder, &paths.learnedStock, &paths.learnedSimaddon, &paths.learnedThirdparty,
          &paths.userSimaddonAirports, &paths.userThirdpartyAirports, &paths.userRegCodes}) {
        const std::filesystem::path folder = inProgramFolder(*relative);
        if (std::filesystem::is_directory(statusOrThrow(folder, "status"))) {
            continue;
        }
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error) {
            throw std::filesystem::filesystem_error("create_directories", folder, error);
        }
    }
}

void MainFlow::gf_stockAirportsPath() {
    stockAirportsPath_ = std::filesystem::path(param::SIM_INSTALL_PATH.value) / "Scenery";
    if (!std::filesystem::exists(statusOrThrow(stockAirportsPath_, "exists"))) {
        c_.gui.showMessage(fmt::format("Stock airports path does not exist: {}", gf_pathToUtf8(stockAirportsPath_)),
                           true);
    }
}

void MainFlow::lf_runScans() {
    c_.steps.enablePrioritizeCheckBox(false);
    ScopeExit enableScanControls([this] {
        c_.steps.setScanRunning(false);
        c_.steps.enablePrioritizeCheckBox(true);
        c_.steps.enableSkipLiveriesScanCheckBox(true);
        c_.gui.enqueueUpdate(gui_update::Repaint{1});
    });
    c_.gui.enqueueUpdate(gui_update::SimaddonCount{0});
    c_.gui.enqueueUpdate(gui_update::ThirdPartyCount{0});
    c_.steps.runAirportScan(stockAirportsPath_);
    if (!gf_isRunning()) {
        return;
    }
    const bool skipWanted = gf_settings()->skipLiveriesScan;
    if (!skipWanted || !std::filesystem::exists(inProgramFolder(gf_paths().liveriesScanned))) {
        c_.steps.runLiveryScan();
    }
    c_.steps.processScannedLiveries();
}

void MainFlow::lf_handleMainException(std::exception_ptr failure) noexcept {
    try {
        try {
            std::rethrow_exception(failure);
        } catch (const UserRelatedException& e) {
            c_.gui.showError(e.what());
            gf_requestStop(ExitReason::system_error, 0);
        } catch (const std::bad_alloc& e) {
            stopWithError(c_.gui, e.what());
        } catch (const std::exception& e) {
            if (isFormatError(e)) {
                c_.gui.showError(fmt::format("std::format error: {}", e.what()));
            }
            stopWithError(c_.gui, e.what());
        } catch (...) {
            c_.gui.showError("Unknown exception");
            gf_requestStop(ExitReason::system_error, 0);
        }
    } catch (...) {
        // Reporting failed (no memory for the text): the stop must still be asked for.
        gf_installStopRequest(ExitReason::system_error, 0);
    }
}

std::filesystem::path MainFlow::inProgramFolder(const std::filesystem::path& relative) const {
    return c_.programFolder / relative;
}

} // namespace kiv
