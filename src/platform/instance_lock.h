// The single-instance lock: an exclusive advisory lock on a lock file, held by an open file
// for the life of the process (or of the object). A second holder, in this or another
// process, is refused at once. Any thread; the object is move-only.
#pragma once

#include <filesystem>
#include <cstdint>
#include <optional>
#include <string>

namespace kiv::platform {

class InstanceLock {
public:
    enum class Outcome { acquired, heldElsewhere, failed };

    // Opens (creating) the file and takes the lock without waiting. `failed` means the file
    // could not be opened or locked for another reason than a holder (see error()).
    static InstanceLock acquire(const std::filesystem::path& lockFile);

    InstanceLock(InstanceLock&& other) noexcept;
    InstanceLock& operator=(InstanceLock&& other) noexcept;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    ~InstanceLock();

    Outcome outcome() const { return outcome_; }
    // The system's error text of a failed acquisition; empty otherwise.
    const std::string& error() const { return error_; }

private:
    InstanceLock(Outcome outcome, int fd, std::string error);

    Outcome outcome_;
    int fd_;
    std::string error_;
};

// The folder for per-user run-time files: $XDG_RUNTIME_DIR when it is an absolute path,
// else the system's temporary folder.
std::filesystem::path runtimeFolder();

// The user's numeric id, for per-user names in a shared temporary folder.
std::uint32_t currentUserId() noexcept;

} // namespace kiv::platform
