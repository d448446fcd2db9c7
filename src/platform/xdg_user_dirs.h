// The user's folders as the XDG conventions name them: the configuration home (the
// counterpart of the roaming application-data folder), and the documents and public-share
// folders (the counterparts of Documents and Public Documents). Reads the environment and
// "user-dirs.dirs" on every call; any thread.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kiv::platform {

// Where a lookup gets its facts from; the default reads the process environment.
using EnvironmentLookup = std::function<std::optional<std::string>(std::string_view name)>;
EnvironmentLookup processEnvironment();

// $XDG_CONFIG_HOME, else $HOME/.config.
std::filesystem::path configHomeFolder(const EnvironmentLookup& environment = processEnvironment());
// XDG_DOCUMENTS_DIR from the environment, else from user-dirs.dirs, else $HOME/Documents.
std::filesystem::path documentsFolder(const EnvironmentLookup& environment = processEnvironment());
// XDG_PUBLICSHARE_DIR likewise, else $HOME/Public.
std::filesystem::path publicShareFolder(const EnvironmentLookup& environment = processEnvironment());

// The value of one XDG_*_DIR line of a user-dirs.dirs text ("$HOME" expanded), if present.
std::optional<std::filesystem::path> userDirFromText(std::string_view text, std::string_view name,
                                                     const std::filesystem::path& home);

} // namespace kiv::platform
