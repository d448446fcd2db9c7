#include "foundation/program_folder_check.h"

#include <system_error>

#include "foundation/program_identity.h"
#include "foundation/program_paths.h"
#include "foundation/user_related_exception.h"

namespace kiv {

void gf_checkProgramFolder(const std::filesystem::path& docsFolder) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(docsFolder, error);
    if (error && status.type() != std::filesystem::file_type::not_found) {
        throw std::filesystem::filesystem_error("status", docsFolder, error);
    }
    if (!std::filesystem::is_directory(status)) {
        throw UserRelatedException(kWrongFolderErrorCode, gf_programName("{} must be run from the {} folder!"));
    }
}

void gf_checkProgramFolder() { gf_checkProgramFolder(gf_paths().docsFolder); }

} // namespace kiv
