#include "airports/scan_log.h"

#include <utility>

#include "foundation/program_paths.h"

namespace kiv {
namespace {

std::vector<std::string>& lines() {
    static std::vector<std::string> list;
    return list;
}

} // namespace

void gf_appendScanLog(std::string line) { lines().push_back(std::move(line)); }

const std::vector<std::string>& gf_scanLogLines() { return lines(); }

std::vector<std::string>& gf_scanLog() { return lines(); }

void gf_reserveScanLog(std::size_t count) { lines().reserve(count); }

void gf_clearScanLog() { std::vector<std::string>().swap(lines()); }

std::filesystem::path gf_scanLogPath() { return gf_paths().outputInfoFolder / "AirportsScanLog.txt"; }

} // namespace kiv
