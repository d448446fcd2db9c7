// Small filesystem operations shared by the log, the scans and the shell: one backup
// generation, moving, emptying and counting a folder, listing its airport files.
// Stateless: any thread. Messages go to the log as important lines.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "foundation/icao_code.h"

namespace kiv {

// Copies "name.ext" over "name0.ext" beside it. True when there was nothing to keep or the
// copy worked; false (and a log line) otherwise.
bool gf_save1GenerationOf(const std::filesystem::path& path);

// Renames, or copies over the target and removes the source. False (and a log line) on failure.
bool gf_moveFile(const std::filesystem::path& from, const std::filesystem::path& to);

// Remove the regular files directly in the folder (all, or those ending ".xml" in any case).
// Never throws: failures are logged.
void gf_removeFilesFromDirectory(const std::filesystem::path& folder);
void gf_removeXMLFilesFromDirectory(const std::filesystem::path& folder);

// Regular files directly in the folder whose extension equals `extension` exactly (all when
// empty); 0 for a missing folder. Throws std::filesystem::filesystem_error on other errors.
std::uint64_t gf_countFiles(const std::filesystem::path& folder, std::string_view extension);

// The whole file; empty when it cannot be opened or read.
std::optional<std::vector<std::uint8_t>> gf_readFileBytes(const std::filesystem::path& path);

// The codes of the airport files "XXXX.xml" (any case) directly in the folder, in the order the
// platform lists them, each code once. Throws filesystem_error when the folder's status fails
// and std::invalid_argument for a four-character name that is no airport code.
std::vector<IcaoCode> gf_listXmlFiles(const std::filesystem::path& folder);

} // namespace kiv
