#include "platform/atomic_file_replace.h"

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace kiv::platform {
namespace {

std::error_code lastError() { return {errno, std::generic_category()}; }

// fsync of an open descriptor, retried when a signal interrupts it.
std::error_code syncDescriptor(int descriptor) {
    while (::fsync(descriptor) != 0) {
        if (errno != EINTR) {
            return lastError();
        }
    }
    return {};
}

std::error_code syncPath(const std::filesystem::path& path, int flags) {
    const int descriptor = ::open(path.c_str(), flags | O_CLOEXEC);
    if (descriptor < 0) {
        return lastError();
    }
    const std::error_code error = syncDescriptor(descriptor);
    ::close(descriptor);
    return error;
}

std::filesystem::path folderOf(const std::filesystem::path& path) {
    const std::filesystem::path parent = path.parent_path();
    return parent.empty() ? std::filesystem::path(".") : parent;
}

} // namespace

std::error_code replaceFileDurably(const std::filesystem::path& replacement, const std::filesystem::path& target) {
    if (const std::error_code error = syncPath(replacement, O_RDONLY)) {
        return error;
    }
    if (std::rename(replacement.c_str(), target.c_str()) != 0) {
        return lastError();
    }
    // The new file is in place once the rename returns; some file systems refuse to flush a
    // folder, which only weakens durability against power loss, so that is not a failure.
    (void)syncPath(folderOf(target), O_RDONLY | O_DIRECTORY);
    return {};
}

} // namespace kiv::platform
