// Showing a folder in the desktop's file manager (the desktop's opener for folders), without
// waiting for it. Any thread.
#pragma once

#include <filesystem>

namespace kiv::platform {

// Hands the folder to the desktop's opener in the background; false when no opener is
// installed or it could not be started.
bool openInFileManager(const std::filesystem::path& folder);

} // namespace kiv::platform
