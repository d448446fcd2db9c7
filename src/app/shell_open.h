// Showing the folder that holds a file in the desktop's file manager: a downloaded new
// version, the learning archive. Any thread.
#pragma once

#include <filesystem>
#include <functional>

namespace kiv {

using FolderOpener = std::function<bool(const std::filesystem::path& folder)>;

// Opens the folder that holds the existing `file` (not the file itself); false when the file
// does not exist, has no parent folder, or the opener failed. A status query that fails for
// another reason than a missing file throws std::filesystem::filesystem_error ("exists").
bool gf_shellOpen(const std::filesystem::path& file, const FolderOpener& openFolder);
// The same with the desktop's file manager.
bool gf_shellOpen(const std::filesystem::path& file);

} // namespace kiv
