// The airport scan of the user's add-on scenery, run once per start on the main worker
// before the livery scan: recovery of an interrupted scan, the SKIP_AIRPORT_SCAN setting, the
// reference tables, the configured folders "afolder0".."afolder9", the transaction around
// the rewrite of the generated airport files, the scan log and the learning archive. Nothing
// it raises leaves gf_scanAirports; the previous airport data stays usable on every failure.
#pragma once

#include <filesystem>
#include <vector>

#include "airports/scan_context.h"

namespace kiv {

void gf_scanAirports(AirportScanContext& context);

// The non-empty "afolderx" settings in order. Throws UserRelatedException 49 when there are
// none and 42 when one contains the stock scenery path.
std::vector<std::filesystem::path> lf_collectScanFolders(const AirportScanContext& context);
void lf_readAfolders(const AirportScanContext& context, std::vector<std::filesystem::path>& folders);

// lf_runScan with the "nothing found" message; true when the output folders hold files.
bool lf_scanAllFolders(AirportScanContext& context, const std::vector<std::filesystem::path>& folders);
// The scan proper: folders, scan log, learning archive; true when the output folders hold files.
bool lf_runScan(AirportScanContext& context, const std::vector<std::filesystem::path>& folders);
// The end work of every scan that got past SKIP_AIRPORT_SCAN; never throws.
void lf_endAirportScan(AirportScanContext& context, bool committed) noexcept;
// Removes "tblo" with its contents; throws std::filesystem::filesystem_error ("remove_all").
void lf_removeTbloFolder();

} // namespace kiv
