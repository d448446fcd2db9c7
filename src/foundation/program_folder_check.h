// The start-up check that the program runs from its own folder, on which every relative
// path of program_paths.h depends. Stateless: called by the main worker at start-up.
#pragma once

#include <cstdint>
#include <filesystem>

namespace kiv {

inline constexpr std::int32_t kWrongFolderErrorCode = 41;

// Throws UserRelatedException 41 "VELT_P3D must be run from the VELT_P3D folder!" unless
// `docsFolder` (by default "docs" in the working folder) is a folder; throws the
// filesystem_error "status" when asking fails for another reason than a missing entry.
void gf_checkProgramFolder(const std::filesystem::path& docsFolder);
void gf_checkProgramFolder();

} // namespace kiv
