#include "simlink/flight_plan_files.h"

#include <fstream>
#include <system_error>

#include <fmt/format.h>

#include "foundation/log.h"
#include "foundation/text_conversion.h"
#include "settings/data_folder.h"

namespace kiv {

std::optional<std::filesystem::path> gf_flightPlanFolder() {
    const DataFolderPaths paths = gf_dataFolderPaths();
    if (paths.problem || paths.folder.empty()) {
        return std::nullopt;
    }
    return paths.folder / kFlightPlanFolderName;
}

bool gf_ensureFlightPlanFolder(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        gf_logLine(fmt::format("Could not create flight-plan folder '{}': {}", gf_pathToUtf8(folder), error.message()));
        return false;
    }
    const auto status = std::filesystem::status(folder, error);
    if (error) {
        gf_logLine(
            fmt::format("Could not inspect flight-plan folder '{}': {}", gf_pathToUtf8(folder), error.message()));
        return false;
    }
    if (!std::filesystem::is_directory(status)) {
        gf_logLine(fmt::format("Flight-plan path '{}' is not a directory", gf_pathToUtf8(folder)));
        return false;
    }
    return true;
}

std::string gf_flightPlanFileName(std::uint32_t objectId) { return fmt::format("{}.pln", objectId); }

std::string_view gf_flightType(SizeClass sizeClass) {
    switch (sizeClass) {
    case SizeClass::TwoProps:
    case SizeClass::Bizjet:
    case SizeClass::Large:
    case SizeClass::Heavy:
        return "IFR";
    default:
        return "VFR";
    }
}

std::string gf_flightPlanText(const Route& route, SizeClass sizeClass) {
    return fmt::format("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<SimBase.Document Type=\"AceXML\" version=\"4,3\">\n"
                       "<FlightPlan.FlightPlan>\n"
                       "<FPType>{}</FPType>\n"
                       "<DepartureID>{}</DepartureID>\n"
                       "<DestinationID>{}</DestinationID>\n"
                       "</FlightPlan.FlightPlan>\n"
                       "</SimBase.Document>\n",
                       gf_flightType(sizeClass), route.origin.text(), route.destination.text());
}

bool gf_writeFlightPlan(const std::filesystem::path& path, const Route& route, SizeClass sizeClass) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        gf_logLine(fmt::format("Could not open flight plan '{}' for writing", gf_pathToUtf8(path)));
        return false;
    }
    file << gf_flightPlanText(route, sizeClass);
    file.flush();
    if (!file) {
        gf_logLine(fmt::format("Writing flight plan '{}' failed", gf_pathToUtf8(path)));
        return false;
    }
    return true;
}

void gf_removeFlightPlan(std::uint32_t objectId) {
    const auto folder = gf_flightPlanFolder();
    if (!folder) {
        return;
    }
    const std::filesystem::path path = *folder / gf_flightPlanFileName(objectId);
    std::error_code error;
    std::filesystem::remove(path, error); // false without error when the file is missing
    if (error) {
        gf_logLine(fmt::format("Could not remove flight plan '{}': {}", gf_pathToUtf8(path), error.message()));
    }
}

void gf_removeFlightPlanFolder() {
    const auto folder = gf_flightPlanFolder();
    if (!folder) {
        return;
    }
    std::error_code error;
    std::filesystem::remove_all(*folder, error);
    if (error) {
        gf_logLine(
            fmt::format("Could not remove flight-plan folder '{}': {}", gf_pathToUtf8(*folder), error.message()));
        return;
    }
    (void)std::filesystem::status(*folder, error);
    if (error && error != std::errc::no_such_file_or_directory) {
        gf_logLine(fmt::format("Could not inspect removed flight-plan folder '{}': {}", gf_pathToUtf8(*folder),
                               error.message()));
    }
}

} // namespace kiv
