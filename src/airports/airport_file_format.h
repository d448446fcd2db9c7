// The airport file: one XML document per airport, root > meta (the data-file info header),
// parameters (<parameter name= value=/>) and parkpositions (<parkpos> per stand, with <opt>
// per learned use). This header names its layout; airport_file_reader.h and
// airport_file_writer.h read and write it. Constants and pure functions: any thread.
//
//   <parkpos id="A7" typestr="GATE_MEDIUM" latitude="52.308600" longitude="4.763900"
//            heading="271.5" radius="24.0">
//     <opt reg="PH-BXA" airl="KLM" type="B738" soft="true" day="3" hh="14:16" cs="KLM1234:KL1234" cpl="true"/>
//   </parkpos>
//
// Stand positions are degrees with six decimals, headings degrees and radii metres with one;
// "hh" is a slot list "3,5,7" or one range "10:12" of half-hour slots 0..47; "day" is 1..7.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include <pugixml.hpp>

#include "airports/stand.h"

namespace kiv {

inline constexpr std::size_t kMaxStandsPerAirportFile = 512;

inline constexpr double kMetresPerNm = 1852.0;
inline constexpr double kNmPerMetre = 0.0005399568034557236;
inline constexpr double kDegToRad = 0.017453292519943295;
inline constexpr double kRadToDeg = 57.29577951308232;
inline constexpr double kTwoPi = 6.283185307179586;

// The kinds of file the writer makes.
inline constexpr std::uint32_t kLearnedAirportFile = 0;   // the learned copy: options, park keys
inline constexpr std::uint32_t kGeneratedAirportFile = 1; // made from scenery: every stand's geometry

inline constexpr std::array<std::string_view, kParkingTypeCount> kParkingTypeNames = {
    "NONE",           "RAMP_GA",         "RAMP_GA_SMALL", "RAMP_GA_MEDIUM", "RAMP_GA_LARGE", "RAMP_CARGO",
    "RAMP_MIL_CARGO", "RAMP_MIL_COMBAT", "GATE_SMALL",    "GATE_MEDIUM",    "GATE_HEAVY",    "DOCK_GA",
    "FUEL",           "VEHICLE",         "RAMP_GA_EXTRA", "GATE_EXTRA"};

// The "typestr" name of a code; "NONE" for a code outside the table.
constexpr std::string_view gf_parkingTypeName(std::uint32_t code) {
    return code < kParkingTypeNames.size() ? kParkingTypeNames[code] : kParkingTypeNames[0];
}
// The code of an exact (case-sensitive) name; 0 for a name not in the table.
constexpr std::uint32_t gf_parkingTypeFromName(std::string_view name) {
    for (std::uint32_t code = 0; code < kParkingTypeNames.size(); ++code) {
        if (kParkingTypeNames[code] == name) {
            return code;
        }
    }
    return 0;
}

// The parking settings a learned or handmade file keeps for its airport.
struct ParkKeys {
    std::uint32_t parking_percentage = 0;
    std::uint32_t MAX_FIT = 0;
    bool RT_PARKTRAFFIC_ONLY = false;
    bool AUTO_PARK = false;
    bool WEEK = false;
    bool PARK_SOFT = false;
};

// The one rule for a learned option's weekday, for the reader, the merge and the writer:
// 1 (Monday) .. 7 (Sunday).
constexpr bool gf_isValidOptionDay(std::int64_t day) { return day >= 1 && day <= 7; }
// The "day" of an <opt> element when it is a valid weekday (a missing or unreadable day is 0).
inline std::optional<std::uint32_t> gf_readOptionDay(const pugi::xml_node& opt) {
    const long long day = opt.attribute("day").as_llong(0);
    return gf_isValidOptionDay(day) ? std::optional<std::uint32_t>(static_cast<std::uint32_t>(day)) : std::nullopt;
}

} // namespace kiv
