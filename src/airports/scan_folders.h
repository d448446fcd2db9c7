// The airport scan's walk over the configured add-on scenery folders: each tree walked once
// with links followed and cycles cut by canonical folder keys, the stock scenery and known
// non-airport files left out, every other scenery file with an airport section processed.
// Used by the thread that runs the scan.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace kiv {

struct AirportScanContext;

// Scans each non-empty path in order; a missing path or a file is reported on the message
// line. Throws std::filesystem::filesystem_error when a path's status cannot be queried.
void lf_scanAfolder(AirportScanContext& context, const std::vector<std::filesystem::path>& folders);
// Walks one folder tree; a stop request ends it before the next scenery file.
void lf_scanBglFolder(AirportScanContext& context, const std::filesystem::path& root);

// The canonical path, compared as it is: on this platform names that differ in case are
// different folders. Empty when it cannot be resolved.
std::optional<std::string> lf_canonicalFolderKey(const std::filesystem::path& path);
// The path lies in the simulator's stock scenery folder (compared ignoring case).
bool lf_isInStockScenery(const AirportScanContext& context, const std::filesystem::path& path);
// Moves the walk on; false with `error` set when the iterator failed.
bool lf_advanceScan(std::filesystem::recursive_directory_iterator& iterator, std::error_code& error);

} // namespace kiv
