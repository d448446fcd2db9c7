#include "app/installer_download.h"

#include <fstream>
#include <system_error>
#include <vector>

#include <fmt/format.h>

#include "app/file_download.h"
#include "app/pe_version_resource.h"
#include "foundation/line_files.h"
#include "foundation/log.h"
#include "foundation/program_identity.h"
#include "foundation/program_paths.h"
#include "foundation/text_conversion.h"
#include "foundation/xml_helpers.h"
#include "foundation/zip_archive.h"
#include "platform/process_elevation.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kArchiveName = "latest_version.zip";

std::string lf_text(const fs::path& path) { return gf_pathToUtf8(path); }

// Unpacks the archive's one installer into `installer`; true when complete.
bool lf_unpackInstaller(const fs::path& archivePath, const fs::path& installer) {
    std::string error;
    const std::unique_ptr<ZipArchive> archive = ZipArchive::open(archivePath, ZipArchive::Mode::readOnly, error);
    if (!archive) {
        gf_logImportant(fmt::format("Could not open {}", lf_text(archivePath)));
        return false;
    }
    std::vector<ZipEntry> files;
    for (ZipEntry& entry : archive->getEntries()) {
        if (!entry.isDirectory()) {
            files.push_back(std::move(entry));
        }
    }
    if (files.size() != 1) {
        gf_logImportant(fmt::format("Update archive contains {} files instead of exactly one", files.size()));
        return false;
    }
    const ZipEntry& entry = files.front();
    if (entry.size == 0 || entry.size > kLargestInstallerBytes) {
        gf_logImportant(fmt::format("Invalid installer size in update archive: {} bytes", entry.size));
        return false;
    }
    std::ofstream output(installer, std::ios::binary | std::ios::trunc);
    if (!output) {
        gf_logImportant(fmt::format("Could not create output file {}", lf_text(installer)));
        return false;
    }
    const int result = archive->readContent(
        entry,
        [&output](std::span<const std::byte> chunk) {
            output.write(reinterpret_cast<const char*>(chunk.data()), static_cast<std::streamsize>(chunk.size()));
            return static_cast<bool>(output);
        },
        kUnzipChunkBytes);
    output.flush();
    output.close();
    std::error_code sizeError;
    const std::uintmax_t written = fs::file_size(installer, sizeError);
    if (result == 0 && !output.fail() && !sizeError && written == entry.size) {
        gf_logLine(fmt::format("{} unzipped to {}", lf_text(archivePath), lf_text(installer)));
        return true;
    }
    gf_logImportant(
        fmt::format("Unzipping failed or produced an incomplete installer (result {}, expected {}, actual {})", result,
                    entry.size, sizeError ? 0 : written));
    std::error_code ignored;
    fs::remove(installer, ignored);
    return false;
}

// Moves the verified installer into "new_version" through an intermediate ".part" name.
bool lf_moveIntoNewVersion(const fs::path& installer, const fs::path& newVersion) {
    const fs::path target = newVersion / installer.filename();
    fs::path part = target;
    part += ".part";
    std::error_code error;
    fs::remove(target, error);
    fs::remove(part, error);
    const std::uintmax_t size = fs::file_size(installer, error);
    if (error) {
        gf_logLine(fmt::format("file_size({}) failed: {}", lf_text(installer), error.message()));
        return false;
    }
    fs::rename(installer, part, error);
    if (error) {
        gf_logLine(fmt::format("could not rename {} => {}: {}", lf_text(installer), lf_text(part), error.message()));
        return false;
    }
    const std::uintmax_t moved = fs::file_size(part, error);
    if (error) {
        gf_logLine(fmt::format("file_size({}) failed: {}", lf_text(part), error.message()));
        return false;
    }
    if (moved != size) {
        gf_logLine(
            fmt::format("rename {} => {} suspicious: size {} != {}", lf_text(installer), lf_text(part), moved, size));
        return false;
    }
    fs::rename(part, target, error);
    if (error) {
        gf_logLine(
            fmt::format("could not finalize rename {} => {}: {}", lf_text(part), lf_text(target), error.message()));
        return false;
    }
    return true;
}

