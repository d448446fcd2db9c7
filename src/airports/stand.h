// One park position of an airport and one learned use of it, as the airport files hold them.
// Plain value types; the park stands list is owned by the simulator-loop thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "models/livery_key.h"

namespace kiv {

struct FlightOption {
    LiveryKey liveryKey;
    std::string registration;
    std::string callsign;
    std::string secondCallsign;
    std::uint64_t slots = 0; // 48 half-hour slots
    std::int32_t number = 0;
    std::uint32_t weekday = 0; // 1 Monday .. 7 Sunday
    std::uint32_t mark = 0;
    std::uint32_t realMark = 0;
    std::uint8_t closed = 0;
};

struct Stand {
    std::vector<FlightOption> options;
    std::string idText;
    std::vector<std::uint32_t> exclusions;
    double latitude = 0.0;
    double longitude = 0.0;
    double headingRad = 0.0;
    double radiusNm = 0.0;
    std::uint32_t standId = 0; // 1-based position in the stand list
    std::uint32_t parkingType = 0;
    std::uint8_t cargo = 0;
    std::uint8_t ramp = 0;
    std::uint8_t heli = 0;
    std::uint8_t manual = 0;
    std::uint8_t jetway = 0;
    std::uint8_t filled = 0;
    std::uint8_t blocked = 0;
};

} // namespace kiv
