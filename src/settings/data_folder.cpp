#include "settings/data_folder.h"

#include <exception>
#include <mutex>

#include "foundation/program_identity.h"
#include "foundation/text_conversion.h"

namespace kiv {
namespace {

DataFolderPaths pathsIn(std::filesystem::path folder) {
    DataFolderPaths paths;
    paths.parametersFile = folder / std::string(kParametersFileName);
    paths.parametersFileUtf8 = gf_pathToUtf8(paths.parametersFile);
    paths.folder = std::move(folder);
    return paths;
}

DataFolderPaths missingFolder() {
    DataFolderPaths paths;
    paths.problem = std::string(kAppDataMissingText);
    return paths;
}

// Computed on first use, so no other static initialiser can see it unbuilt; a failure is
// kept as a problem text for the start-up code to report instead of ending the program.
class DataFolderSlot {
public:
    DataFolderPaths get() {
        std::lock_guard lock(mutex_);
        if (!paths_) {
            paths_ = computeNoThrow();
        }
        return *paths_;
    }

    void set(const std::filesystem::path& folder) {
        std::lock_guard lock(mutex_);
        paths_ = pathsIn(folder);
    }

private:
    static DataFolderPaths computeNoThrow() noexcept {
        try {
            return gf_computeDataFolder(platform::EnvironmentLookup(platform::environmentVariable),
                                        [] { return platform::roamingAppDataPath(); });
        } catch (...) {
            try {
                return missingFolder();
            } catch (...) {
                return {};
            }
        }
    }

    std::mutex mutex_;
    std::optional<DataFolderPaths> paths_;
};

DataFolderSlot& slot() {
    static DataFolderSlot instance;
    return instance;
}

} // namespace

DataFolderPaths gf_computeDataFolder(const platform::EnvironmentLookup& environment,
                                     const std::function<std::optional<std::filesystem::path>()>& appDataFolder) {
    if (auto overridden = environment(kDataFolderVariable); overridden && !overridden->empty()) {
        return pathsIn(gf_utf8ToPath(*overridden));
    }
    if (auto appData = appDataFolder()) {
        return pathsIn(*appData / std::string(kProgramName));
    }
    return missingFolder();
}

DataFolderPaths gf_dataFolderPaths() { return slot().get(); }
std::filesystem::path gf_dataFolder() { return slot().get().folder; }
std::filesystem::path gf_parametersFilePath() { return slot().get().parametersFile; }
void gf_setDataFolderForTesting(const std::filesystem::path& folder) { slot().set(folder); }

} // namespace kiv
