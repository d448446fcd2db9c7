#include "airports/scan_learning.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include <fmt/format.h>

#include "airports/scan_reference_tables.h"
#include "airports/scan_shell.h"
#include "foundation/file_helpers.h"
#include "foundation/line_files.h"
#include "foundation/log.h"
#include "foundation/program_paths.h"
#include "foundation/text_conversion.h"
#include "foundation/zip_archive.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;

// The number of files copied.
std::size_t copyToTblo(const fs::path& folder, const ScanReferenceTables& tables) {
    const fs::path& tblo = gf_paths().supportFolder;
    std::size_t copied = 0;
    for (const IcaoCode& code : gf_listXmlFiles(folder)) {
        if (code.text() == "VHHX" || !tables.isWeeklyTrafficAirport(code)) {
            continue;
        }
        const std::string stem(code.text());
        const fs::path source = folder / (stem + ".xml");
        const fs::path target = tblo / (stem + ".xml");
        std::error_code error;
        fs::copy_file(source, target, fs::copy_options::overwrite_existing, error);
        if (error) {
            gf_logImportant(fmt::format("'{}' failed to copy '{}': {}", gf_pathToUtf8(source), gf_pathToUtf8(target),
                                        error.message()));
            continue;
        }
        ++copied;
        // With a link beside it the generated file would never be read: it lives on in "tblo".
        const fs::path link = folder / (stem + ".txt");
        const bool linked = fs::exists(link, error);
        if (error) {
            gf_logImportant(fmt::format("exists({}) failed: {}", gf_pathToUtf8(link), error.message()));
        } else if (linked) {
            fs::remove(source, error);
            if (error) {
                gf_logImportant(fmt::format("remove({}) failed: {}", gf_pathToUtf8(source), error.message()));
            }
        }
    }
    return copied;
}

std::uint64_t sizeOf(const fs::path& path) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    return error ? 0 : size;
}

} // namespace

void lf_copySimaddonsToTblo(const ScanReferenceTables& tables) {
    const std::size_t copied = copyToTblo(gf_paths().userSimaddonAirports, tables);
    if (copied > 0) {
        gf_logLine(fmt::format("{} simaddon file{} copied to tblo folder", copied, copied > 1 ? "s" : ""));
    }
}

void lf_copyThirdPartiesToTblo(const ScanReferenceTables& tables) {
    copyToTblo(gf_paths().userThirdpartyAirports, tables);
}

void lf_zipTblo(ScanShell& shell, std::string_view supportAddress) {
    const fs::path& tblo = gf_paths().supportFolder;
    if (gf_countFiles(tblo, "") == 0) {
        shell.setSupportHintFlag(false);
        gf_logLine("All your simaddon and third party airports are recognised, no off line learning needed.");
        return;
    }
    if (lf_zipFolder(tblo / gf_paths().supportArchive)) {
        gf_removeXMLFilesFromDirectory(tblo);
    } else {
        // The copies stay: for an airport with a link they are the only ones left.
        gf_logImportant("Zippen TBLO folder failed");
    }
    gf_writeTextFile(supportAddress, tblo / "email address.txt", false);
    shell.setSupportHintFlag(true);
    shell.enableTbloButton(true);
    shell.showSupportHint();
    shell.repaint(2);
}

bool lf_zipFolder(const fs::path& target) {
    const fs::path& tblo = gf_paths().supportFolder;
    std::error_code error;
    const fs::file_status status = fs::status(tblo, error);
    if (error && status.type() != fs::file_type::not_found) {
        throw fs::filesystem_error("status", tblo, error);
    }
    if (!fs::is_directory(status)) {
        gf_logLine(fmt::format("[zip] Not a directory: {}", gf_pathToUtf8(tblo)));
        return false;
    }
    if (target.has_parent_path()) {
        fs::create_directories(target.parent_path(), error);
    }
    gf_logLine(fmt::format("[zip] Target file: {}", gf_pathToUtf8(fs::absolute(target))));
    gf_logLine(fmt::format("[zip] Source dir : {}", gf_pathToUtf8(fs::absolute(tblo))));
    if (fs::exists(target, error)) {
        gf_logLine(fmt::format("[zip] Removing old zip {}", gf_pathToUtf8(target)));
        fs::remove(target, error);
    }
    std::string openError;
    const std::unique_ptr<ZipArchive> archive = ZipArchive::open(target, ZipArchive::Mode::createNew, openError);
    if (!archive) {
        gf_logLine("[zip] Could not open archive for writing");
        return false;
    }
    // libzip reads the buffers only when the archive is closed.
    std::vector<std::vector<std::uint8_t>> buffers;
    std::size_t added = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(tblo)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        std::optional<std::vector<std::uint8_t>> bytes = gf_readFileBytes(entry.path());
        if (!bytes) {
            gf_logLine(fmt::format("[zip] READ FAIL: {}", gf_pathToUtf8(entry.path())));
            continue;
        }
        std::string name = fs::relative(entry.path(), tblo).generic_string();
        name.erase(0, name.find_first_not_of("\\/"));
        gf_logLine(
            fmt::format("[zip] Adding (data) {} -> {} ({} bytes)", gf_pathToUtf8(entry.path()), name, bytes->size()));
        buffers.push_back(std::move(*bytes));
        if (!archive->addData(name, std::as_bytes(std::span(buffers.back())))) {
            gf_logLine(fmt::format("[zip] ERROR addData({})", name));
            lf_closeZip(*archive, target, added);
            return false;
        }
        ++added;
    }
    return lf_closeZip(*archive, target, added);
}

bool lf_closeZip(ZipArchive& archive, const fs::path& target, std::size_t filesAdded) {
    const int closeResult = archive.close();
    std::error_code error;
    const bool exists = fs::exists(target, error);
    const std::uint64_t size = exists ? sizeOf(target) : 0;
    gf_logLine(fmt::format("[zip] Added {} files, close_result={}, ok_close={}, exists={}, size={} bytes", filesAdded,
                           closeResult, closeResult == 0, exists, size));
    return closeResult == 0 && filesAdded > 0 && exists && size > 0;
}

} // namespace kiv
