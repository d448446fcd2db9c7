// Reading one AI package's "aircraft.cfg" or "sim.cfg" into its liveries, one per acceptable
// "[fltsim.N]" section, in the ordinary dialect (model from atc_model, airline from
// atc_parking_codes) or the IVAO one (model from the package folder, airline from the title).
// Every refused file, section or code becomes a line of the scan's report collections
// (models/scan_collections.h). Only the thread that runs the livery scan calls these.
#pragma once

#include <cstdint>
#include <filesystem>
#include <list>
#include <string>
#include <vector>

#include "models/livery.h"

namespace kiv {

// Empty when the file does not exist (or cannot be inspected) or yields nothing.
std::list<Livery> lf_searchLiveriesinFile(std::int16_t priority, const std::filesystem::path& path);
// For files below an "IVAO_MTL" folder.
std::list<Livery> lf_searchLiveriesinIVAOFile(std::int16_t priority, const std::filesystem::path& path);

// False when the file must be skipped (a section number beyond 32 bits or outside 0..10000).
// A file without sections is listed among the no-section files and passes.
bool lf_checkFltsimNumbers(const std::vector<std::string>& lines, const std::filesystem::path& path);
// The file's model code (the first atc_model line, fixed when the database says so), or empty
// when the file must be skipped.
std::string lf_atcModelOfFile(const std::filesystem::path& path, const std::vector<std::string>& lines);
// The model code of ".../IVAO_MTL/IVAO_<code>/aircraft.cfg", or empty.
std::string lf_ivaoModelFromPath(const std::filesystem::path& path);

std::list<Livery> lf_splitFltsimSections(std::int16_t priority, const std::vector<std::string>& lines,
                                         const std::string& modelCode, const std::filesystem::path& path,
                                         const std::filesystem::path& folder);
std::list<Livery> lf_splitIvaoSections(std::int16_t priority, const std::vector<std::string>& lines,
                                       const std::string& modelCode, const std::filesystem::path& path);

} // namespace kiv
