// Where a Windows named pipe lives on this system: a Unix-domain stream socket whose path
// is derived from the pipe name (see "SimConnect pipe on Linux" in the README). Pure
// functions apart from reading the environment: any thread.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace kiv::platform {

// "\\.\pipe\<name>" -> <folder>/<name with every character other than a letter, digit,
// '.', '-' or '_' replaced by '_'>. A pipe on another server ("\\host\pipe\...") or a text
// that is not a pipe name has no local path.
std::optional<std::filesystem::path> localPipePath(std::string_view pipeName, const std::filesystem::path& folder);

// $XDG_RUNTIME_DIR when it is set to an absolute path, else "/tmp".
std::filesystem::path defaultPipeFolder();

} // namespace kiv::platform
