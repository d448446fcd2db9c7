#include "foundation/file_helpers.h"

#include <system_error>

#include <fmt/format.h>

#include "foundation/log.h"
#include "foundation/text_conversion.h"

namespace kiv {

bool gf_save1GenerationOf(const std::filesystem::path& path) {
    if (!path.has_extension()) {
        gf_logImportant(fmt::format("gf_save1GenerationOf: no extension in filename: {}", gf_pathToUtf8(path)));
        return false;
    }
    std::filesystem::path backup = path;
    backup.replace_filename(path.stem().native() + "0" + path.extension().native());

    std::error_code error;
    const bool exists = std::filesystem::exists(path, error);
    if (error) {
        gf_logImportant(fmt::format("exists({}): {}", gf_pathToUtf8(path), error.message()));
        return false;
    }
    if (!exists) {
        return true;
    }
    std::filesystem::copy_file(path, backup, std::filesystem::copy_options::overwrite_existing, error);
    if (error) {
        gf_logImportant(fmt::format("copy {} -> {} failed: {}", gf_pathToUtf8(path), gf_pathToUtf8(backup),
                                    error.message()));
        return false;
    }
    return true;
}

} // namespace kiv
