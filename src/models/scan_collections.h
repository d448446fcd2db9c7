// What the livery scan collects besides the liveries: the lines of its report files, the
// don't-use titles it must skip and the titles it has already taken. Process-wide and without
// a lock: only the thread that runs the livery scan touches them, and the scan's end empties
// them (lf_clearScanCollections).
#pragma once

#include <functional>
#include <list>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "foundation/fnv1a.h"

namespace kiv {

using TitleSet = std::unordered_set<std::string, Fnv1aTextHash, std::equal_to<>>;

struct ScanCollections {
    std::list<std::string> noSectionFiles;      // "AircraftCfgWithNoFltsimSection.txt"
    std::list<std::string> invalidAirlineCodes; // "InvalidAirlineCodes.txt"
    std::list<std::string> invalidModelCodes;   // "InvalidAircraftCodes.txt"
    std::vector<std::string> fixes;             // "Fixes.txt", in insertion order
    std::list<std::string> invalidCfgFiles;     // "InvalidAircraftCfgFiles.txt"
    std::list<std::string> incompleteSections;  // "IncompleFltsimSections.txt"
    TitleSet dontUseTitles;                     // "DontUseLiveries.txt"
    TitleSet scanTitles;                        // every title taken so far, first one wins
};

ScanCollections& gf_scanCollections();

// Empties every collection above.
void lf_clearScanCollections();

bool lf_isDontUseTitle(std::string_view title);
void lf_addInvalidCfgFile(std::string line);
void lf_addIncompleteSection(std::string line);

} // namespace kiv
