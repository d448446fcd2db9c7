#include "app/shell_open.h"

#include <system_error>

#include "platform/file_manager.h"

namespace kiv {

bool gf_shellOpen(const std::filesystem::path& file, const FolderOpener& openFolder) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(file, error);
    if (error && status.type() != std::filesystem::file_type::not_found) {
        throw std::filesystem::filesystem_error("exists", file, error);
    }
    if (!std::filesystem::exists(status)) {
        return false;
    }
    // The parent without trailing separators: "a/b/" names the folder "a/b", whose parent is "a".
    std::filesystem::path trimmed = file;
    while (trimmed.has_relative_path() && trimmed.filename().empty()) {
        trimmed = trimmed.parent_path();
    }
    const std::filesystem::path parent = trimmed.parent_path();
    if (parent.empty()) {
        return false;
    }
    return openFolder(parent);
}

bool gf_shellOpen(const std::filesystem::path& file) { return gf_shellOpen(file, platform::openInFileManager); }

} // namespace kiv
