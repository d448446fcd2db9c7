// Stand-in for the Windows registry values the program reads: a small key/value file
// (the program keeps it as "registry.ini" in its data folder), with one "[ROOT\key\path]" section per
// registry key and one "value name=data" line per value. Read-only for the program;
// every query reads the file afresh, so any thread may call.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kiv::platform {

inline constexpr std::string_view kCurrentUserRoot = "HKEY_CURRENT_USER";

class RegistryStore {
public:
    explicit RegistryStore(std::filesystem::path file) : file_(std::move(file)) {}

    // The data of a text value, or nullopt when the key or value is missing or the data is
    // longer than `maxChars` characters (the caller's buffer would not hold it).
    std::optional<std::string> queryString(std::string_view root, std::string_view keyPath, std::string_view valueName,
                                           std::size_t maxChars) const;

    const std::filesystem::path& file() const { return file_; }

private:
    std::filesystem::path file_;
};

} // namespace kiv::platform
