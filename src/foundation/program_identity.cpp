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

std::string gf_programName(std::string_view format) {
    return fmt::format(fmt::runtime(format), kProgramName, kProgramName);
}

} // namespace kiv
