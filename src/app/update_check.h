// The check for program and data updates at a first start (not a restart): "versions.json"
// from the download server decides whether a new program is fetched (and the run ended for
// the user to install it), whether the server is in maintenance, and which data files are
// downloaded again. Main worker thread only; the maintenance flag may be read by any thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "app/gui.h"
#include "foundation/version.h"
#include "settings/parameter.h"

namespace kiv {

inline constexpr std::int32_t kMaintenanceErrorCode = 2026;
inline constexpr std::int32_t kProgramDownloadErrorCode = 112;
inline constexpr std::uint64_t kVersionsFileLimitBytes = 1048576;

// Where the check works and what it may call beyond the server.
struct UpdateCheckContext {
    Gui& gui;
    std::filesystem::path folder; // the program's folder
    Version running;              // the program's own version
    // Opens a file browser at a folder; empty or false: could not.
    std::function<bool(const std::filesystem::path&)> openFolder;
};

// One data set that "versions.json" announces.
struct DataSet {
    std::string_view item;     // the member of "versions.json"
    std::string_view fileName; // in the "input" folder
    StringParameter& setting;  // the installed version
    std::uint64_t limit;       // largest plaintext of the decrypted file
};

// True when start-up may go on; false when a new program is ready in "new_version" and the
// stop request NEW VERSION is installed. Throws UserRelatedException 2026 for maintenance and
// 112 for a failed program download.
bool gf_checkForUpdates(const UpdateCheckContext& context);

// The item's version, or empty (and an important log line) when it is missing or malformed.
std::optional<Version> gf_webVersion(const nlohmann::json& versions, std::string_view item);
void gf_logUpToDate(std::string_view item);
// Sets the maintenance flag and throws UserRelatedException 2026.
[[noreturn]] void gf_maintenanceStop();
bool gf_serverInMaintenance();

// Downloads the data set when the server announces a newer version than `stored` or when
// `force` is set (its file is missing). The file replaces the old one only when it decrypts;
// only then does the version setting advance.
void gf_updateDataSet(const DataSet& set, const std::filesystem::path& folder, const nlohmann::json& versions,
                      const Version& stored, bool force);

} // namespace kiv
