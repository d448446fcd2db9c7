// The traffic and parked entries of the service's JSON replies, by array position, converted
// into the feeds' records. Pure functions over the reply's "data": the traffic reader's
// thread calls them once per reply.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "feeds/record_conversion.h"
#include "feeds/traffic_reader.h"
#include "feeds/traffic_record.h"

namespace kiv {

class FeedsNeighbours;

namespace rtapi {
// Positions of a traffic entry (an array of exactly 49 elements).
inline constexpr std::size_t kTrafficEntrySize = 49;
namespace traffic {
inline constexpr std::size_t hexId = 0, latitude = 1, longitude = 2, track = 3, altitude = 4, groundSpeed = 5,
                             squawk = 6, type = 8, registration = 9, timestamp = 10, origin = 11, destination = 12,
                             callsign = 13, verticalRate = 15, source = 17, trueAirspeed = 20, roll = 23,
                             trueHeading = 25, category = 28, airline = 48;
}
// Positions of a parked entry (at least 7 elements; the member's name is the hex id).
inline constexpr std::size_t kParkedEntryMinSize = 7;
namespace parked {
inline constexpr std::size_t latitude = 0, longitude = 1, stand = 2, type = 3, registration = 4, timestamp = 5,
                             callsign = 6;
}
} // namespace rtapi

// The records of one reply with the identities it reported and its newest data time.
struct RTAPIBatch {
    TrafficBatch records;
    ReceivedTraffic received;        // callsigns and hex ids reported by the conversion
    std::uint64_t latestTimestamp = 0; // rounded seconds of the last entry with a valid one
    void clear();
};

// A feed hex id: at least one hexadecimal digit, nothing else, within 32 bits.
std::optional<std::uint32_t> lf_parseRTAPIHexId(std::string_view text);

void lf_fillBatchFromReply(const nlohmann::json& data, const ConversionContext& context, RTAPIBatch& batch);
void parseTrafficRecord(const nlohmann::json& entry, const ConversionContext& context, RTAPIBatch& batch);

std::vector<ParkedRecord> lf_fillParkedFromReply(const nlohmann::json& data, const FeedsNeighbours& neighbours);
void parseParkedRecord(std::string_view name, const nlohmann::json& entry, const FeedsNeighbours& neighbours,
                       std::vector<ParkedRecord>& records);

} // namespace kiv
