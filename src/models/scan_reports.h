// The report files of the livery scan: the writers of one report each and the summary of the
// whole scan in the log. Reports are lines ended by "\n" each; the paths come from
// LiveryPaths. Main worker only, while the scan runs.
#pragma once

#include <filesystem>
#include <list>
#include <string>
#include <vector>

#include "models/livery_paths.h"
#include "models/scan_collections.h"

namespace kiv {

// Create the parent folders, then write the lines. Failures are logged ("Error creating
// directories {}: {}", "Error writing file {}: {}") and nothing is thrown.
void lf_writeReportList(const std::list<std::string>& lines, const std::filesystem::path& path);
void lf_writeReportLines(const std::vector<std::string>& lines, const std::filesystem::path& path);

// Without creating folders; false when the file could not be written.
bool lf_writeListFile(const std::list<std::string>& lines, const std::filesystem::path& path);
// The titles in the set's own order.
bool lf_writeDontUseTitles(const TitleSet& titles, const std::filesystem::path& path);

// "\nErrors:" or "\nNo errors"; the five error reports that have lines (sorted, the fixes as
// found, the incomplete sections once each) with their summary lines; then "\nInformation:"
// and the configuration files without sections when there are any.
void lf_writeScanReports(ScanCollections& collections, const LiveryPaths& paths);

} // namespace kiv
