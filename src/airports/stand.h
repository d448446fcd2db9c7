// One park position of an airport and the learned uses of it, as the airport files hold them.
// Plain value types, header-only so that the traffic side can hold stands without linking the
// airports library; the park stands list is owned by the simulator-loop thread.
#pragma once

#include <bitset>
#include <cstdint>
#include <string>
#include <vector>

#include "models/livery_key.h"

namespace kiv {

// The sixteen stand kinds; the codes are those of the airport files and of the BGL scenery.
enum class ParkingType : std::uint32_t {
    none = 0,
    ramp_ga = 1,
    ramp_ga_small = 2,
    ramp_ga_medium = 3,
    ramp_ga_large = 4,
    ramp_cargo = 5,
    ramp_mil_cargo = 6,
    ramp_mil_combat = 7,
    gate_small = 8,
    gate_medium = 9,
    gate_heavy = 10,
    dock_ga = 11,
    fuel = 12,
    vehicle = 13,
    ramp_ga_extra = 14,
    gate_extra = 15,
};

inline constexpr std::uint32_t kParkingTypeCount = 16;

constexpr std::uint32_t gf_parkingTypeCode(ParkingType type) noexcept { return static_cast<std::uint32_t>(type); }

// One learned use of a stand by one aircraft on one weekday.
struct FlightOption {
    LiveryKey key;
    std::string reg;
    std::string cs;
    std::string cs2;            // the part of the file's "cs" behind its first ':'
    std::bitset<48> hh;         // half-hour slots of the day, slot 0 = 00:00-00:30
    std::uint32_t seq = 0;      // 1-based within the stand in the order of adding; 0 = withdrawn
    std::uint32_t day = 0;      // 1 Monday .. 7 Sunday
    std::uint32_t fromFile = 0; // 1: read from the airport file itself; 0: learned
    std::uint32_t real = 1;     // 1: seen on a real aircraft; 0: soft
    bool cpl = false;           // the aircraft left the stand again
    // Passed over by the current parking plan (already present); never written to a file.
    bool planSkip = false;
};

// One park position. Positions in degrees, heading in radians in [0, 2*pi), radius in
// nautical miles (the files hold metres).
struct Stand {
    std::vector<FlightOption> options;
    std::string id;
    std::vector<std::uint32_t> overlaps; // numbers of the stands of the same file it overlaps, ascending
    double latitude = 0.0;
    double longitude = 0.0;
    double heading = 0.0;
    double radius = 0.0;
    std::uint32_t number = 0; // 1-based position in the airport's stand list; 0 = not numbered
    std::uint32_t type = 0;   // a ParkingType code
    bool manual = false;      // created by hand in a learned file
    bool filled = false;      // planning marks of the static parking plan
    bool blocked = false;     // excluded from every stand search
    bool cargo = false;
    bool ramp = false;
    bool heli = false;
    bool jetway = false;
};

} // namespace kiv
