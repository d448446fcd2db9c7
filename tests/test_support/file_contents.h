// Whole-file reads and writes for tests and fuzz targets: bytes as they are, no line-end
// conversion. A failure throws, so that a test never goes on with a fixture it did not make.
// Stateless: any thread.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kiv::test_support {

// Replaces the file (making its folder when missing) with exactly `bytes`.
inline void writeFile(const std::filesystem::path& path, std::string_view bytes) {
    if (path.has_parent_path()) {
        std::filesystem::create_directories(path.parent_path());
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        throw std::runtime_error("test fixture could not be written: " + path.string());
    }
}

// The file's bytes; throws when it cannot be opened.
inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) {
        throw std::runtime_error("test file could not be opened: " + path.string());
    }
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return std::move(bytes).str();
}

} // namespace kiv::test_support
