#include "platform/named_pipe_path.h"

#include <cstdlib>
#include <string>

#include "foundation/string_helpers.h"

namespace kiv::platform {
namespace {

bool keepsItsCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
           c == '_';
}

} // namespace

std::optional<std::filesystem::path> localPipePath(std::string_view pipeName, const std::filesystem::path& folder) {
    if (!pipeName.starts_with("\\\\")) {
        return std::nullopt;
    }
    pipeName.remove_prefix(2);
    const auto serverEnd = pipeName.find('\\');
    if (serverEnd == std::string_view::npos || pipeName.substr(0, serverEnd) != ".") {
        return std::nullopt;
    }
    pipeName.remove_prefix(serverEnd + 1);
    if (gf_toUpper(pipeName.substr(0, 5)) != "PIPE\\" || pipeName.size() == 5) {
        return std::nullopt;
    }
    pipeName.remove_prefix(5);
    std::string fileName;
    for (const char c : pipeName) {
        fileName += keepsItsCharacter(c) ? c : '_';
    }
    return folder / fileName;
}

std::filesystem::path defaultPipeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        return runtime;
    }
    return "/tmp";
}

} // namespace kiv::platform
