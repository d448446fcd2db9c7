// Where the program keeps "parameters.xml": the user's roaming application-data folder
// (on this platform the configuration folder) joined with "VELT_P3D", or the folder named by
// VELT_P3D_DATA_DIR. Computed once, on first use, without letting any failure escape; any
// thread may read it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/known_folders.h"

namespace kiv {

inline constexpr std::string_view kDataFolderVariable = "VELT_P3D_DATA_DIR";
inline constexpr std::string_view kParametersFileName = "parameters.xml";
inline constexpr std::string_view kAppDataMissingText = "Could not find the AppData path";

struct DataFolderPaths {
    std::filesystem::path folder;
    std::filesystem::path parametersFile;
    std::string parametersFileUtf8;
    // Set (to kAppDataMissingText) when no folder could be found; the paths are then empty.
    std::optional<std::string> problem;
};

// The rule itself, over a given environment and application-data lookup: a non-empty
// VELT_P3D_DATA_DIR is taken as it is; otherwise the application-data folder + "VELT_P3D".
DataFolderPaths gf_computeDataFolder(const platform::EnvironmentLookup& environment,
                                     const std::function<std::optional<std::filesystem::path>()>& appDataFolder);

// The program's data folder paths (a copy; cheap enough for the few callers).
DataFolderPaths gf_dataFolderPaths();
std::filesystem::path gf_dataFolder();
std::filesystem::path gf_parametersFilePath();

// Points the data folder somewhere else (a test's temp folder), for the rest of the process.
void gf_setDataFolderForTesting(const std::filesystem::path& folder);

} // namespace kiv
