// Durable replacement of one file by another in the same folder: the replacement's bytes
// reach the disk, then it takes the target's name in one step, then the folder entry is made
// durable, so a crash at any moment leaves either the old or the new target, never a torn one.
// Stateless: any thread; callers serialise replacements of the same target themselves.
#pragma once

#include <filesystem>
#include <system_error>

namespace kiv::platform {

// Flushes `replacement` to disk and renames it over `target` (which may be missing), then
// flushes the folder (best effort). On failure the target is untouched and the error is
// returned; the replacement is left where it was for the caller to remove.
std::error_code replaceFileDurably(const std::filesystem::path& replacement, const std::filesystem::path& target);

} // namespace kiv::platform
