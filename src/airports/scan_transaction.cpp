#include "airports/scan_transaction.h"

#include <atomic>
#include <exception>
#include <fstream>
#include <stdexcept>
#include <string>

#include <fmt/format.h>

#include "foundation/line_files.h"
#include "foundation/program_paths.h"
#include "foundation/text_conversion.h"
#include "platform/atomic_file_replace.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;

std::error_code systemRename(const fs::path& from, const fs::path& to) {
    std::error_code error;
    fs::rename(from, to, error);
    return error;
}

std::atomic<ScanRenameFunction>& renameFunction() {
    static std::atomic<ScanRenameFunction> function{&systemRename};
    return function;
}

std::error_code renamePath(const fs::path& from, const fs::path& to) { return renameFunction().load()(from, to); }

// Whether any entry is there; a failed query other than "not found" is reported in `error`.
bool entryExists(const fs::path& path, std::error_code& error) {
    const fs::file_status status = fs::symlink_status(path, error);
    if (error && status.type() == fs::file_type::not_found) {
        error.clear();
    }
    return !error && fs::exists(status);
}

// A folder, a file or a link, with everything in it; a missing entry is no failure.
bool removeEntry(const fs::path& path) {
    std::error_code error;
    fs::remove_all(path, error);
    return !error;
}

bool readMarker(const fs::path& marker, std::array<std::uint8_t, 2>& existed) {
    std::ifstream file(marker);
    long first = 0;
    long second = 0;
    if (!(file >> first >> second)) {
        return false;
    }
    existed = {static_cast<std::uint8_t>(first != 0), static_cast<std::uint8_t>(second != 0)};
    return true;
}

// The marker appears whole or not at all: a marker cut short by a crash could never be read
// back, and every later scan would be skipped.
bool writeMarker(const ScanTransaction& transaction) {
    const fs::path marker = gf_scanMarkerPath();
    fs::path temporary = marker;
    temporary += ".tmp";
    const std::string text = fmt::format("{} {}", transaction.existed[0], transaction.existed[1]);
    if (!gf_writeTextFile(text, temporary, true) || platform::replaceFileDurably(temporary, marker)) {
        removeEntry(temporary);
        return false;
    }
    return true;
}

// Puts one output folder back as it was before the transaction: a backup present replaces
// whatever the scan left; without a backup, a folder that did not exist is removed and one
// that did exist was never moved and stays.
bool restoreFolder(const fs::path& folder, bool existed) {
    std::error_code error;
    const fs::path backup = lf_backupPathOf(folder);
    const bool backupPresent = entryExists(backup, error);
    if (error) {
        return false;
    }
    if (backupPresent) {
        return removeEntry(folder) && !renamePath(backup, folder);
    }
    return existed || removeEntry(folder);
}

} // namespace

const std::array<fs::path, 2>& gf_scanOutputFolders() {
    static const std::array<fs::path, 2> folders{gf_paths().userSimaddonAirports, gf_paths().userThirdpartyAirports};
    return folders;
}

fs::path gf_scanMarkerPath() { return gf_paths().airportsFolder / ".airport_scan_in_progress"; }

fs::path lf_backupPathOf(const fs::path& folder) {
    fs::path backup = folder;
    backup += ".scan_backup";
    return backup;
}

void gf_setScanRenameForTesting(ScanRenameFunction rename) {
    renameFunction().store(rename != nullptr ? rename : &systemRename);
}

bool lf_recoverInterruptedScan() {
    try {
        std::error_code error;
        const fs::path marker = gf_scanMarkerPath();
        const bool markerPresent = entryExists(marker, error);
        if (error) {
            return false;
        }
        std::array<std::uint8_t, 2> existed{0, 0};
        if (markerPresent && !readMarker(marker, existed)) {
            return false;
        }
        for (std::size_t i = 0; i < gf_scanOutputFolders().size(); ++i) {
            const fs::path& folder = gf_scanOutputFolders()[i];
            if (markerPresent) {
                if (!restoreFolder(folder, existed[i] != 0)) {
                    return false;
                }
                continue;
            }
            // No marker: a backup is the leftover of a committed scan.
            const fs::path backup = lf_backupPathOf(folder);
            const bool backupPresent = entryExists(backup, error);
            if (error || (backupPresent && !removeEntry(backup))) {
                return false;
            }
        }
        if (markerPresent) {
            fs::remove(marker, error);
            if (error) {
                return false;
            }
        }
        fs::path temporary = marker;
        temporary += ".tmp";
        removeEntry(temporary);
        return true;
    } catch (...) {
        return false;
    }
}

void lf_markAndBackUpAirportData(ScanTransaction& transaction) {
    std::error_code error;
    fs::create_directories(gf_paths().airportsFolder, error);
    if (error) {
        throw std::runtime_error(fmt::format("could not create airports folder: {}", error.message()));
    }
    for (std::size_t i = 0; i < gf_scanOutputFolders().size(); ++i) {
        transaction.existed[i] = entryExists(gf_scanOutputFolders()[i], error) ? 1 : 0;
        if (error) {
            throw std::runtime_error(error.message());
        }
    }
    if (!writeMarker(transaction)) {
        throw std::runtime_error("could not create airport scan transaction marker");
    }
    transaction.active = 1;
    for (std::size_t i = 0; i < gf_scanOutputFolders().size(); ++i) {
        const fs::path& folder = gf_scanOutputFolders()[i];
        if (transaction.existed[i] != 0) {
            if (const std::error_code moved = renamePath(folder, lf_backupPathOf(folder))) {
                throw std::runtime_error(fmt::format("could not preserve {} before airport scan: {}",
                                                     gf_pathToUtf8(folder), moved.message()));
            }
        }
        fs::create_directories(folder, error);
        if (error) {
            throw std::runtime_error(
                fmt::format("could not create airport scan folder {}: {}", gf_pathToUtf8(folder), error.message()));
        }
    }
}

ScanTransaction lf_beginScanTransaction() {
    if (!lf_recoverInterruptedScan()) {
        throw std::runtime_error("could not recover airport data from an interrupted scan");
    }
    ScanTransaction transaction;
    try {
        lf_markAndBackUpAirportData(transaction);
    } catch (...) {
        lf_rollbackScanTransaction(transaction);
        throw;
    }
    return transaction;
}

void lf_commitScanTransaction(ScanTransaction& transaction) {
    std::error_code error;
    if (!fs::remove(gf_scanMarkerPath(), error)) {
        throw std::runtime_error(fmt::format("could not commit airport scan transaction: {}",
                                             error ? error.message() : std::string("the marker is missing")));
    }
    transaction.active = 0;
    for (const fs::path& folder : gf_scanOutputFolders()) {
        removeEntry(lf_backupPathOf(folder)); // a leftover goes at the next recovery
    }
}

void lf_rollbackScanTransaction(ScanTransaction& transaction) noexcept {
    if (transaction.active == 0) {
        return;
    }
    bool ok = true;
    try {
        for (std::size_t i = 0; i < gf_scanOutputFolders().size(); ++i) {
            ok = restoreFolder(gf_scanOutputFolders()[i], transaction.existed[i] != 0) && ok;
        }
        if (ok) {
            std::error_code ignored;
            fs::remove(gf_scanMarkerPath(), ignored);
        }
    } catch (...) {
        // The marker stays, so the next recovery finishes the job.
    }
    transaction.active = 0;
}

} // namespace kiv
