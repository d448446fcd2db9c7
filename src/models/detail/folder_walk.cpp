#include "models/detail/folder_walk.h"

#include <utility>
#include <vector>

namespace kiv::detail {
namespace {

namespace fs = std::filesystem;

class FileSystemListing final : public FolderListing {
public:
    explicit FileSystemListing(fs::directory_iterator entries) : entries_(std::move(entries)) {}

    std::optional<FolderEntry> next(std::error_code& error) override {
        if (started_) {
            entries_.increment(error);
            if (error) {
                return std::nullopt;
            }
        }
        started_ = true;
        if (entries_ == fs::directory_iterator()) {
            return std::nullopt;
        }
        const fs::directory_entry& entry = *entries_;
        FolderEntry result{entry.path()};
        // An entry whose status cannot be read is neither: the walk passes it over.
        std::error_code statusError;
        result.directory = fs::is_directory(entry.symlink_status(statusError)) && !statusError;
        const fs::file_status status = entry.status(statusError);
        result.regularFile = !statusError && fs::is_regular_file(status);
        return result;
    }

private:
    fs::directory_iterator entries_;
    bool started_ = false;
};

struct OpenFolder {
    fs::path path;
    std::unique_ptr<FolderListing> listing;
};

} // namespace

std::unique_ptr<FolderListing> gf_openFolder(const fs::path& folder, std::error_code& error) {
    fs::directory_iterator entries(folder, error);
    if (error) {
        return nullptr;
    }
    return std::make_unique<FileSystemListing>(std::move(entries));
}

void gf_walkFolder(const fs::path& root, const FolderWalk& walk) {
    std::error_code error;
    std::unique_ptr<FolderListing> rootListing = walk.open(root, error);
    if (!rootListing) {
        walk.failed(root, error, true);
        return;
    }
    std::vector<OpenFolder> open;
    open.push_back({root, std::move(rootListing)});
    while (!open.empty()) {
        error.clear();
        std::optional<FolderEntry> entry = open.back().listing->next(error);
        if (!entry) {
            // The end of the folder, or an error: either way the folder is done, so a
            // persistent error cannot hold the walk on one spot.
            if (error) {
                walk.failed(open.back().path, error, false);
            }
            open.pop_back();
            continue;
        }
        if (!entry->directory) {
            walk.visit(*entry);
            continue;
        }
        if (!walk.descend(*entry)) {
            continue;
        }
        std::unique_ptr<FolderListing> listing = walk.open(entry->path, error);
        if (!listing) {
            walk.failed(entry->path, error, false);
            continue;
        }
        open.push_back({entry->path, std::move(listing)});
    }
}

} // namespace kiv::detail
