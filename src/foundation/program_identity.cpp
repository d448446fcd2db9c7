#include "foundation/program_identity.h"

#include <fmt/format.h>

namespace kiv {

const Version& gf_programVersion() {
    static const Version version{kProgramVersionText};
    return version;
}

std::string gf_formatVersion(const Version& version) {
    return fmt::format("{}.{}.{}", version.major, version.minor, version.patch);
}

} // namespace kiv
