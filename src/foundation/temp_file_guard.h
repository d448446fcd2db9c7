// A scope guard that removes a temporary file on the way out unless it was disarmed (the file
// was put in place of its target, or is to be kept). Owned by the scope that made the file.
#pragma once

#include <filesystem>
#include <system_error>
#include <utility>

namespace kiv {

class TempFileGuard {
public:
    explicit TempFileGuard(std::filesystem::path path) : path_(std::move(path)) {}
    ~TempFileGuard() {
        if (armed_ && !path_.empty()) {
            std::error_code ignored;
            std::filesystem::remove(path_, ignored);
        }
    }
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;

    const std::filesystem::path& path() const { return path_; }
    void disarm() { armed_ = false; }
    void arm() { armed_ = true; }

private:
    std::filesystem::path path_;
    bool armed_ = true;
};

} // namespace kiv
