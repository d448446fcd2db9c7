// The airport scan's rewrite of "airports/my_simaddon" and "airports/my_thirdparty" as a
// transaction on the file system: a marker records which folders existed, each existing
// folder is moved to "<name>.scan_backup" and replaced by an empty one; commit removes the
// marker, then the backups; rollback and the recovery at the next start put the previous
// folders back. Used by the thread that runs the scan only; no locks.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <system_error>

namespace kiv {

struct ScanTransaction {
    std::array<std::uint8_t, 2> existed{0, 0}; // my_simaddon, my_thirdparty
    std::uint8_t active = 0;                   // the marker has been written
};

// The two output folders in order, the marker, and the backup beside a folder.
const std::array<std::filesystem::path, 2>& gf_scanOutputFolders();
std::filesystem::path gf_scanMarkerPath();
std::filesystem::path lf_backupPathOf(const std::filesystem::path& folder);

// Puts right what an interrupted scan left; false when the file system refused a step (the
// scan must then not run). Never throws.
bool lf_recoverInterruptedScan();
// Recovers, then marks and backs up. Throws std::runtime_error after undoing its own work.
ScanTransaction lf_beginScanTransaction();
void lf_markAndBackUpAirportData(ScanTransaction& transaction);
// Removes the marker (throws std::runtime_error when it cannot), then the backups.
void lf_commitScanTransaction(ScanTransaction& transaction);
// While active, restores the previous folders; a rollback that cannot finish keeps the
// marker for the next recovery. Never throws.
void lf_rollbackScanTransaction(ScanTransaction& transaction) noexcept;

// Tests only: every folder move of the transaction goes through this function; nullptr
// restores std::filesystem::rename.
using ScanRenameFunction = std::error_code (*)(const std::filesystem::path& from, const std::filesystem::path& to);
void gf_setScanRenameForTesting(ScanRenameFunction rename);

} // namespace kiv
