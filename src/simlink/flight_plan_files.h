// AI flight-plan files: one small ".pln" file per live aircraft whose origin and destination
// are known, named by its simulator object id, in the folder "orig_dest" under the data
// folder; the folder goes at shut-down. Failures are logged and returned as false. Any
// thread (the traffic side writes and removes, the shell removes the folder).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "feeds/traffic_record.h"
#include "models/livery_key.h"

namespace kiv {

inline constexpr std::string_view kFlightPlanFolderName = "orig_dest";

// The folder under the data folder; none when the data folder is unknown.
std::optional<std::filesystem::path> gf_flightPlanFolder();
// Creates the folder with its parents when missing; false (logged) when it cannot be used.
bool gf_ensureFlightPlanFolder(const std::filesystem::path& folder);
// "{object id}.pln"
std::string gf_flightPlanFileName(std::uint32_t objectId);
// "IFR" for twin props, business jets, large and heavy aircraft, "VFR" for the others.
std::string_view gf_flightType(SizeClass sizeClass);
// The eight lines of one plan, each ended by a single LF.
std::string gf_flightPlanText(const Route& route, SizeClass sizeClass);
// Writes (or overwrites) one plan file; false (logged) on failure.
bool gf_writeFlightPlan(const std::filesystem::path& path, const Route& route, SizeClass sizeClass);
// Deletes the object's file; a missing file is no error, other failures are logged.
void gf_removeFlightPlan(std::uint32_t objectId);
// Deletes the folder with everything in it; failures are logged, never passed on.
void gf_removeFlightPlanFolder();

} // namespace kiv
