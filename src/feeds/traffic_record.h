// The records that leave the traffic feeds for the traffic manager: airport codes, routes,
// the record head shared with the aircraft records, one timed traffic sample, parked aircraft.
// Plain value types: made on a feed thread, moved to the simulator-loop thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "models/livery_key.h"

namespace kiv {

// Three-character IATA airport code; key 0 (no characters) means "no code".
struct IataCode {
    std::uint32_t key = 0;
    char chars[3] = {0, 0, 0};

    std::string_view text() const noexcept { return key == 0 ? std::string_view{} : std::string_view{chars, 3}; }
    friend bool operator==(const IataCode& a, const IataCode& b) noexcept { return a.key == b.key; }
};

struct Route {
    IataCode origin;
    IataCode destination;
};

struct TrafficRecordHead {
    LiveryKey liveryKey;
    Route route;
    std::uint64_t word = 0;
    std::string callsign;
    std::string prevCallsign;
    std::string thirdText;
    std::string registration;
};

// The numeric block of a traffic record from the latitude on; it joins a live aircraft's
// stream as it is.
struct StreamSample {
    double latitude = 0.0;
    double longitude = 0.0;
    double altitudeFt = 0.0;
    double groundSpeedKt = 0.0;
    double trackDeg = 0.0;
    double verticalRateFpm = 0.0;
    double trueAirspeedKt = 0.0;
    std::int32_t deliveryTick = 0;
    std::uint8_t airborne = 0;
    std::uint8_t stationary = 0;
    std::uint8_t trueHeadingValid = 0;
    std::uint8_t atCurrentPose = 0; // the sample lies where the aircraft already stands
    std::optional<double> bankRad;
    std::optional<double> trueHeadingRad;
    std::uint8_t plannedPoint = 0;
    std::uint8_t exitPoint = 0;
    std::uint8_t respawnSample = 0;
};

struct TrafficRecord {
    TrafficRecordHead head;
    StreamSample sample;
    double timestamp = 0.0; // seconds since 1970-01-01 UTC
    std::uint32_t hexId = 0;
};

using TrafficBatch = std::vector<TrafficRecord>;

// One aircraft the service reports parked, with the stand text of the feed (may be empty).
struct ParkedRecord {
    TrafficRecordHead head;
    double latitude = 0.0;
    double longitude = 0.0;
    std::uint32_t hexId = 0;
    std::int32_t slot = -1;        // half-hour slot of the day it was seen (0..47), -1 when unknown
    std::int32_t ageHalfHours = 0; // set by the parked merge: half hours since `slot`
    std::string stand;
};

// -90..90, -180..180 (NaN fails), and not the null-island point.
inline bool gf_isValidLalo(double latitude, double longitude) noexcept {
    const bool inRange = latitude >= -90.0 && latitude <= 90.0 && longitude >= -180.0 && longitude <= 180.0;
    const bool nullIsland = latitude <= 0.0001 && latitude >= -0.0001 && longitude <= 0.0001 && longitude >= -0.0001;
    return inRange && !nullIsland;
}

} // namespace kiv
