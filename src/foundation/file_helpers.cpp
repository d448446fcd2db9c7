#include "foundation/file_helpers.h"

#include <algorithm>
#include <exception>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <unordered_set>

#include <fmt/format.h>

#include "foundation/log.h"
#include "foundation/string_helpers.h"
#include "foundation/text_conversion.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;

bool hasXmlExtension(const fs::path& path) {
    const std::string extension = gf_pathToUtf8(path.extension());
    return extension.size() == 4 && gf_toUpper(extension) == ".XML";
}

// A status that is "not found" (an entry gone since it was listed, a dangling link) only
// means that the entry is no regular file.
bool isRegularFile(const fs::directory_entry& entry, std::error_code& error) {
    const fs::file_status status = entry.status(error);
    if (error && status.type() == fs::file_type::not_found) {
        error.clear();
    }
    return !error && fs::is_regular_file(status);
}

// Walks the folder and removes each regular file that `wanted` accepts; any error of the
// walk ends it and is logged under the operation's name.
template <typename Predicate>
void removeRegularFiles(const fs::path& folder, std::string_view operation, Predicate wanted) {
    try {
        const fs::file_status status = fs::status(folder);
        if (!fs::is_directory(status)) {
            return;
        }
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            if (!fs::is_regular_file(entry.status()) || !wanted(entry.path())) {
                continue;
            }
            std::error_code error;
            fs::remove(entry.path(), error);
            if (error) {
                gf_logImportant(fmt::format("Failed to remove {} ({})", gf_pathToUtf8(entry.path()), error.message()));
            }
        }
    } catch (const std::exception& e) {
        gf_logImportant(fmt::format("{} exception: {}", operation, e.what()));
    }
}

// Characters, not bytes: a name such as "EHÄ" is three characters long and no airport code.
std::size_t characterCount(std::string_view utf8) {
    return static_cast<std::size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// False for a missing folder; throws the "exists" error for any other failure of its status.
bool folderExists(const fs::path& folder) {
    std::error_code error;
    const bool exists = fs::exists(folder, error);
    if (error) {
        throw fs::filesystem_error("exists", folder, error);
    }
    return exists;
}

} // namespace

bool gf_save1GenerationOf(const fs::path& path) {
    if (!path.has_extension()) {
        gf_logImportant(fmt::format("gf_save1GenerationOf: no extension in filename: {}", gf_pathToUtf8(path)));
        return false;
    }
    fs::path backup = path;
    backup.replace_filename(path.stem().native() + "0" + path.extension().native());

    std::error_code error;
    const bool exists = fs::exists(path, error);
    if (error) {
        gf_logImportant(fmt::format("exists({}): {}", gf_pathToUtf8(path), error.message()));
        return false;
    }
    if (!exists) {
        return true;
    }
    fs::copy_file(path, backup, fs::copy_options::overwrite_existing, error);
    if (error) {
        gf_logImportant(
            fmt::format("copy {} -> {} failed: {}", gf_pathToUtf8(path), gf_pathToUtf8(backup), error.message()));
        return false;
    }
    return true;
}

bool gf_moveFile(const fs::path& from, const fs::path& to) {
    std::error_code error;
    fs::rename(from, to, error);
    if (!error) {
        return true;
    }
    // Renaming fails across volumes; copying does not.
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, error);
    if (error) {
        gf_logImportant(
            fmt::format("could not move {} => {}: {}", gf_pathToUtf8(from), gf_pathToUtf8(to), error.message()));
        return false;
    }
    fs::remove(from, error);
    if (error) {
        gf_logImportant(fmt::format("could not remove {} after copy: {}", gf_pathToUtf8(from), error.message()));
        return false;
    }
    return true;
}

void gf_removeFilesFromDirectory(const fs::path& folder) {
    removeRegularFiles(folder, "gf_removeFilesFromDirectory", [](const fs::path&) { return true; });
}

void gf_removeXMLFilesFromDirectory(const fs::path& folder) {
    removeRegularFiles(folder, "gf_removeXMLFilesFromDirectory", hasXmlExtension);
}

std::uint64_t gf_countFiles(const fs::path& folder, std::string_view extension) {
    if (!folderExists(folder)) {
        return 0;
    }
    const fs::path wantedExtension = gf_utf8ToPath(extension);
    std::uint64_t count = 0;
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    if (error) {
        throw fs::filesystem_error("directory_iterator::directory_iterator", folder, error);
    }
    for (;; entries.increment(error)) {
        if (error) {
            throw fs::filesystem_error("directory_iterator::operator++", folder, error);
        }
        if (entries == fs::directory_iterator{}) {
            break;
        }
        const bool regular = isRegularFile(*entries, error);
        if (error) {
            throw fs::filesystem_error("directory_entry::status", entries->path(), error);
        }
        if (regular && (extension.empty() || entries->path().extension() == wantedExtension)) {
            ++count;
        }
    }
    return count;
}

std::optional<std::vector<std::uint8_t>> gf_readFileBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) {
        return std::nullopt;
    }
    return bytes;
}

std::vector<IcaoCode> gf_listXmlFiles(const fs::path& folder) {
    std::vector<IcaoCode> codes;
    if (!folderExists(folder)) {
        return codes;
    }
    codes.reserve(512);
    // Names differ in letter case on Linux, so "eham.xml" and "EHAM.xml" may both exist.
    std::unordered_set<std::uint32_t> seen;
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    for (; !error && entries != fs::directory_iterator{}; entries.increment(error)) {
        const bool regular = isRegularFile(*entries, error);
        if (error) {
            break;
        }
        if (!regular || !hasXmlExtension(entries->path())) {
            continue;
        }
        const std::string stem = gf_pathToUtf8(entries->path().stem());
        if (characterCount(stem) != 4) {
            continue;
        }
        const IcaoCode code(stem);
        if (seen.insert(code.key()).second) {
            codes.push_back(code);
        }
    }
    return codes;
}

} // namespace kiv
