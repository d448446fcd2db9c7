// What one airport scan works with besides the files: the shell it reports to, the reference
// tables it asks, the simulator's stock scenery folder it leaves alone and the support
// address of the learning archive. Made by the caller of gf_scanAirports for one scan;
// used by the thread that runs it.
#pragma once

#include <filesystem>
#include <string>

namespace kiv {

class ScanReferenceTables;
class ScanShell;

struct AirportScanContext {
    ScanShell& shell;
    ScanReferenceTables& tables;
    // The simulator's "Scenery" folder under its install path; empty while that is unknown.
    std::filesystem::path stockSceneryPath;
    // Written into "tblo/email address.txt" beside the learning archive.
    std::string supportAddress;
};

} // namespace kiv
