// The scan log: the lines the airport scan collects while it runs (problem lines begin
// "===> "), written to "output/info/AirportsScanLog.txt" at the end of a run. One global
// list, used only by the thread that runs the scan (the main worker during start-up).
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kiv {

// Marks the lines of problems in the scan log.
inline constexpr std::string_view kScanProblemPrefix = "===> ";

void gf_appendScanLog(std::string line);
const std::vector<std::string>& gf_scanLogLines();
// The list itself, for code that appends through a list of messages.
std::vector<std::string>& gf_scanLog();
void gf_reserveScanLog(std::size_t lines);
// Empties the list and gives its memory back.
void gf_clearScanLog();

// "output/info/AirportsScanLog.txt".
std::filesystem::path gf_scanLogPath();

} // namespace kiv
