#include "models/aircraft_cfg_parser.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <system_error>

#include <fmt/format.h>

#include "foundation/log.h"
#include "foundation/text_conversion.h"
#include "foundation/text_encoding.h"
#include "foundation/text_file_reader.h"
#include "models/detail/cfg_lines.h"
#include "models/detail/companion_paths.h"
#include "models/detail/fltsim_section.h"
#include "models/scan_collections.h"
#include "models/type_database.h"

namespace kiv {
namespace {

constexpr std::size_t kLinesReserve = 4096;
constexpr std::size_t kSectionReserve = 48;
constexpr std::uint32_t kHighestSectionNumber = 10000;

enum class Dialect { ordinary, ivao };

bool pathExists(const std::filesystem::path& path) {
    // An error other than "not found" (permission denied) also means: nothing to read here.
    std::error_code error;
    return std::filesystem::exists(path, error) && !error;
}

std::optional<std::vector<std::string>> readCfgLines(const std::filesystem::path& path, Dialect dialect) {
    const std::string name = gf_pathToUtf8(path);
    const TextEncoding encoding = gf_detectTextEncoding(path);
    if (encoding == TextEncoding::none_found) {
        const std::string line = fmt::format("! No text encoding detected for {}", name);
        dialect == Dialect::ivao ? gf_logImportant(line) : gf_logLine(line);
        return std::nullopt;
    }
    std::vector<std::string> lines;
    lines.reserve(kLinesReserve);
    if (!gf_readTextFileLines(encoding, path, lines)) {
        gf_logLine(fmt::format("! Failed reading {}", name));
        return std::nullopt;
    }
    return lines;
}

// A known model code, else its fixed code (noted in the Fixes report), else nothing.
std::string knownOrFixedModel(const std::string& code, const std::filesystem::path& path) {
    if (!code.empty() && gf_isKnownModelCode(code)) {
        return code;
    }
    const ModelFixes& fixes = gf_modelFixes();
    if (const auto fix = fixes.find(code); fix != fixes.end()) {
        gf_scanCollections().fixes.push_back(
            fmt::format("Model fix: {} found in {} changed into {}", code, gf_pathToUtf8(path), fix->second));
        return fix->second;
    }
    detail::lf_reportInvalidModel(code, path);
    return {};
}

bool startsAnotherSection(const std::string& line, Dialect dialect) {
    if (dialect == Dialect::ivao) {
        return line.find('[') != std::string::npos;
    }
    const std::size_t first = line.find_first_not_of(" \t");
    return first != std::string::npos && line[first] == '[';
}

template <class ProcessSection>
void splitSections(const std::vector<std::string>& lines, Dialect dialect, ProcessSection&& process) {
    std::vector<std::string> buffer;
    buffer.reserve(kSectionReserve);
    bool open = false;
    const auto flush = [&] {
        if (!buffer.empty()) {
            process(buffer);
            buffer.clear();
        }
    };
    for (const std::string& line : lines) {
        if (!detail::lf_fltsimSectionNumber(line).empty()) {
            flush();
            open = true;
            buffer.push_back(line);
        } else if (startsAnotherSection(line, dialect)) {
            flush();
            open = false;
        } else if (open) {
            buffer.push_back(line);
        }
    }
    if (open) {
        flush();
    }
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && detail::containsNoCase(a, b);
}

bool startsWithNoCase(std::string_view text, std::string_view head) {
    return text.size() >= head.size() && equalsNoCase(text.substr(0, head.size()), head);
}

bool endsWithNoCase(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && equalsNoCase(text.substr(text.size() - tail.size()), tail);
}

// Group 1 of a whole-text, case-insensitive ".+/IVAO_MTL/IVAO_(\w+)/aircraft\.cfg$": the last
// folder is "IVAO_" and the code, its parent "IVAO_MTL" below at least one character.
std::optional<std::string> ivaoPackageCode(std::string text) {
    constexpr std::string_view kFile = "/aircraft.cfg";
    constexpr std::string_view kPackagePrefix = "IVAO_";
    constexpr std::string_view kParentTail = "/IVAO_MTL";
    std::replace(text.begin(), text.end(), '\\', '/');
    if (text.find_first_of("\r\n") != std::string::npos || !endsWithNoCase(text, kFile)) {
        return std::nullopt;
    }
    const std::string_view rest = std::string_view(text).substr(0, text.size() - kFile.size());
    const std::size_t slash = rest.rfind('/');
    if (slash == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view package = rest.substr(slash + 1);
    const std::string_view parent = rest.substr(0, slash);
    if (package.size() <= kPackagePrefix.size() || !startsWithNoCase(package, kPackagePrefix) ||
        parent.size() <= kParentTail.size() || !endsWithNoCase(parent, kParentTail)) {
        return std::nullopt;
    }
    const std::string_view code = package.substr(kPackagePrefix.size());
    if (!std::all_of(code.begin(), code.end(), detail::isWordChar)) {
        return std::nullopt;
    }
    return std::string(code);
}

std::string shortenedIvaoCode(std::string code) {
    if (!code.empty() && code.back() == 'w') {
        code.pop_back();
    } else if (code == "B744F") {
        code = "B744";
    } else if (code == "T154M" || code == "T154B2") {
        code = "T154";
    } else if (code == "GLID_SH" || code == "GLID_A13" || code == "GLID_A25" || code == "GLID_KA6" ||
               code == "GLID_KA8" || code == "GLID_L13") {
        code = "GLID";
    }
    return code;
}

} // namespace

bool lf_checkFltsimNumbers(const std::vector<std::string>& lines, const std::filesystem::path& path) {
    std::vector<std::int32_t> numbers;
    for (const std::string& line : lines) {
        const std::string text = detail::lf_fltsimSectionNumber(line);
        if (text.empty()) {
            continue;
        }
        std::int32_t number = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
        if (error != std::errc{} || end != text.data() + text.size()) {
            gf_logImportant(fmt::format("fltsim num {} incorrect", line));
            return false;
        }
        numbers.push_back(number);
    }
    if (numbers.empty()) {
        gf_scanCollections().noSectionFiles.push_back(gf_pathToUtf8(path));
        return true;
    }
    for (const std::int32_t number : numbers) {
        if (static_cast<std::uint32_t>(number) > kHighestSectionNumber) {
            lf_addInvalidCfgFile(gf_pathToUtf8(path) + " contains a [fltsim.x] section with a number < 0 or > " +
                                 std::to_string(kHighestSectionNumber));
            return false;
        }
    }
    return true;
}

std::string lf_atcModelOfFile(const std::filesystem::path& path, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        const std::string code = detail::lf_keyValue(line, "atc_model");
        if (!code.empty()) {
            return knownOrFixedModel(code, path);
        }
    }
    lf_addInvalidCfgFile("Line atc_model= is missing in [General] section of " + gf_pathToUtf8(path));
    return {};
}

std::string lf_ivaoModelFromPath(const std::filesystem::path& path) {
    const std::optional<std::string> code = ivaoPackageCode(gf_pathToUtf8(path));
    if (!code) {
        detail::lf_reportInvalidModel("  ", path);
        return {};
    }
    return knownOrFixedModel(shortenedIvaoCode(*code), path);
}

std::list<Livery> lf_splitFltsimSections(std::int16_t priority, const std::vector<std::string>& lines,
                                         const std::string& modelCode, const std::filesystem::path& path,
                                         const std::filesystem::path& folder) {
    std::list<Livery> liveries;
    detail::CompanionFinder finder(folder);
    splitSections(lines, Dialect::ordinary, [&](std::vector<std::string>& section) {
        liveries.splice(liveries.end(), detail::lf_procesFltSimSection(priority, section, modelCode, path, finder));
    });
    return liveries;
}

std::list<Livery> lf_splitIvaoSections(std::int16_t priority, const std::vector<std::string>& lines,
                                       const std::string& modelCode, const std::filesystem::path& path) {
    std::list<Livery> liveries;
    detail::CompanionFinder finder(path.parent_path());
    splitSections(lines, Dialect::ivao, [&](std::vector<std::string>& section) {
        Livery livery = detail::lf_procesIvaoSection(priority, section, modelCode, path, finder);
        if (!lf_isIncompleteLivery(livery)) {
            liveries.push_back(std::move(livery));
        }
    });
    return liveries;
}

std::list<Livery> lf_searchLiveriesinFile(std::int16_t priority, const std::filesystem::path& path) {
    if (!pathExists(path)) {
        return {};
    }
    const std::optional<std::vector<std::string>> lines = readCfgLines(path, Dialect::ordinary);
    if (!lines || !lf_checkFltsimNumbers(*lines, path)) {
        return {};
    }
    const std::string modelCode = lf_atcModelOfFile(path, *lines);
    if (modelCode.empty()) {
        return {};
    }
    return lf_splitFltsimSections(priority, *lines, modelCode, path, path.parent_path());
}

std::list<Livery> lf_searchLiveriesinIVAOFile(std::int16_t priority, const std::filesystem::path& path) {
    const std::string modelCode = lf_ivaoModelFromPath(path);
    if (modelCode.empty()) {
        return {};
    }
    const std::optional<std::vector<std::string>> lines = readCfgLines(path, Dialect::ivao);
    if (!lines || !lf_checkFltsimNumbers(*lines, path)) {
        return {};
    }
    return lf_splitIvaoSections(priority, *lines, modelCode, path);
}

} // namespace kiv
