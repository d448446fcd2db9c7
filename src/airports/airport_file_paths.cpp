#include "airports/airport_file_paths.h"

#include <array>
#include <cctype>
#include <fstream>
#include <system_error>
#include <vector>

#include <fmt/format.h>

#include "airports/known_airports.h"
#include "foundation/log.h"
#include "foundation/program_paths.h"
#include "foundation/text_conversion.h"

namespace kiv {
namespace fs = std::filesystem;
namespace {

// A link names one path; no path is longer than this, so a huge file is not read whole.
constexpr std::size_t kLinkReadLimit = 4096;

bool isSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

std::string_view trimSpace(std::string_view text) {
    while (!text.empty() && isSpace(text.back())) {
        text.remove_suffix(1);
    }
    while (!text.empty() && isSpace(text.front())) {
        text.remove_prefix(1);
    }
    return text;
}

char upperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (upperAscii(a[i]) != upperAscii(b[i])) {
            return false;
        }
    }
    return true;
}

bool endsWithIgnoringCase(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && equalsIgnoringCase(text.substr(text.size() - tail.size()), tail);
}

bool pathExists(const fs::path& path) {
    std::error_code error;
    return fs::exists(path, error);
}

std::vector<std::string> componentsOf(const fs::path& path) {
    std::vector<std::string> components;
    for (const fs::path& component : path) {
        components.push_back(component.string());
    }
    return components;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool isAirportFileExtension(const fs::path& path) {
    return lf_hasExtension(path, ".xml") || lf_hasExtension(path, ".enc");
}

std::optional<ArchiveFileInfo> parseArchiveFileName(const fs::path& name, std::string kind) {
    if (!isAirportFileExtension(name)) {
        return std::nullopt;
    }
    const std::string stem = name.stem().string();
    if (stem.size() < 4) {
        return std::nullopt;
    }
    const std::optional<IcaoCode> icao = IcaoCode::tryParse(std::string_view(stem).substr(0, 4));
    if (!icao) {
        return std::nullopt;
    }
    std::string suffix = stem.substr(4);
    for (const char c : suffix) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
    }
    return ArchiveFileInfo{*icao, std::move(kind), std::move(suffix)};
}

// The learned-copy folder of the thirdparty publisher `name`; nothing when no safe name is left.
std::optional<fs::path> learnedThirdpartyFolder(std::string_view name) {
    const std::string safe = lf_safeFileName(name);
    if (safe.empty()) {
        return std::nullopt;
    }
    return gf_paths().learnedThirdparty / gf_utf8ToPath(safe);
}

} // namespace

const AirportFolders& gf_airportFolders() {
    static const AirportFolders folders = [] {
        const ProgramPaths& paths = gf_paths();
        AirportFolders made;
        made.airports = paths.airportsFolder;
        made.myThirdparty = paths.userThirdpartyAirports;
        made.mySimaddon = paths.userSimaddonAirports;
        made.myThirdparty2024 = paths.airportsFolder / "my_thirdparty2024";
        made.learned = paths.learnedFolder;
        made.archiveStock = paths.archiveFolder / paths.stockFolderName;
        made.archiveSimaddon = paths.archiveFolder / paths.simaddonFolderName;
        made.archiveThirdparty = paths.archiveFolder / paths.thirdpartyFolderName;
        return made;
    }();
    return folders;
}

fs::path gf_apfXmlPath(const IcaoCode& icao) { return gf_utf8ToPath(std::string(icao.text()) + ".xml"); }
fs::path gf_apfEncPath(const IcaoCode& icao) { return gf_utf8ToPath(gf_apfEncName(icao)); }
fs::path gf_apfLinkPath(const IcaoCode& icao) { return gf_utf8ToPath(std::string(icao.text()) + ".txt"); }
std::string gf_apfEncName(const IcaoCode& icao) { return std::string(icao.text()) + ".enc"; }

bool gf_airportFileExists(const IcaoCode& icao) {
    const AirportFolders& folders = gf_airportFolders();
    const std::array<fs::path, 4> candidates = {
        folders.myThirdparty / gf_apfXmlPath(icao), folders.myThirdparty / gf_apfLinkPath(icao),
        folders.mySimaddon / gf_apfXmlPath(icao), folders.mySimaddon / gf_apfLinkPath(icao)};
    for (const fs::path& candidate : candidates) {
        if (pathExists(candidate)) {
            return true;
        }
    }
    return gf_isKnownAirport(icao);
}

std::optional<fs::path> gf_findAirportFilePath(const IcaoCode& icao) {
    const AirportFolders& folders = gf_airportFolders();
    for (const fs::path* folder : {&folders.myThirdparty, &folders.mySimaddon}) {
        if (std::optional<fs::path> found = lf_findInAirportFolder(icao, *folder)) {
            return found;
        }
    }
    if (gf_isKnownAirport(icao)) {
        return folders.archiveStock / gf_apfEncPath(icao);
    }
    return std::nullopt;
}

