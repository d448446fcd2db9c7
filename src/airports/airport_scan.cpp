#include "airports/airport_scan.h"

#include <exception>
#include <string>
#include <system_error>

#include <fmt/format.h>

#include "airports/scan_folders.h"
#include "airports/scan_learning.h"
#include "airports/scan_log.h"
#include "airports/scan_reference_tables.h"
#include "airports/scan_shell.h"
#include "airports/scan_transaction.h"
#include "foundation/file_helpers.h"
#include "foundation/line_files.h"
#include "foundation/log.h"
#include "foundation/program_paths.h"
#include "foundation/text_conversion.h"
#include "foundation/user_related_exception.h"
#include "settings/settings_snapshot.h"
#include "settings/settings_table.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kScanLogReserve = 2048;

void postCounts(ScanShell& shell) {
    shell.postSimaddonCount(gf_countFiles(gf_paths().userSimaddonAirports, ""));
    shell.postThirdPartyCount(gf_countFiles(gf_paths().userThirdpartyAirports, ""));
}

// Each step of the end work on its own: one that fails must not keep the others from running.
template <typename Step> void endStep(Step&& step) noexcept {
    try {
        step();
    } catch (...) {
    }
}

// Runs the end work on every way out of the scan once armed.
class AirportScanEndGuard {
public:
    AirportScanEndGuard(AirportScanContext& context, const bool& committed)
        : context_(context), committed_(committed) {}
    ~AirportScanEndGuard() { lf_endAirportScan(context_, committed_); }
    AirportScanEndGuard(const AirportScanEndGuard&) = delete;
    AirportScanEndGuard& operator=(const AirportScanEndGuard&) = delete;

private:
    AirportScanContext& context_;
    const bool& committed_;
};

// Rolls the transaction back on every way out; after a commit that does nothing.
class RollbackGuard {
public:
    explicit RollbackGuard(ScanTransaction& transaction) : transaction_(transaction) {}
    ~RollbackGuard() { lf_rollbackScanTransaction(transaction_); }
    RollbackGuard(const RollbackGuard&) = delete;
    RollbackGuard& operator=(const RollbackGuard&) = delete;

private:
    ScanTransaction& transaction_;
};

void prepareTbloFolder(ScanShell& shell) {
    const fs::path& tblo = gf_paths().supportFolder;
    std::error_code error;
    if (fs::exists(tblo, error)) {
        gf_removeFilesFromDirectory(tblo);
        shell.enableTbloButton(false);
        shell.setSupportHintFlag(false);
        return;
    }
    fs::create_directory(tblo, error);
    if (error) {
        throw fs::filesystem_error("create_directory", tblo, error);
    }
}

// Steps 6 to 13 of the scan: reference tables, folders, transaction, scan, commit.
void scanInTransaction(AirportScanContext& context, bool& committed) {
    ScanShell& shell = context.shell;
    if (!context.tables.readWeeklyTrafficAirports()) {
        shell.showMessage("Reading RT weekly airports failed; keeping previous airport scan data", true);
        return;
    }
    if (!context.tables.readPublishers()) {
        shell.showMessage("Reading archives failed; keeping previous airport scan data", true);
        return;
    }
    const std::vector<fs::path> folders = lf_collectScanFolders(context);
    ScanTransaction transaction = lf_beginScanTransaction();
    RollbackGuard rollback(transaction);
    prepareTbloFolder(shell);
    if (!lf_scanAllFolders(context, folders)) {
        shell.showMessage("Airport scan produced no add-on data; keeping previous airport scan data", true);
        return;
    }
    if (!shell.supportHintFlag()) {
        lf_removeTbloFolder();
    }
    shell.repaint(1);
    lf_commitScanTransaction(transaction);
    committed = true;
}

void writeScanLog() {
    const fs::path path = gf_scanLogPath();
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    if (gf_writeLinesToFile(gf_scanLogLines(), path)) {
        gf_logLine(gf_pathToUtf8(path) + " written");
    } else {
        gf_logImportant(fmt::format("{} could not be written", gf_pathToUtf8(path)));
    }
}

} // namespace

