// The folders and files the program reads and writes beside itself, named once. Paths are
// relative to the working folder, which must be the program's own folder. Built on first
// use (never during static initialisation) and read-only afterwards: any thread.
#pragma once

#include <filesystem>
#include <string_view>

namespace kiv {

struct ProgramPaths {
    using path = std::filesystem::path;

    // Single folder names, also used as components.
    path stockFolderName{"stock"};
    path simaddonFolderName{"simaddon"};
    path thirdpartyFolderName{"thirdparty"};
    path infoFolderName{"info"};
    path errorsFolderName{"errors"};
    path learnedFolderName{"learned"};
    path serviceDataFolderName{"InsideSystems"};
    path parkAirportFileName{"park_airport.xml"};

    path archiveFolder{"archive"};
    path airportsFolder{"airports"};
    path inputFolder{"input"};
    path outputFolder{"output"};
    path docsFolder{"docs"};
    path updateFolder{"new_version"};
    path supportFolder{"tblo"};
    path supportArchive{"tblo.zip"};

    path outputInfoFolder = outputFolder / infoFolderName;
    path outputErrorsFolder = outputFolder / errorsFolderName;
    path parkAirportCache = airportsFolder / parkAirportFileName;
    path userRegCodes = inputFolder / "my_regcodes";
    path learnedFolder = airportsFolder / learnedFolderName;
    path learnedStock = learnedFolder / stockFolderName;
    path learnedSimaddon = learnedFolder / simaddonFolderName;
    path learnedThirdparty = learnedFolder / thirdpartyFolderName;
    path userSimaddonAirports = airportsFolder / "my_simaddon";
    path userThirdpartyAirports = airportsFolder / "my_thirdparty";
    path liveriesScanned = outputFolder / "LiveriesScanned.xml";

    // The five data files, each as plain XML and encrypted, where they are read and stored.
    path dbaseXml = inputFolder / "dbase.xml";
    path dbaseEnc = inputFolder / "dbase.enc";
    path aigRegcodesXml = inputFolder / "AIG-regcodes.xml";
    path aigRegcodesEnc = inputFolder / "AIG-regcodes.enc";
    path airportsXml = inputFolder / "airports.xml";
    path airportsEnc = inputFolder / "airports.enc";
    path archivesXml = inputFolder / "archives.xml";
    path archivesEnc = inputFolder / "archives.enc";
    path wktrafficXml = inputFolder / "wktraffic.xml";
    path wktrafficEnc = inputFolder / "wktraffic.enc";

    path credentialFile{"RealTraffic.lic"};
    path releaseNotes{"ReleaseNotes.pdf"};
    path installer{"install_new_version.exe"};
};

// The data files' bare names, as the updater and the data-file reader name them.
inline constexpr std::string_view kDataFileNames[] = {
    "dbase.xml",    "dbase.enc",    "AIG-regcodes.xml", "AIG-regcodes.enc", "airports.xml",
    "airports.enc", "archives.xml", "archives.enc",     "wktraffic.xml",    "wktraffic.enc"};

const ProgramPaths& gf_paths();

// "output/LiveriesScanned.xml", for the code outside the livery scan that reads it.
const std::filesystem::path& gf_liveriesScannedPath();

} // namespace kiv
