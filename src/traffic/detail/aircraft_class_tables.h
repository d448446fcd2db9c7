// Fixed per-size-class constants and the type-designator lists that refine the class flags.
// Built once on first use (thread-safe static initialisation); read-only afterwards.
#pragma once

#include <cstdint>
#include <string_view>

#include "models/livery_key.h"

namespace kiv::detail {

struct ClassRow {
    double classDistance;
    double angle1Deg;
    double angle2Deg;
    double rateDeg;
    std::uint32_t value1;
    std::uint32_t value2;
    std::uint32_t value3;
    std::uint32_t value4;
    double liveFactor;
    double liveRate;
};

// Throws std::out_of_range for a class outside 0..6.
const ClassRow& classRow(SizeClass sizeClass);

bool isLightSingleType(std::string_view code);
bool isPistonTwinType(std::string_view code);
bool isRegionalType(std::string_view code);

} // namespace kiv::detail
