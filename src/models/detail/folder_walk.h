// A depth-first walk of a folder tree (each folder's entries in listing order, a folder's
// contents right after its own entry, as a recursive directory iteration with default options
// gives them) that the caller prunes folder by folder. A folder that cannot be opened or read
// on is left, with a call to the error handler, and the walk goes on with the next entry of
// the folder above: no error makes it stand still or end early. Any thread, one walk each.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <system_error>

namespace kiv::detail {

struct FolderEntry {
    std::filesystem::path path;
    bool directory = false;   // a folder itself, not a link to one
    bool regularFile = false; // a regular file, or a link to one
};

// One open folder.
class FolderListing {
public:
    virtual ~FolderListing() = default;
    // The next entry; empty at the end, and on an error, which is then set.
    virtual std::optional<FolderEntry> next(std::error_code& error) = 0;
};

// Opens a folder for listing; null with the error set when it cannot be opened.
using FolderOpener = std::function<std::unique_ptr<FolderListing>(const std::filesystem::path&, std::error_code&)>;

// The file system's own listing.
std::unique_ptr<FolderListing> gf_openFolder(const std::filesystem::path& folder, std::error_code& error);

struct FolderWalk {
    // Whether to enter a folder met on the walk (the root is always entered).
    std::function<bool(const FolderEntry&)> descend;
    // Every entry that is not a folder.
    std::function<void(const FolderEntry&)> visit;
    // A folder that could not be opened or listed to its end; `atRoot` for the root's opening.
    std::function<void(const std::filesystem::path&, const std::error_code&, bool atRoot)> failed;
    FolderOpener open = gf_openFolder;
};

void gf_walkFolder(const std::filesystem::path& root, const FolderWalk& walk);

} // namespace kiv::detail
