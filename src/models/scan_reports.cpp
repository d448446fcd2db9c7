#include "models/scan_reports.h"

#include <exception>
#include <fstream>
#include <stdexcept>
#include <string_view>
#include <system_error>

#include <fmt/format.h>

#include "foundation/log.h"
#include "foundation/text_conversion.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;

std::string_view plural(std::size_t count) { return count == 1 ? "" : "s"; }

template <typename Lines> bool writeLines(const Lines& lines, const fs::path& path) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        return false;
    }
    for (const auto& line : lines) {
        file << line << '\n';
    }
    file.flush();
    return static_cast<bool>(file);
}

// Logging an error must not throw out of a writer that reports failures by logging.
void logQuietly(const std::string& line) noexcept {
    try {
        gf_logLine(line);
    } catch (...) {
    }
}

template <typename Lines> void writeReport(const Lines& lines, const fs::path& path) {
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    if (error) {
        logQuietly(
            fmt::format("Error creating directories {}: {}", gf_pathToUtf8(path.parent_path()), error.message()));
        return;
    }
    try {
        if (!writeLines(lines, path)) {
            throw std::runtime_error("the file could not be written");
        }
    } catch (const std::exception& e) {
        logQuietly(fmt::format("Error writing file {}: {}", gf_pathToUtf8(path), e.what()));
    }
}

void sortedReport(std::list<std::string>& lines, const fs::path& path, std::string_view summary) {
    lines.sort();
    lf_writeReportList(lines, path);
    gf_logLine(fmt::format(fmt::runtime(summary), lines.size(), plural(lines.size()), gf_pathToUtf8(path)));
}

} // namespace

void lf_writeReportList(const std::list<std::string>& lines, const fs::path& path) { writeReport(lines, path); }

void lf_writeReportLines(const std::vector<std::string>& lines, const fs::path& path) { writeReport(lines, path); }

bool lf_writeListFile(const std::list<std::string>& lines, const fs::path& path) { return writeLines(lines, path); }

bool lf_writeDontUseTitles(const TitleSet& titles, const fs::path& path) { return writeLines(titles, path); }

void lf_writeScanReports(ScanCollections& collections, const LiveryPaths& paths) {
    const bool errors = !collections.invalidAirlineCodes.empty() || !collections.invalidModelCodes.empty() ||
                        !collections.invalidCfgFiles.empty() || !collections.incompleteSections.empty() ||
                        !collections.fixes.empty();
    gf_logLine(errors ? "\nErrors:" : "\nNo errors");
    const auto& reports = paths.scanReports;
    if (!collections.invalidAirlineCodes.empty()) {
        sortedReport(collections.invalidAirlineCodes, reports[reportInvalidAirlineCodes],
                     "{:5} invalid airline code{}, see {}");
    }
    if (!collections.invalidModelCodes.empty()) {
        sortedReport(collections.invalidModelCodes, reports[reportInvalidModelCodes],
                     "{:5} invalid model code{}, see {}");
    }
    if (!collections.fixes.empty()) {
        lf_writeReportLines(collections.fixes, reports[reportFixes]);
        gf_logLine(fmt::format("{:5} fixes, see {}", collections.fixes.size(), gf_pathToUtf8(reports[reportFixes])));
    }
    if (!collections.invalidCfgFiles.empty()) {
        collections.invalidCfgFiles.sort();
        lf_writeReportList(collections.invalidCfgFiles, reports[reportInvalidCfgFiles]);
        gf_logLine(fmt::format("{:5} invalid aircraft.cfg files, see {}", collections.invalidCfgFiles.size(),
                               gf_pathToUtf8(reports[reportInvalidCfgFiles])));
    }
    if (!collections.incompleteSections.empty()) {
        collections.incompleteSections.sort();
        collections.incompleteSections.unique();
        lf_writeReportList(collections.incompleteSections, reports[reportIncompleteSections]);
        gf_logLine(fmt::format("{:5} incomplete [fltsim.x] sections, see {}", collections.incompleteSections.size(),
                               gf_pathToUtf8(reports[reportIncompleteSections])));
    }
    if (!collections.noSectionFiles.empty()) {
        gf_logLine("\nInformation:");
        collections.noSectionFiles.sort();
        const fs::path& path = reports[reportNoSectionFiles];
        if (lf_writeListFile(collections.noSectionFiles, path)) {
            gf_logLine(fmt::format("{:5} empty aircraft.cfg files, see {}", collections.noSectionFiles.size(),
                                   gf_pathToUtf8(path)));
        } else {
            gf_logImportant(fmt::format("Could not write '{}'", gf_pathToUtf8(path)));
        }
    }
}

} // namespace kiv
