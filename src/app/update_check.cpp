#include "app/update_check.h"

#include <array>
#include <atomic>
#include <fstream>
#include <system_error>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "app/file_download.h"
#include "app/installer_download.h"
#include "app/stop_requests.h"
#include "foundation/encrypted_data_file.h"
#include "foundation/line_files.h"
#include "foundation/log.h"
#include "foundation/program_identity.h"
#include "foundation/program_paths.h"
#include "foundation/text_conversion.h"
#include "foundation/user_related_exception.h"
#include "foundation/xml_helpers.h"
#include "settings/parameters_file.h"
#include "settings/settings_table.h"

namespace kiv {
namespace {

std::atomic<bool> serverMaintenance{false};

const std::array<DataSet, 5>& dataSets() {
    static const std::array<DataSet, 5> sets{{
        {"airports", "airports.enc", param::AIRPORTS_VERSION, kAirportsListLimit},
        {"aig", "AIG-regcodes.enc", param::AIG_VERSION, kRegistrationCodesLimit},
        {"archives", "archives.enc", param::ARCHIVES_VERSION, kSceneryPublishersLimit},
        {"dbase", "dbase.enc", param::DBASE_VERSION, kTypeDatabaseLimit},
        {"weekly", "wktraffic.enc", param::WEEKLY_TRAFFIC_AIRPORTS_VERSION, kWeeklyTrafficAirportsLimit},
    }};
    return sets;
}

bool lf_isVersionNumber(const nlohmann::json& value) {
    if (value.is_number_unsigned()) {
        return value.get<std::uint64_t>() <= 2147483647u;
    }
    return value.is_number_integer() && value.get<std::int64_t>() >= 0 && value.get<std::int64_t>() <= 2147483647;
}

// Downloads "versions.json", reads it whole and removes it; empty when the check is skipped.
std::optional<nlohmann::json> lf_fetchVersions(const std::filesystem::path& folder) {
    const std::filesystem::path file = folder / "versions.json";
    const CurlHandle handle = gf_makeCurlHandle();
    if (!gf_downloadFile(handle.get(), gf_downloadServerBase() + "versions.json", file, false)) {
        gf_logImportant("Downloading version info from my web site failed!");
        return std::nullopt;
    }
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size > kVersionsFileLimitBytes) {
        gf_logImportant(error ? fmt::format("Could not inspect versions.json: {}", error.message())
                              : fmt::format("versions.json is unexpectedly large: {} bytes", size));
        std::filesystem::remove(file, error);
        return std::nullopt;
    }
    std::ifstream stream(file, std::ios::binary);
    if (!stream) {
        gf_logImportant("Cannot open versions.json");
        std::filesystem::remove(file, error);
        return std::nullopt;
    }
    nlohmann::json versions = nlohmann::json::parse(stream, nullptr, false);
    stream.close();
    std::filesystem::remove(file, error);
    if (error) {
        gf_logImportant(fmt::format("Could not remove versions.json: {}", error.message()));
    }
    if (!versions.is_object()) {
        gf_logImportant("Invalid versions.json received; update check skipped");
        return std::nullopt;
    }
    return versions;
}

// The new program is in "new_version": release notes, the README, the folder shown, the stop.
void lf_announceNewProgram(const UpdateCheckContext& context, const Version& announced) {
    const std::filesystem::path newVersion = context.folder / gf_paths().updateFolder;
    const std::string notesUrl = gf_downloadServerBase() + "docs/ReleaseNotes.pdf";
    const std::filesystem::path notes = newVersion / gf_paths().releaseNotes;
    const CurlHandle handle = gf_makeCurlHandle();
    if (!gf_downloadFile(handle.get(), notesUrl, notes, true)) {
        gf_logImportant(fmt::format("could not download {} to {}", notesUrl, gf_pathToUtf8(notes)));
    }
    const std::string readme = fmt::format("Deze installer installeert {} {}.\n\n{}", kProgramName,
                                           gf_versionString(announced), gf_installerNeedsElevation(context.folder));
    gf_logLine(readme);
    gf_writeTextFile(readme, newVersion / "README.txt", true);
    if (!context.openFolder || !context.openFolder(newVersion)) {
        context.gui.showMessage(
            "Opening file explorer at the new version failed? Try manually via the Ostavel website.", true);
    }
    gf_requestStop(ExitReason::new_version, 0);
}

} // namespace

