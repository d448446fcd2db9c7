// One airport read from a scenery file while the scan turns it into an airport file.
// Plain value type, made and used by the scan's thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "airports/stand.h"
#include "feeds/traffic_record.h"
#include "foundation/icao_code.h"

namespace kiv {

struct BglAirport {
    IcaoCode icao{"ZZZZ"};
    IataCode iata;
    double latitude = 0.0;
    double longitude = 0.0;
    std::string name;
    std::uint32_t reserved = 0;
    std::int32_t altitudeFt = 0;
    std::int32_t qfReal = 0;
    std::int32_t qfSoft = 0;
    std::filesystem::path bglPath;
    std::string bglPathText; // the same path as UTF-8
    std::string publisher;
    std::vector<Stand> stands;
};

} // namespace kiv
