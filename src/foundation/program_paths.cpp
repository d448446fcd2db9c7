#include "foundation/program_paths.h"

namespace kiv {

const ProgramPaths& gf_paths() {
    // A function-local object: a failure while building it reaches the caller, not the
    // static initialisation of the program.
    static const ProgramPaths paths;
    return paths;
}

const std::filesystem::path& gf_liveriesScannedPath() { return gf_paths().liveriesScanned; }

} // namespace kiv
