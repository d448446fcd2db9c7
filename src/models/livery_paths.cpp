#include "models/livery_paths.h"

#include "foundation/program_paths.h"

namespace kiv {

LiveryPaths LiveryPaths::under(const std::filesystem::path& programFolder) {
    const ProgramPaths& program = gf_paths();
    LiveryPaths paths;
    paths.store = programFolder / program.liveriesScanned;
    paths.infoFolder = programFolder / program.outputInfoFolder;
    paths.errorsFolder = programFolder / program.outputErrorsFolder;
    paths.aigRegcodes = programFolder / program.aigRegcodesEnc;
    paths.myRegcodes = programFolder / program.userRegCodes;
    paths.scanReports = {
        paths.infoFolder / "AircraftCfgWithNoFltsimSection.txt",
        paths.infoFolder / "DontUseLiveries.txt",
        paths.errorsFolder / "InvalidAirlineCodes.txt",
        paths.errorsFolder / "InvalidAircraftCodes.txt",
        paths.errorsFolder / "Fixes.txt",
        paths.errorsFolder / "InvalidAircraftCfgFiles.txt",
        paths.errorsFolder / "IncompleFltsimSections.txt",
    };
    paths.inlineRegcodesReport = paths.errorsFolder / "InlineRegcodes.txt";
    paths.missingRepaintsReport = paths.errorsFolder / "MissingCustomRepaints.txt";
    paths.offlineRegcodesReport = paths.infoFolder / "OfflineRegcodes.txt";
    return paths;
}

} // namespace kiv
