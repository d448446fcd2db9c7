// A fresh folder under the system's temp folder, removed with everything in it when the
// object goes out of scope. Unique per process and object, so tests may run in parallel.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

#include <fmt/format.h>

namespace kiv::test_support {

class TempFolder {
public:
    TempFolder() {
        static std::atomic<unsigned> counter{0};
        static const unsigned processToken = std::random_device{}();
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = std::filesystem::temp_directory_path() /
                fmt::format("kiv-test-{:08x}-{}-{}", processToken, stamp, counter.fetch_add(1));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace kiv::test_support
