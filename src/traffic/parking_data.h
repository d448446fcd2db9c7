// The state the parking steps keep beside the traffic state's tables: the park airport file's
// name, quality and kind, and the planner's direction toggle and search counters. Owned by
// the parking steps; simulator-loop thread only.
#pragma once

#include <cstdint>
#include <string>

namespace kiv {

struct SearchCounters {
    std::int32_t rtPositions = 0;   // service parked records placed
    std::int32_t mayStay = 0;       // standing aircraft kept
    std::int32_t filePositions = 0; // learned uses placed
};

struct ParkingData {
    std::string airportName;
    std::int32_t qfReal = 0;
    std::int32_t qfSoft = 0;
    bool handmadeFile = false;
    bool searchForward = true; // the stand walk alternates its direction on every call
    SearchCounters counters;
};

} // namespace kiv
