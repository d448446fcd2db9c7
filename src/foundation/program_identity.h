// The program's name and version, the same in every build of this program.
// Plain constants and a value built on first use: safe from any thread.
#pragma once

#include <string>
#include <string_view>

#include "foundation/version.h"

namespace kiv {

inline constexpr std::string_view kProgramName = "VELT_P3D";
inline constexpr std::string_view kProgramVersionText = "16.8.4";
inline constexpr std::string_view kSimulatorName = "Prepar3D v5/v6";

// The running program's version, parsed from kProgramVersionText.
const Version& gf_programVersion();

// "{}.{}.{}" of major, minor and patch.
std::string gf_formatVersion(const Version& version);

// The template with the program name in its first two places, as in
// "{} must be run from the {} folder!". Throws fmt::format_error for a bad template.
std::string gf_programName(std::string_view format);

} // namespace kiv
