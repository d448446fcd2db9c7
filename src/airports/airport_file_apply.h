// Putting the park airport's airport file in force: its altitude, traffic week and publisher,
// the park settings adjusted to the airport (from its learned copy, or by fixed rules), the
// summary in the log, and what the learned-data save and the settings restore need later.
// Runs on the parked-file reader's thread (the traffic side); the loaded-file state is kept
// under its own mutex, setting objects and controls are changed on the GUI thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "airports/airport_file_read.h"

namespace kiv {

// The park settings as the settings snapshot holds them, in snapshot order.
struct ParkSettingsHead {
    std::int32_t parking_percentage = 0;
    std::int32_t MAX_PARK_SEL = 0;
    std::int32_t MAX_LIVE_SEL = 0;
    std::int32_t MAX_FIT = 0;
    bool RT_PARKTRAFFIC_ONLY = false;
    bool AUTO_PARK = false;
    bool WEEK = false;
    bool PARK_SOFT = false;

    friend bool operator==(const ParkSettingsHead&, const ParkSettingsHead&) = default;
};
ParkSettingsHead gf_currentParkSettingsHead();

struct LoadedParkFileInfo {
    std::string airport_name;
    std::string publisher;
    std::uint32_t altitude = 0;
    ParkSettingsHead parkSettingsAtLoad;
    // The path the file was asked for: its learned copy is read and saved by this path.
    std::filesystem::path requestedPath;
};

// The applied file's state until the parking state is reset.
struct AppliedAirportFile {
    bool airportFileLoaded = false;
    bool handmadeOverrulesLoaded = false;
    std::uint32_t parkTrafficWeek = 0;
    LoadedParkFileInfo info;
};
AppliedAirportFile gf_appliedAirportFile();
// The reset of the parking state (after the save and the restore).
void gf_clearAppliedAirportFile();

void gf_applyAirportFile(const AirportFile& file);

} // namespace kiv
