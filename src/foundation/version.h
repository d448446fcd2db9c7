// Three-number versions of the program and its data sets.
// Values are plain and immutable once built; any thread may use them.
#pragma once

#include <compare>
#include <cstdint>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

namespace kiv {

struct Version {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t patch = 0;

    Version() = default;
    constexpr Version(std::uint32_t majorPart, std::uint32_t minorPart, std::uint32_t patchPart)
        : major(majorPart), minor(minorPart), patch(patchPart) {}
    // "major.minor[.patch]" or a JSON object with those keys; anything else gives 0.0.0
    // and one log line. Never throws.
    explicit Version(std::string_view text);

    friend auto operator<=>(const Version&, const Version&) = default;
};

// The unsigned 32-bit integer stored under `key`; 0 when absent, not an integer, negative or
// larger than 32 bits.
std::uint32_t gf_versionFromJson(const nlohmann::json& object, std::string_view key);

} // namespace kiv
