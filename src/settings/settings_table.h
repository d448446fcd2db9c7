// Every setting of the program: one global parameter object per key of "parameters.xml"
// (plus the window's lists and buttons that are never stored), built before main at its
// default. After start-up the objects belong to the GUI thread; worker threads read the
// settings snapshot. The registries list the stored ones in the order of a new file.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "settings/control_parameters.h"
#include "settings/parameter.h"

namespace kiv {

inline constexpr std::string_view kAllTraffic = "All traffic";
inline constexpr std::string_view kAirborneOnly = "Airborne only";
inline constexpr std::string_view kGroundOnly = "Ground only";
inline constexpr std::string_view kRtDirect = "RT Direct";
inline constexpr std::string_view kRtApp = "RT App";
inline constexpr std::string_view kQnhHpa = "QNH hPa";
inline constexpr std::string_view kQnhInHg = "QNH inHg";

inline constexpr std::size_t kFolderKeyCount = 10;

namespace param {

// Plain booleans.
extern BoolParameter PSX_SERVER_HERE, COLLAPSED;

// Check boxes.
extern CheckBoxParameter SKIP_AIRPORT_SCAN, SKIP_LIVERIES_SCAN, LIG_PRIORITIZE, COLLISION_USER_GND, COLLISION_USER_AIR,
    RANDOM, ALWAYS_ON_TOP, FLIGHT_MESSAGES, AEROWINX, GUID_CHANGES, NAV_LIGHTS_WHILE_PARKED, AUTO_RANGE, TWO_PROPS,
    LIGHT_AIRCRAFT, HELICOPTERS, HIGH_PERF_AIRCRAFT, SIM_TIME, KEEP_SIM_TIME_PAR, WEEK, PARK_SOFT, RT_PARKTRAFFIC_ONLY,
    AUTO_PARK;

// Integers. The main window's position belongs to the window; it is kept here so that
// the file lists it first. LAST_EPOCH_TIME's key ends with a colon.
extern IntParameter MAIN_WINDOW_X, MAIN_WINDOW_Y, LAST_EPOCH_TIME, BLOCK_HEXIDDEC, MAX_FIT, RANGE_GROUND, RANGE_1,
    RANGE_2, RANGE_3, RANGE_ABOVE, FLIGHT_LEVEL_1, FLIGHT_LEVEL_2, FLIGHT_LEVEL_3, P3D_VERSION;
// A list that is stored and loaded as an integer (clamped, never snapped to its list).
extern IntListParameter PARKING_INTERVAL_MINUTES;

// Integer lists.
extern IntListParameter RANGE, HOLDING_THRESHOLD_METERS, MAX_HOLDING_MINUTES, TIME_SHIFT_DAYS, TIME_SHIFT_HOURS,
    MATCHING_DEPTH, TCAS_FL, TIME_SHIFT_MINS, MAX_PARK_SEL, MAX_LIVE_SEL, AIRP_RANGE, AIRP_HEIGHT, parking_percentage;

// Texts.
extern StringParameter PROGRAM_VERSION, AIG_VERSION, ARCHIVES_VERSION, DBASE_VERSION, WEEKLY_TRAFFIC_AIRPORTS_VERSION,
    AIRPORTS_VERSION, PORT_NUMBER, BLOCK_AIRCRAFT, BLOCK_CALLSIGN, BLOCK_REGCODE, RT_API_SERVER, RT_API_CA_FILE;
// "lfolder0".."lfolder9": livery folders; "afolder0".."afolder9": add-on airport folders.
extern std::array<StringParameter, kFolderKeyCount> lfolder, afolder;
extern ControlStringParameter DESTINATION;
// The maker's download server: the base address that ends with "/downloads/".
extern StringParameter DOWNLOAD_SERVER;

// Choices.
extern ChoiceParameter ALL_AIR_GND_SELECTOR, RT_CHOISE, QNH_UNIT;

// Path.
extern PathParameter SIM_INSTALL_PATH;

// Never stored. MAX_FIT_FL mirrors MAX_FIT in hours; the selectors' lists are shared with
// the code that refills them and start as one empty text.
extern FloatListParameter MAX_FIT_FL;
extern DynamicChoiceParameter AIRCRAFT_SELECTOR, STAND_SELECTOR;

// Buttons (key = caption).
extern ButtonControl BUTTON_TBLO, BUTTON_AIRCRAFT, BUTTON_BLOCK, BUTTON_UNBLOCK, BUTTON_PARK, BUTTON_FLUSH, BUTTON_SET;

} // namespace param

// The stored parameters by kind, in the order of a new "parameters.xml" (registry by
// registry in the order below) and of the log lines at load. Filled once, never changed.
namespace registry {
extern const std::vector<BoolParameter*> bools;
extern const std::vector<CheckBoxParameter*> checkBoxes;
extern const std::vector<IntParameter*> ints;
extern const std::vector<IntListParameter*> intLists;
extern const std::vector<StringParameter*> texts;
extern const std::vector<ChoiceParameter*> choices;
extern const std::vector<PathParameter*> paths;
} // namespace registry

} // namespace kiv