void gf_scanAirports(AirportScanContext& context) {
    ScanShell& shell = context.shell;
    if (!lf_recoverInterruptedScan()) {
        gf_logImportant("Airport scan skipped: recovery of a previously interrupted scan failed");
        shell.showMessage("Airport scan skipped; previous airport data could not be recovered safely", true);
        return;
    }
    const std::shared_ptr<const SettingsSnapshot> settings = gf_settings();
    if (settings->skipAirportScan) {
        gf_logLine("Airport scan skipped because SKIP_AIRPORT_SCAN=true");
        shell.showMessage("Airport scan suppressed by parameter SKIP_AIRPORT_SCAN", true);
        endStep([&] { postCounts(shell); });
        return;
    }
    shell.enableSkipAirportScanCheckBox(false);
    bool committed = false;
    const AirportScanEndGuard endGuard(context, committed);
    shell.showMessage("Scanning for airports ...", false);
    gf_logLine(
        fmt::format("\n++++++++++++++++++++++++ airports scan {} starts +++++++++++++++++++++++++++++", "manual "));
    shell.postSimaddonCount(0);
    shell.postThirdPartyCount(0);
    try {
        scanInTransaction(context, committed);
    } catch (const std::exception& e) {
        gf_logImportant(fmt::format("Airport scan failed; previous airport scan data restored: {}", e.what()));
        shell.showMessage("Airport scan failed; VELT will continue with the previous airport data", true);
    } catch (...) {
        gf_logImportant("Airport scan failed with an unknown error; previous airport scan data restored");
        shell.showMessage("Airport scan failed; VELT will continue with the previous airport data", true);
    }
}

std::vector<fs::path> lf_collectScanFolders(const AirportScanContext& context) {
    std::vector<fs::path> folders;
    folders.reserve(param::afolder.size());
    lf_readAfolders(context, folders);
    if (folders.empty()) {
        throw UserRelatedException(
            49, "Set one or more afolderx parameters to your add-on airports in the file parameters.xml");
    }
    return folders;
}

void lf_readAfolders(const AirportScanContext& context, std::vector<fs::path>& folders) {
    folders.clear();
    // Without a known install path there is no stock path to compare with; an empty text
    // would be found in every value.
    const std::string stock = gf_pathToUtf8(context.stockSceneryPath);
    for (const StringParameter& parameter : param::afolder) {
        if (parameter.value.empty()) {
            continue;
        }
        if (!stock.empty() && parameter.value.find(stock) != std::string::npos) {
            throw UserRelatedException(
                42, fmt::format("parameter {} points to stock airports instead of add-on airports!", parameter.key));
        }
        gf_logLine(fmt::format("From parameter {}: {}", parameter.key, parameter.value));
        folders.push_back(gf_utf8ToPath(parameter.value));
    }
}

bool lf_scanAllFolders(AirportScanContext& context, const std::vector<fs::path>& folders) {
    const bool found = lf_runScan(context, folders);
    if (!found) {
        context.shell.showMessage("Warning: Scan has not found any add-on airports", true);
    }
    context.shell.repaint(2);
    return found;
}

bool lf_runScan(AirportScanContext& context, const std::vector<fs::path>& folders) {
    ScanShell& shell = context.shell;
    gf_logLine(fmt::format("The scan will search {} folder{}", folders.size(), folders.size() == 1 ? "" : "s"));
    std::error_code error;
    fs::remove(gf_scanLogPath(), error);
    if (error) {
        gf_logLine("problems with removing previous files (maybe still open?): " + error.message());
    }
    shell.setSupportHintFlag(false);
    gf_reserveScanLog(kScanLogReserve);
    lf_scanAfolder(context, folders);
    gf_appendScanLog("\nAirports scan finished!");
    writeScanLog();
    shell.clearMessage();
    gf_clearScanLog();
    lf_copySimaddonsToTblo(context.tables);
    lf_copyThirdPartiesToTblo(context.tables);
    lf_zipTblo(shell, context.supportAddress);
    const std::uint64_t simaddons = gf_countFiles(gf_paths().userSimaddonAirports, "");
    const std::uint64_t thirdparties = gf_countFiles(gf_paths().userThirdpartyAirports, "");
    shell.postSimaddonCount(simaddons);
    shell.postThirdPartyCount(thirdparties);
    return simaddons + thirdparties != 0;
}

void lf_endAirportScan(AirportScanContext& context, bool committed) noexcept {
    ScanShell& shell = context.shell;
    endStep([] { gf_clearScanLog(); });
    if (!committed) {
        endStep([] {
            std::error_code ignored;
            fs::remove_all(gf_paths().supportFolder, ignored);
        });
        endStep([&] { shell.setSupportHintFlag(false); });
        endStep([&] { shell.enableTbloButton(false); });
        endStep([&] { shell.enableSkipAirportScanCheckBox(true); });
    }
    endStep([&] { context.tables.clearScanTables(); });
    endStep([&] { postCounts(shell); });
    endStep([&] { shell.enableSkipAirportScanCheckBox(true); });
    endStep([] { gf_logLineFlush("-------------------------- airports scan ends -------------------------------\n"); });
}

void lf_removeTbloFolder() {
    std::error_code error;
    fs::remove_all(gf_paths().supportFolder, error);
    if (error) {
        throw fs::filesystem_error("remove_all", gf_paths().supportFolder, error);
    }
}

} // namespace kiv
