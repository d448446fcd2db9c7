#include "models/scan_collections.h"

namespace kiv {

ScanCollections& gf_scanCollections() {
    static ScanCollections collections;
    return collections;
}

void lf_clearScanCollections() {
    ScanCollections& collections = gf_scanCollections();
    collections.noSectionFiles.clear();
    collections.invalidAirlineCodes.clear();
    collections.invalidModelCodes.clear();
    collections.fixes.clear();
    collections.invalidCfgFiles.clear();
    collections.incompleteSections.clear();
    collections.dontUseTitles.clear();
    collections.scanTitles.clear();
}

bool lf_isDontUseTitle(std::string_view title) { return gf_scanCollections().dontUseTitles.contains(title); }

void lf_addInvalidCfgFile(std::string line) { gf_scanCollections().invalidCfgFiles.push_back(std::move(line)); }

void lf_addIncompleteSection(std::string line) { gf_scanCollections().incompleteSections.push_back(std::move(line)); }

} // namespace kiv
