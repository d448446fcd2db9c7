#include "platform/instance_lock.h"

#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/known_folders.h"

namespace kiv::platform {
namespace {

std::string errnoText(int error) { return std::generic_category().message(error); }

} // namespace

InstanceLock::InstanceLock(Outcome outcome, int fd, std::string error)
    : outcome_(outcome), fd_(fd), error_(std::move(error)) {}

InstanceLock InstanceLock::acquire(const std::filesystem::path& lockFile) {
    const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return InstanceLock(Outcome::failed, -1, errnoText(errno));
    }
    // flock locks belong to the open file description, so a second open of the same file
    // conflicts even inside one process; the lock goes with the last descriptor.
    int result = 0;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0) {
        return InstanceLock(Outcome::acquired, fd, {});
    }
    const int error = errno;
    ::close(fd);
    if (error == EWOULDBLOCK) {
        return InstanceLock(Outcome::heldElsewhere, -1, {});
    }
    return InstanceLock(Outcome::failed, -1, errnoText(error));
}

InstanceLock::InstanceLock(InstanceLock&& other) noexcept
    : outcome_(other.outcome_), fd_(std::exchange(other.fd_, -1)), error_(std::move(other.error_)) {}

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        outcome_ = other.outcome_;
        fd_ = std::exchange(other.fd_, -1);
        error_ = std::move(other.error_);
    }
    return *this;
}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::filesystem::path runtimeFolder() {
    if (const std::optional<std::string> runtime = environmentVariable("XDG_RUNTIME_DIR")) {
        std::filesystem::path folder(*runtime);
        if (folder.is_absolute()) {
            return folder;
        }
    }
    std::error_code error;
    std::filesystem::path temp = std::filesystem::temp_directory_path(error);
    return error ? std::filesystem::path("/tmp") : temp;
}

std::uint32_t currentUserId() noexcept { return static_cast<std::uint32_t>(::getuid()); }

} // namespace kiv::platform
