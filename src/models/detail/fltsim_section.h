// One "[fltsim.N]" section of an AI package's configuration file turned into a Livery, in the
// ordinary dialect (airline from atc_parking_codes) and the IVAO one (airline from the title).
// Refusals become lines of the scan's report collections. Livery-scan thread only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <list>
#include <string>
#include <string_view>
#include <vector>

#include "models/detail/companion_paths.h"
#include "models/livery.h"

namespace kiv::detail {

// At most one livery; `section` (header line first) loses its trailing empty and comment lines.
// `modelCode` is the file's model; the finder looks in the file's folder.
std::list<Livery> lf_procesFltSimSection(std::int16_t priority, std::vector<std::string>& section,
                                         const std::string& modelCode, const std::filesystem::path& path,
                                         CompanionFinder& finder);

// An empty Livery when the section is refused.
Livery lf_procesIvaoSection(std::int16_t priority, std::vector<std::string>& section, const std::string& modelCode,
                            const std::filesystem::path& path, CompanionFinder& finder);

// The livery, or an empty one when the title was taken before in this scan.
Livery lf_makeLiveryIfNewTitle(std::int16_t priority, const LiveryKey& key, const std::string& title,
                               const std::string& regcode);

void lf_reportInvalidAirline(std::string_view code, const std::filesystem::path& path, std::string_view header);
void lf_reportInvalidModel(std::string_view code, const std::filesystem::path& path);

} // namespace kiv::detail
