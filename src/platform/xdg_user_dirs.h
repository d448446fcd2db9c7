// The user's documents and public-share folders as the XDG conventions name them (the
// counterparts of Documents and Public Documents), for the simulator's configuration files.
// Reads the environment and "user-dirs.dirs" on every call; any thread.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "platform/known_folders.h"

namespace kiv::platform {

// XDG_DOCUMENTS_DIR from the environment, else from user-dirs.dirs in the configuration
// folder, else $HOME/Documents.
std::filesystem::path documentsFolder(const EnvironmentLookup& environment = environmentVariable);
// XDG_PUBLICSHARE_DIR likewise, else $HOME/Public.
std::filesystem::path publicShareFolder(const EnvironmentLookup& environment = environmentVariable);

// The value of one XDG_*_DIR line of a user-dirs.dirs text ("$HOME" expanded), if present.
std::optional<std::filesystem::path> userDirFromText(std::string_view text, std::string_view name,
                                                     const std::filesystem::path& home);

} // namespace kiv::platform
