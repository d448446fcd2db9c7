// Fetching the installer of a newer program: the archive from the download server, its one
// installer unpacked, its own product version checked against the announced one, and only
// then moved into "new_version" below the program folder, where the user runs it after the
// program has ended. Main worker thread only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "app/gui.h"
#include "foundation/version.h"

namespace kiv {

inline constexpr std::uint64_t kLargestInstallerBytes = 1073741824;
inline constexpr std::size_t kUnzipChunkBytes = 524288;
inline constexpr std::string_view kRunAsAdministratorText =
    "A new version is available. Run the installer as Administrator";
inline constexpr std::string_view kRunNormallyText =
    "A new version is available.\nThe installer can be executed normally (no Administrator rights required).";

// Empties or creates "new_version" in `folder`; false (logged) when it cannot.
bool gf_prepareNewVersionFolder(const std::filesystem::path& folder);

// True when "new_version/install_new_version.exe" in `folder` now holds an installer whose
// product version is exactly `announced`. Every failure is logged; the downloaded archive and
// the unpacked file never stay behind in `folder`.
bool gf_downloadInstaller(const Version& announced, const std::filesystem::path& folder, Gui& gui);

// The product version of an executable's version resource; empty (logged) when there is none.
std::optional<Version> gf_productVersion(const std::filesystem::path& executable);

// Which of the two texts tells the user how to run the installer: the administrator text
// when the folder cannot be written and the process is not elevated.
std::string gf_installerNeedsElevation(const std::filesystem::path& folder);
std::string gf_installerNeedsElevation(const std::filesystem::path& folder, bool elevated);

} // namespace kiv