bool lf_writeTest(const fs::path& folder) {
    const fs::path probe = folder / ".write_test.tmp";
    bool written = false;
    {
        std::ofstream file(probe, std::ios::binary | std::ios::trunc);
        written = file && file.put('\0') && file.flush();
    }
    std::error_code ignored;
    fs::remove(probe, ignored);
    return written;
}

} // namespace

bool gf_prepareNewVersionFolder(const fs::path& folder) {
    const fs::path newVersion = folder / gf_paths().updateFolder;
    std::error_code error;
    fs::remove_all(newVersion, error);
    if (error) {
        gf_logImportant(fmt::format("Could not empty new-version folder: {}", error.message()));
        return false;
    }
    fs::create_directory(newVersion, error);
    if (error) {
        gf_logImportant(fmt::format("Could not create new-version folder: {}", error.message()));
        return false;
    }
    return true;
}

bool gf_downloadInstaller(const Version& announced, const fs::path& folder, Gui& gui) {
    if (!gf_prepareNewVersionFolder(folder)) {
        return false;
    }
    const fs::path installer = folder / gf_paths().installer;
    std::error_code error;
    fs::remove(installer, error);
    if (error) {
        gf_logImportant(fmt::format("Could not remove stale installer '{}': {}", lf_text(installer), error.message()));
        return false;
    }
    const std::string url = fmt::format("{}release/{}_{}", gf_downloadServerBase(), kProgramName, kArchiveName);
    const fs::path archive = folder / kArchiveName;
    {
        const CurlHandle handle = gf_makeCurlHandle();
        if (!gf_downloadFile(handle.get(), url, archive, true)) {
            gui.showMessage(
                fmt::format("Downloading program installer file version {} failed", gf_versionString(announced)), true);
            return false;
        }
    }
    gf_logLine(fmt::format("Downloaded {} => {}", url, lf_text(archive)));
    const bool unpacked = lf_unpackInstaller(archive, installer);
    fs::remove(archive, error);
    if (error) {
        gf_logImportant(fmt::format("Warning: could not remove downloaded zip: {}", error.message()));
    }
    if (!unpacked || !fs::exists(installer, error)) {
        gf_logImportant(fmt::format("{} does not exists?", lf_text(installer)));
        return false;
    }
    const std::optional<Version> product = gf_productVersion(installer);
    if (!product || *product != announced) {
        gf_logImportant(product ? fmt::format("Downloaded installer ProductVersion {} does not match web version {}",
                                              gf_versionString(*product), gf_versionString(announced))
                                : std::string("Downloaded installer has no readable ProductVersion"));
        fs::remove(installer, error);
        return false;
    }
    gf_logLine(fmt::format("Downloaded installer ProductVersion {} verified", gf_versionString(*product)));
    if (!lf_moveIntoNewVersion(installer, folder / gf_paths().updateFolder)) {
        return false;
    }
    fs::remove(installer, error);
    if (error) {
        gf_logImportant(fmt::format("Warning: could not remove extracted: {}", error.message()));
    }
    return true;
}

std::optional<Version> gf_productVersion(const fs::path& executable) {
    const std::optional<std::string> file = gf_readWholeFile(executable);
    if (!file) {
        gf_logImportant(fmt::format("Could not read ProductVersion from '{}': error {}", lf_text(executable),
                                    "the file cannot be read"));
        return std::nullopt;
    }
    const auto version = gf_readPeProductVersion({reinterpret_cast<const std::uint8_t*>(file->data()), file->size()});
    if (version) {
        return *version;
    }
    if (version.error().kind == PeVersionProblem::Kind::invalidData) {
        gf_logImportant(fmt::format("Invalid ProductVersion data in '{}'", lf_text(executable)));
    } else {
        gf_logImportant(fmt::format("Could not read ProductVersion size from '{}': error {}", lf_text(executable),
                                    version.error().text));
    }
    return std::nullopt;
}

std::string gf_installerNeedsElevation(const fs::path& folder) {
    return gf_installerNeedsElevation(folder, platform::processIsElevated());
}

std::string gf_installerNeedsElevation(const fs::path& folder, bool elevated) {
    return std::string(!lf_writeTest(folder) && !elevated ? kRunAsAdministratorText : kRunNormallyText);
}

} // namespace kiv
