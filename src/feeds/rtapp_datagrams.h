// The layout of the RT App's traffic datagrams (UDP, one comma-separated record each): record
// types, end markers and the 0-based field positions the program reads. Constants only.
#pragma once

#include <cstddef>
#include <string_view>

namespace kiv::rtapp {

// Record types and markers (field 0).
inline constexpr std::string_view kLive = "RTTFC";
inline constexpr std::string_view kBufferedPrefix = "RTBUF"; // "RTBUF" and any longer type but the markers
inline constexpr std::string_view kParked = "RTPARK";
inline constexpr std::string_view kLiveEnd = "RTTFC_EOT";         // end of a live batch
inline constexpr std::string_view kBufferSeparator = "RTBUF_SEP"; // end of one buffered time slice
inline constexpr std::string_view kBufferEnd = "RTBUF_EOT";       // end of the buffered traffic
inline constexpr std::string_view kParkedEnd = "RTPARK_EOT";      // end of the parked set

inline constexpr bool isMarker(std::string_view type) {
    return type == kLiveEnd || type == kBufferSeparator || type == kBufferEnd || type == kParkedEnd;
}

// RTTFC and RTBUF: at least 44 fields.
namespace traffic {
inline constexpr std::size_t kFieldCount = 44;
inline constexpr std::size_t hexId = 1; // unsigned decimal
inline constexpr std::size_t latitude = 2;
inline constexpr std::size_t longitude = 3;
inline constexpr std::size_t altitude = 4; // barometric, feet
inline constexpr std::size_t verticalRate = 5;
inline constexpr std::size_t track = 7; // empty: 0
inline constexpr std::size_t groundSpeed = 8;
inline constexpr std::size_t callsign = 9;
inline constexpr std::size_t type = 10;
inline constexpr std::size_t registration = 11;
inline constexpr std::size_t origin = 12;
inline constexpr std::size_t destination = 13;
inline constexpr std::size_t timestamp = 14; // seconds since 1970, with fraction
inline constexpr std::size_t source = 17;    // "adsb_icao" enables the true heading
inline constexpr std::size_t trueAirspeed = 20;
inline constexpr std::size_t roll = 23;
inline constexpr std::size_t trueHeading = 25;
inline constexpr std::size_t category = 28;
inline constexpr std::size_t airline = 43;
inline constexpr std::string_view kTrueHeadingSource = "adsb_icao";
} // namespace traffic

// RTPARK: at least 9 fields.
namespace parked {
inline constexpr std::size_t kFieldCount = 9;
inline constexpr std::size_t hexId = 1; // hexadecimal
inline constexpr std::size_t latitude = 2;
inline constexpr std::size_t longitude = 3;
inline constexpr std::size_t callsign = 4;
inline constexpr std::size_t type = 5;
inline constexpr std::size_t registration = 6;
inline constexpr std::size_t stand = 7;
inline constexpr std::size_t timestamp = 8; // seconds since 1970, truncated
} // namespace parked

} // namespace kiv::rtapp