std::optional<Version> gf_webVersion(const nlohmann::json& versions, std::string_view item) {
    const auto found = versions.find(item);
    if (found == versions.end()) {
        gf_logImportant(fmt::format("{} version not found", item));
        return std::nullopt;
    }
    if (!found->is_object()) {
        gf_logImportant(fmt::format("Invalid web version data for '{}'", item));
        return std::nullopt;
    }
    for (const char* part : {"major", "minor", "patch"}) {
        const auto number = found->find(part);
        if (number == found->end() || !lf_isVersionNumber(*number)) {
            gf_logImportant(fmt::format("Invalid web version numbers for '{}'", item));
            return std::nullopt;
        }
    }
    return Version(gf_versionFromJson(*found, "major"), gf_versionFromJson(*found, "minor"),
                   gf_versionFromJson(*found, "patch"));
}

void gf_logUpToDate(std::string_view item) { gf_logLine(fmt::format("{} version up-to-date", item)); }

void gf_maintenanceStop() {
    serverMaintenance.store(true);
    throw UserRelatedException(kMaintenanceErrorCode,
                               "Web server temporarily unavailable due to maintenance. Please try again later.");
}

bool gf_serverInMaintenance() { return serverMaintenance.load(); }

void gf_updateDataSet(const DataSet& set, const std::filesystem::path& folder, const nlohmann::json& versions,
                      const Version& stored, bool force) {
    const std::optional<Version> announced = gf_webVersion(versions, set.item);
    if (!announced) {
        return;
    }
    if (*announced <= stored && !force) {
        gf_logUpToDate(set.item);
        return;
    }
    // A cut or wrong reply must not replace the good file: it would break every later start.
    const auto decrypts = [&set](const std::filesystem::path& temporary) {
        const EncryptedFileResult read = gf_readEncryptedFile(temporary, set.limit);
        if (!read) {
            gf_logImportant(fmt::format("Downloaded {} is not a readable data file: {}", set.fileName, read.error()));
        }
        return read.has_value();
    };
    if (!gf_downloadDataFile(set.fileName, folder / gf_paths().inputFolder / set.fileName, decrypts)) {
        return;
    }
    set.setting.value = gf_versionString(*announced);
    gf_storeParameter(set.setting);
    gf_logLine(fmt::format("{} updated to {}", set.item, set.setting.value));
}

bool gf_checkForUpdates(const UpdateCheckContext& context) {
    const std::optional<nlohmann::json> versions = lf_fetchVersions(context.folder);
    if (!versions) {
        return true;
    }
    if (const std::optional<Version> program = gf_webVersion(*versions, "p3d")) {
        gf_logLine(fmt::format("{} program version at web = {}", "p3d", gf_versionString(*program)));
        if (*program == context.running) {
            gf_logUpToDate("p3d");
        } else if (*program > context.running) {
            if (!gf_downloadInstaller(*program, context.folder, context.gui)) {
                throw UserRelatedException(
                    kProgramDownloadErrorCode,
                    "The downloading/unzipping of the new version failed? Try manually via the Ostavel website");
            }
            lf_announceNewProgram(context, *program);
            return false;
        }
    }
    if (const std::optional<Version> maintenance = gf_webVersion(*versions, "maintenance")) {
        if (*maintenance > Version{}) {
            gf_maintenanceStop();
        }
        gf_logUpToDate("maintenance");
    }
    for (const DataSet& set : dataSets()) {
        const std::filesystem::path file = context.folder / gf_paths().inputFolder / set.fileName;
        const bool missing = !std::filesystem::exists(file); // other errors throw "exists"
        gf_updateDataSet(set, context.folder, *versions, Version(set.setting.value), missing);
    }
    return true;
}

} // namespace kiv
