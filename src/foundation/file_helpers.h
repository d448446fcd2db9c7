// Small filesystem operations shared by the log, the scans and the shell.
// Stateless: any thread. Messages go to the log as important lines.
#pragma once

#include <filesystem>

namespace kiv {

// Copies "name.ext" over "name0.ext" beside it. True when there was nothing to keep or the
// copy worked; false (and a log line) otherwise.
bool gf_save1GenerationOf(const std::filesystem::path& path);

} // namespace kiv
