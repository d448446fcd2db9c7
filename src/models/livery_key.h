// What a livery stands for (airline, operator, model, cargo) and the size class of a model.
// Plain value types, shared read-only by every thread; the interned code tables behind the
// ids belong to the models subsystem (models/interned_codes.h, models/livery_key_text.h).
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "foundation/fnv1a.h"

namespace kiv {

// Eight bytes; two keys are equal when all eight are.
struct LiveryKey {
    std::uint16_t airlineId = 0;
    std::uint16_t operatorId = 0; // an airline id; 0 = none
    std::uint16_t modelId = 0;
    std::uint8_t cargo = 0;
    std::uint8_t present = 0; // set when the key came from the type database

    friend bool operator==(const LiveryKey&, const LiveryKey&) = default;

    // airline | operator << 16 | model << 32 | cargo << 48 | present << 56: the bytes in field
    // order, little-endian.
    constexpr std::uint64_t packed() const noexcept {
        return std::uint64_t{airlineId} | std::uint64_t{operatorId} << 16 | std::uint64_t{modelId} << 32 |
               std::uint64_t{cargo} << 48 | std::uint64_t{present} << 56;
    }
    static constexpr LiveryKey unpacked(std::uint64_t value) noexcept {
        return LiveryKey{static_cast<std::uint16_t>(value), static_cast<std::uint16_t>(value >> 16),
                         static_cast<std::uint16_t>(value >> 32), static_cast<std::uint8_t>(value >> 48),
                         static_cast<std::uint8_t>(value >> 56)};
    }
};

// 64-bit FNV-1a over the eight bytes in field order.
struct LiveryKeyHash {
    std::size_t operator()(const LiveryKey& key) const noexcept {
        const std::uint64_t value = key.packed();
        std::array<std::uint8_t, 8> bytes{};
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
        return static_cast<std::size_t>(gf_fnv1a64(bytes));
    }
};

// Values outside 0..6 can arrive (unchecked data) and must be refused by table look-ups.
enum class SizeClass : std::uint32_t {
    Light = 0,
    TwoProps = 1,
    Bizjet = 2,
    Large = 3,
    Heavy = 4,
    HighPerf = 5,
    Rotorcraft = 6,
};

inline constexpr std::array<std::string_view, 7> kSizeClassNames = {"Light", "TwoProps", "Bizjet",    "Large",
                                                                    "Heavy", "HighPerf", "Rotorcraft"};

// The class's name; a value outside 0..6 throws std::out_of_range, as a map look-up would.
inline std::string_view gf_sizeClassName(SizeClass sizeClass) {
    const auto index = static_cast<std::uint32_t>(sizeClass);
    if (index >= kSizeClassNames.size()) {
        throw std::out_of_range("invalid unordered_map<K, T> key");
    }
    return kSizeClassNames[index];
}

} // namespace kiv
