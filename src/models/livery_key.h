// What a livery stands for (airline, operator, model, cargo) and the size class of a model.
// Plain value types, shared read-only by every thread; the interned code tables behind the
// ids belong to the models subsystem.
#pragma once

#include <cstdint>

namespace kiv {

struct LiveryKey {
    std::uint16_t airlineId = 0;
    std::uint16_t operatorId = 0;
    std::uint16_t modelId = 0;
    std::uint8_t cargo = 0;
    std::uint8_t present = 0; // set when the key came from the type database

    friend bool operator==(const LiveryKey&, const LiveryKey&) = default;
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

} // namespace kiv
