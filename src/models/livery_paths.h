// Where the livery code reads and writes below one program folder: the scan result store, the
// report folders with their report files and the registration-code sources. Plain values; the
// program passes its own (working) folder, tests a temporary one. Any thread.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>

namespace kiv {

// The scan's report files, in the order of their paths in LiveryPaths::scanReports.
enum ScanReport : std::size_t {
    reportNoSectionFiles = 0,      // info: "AircraftCfgWithNoFltsimSection.txt"
    reportDontUseLiveries = 1,     // info: "DontUseLiveries.txt"
    reportInvalidAirlineCodes = 2, // errors: "InvalidAirlineCodes.txt"
    reportInvalidModelCodes = 3,   // errors: "InvalidAircraftCodes.txt"
    reportFixes = 4,               // errors: "Fixes.txt"
    reportInvalidCfgFiles = 5,     // errors: "InvalidAircraftCfgFiles.txt"
    reportIncompleteSections = 6,  // errors: "IncompleFltsimSections.txt"
};
inline constexpr std::size_t kScanReportCount = 7;

struct LiveryPaths {
    std::filesystem::path store;        // output/LiveriesScanned.xml
    std::filesystem::path infoFolder;   // output/info
    std::filesystem::path errorsFolder; // output/errors
    std::filesystem::path aigRegcodes;  // input/AIG-regcodes.enc
    std::filesystem::path myRegcodes;   // input/my_regcodes
    std::array<std::filesystem::path, kScanReportCount> scanReports;
    std::filesystem::path inlineRegcodesReport;  // errors: "InlineRegcodes.txt"
    std::filesystem::path missingRepaintsReport; // errors: "MissingCustomRepaints.txt"
    std::filesystem::path offlineRegcodesReport; // info: "OfflineRegcodes.txt"

    // Below `programFolder`; the empty folder gives the program's paths relative to the
    // working folder.
    static LiveryPaths under(const std::filesystem::path& programFolder);
};

} // namespace kiv
