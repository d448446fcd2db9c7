#include "platform/file_manager.h"

#include <string>

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace kiv::platform {

bool openInFileManager(const std::filesystem::path& folder) {
    // The shell starts the opener in the background and ends at once, so the opener is
    // nobody's child here and nothing waits for the file manager.
    static const char* const script =
        "command -v xdg-open >/dev/null 2>&1 || exit 1; xdg-open \"$1\" >/dev/null 2>&1 </dev/null & exit 0";
    const std::string path = folder.string();
    char* const arguments[] = {const_cast<char*>("sh"), const_cast<char*>("-c"), const_cast<char*>(script),
                               const_cast<char*>("sh"), const_cast<char*>(path.c_str()), nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, "sh", nullptr, nullptr, arguments, environ) != 0) {
        return false;
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child) {
        return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace kiv::platform
