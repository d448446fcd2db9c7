#include "platform/xdg_user_dirs.h"

#include <fstream>
#include <sstream>

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
    std::ifstream file(roamingAppDataPath(environment).value_or(home / ".config") / "user-dirs.dirs");
    if (file) {
        std::ostringstream text;
        text << file.rdbuf();
        if (auto found = userDirFromText(text.str(), name, home)) {
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
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string line = gf_trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
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
