// The one 64-bit FNV-1a hash of the program: code tables, livery keys and title sets hash
// with it. Pure functions: any thread.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kiv {

inline constexpr std::uint64_t kFnv1aOffsetBasis = 0xcbf29ce484222325u;
inline constexpr std::uint64_t kFnv1aPrime = 0x100000001b3u;

constexpr std::uint64_t gf_fnv1a64(std::span<const std::uint8_t> bytes) noexcept {
    std::uint64_t hash = kFnv1aOffsetBasis;
    for (const std::uint8_t byte : bytes) {
        hash ^= byte;
        hash *= kFnv1aPrime;
    }
    return hash;
}

constexpr std::uint64_t gf_fnv1a64(std::string_view text) noexcept {
    std::uint64_t hash = kFnv1aOffsetBasis;
    for (const char c : text) {
        hash ^= static_cast<std::uint8_t>(c);
        hash *= kFnv1aPrime;
    }
    return hash;
}

// A transparent text hash for hash sets and maps keyed by std::string, so that a
// std::string_view can be looked up without making a string.
struct Fnv1aTextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const noexcept { return static_cast<std::size_t>(gf_fnv1a64(text)); }
    std::size_t operator()(const std::string& text) const noexcept {
        return static_cast<std::size_t>(gf_fnv1a64(std::string_view(text)));
    }
    std::size_t operator()(const char* text) const noexcept {
        return static_cast<std::size_t>(gf_fnv1a64(std::string_view(text)));
    }
};

} // namespace kiv
