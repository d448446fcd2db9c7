#include "platform/xdg_user_dirs.h"

#include <vector>

#include "foundation/line_files.h"
#include "foundation/string_helpers.h"

namespace kiv::platform {
namespace {

std::filesystem::path homeFolder(const EnvironmentLookup& environment) {
    const auto home = environment("HOME");
    return home && !home->empty() ? std::filesystem::path(*home) : std::filesystem::path("/");
}

std::filesystem::path userDir(const EnvironmentLookup& environment, std::string_view name, std::string_view fallback) {
    if (const auto value = environment(name); value && !value->empty() && value->front() == '/') {
        return *value;
    }
    const auto home = homeFolder(environment);
    const auto text = gf_readWholeFile(roamingAppDataPath(environment).value_or(home / ".config") / "user-dirs.dirs");
    if (text) {
        if (auto found = userDirFromText(*text, name, home)) {
            return *found;
        }
    }
    return home / fallback;
}

} // namespace

std::filesystem::path documentsFolder(const EnvironmentLookup& environment) {
    return userDir(environment, "XDG_DOCUMENTS_DIR", "Documents");
}

std::filesystem::path publicShareFolder(const EnvironmentLookup& environment) {
    return userDir(environment, "XDG_PUBLICSHARE_DIR", "Public");
}

std::optional<std::filesystem::path> userDirFromText(std::string_view text, std::string_view name,
                                                     const std::filesystem::path& home) {
    std::vector<std::string> lines;
    gf_splitLines(text, lines);
    for (const std::string& rawLine : lines) {
        const std::string line = gf_trim(rawLine);
        const auto equals = line.find('=');
        if (line.starts_with('#') || equals == std::string::npos || gf_trim(line.substr(0, equals)) != name) {
            continue;
        }
        std::string value = gf_trim(line.substr(equals + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        if (value == "$HOME") {
            return home;
        }
        if (value.starts_with("$HOME/")) {
            return home / std::filesystem::path(value.substr(5)).relative_path();
        }
        if (value.starts_with('/')) {
            return std::filesystem::path(value);
        }
    }
    return std::nullopt;
}

} // namespace kiv::platform
