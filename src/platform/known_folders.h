// The user's per-user folders that the program keeps its settings in, and the process
// environment they are found from. Reads the environment only: any thread, never throws.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kiv::platform {

// A variable of the process environment; empty when unset.
std::optional<std::string> environmentVariable(std::string_view name);

using EnvironmentLookup = std::function<std::optional<std::string>(std::string_view)>;

// The user's configuration folder (the counterpart of the roaming application-data
// folder): $XDG_CONFIG_HOME when it is an absolute path, else $HOME/.config, else the
// home folder of the user database joined with ".config"; empty when none is known.
std::optional<std::filesystem::path> roamingAppDataPath();
// The same rule over a given environment (the user database is not asked).
std::optional<std::filesystem::path> roamingAppDataPath(const EnvironmentLookup& lookup);

} // namespace kiv::platform