std::optional<fs::path> lf_findInAirportFolder(const IcaoCode& icao, const fs::path& folder) {
    if (std::optional<fs::path> target = lf_readAirportFileLink(folder / gf_apfLinkPath(icao))) {
        return target;
    }
    fs::path xml = folder / gf_apfXmlPath(icao);
    if (pathExists(xml)) {
        return xml;
    }
    return std::nullopt;
}

std::optional<fs::path> lf_readAirportFileLink(const fs::path& linkFile) {
    std::ifstream file(linkFile, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::string text(kLinkReadLimit, '\0');
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(file.gcount()));
    return lf_linkTargetFromText(text);
}

std::optional<fs::path> lf_linkTargetFromText(std::string_view text) {
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (text.starts_with(kBom)) {
        text.remove_prefix(kBom.size());
    }
    text = trimSpace(text.substr(0, text.find('\n')));
    if (text.size() < 4 || !(endsWithIgnoringCase(text, ".xml") || endsWithIgnoringCase(text, ".enc"))) {
        return std::nullopt;
    }
    std::string target(text);
    for (char& c : target) {
        if (c == '\\') {
            c = '/';
        }
    }
    return gf_utf8ToPath(target);
}

std::optional<ArchiveFileInfo> gf_parseArchiveFilePath(const fs::path& path) {
    const std::vector<std::string> parts = componentsOf(path);
    if (parts.size() < 3 || !equalsIgnoringCase(parts[0], "archive")) {
        return std::nullopt;
    }
    if (equalsIgnoringCase(parts[1], "stock") || equalsIgnoringCase(parts[1], "simaddon")) {
        if (parts.size() != 3) {
            return std::nullopt;
        }
        std::string kind = parts[1];
        for (char& c : kind) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        return parseArchiveFileName(parts[2], std::move(kind));
    }
    if (equalsIgnoringCase(parts[1], "thirdparty") && parts.size() == 4) {
        return parseArchiveFileName(parts[3], gf_percentDecode(parts[2]));
    }
    return std::nullopt;
}

std::optional<fs::path> gf_learnedAirportFilePath(const fs::path& path, std::string_view publisher) {
    if (path.empty()) {
        return std::nullopt;
    }
    if (!publisher.empty()) {
        try {
            (void)utf8_to_wide(publisher);
        } catch (const std::exception& e) {
            gf_logLine(fmt::format("Invalid UTF-8 publisher '{}': {}", gf_utf8Lossy(publisher), e.what()));
            return std::nullopt;
        }
    }
    if (!isAirportFileExtension(path)) {
        return std::nullopt;
    }
    fs::path fileName = path.filename();
    if (lf_hasExtension(fileName, ".enc")) {
        fileName.replace_extension(".xml");
    }
    const std::vector<std::string> parts = componentsOf(path);
    const ProgramPaths& paths = gf_paths();
    if (parts.size() == 3 && parts[0] == "archive") {
        if (parts[1] == "stock") {
            return paths.learnedStock / fileName;
        }
        if (parts[1] == "simaddon") {
            return paths.learnedSimaddon / fileName;
        }
    }
    if (parts.size() == 4 && parts[0] == "archive" && parts[1] == "thirdparty") {
        const std::optional<fs::path> folder = learnedThirdpartyFolder(gf_percentDecode(parts[2]));
        return folder ? std::optional<fs::path>(*folder / fileName) : std::nullopt;
    }
    if (parts.size() == 3 && parts[0] == "airports") {
        if (parts[1] == "stock") {
            return paths.learnedStock / fileName;
        }
        if (parts[1] == "my_simaddon") {
            return paths.learnedFolder / "my_simaddon" / fileName;
        }
        if (parts[1] == "my_thirdparty" || parts[1] == "my_thirdparty2024") {
            const std::optional<fs::path> folder = learnedThirdpartyFolder(publisher);
            return folder ? std::optional<fs::path>(*folder / fileName) : std::nullopt;
        }
    }
    return std::nullopt;
}

std::string lf_safeFileName(std::string_view text) {
    constexpr std::string_view kReserved = "<>:\"/\\|?*";
    std::string safe(text);
    for (char& c : safe) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || kReserved.find(c) != std::string_view::npos) {
            c = ' ';
        }
    }
    std::string trimmed(trimSpace(safe));
    if (trimmed == "." || trimmed == "..") {
        return {};
    }
    return trimmed;
}

std::string gf_percentDecode(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int high = hexValue(text[i + 1]);
            const int low = hexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                decoded += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        decoded += text[i];
    }
    return decoded;
}

bool lf_hasExtension(const fs::path& path, std::string_view extension) {
    return equalsIgnoringCase(path.extension().string(), extension);
}

fs::path gf_shortAirportFilePath(const fs::path& path) {
    const std::string stem = path.stem().string();
    if (stem.size() < 5) {
        return path;
    }
    return path.parent_path() / fs::path(stem.substr(0, 4) + path.extension().string());
}

} // namespace kiv
