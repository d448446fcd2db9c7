#include "platform/known_folders.h"

#include <cstdlib>
#include <vector>

#include <pwd.h>
#include <unistd.h>

namespace kiv::platform {
namespace {

std::optional<std::filesystem::path> absoluteFolder(const std::optional<std::string>& text) {
    if (!text || text->empty()) {
        return std::nullopt;
    }
    std::filesystem::path folder(*text);
    if (!folder.is_absolute()) {
        return std::nullopt;
    }
    return folder;
}

std::optional<std::filesystem::path> homeFromUserDatabase() {
    long bufferSize = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(bufferSize > 0 ? static_cast<std::size_t>(bufferSize) : 16384);
    passwd entry{};
    passwd* result = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &result) != 0 || result == nullptr) {
        return std::nullopt;
    }
    return absoluteFolder(result->pw_dir ? std::optional<std::string>(result->pw_dir) : std::nullopt);
}

} // namespace

std::optional<std::string> environmentVariable(std::string_view name) {
    const std::string key(name);
    const char* value = std::getenv(key.c_str());
    if (value == nullptr) {
        return std::nullopt;
    }
    return std::string(value);
}

std::optional<std::filesystem::path> roamingAppDataPath(const EnvironmentLookup& lookup) {
    if (auto config = absoluteFolder(lookup("XDG_CONFIG_HOME"))) {
        return config;
    }
    if (auto home = absoluteFolder(lookup("HOME"))) {
        return *home / ".config";
    }
    return std::nullopt;
}

std::optional<std::filesystem::path> roamingAppDataPath() {
    if (auto folder = roamingAppDataPath(environmentVariable)) {
        return folder;
    }
    if (auto home = homeFromUserDatabase()) {
        return *home / ".config";
    }
    return std::nullopt;
}

} // namespace kiv::platform
