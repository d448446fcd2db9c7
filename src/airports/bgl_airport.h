// One airport on its way into an airport file: made by the scenery scan from a BGL record,
// or by the learned-data save from the loaded airport file, and handed to gf_writeApf.
// Plain value type owned by the thread that builds it.
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
    IcaoCode icao;
    IataCode iata;
    double latitude = 0.0;  // degrees; 0 when unknown
    double longitude = 0.0; // degrees; 0 when unknown
    std::string name;
    std::int32_t altitude = 0; // feet
    std::int32_t Qf_real = 0;
    std::int32_t Qf_soft = 0;
    std::filesystem::path bglPath;
    std::string bglPathText; // the same path as UTF-8, written as "BGLpath"
    std::string publisher;
    std::vector<Stand> stands;
};

} // namespace kiv
