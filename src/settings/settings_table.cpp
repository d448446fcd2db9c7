#include "settings/settings_table.h"

#include <memory>
#include <string>

// Everything here is built by static initialisation in the order written: each list before
// the parameters that copy it, the parameters before the registries that point to them.
namespace kiv {
namespace {

std::vector<std::int32_t> steps(std::int32_t first, std::int32_t last, std::int32_t step) {
    std::vector<std::int32_t> values;
    for (std::int32_t v = first; v <= last; v += step) {
        values.push_back(v);
    }
    return values;
}

std::vector<std::int32_t> joined(std::vector<std::int32_t> head, std::initializer_list<std::int32_t> tail) {
    head.insert(head.end(), tail);
    return head;
}

std::vector<float> halfHours() {
    std::vector<float> values;
    for (int halves = 1; halves <= 48; ++halves) {
        values.push_back(static_cast<float>(halves) * 0.5F);
    }
    return values;
}

std::array<StringParameter, kFolderKeyCount> folderKeys(const char* stem) {
    const std::string s(stem);
    return {StringParameter(s + "0", ""), StringParameter(s + "1", ""), StringParameter(s + "2", ""),
            StringParameter(s + "3", ""), StringParameter(s + "4", ""), StringParameter(s + "5", ""),
            StringParameter(s + "6", ""), StringParameter(s + "7", ""), StringParameter(s + "8", ""),
            StringParameter(s + "9", "")};
}

std::shared_ptr<std::vector<std::string>> oneEmptyText() { return std::make_shared<std::vector<std::string>>(1); }

const std::vector<std::int32_t> kParkingIntervals = {10, 15, 20, 25, 30, 40, 50, 60, 90, 1440};
const std::vector<std::int32_t> kRanges = steps(2, 100, 1);
const std::vector<std::int32_t> kHoldingMetres = {10,  50,  100, 150, 200, 250, 300, 350,
                                                  400, 450, 500, 600, 700, 800, 900};
const std::vector<std::int32_t> kHoldingMinutes = steps(1, 60, 1);
const std::vector<std::int32_t> kDays = steps(0, 13, 1);
const std::vector<std::int32_t> kHours = steps(0, 23, 1);
const std::vector<std::int32_t> kMatchingDepths = steps(1, 7, 1);
const std::vector<std::int32_t> kTcasLevels = joined(steps(100, 320, 20), {440});
const std::vector<std::int32_t> kMinutes = steps(0, 59, 1);
const std::vector<std::int32_t> kSelectionCounts = {0, 5, 10, 15, 20, 25, 30, 35, 40, 45, 50, 75, 100, 200, 500};
const std::vector<std::int32_t> kAirportRanges = steps(5, 30, 5);
const std::vector<std::int32_t> kAirportHeights = joined(steps(2000, 18000, 2000), {36000, 48000});
const std::vector<std::int32_t> kPercentages = steps(0, 100, 5);

} // namespace

namespace param {

BoolParameter PSX_SERVER_HERE("PSX_SERVER_HERE", true);
BoolParameter COLLAPSED("COLLAPSED", true);

CheckBoxParameter SKIP_AIRPORT_SCAN("SKIP_AIRPORT_SCAN", false, 32785, {113, 133, 135, 1});
CheckBoxParameter SKIP_LIVERIES_SCAN("SKIP_LIVERIES_SCAN", false, 32786, {113, 133, 167, 1});
CheckBoxParameter LIG_PRIORITIZE("LIG_PRIORITIZE", true, 32789, {331, 351, 167, 1});
CheckBoxParameter COLLISION_USER_GND("COLLISION_USER_GND", true, 32815, {494, 514, 239, 1});
CheckBoxParameter COLLISION_USER_AIR("COLLISION_USER_AIR", true, 32814, {494, 514, 271, 1});
CheckBoxParameter RANDOM("RANDOM", true, 32782, {657, 677, 239, 1});
CheckBoxParameter ALWAYS_ON_TOP("ALWAYS_ON_TOP", false, 32773, {775, 795, 175, 1});
CheckBoxParameter FLIGHT_MESSAGES("FLIGHT_MESSAGES", true, 32796, {765, 785, 239, 1});
CheckBoxParameter AEROWINX("AEROWINX", false, 32774, {657, 677, 271, 1});
CheckBoxParameter GUID_CHANGES("GUID_CHANGES", true, 32775, {765, 785, 271, 1});
CheckBoxParameter NAV_LIGHTS_WHILE_PARKED("NAV_LIGHTS_WHILE_PARKED", true, 32777, {765, 785, 303, 1});
CheckBoxParameter AUTO_RANGE("AUTO_RANGE", true, 32803, {222, 242, 375, 1});
CheckBoxParameter TWO_PROPS("TWO_PROPS", true, 32798, {113, 133, 471, 1});
CheckBoxParameter LIGHT_AIRCRAFT("LIGHT_AIRCRAFT", true, 32799, {222, 242, 471, 1});
CheckBoxParameter HELICOPTERS("HELICOPTERS", true, 32800, {331, 351, 471, 1});
CheckBoxParameter HIGH_PERF_AIRCRAFT("HIGH_PERF_AIRCRAFT", true, 32801, {440, 460, 471, 1});
CheckBoxParameter SIM_TIME("SIM_TIME", false, 32842, {657, 677, 407, 1});
CheckBoxParameter KEEP_SIM_TIME_PAR("KEEP_SIM_TIME_PAR", false, 32843, {657, 677, 439, 1});
CheckBoxParameter WEEK("WEEK", false, 32829, {331, 351, 607, 1});
CheckBoxParameter PARK_SOFT("PARK_SOFT", false, 32828, {494, 514, 607, 1});
CheckBoxParameter RT_PARKTRAFFIC_ONLY("RT_PARKTRAFFIC_ONLY", false, 32832, {5, 25, 575, 1});
CheckBoxParameter AUTO_PARK("AUTO_PARK", true, 32826, {5, 25, 607, 1});

IntParameter MAIN_WINDOW_X("MAIN_WINDOW_X", 400, -30000, 30000);
IntParameter MAIN_WINDOW_Y("MAIN_WINDOW_Y", 20, -30000, 30000);
IntListParameter PARKING_INTERVAL_MINUTES("PARKING_INTERVAL_MINUTES", 20, kParkingIntervals, 32827,
                                          {657, 732, 479, -5});
IntParameter LAST_EPOCH_TIME("LAST_EPOCH_TIME:", 0, 0, 2147483647);
IntParameter BLOCK_HEXIDDEC("BLOCK_HEXIDDEC", 0, 0, 16777215);
IntParameter MAX_FIT("MAX_FIT", 47, 0, 47);
IntParameter RANGE_GROUND("RANGE_GROUND", 10, 2, 100);
IntParameter RANGE_1("RANGE_1", 20, 2, 100);
IntParameter RANGE_2("RANGE_2", 40, 2, 100);
IntParameter RANGE_3("RANGE_3", 50, 1, 100);
IntParameter RANGE_ABOVE("RANGE_ABOVE", 60, 2, 100);
IntParameter FLIGHT_LEVEL_1("FLIGHT_LEVEL_1", 100, 2, 480);
IntParameter FLIGHT_LEVEL_2("FLIGHT_LEVEL_2", 200, 2, 480);
IntParameter FLIGHT_LEVEL_3("FLIGHT_LEVEL_3", 300, 2, 480);
IntParameter P3D_VERSION("P3D_VERSION", 5, 5, 6);

IntListParameter RANGE("RANGE", 40, kRanges, 32802, {113, 188, 375, -5});
IntListParameter HOLDING_THRESHOLD_METERS("HOLDING_THRESHOLD_METERS", 250, kHoldingMetres, 32794, {113, 188, 407, -5});
IntListParameter MAX_HOLDING_MINUTES("MAX_HOLDING_MINUTES", 3, kHoldingMinutes, 32805, {385, 460, 407, -5});
IntListParameter TIME_SHIFT_DAYS("TIME_SHIFT_DAYS", 0, kDays, 32838, {765, 840, 375, -5});
IntListParameter TIME_SHIFT_HOURS("TIME_SHIFT_HOURS", 0, kHours, 32839, {765, 840, 407, -5});
IntListParameter MATCHING_DEPTH("MATCHING_DEPTH", 4, kMatchingDepths, 32795, {113, 5, 439, -7});
IntListParameter TCAS_FL("TCAS_FL", 180, kTcasLevels, 32804, {222, 297, 439, -7});
IntListParameter TIME_SHIFT_MINS("TIME_SHIFT_MINS", 0, kMinutes, 32841, {765, 840, 439, -5});
IntListParameter MAX_PARK_SEL("MAX_PARK_SEL", 500, kSelectionCounts, 32823, {385, 460, 575, -5});
IntListParameter MAX_LIVE_SEL("MAX_LIVE_SEL", 500, kSelectionCounts, 32824, {494, 569, 375, -5});
IntListParameter AIRP_RANGE("AIRP_RANGE", 20, kAirportRanges, 32820, {494, 569, 543, -5});
IntListParameter AIRP_HEIGHT("AIRP_HEIGHT", 18000, kAirportHeights, 32821, {657, 755, 543, -5});
IntListParameter parking_percentage("parking_percentage", 30, kPercentages, 32825, {113, 188, 607, -5});

StringParameter PROGRAM_VERSION("PROGRAM_VERSION", "");
StringParameter AIG_VERSION("AIG_VERSION", "");
StringParameter ARCHIVES_VERSION("ARCHIVES_VERSION", "");
StringParameter DBASE_VERSION("DBASE_VERSION", "");
StringParameter WEEKLY_TRAFFIC_AIRPORTS_VERSION("WEEKLY_TRAFFIC_AIRPORTS_VERSION", "");
StringParameter AIRPORTS_VERSION("AIRPORTS_VERSION", "");
StringParameter PORT_NUMBER("PORT_NUMBER", "10747");
std::array<StringParameter, kFolderKeyCount> lfolder = folderKeys("lfolder");
StringParameter BLOCK_AIRCRAFT("BLOCK_AIRCRAFT", "");
StringParameter BLOCK_CALLSIGN("BLOCK_CALLSIGN", "");
StringParameter BLOCK_REGCODE("BLOCK_REGCODE", "");
std::array<StringParameter, kFolderKeyCount> afolder = folderKeys("afolder");
ControlStringParameter DESTINATION("DESTINATION", "", 32819, {5, 80, 543, -4});
// Nothing is known of the maker's host here: the ".invalid" default fails at once, so a real
// address (or a local stand-in) must be set.
StringParameter DOWNLOAD_SERVER("DOWNLOAD_SERVER", "https://velt-p3d.invalid/downloads/");
// The service's HTTPS interface (scheme and host) and the certificate authorities that vouch
// for it (empty: the system's store); a local stand-in with its own CA file can take their place.
StringParameter RT_API_SERVER("RT_API_SERVER", "https://rtw.flyrealtraffic.com");
StringParameter RT_API_CA_FILE("RT_API_CA_FILE", "");

ChoiceParameter ALL_AIR_GND_SELECTOR("ALL_AIR_GND_SELECTOR", std::string(kAllTraffic),
                                     {std::string(kAllTraffic), std::string(kAirborneOnly), std::string(kGroundOnly)},
                                     32808, {5, 5, 239, -2});
ChoiceParameter RT_CHOISE("RT_CHOISE", std::string(kRtDirect), {std::string(kRtDirect), std::string(kRtApp)}, 32779,
                          {657, 657, 135, -7});
ChoiceParameter QNH_UNIT("QNH_UNIT", std::string(kQnhHpa), {std::string(kQnhHpa), std::string(kQnhInHg)}, 32784,
                         {775, 775, 135, -7});

PathParameter SIM_INSTALL_PATH("SIM_INSTALL_PATH", u"");

FloatListParameter MAX_FIT_FL("MAX_FIT_FL", 24.0F, halfHours(), 32830, {222, 297, 575, -5});
DynamicChoiceParameter AIRCRAFT_SELECTOR("AIRCRAFT_SELECTOR", "", oneEmptyText(), 32810, {5, 5, 271, -2});
DynamicChoiceParameter STAND_SELECTOR("STAND_SELECTOR", "", oneEmptyText(), 32818, {167, 341, 543, -3});

ButtonControl BUTTON_TBLO("Tblo", 32793, {222, 222, 135, -4});
ButtonControl BUTTON_AIRCRAFT("Aircraft", 32809, {222, 222, 239, 0});
ButtonControl BUTTON_BLOCK("Block", 32811, {5, 5, 303, 2});
ButtonControl BUTTON_UNBLOCK("Unblock", 32812, {113, 113, 303, 2});
ButtonControl BUTTON_PARK("Park", 32822, {765, 765, 511, -2});
ButtonControl BUTTON_FLUSH("Flush", 32833, {765, 765, 607, 2});
ButtonControl BUTTON_SET("Set", 32840, {657, 657, 372, -2});

} // namespace param

namespace registry {

using namespace param;

const std::vector<BoolParameter*> bools = {&PSX_SERVER_HERE, &COLLAPSED};

const std::vector<CheckBoxParameter*> checkBoxes = {&SKIP_AIRPORT_SCAN,
                                                    &SKIP_LIVERIES_SCAN,
                                                    &LIG_PRIORITIZE,
                                                    &COLLISION_USER_GND,
                                                    &COLLISION_USER_AIR,
                                                    &RANDOM,
                                                    &ALWAYS_ON_TOP,
                                                    &FLIGHT_MESSAGES,
                                                    &AEROWINX,
                                                    &GUID_CHANGES,
                                                    &NAV_LIGHTS_WHILE_PARKED,
                                                    &AUTO_RANGE,
                                                    &TWO_PROPS,
                                                    &LIGHT_AIRCRAFT,
                                                    &HELICOPTERS,
                                                    &HIGH_PERF_AIRCRAFT,
                                                    &SIM_TIME,
                                                    &KEEP_SIM_TIME_PAR,
                                                    &WEEK,
                                                    &PARK_SOFT,
                                                    &RT_PARKTRAFFIC_ONLY,
                                                    &AUTO_PARK};

const std::vector<IntParameter*> ints = {&MAIN_WINDOW_X,   &MAIN_WINDOW_Y,  &PARKING_INTERVAL_MINUTES,
                                         &LAST_EPOCH_TIME, &BLOCK_HEXIDDEC, &MAX_FIT,
                                         &RANGE_GROUND,    &RANGE_1,        &RANGE_2,
                                         &RANGE_3,         &RANGE_ABOVE,    &FLIGHT_LEVEL_1,
                                         &FLIGHT_LEVEL_2,  &FLIGHT_LEVEL_3, &P3D_VERSION};

const std::vector<IntListParameter*> intLists = {&RANGE,
                                                 &HOLDING_THRESHOLD_METERS,
                                                 &MAX_HOLDING_MINUTES,
                                                 &TIME_SHIFT_DAYS,
                                                 &TIME_SHIFT_HOURS,
                                                 &MATCHING_DEPTH,
                                                 &TCAS_FL,
                                                 &TIME_SHIFT_MINS,
                                                 &MAX_PARK_SEL,
                                                 &MAX_LIVE_SEL,
                                                 &AIRP_RANGE,
                                                 &AIRP_HEIGHT,
                                                 &parking_percentage};

namespace {
std::vector<StringParameter*> textRegistry() {
    std::vector<StringParameter*> texts = {
        &PROGRAM_VERSION,  &AIG_VERSION, &ARCHIVES_VERSION, &DBASE_VERSION, &WEEKLY_TRAFFIC_AIRPORTS_VERSION,
        &AIRPORTS_VERSION, &PORT_NUMBER};
    for (StringParameter& folder : lfolder) {
        texts.push_back(&folder);
    }
    texts.insert(texts.end(), {&BLOCK_AIRCRAFT, &BLOCK_CALLSIGN, &BLOCK_REGCODE});
    for (StringParameter& folder : afolder) {
        texts.push_back(&folder);
    }
    texts.push_back(&DESTINATION);
    texts.push_back(&DOWNLOAD_SERVER);
    texts.push_back(&RT_API_SERVER);
    texts.push_back(&RT_API_CA_FILE);
    return texts;
}
} // namespace

const std::vector<StringParameter*> texts = textRegistry();

const std::vector<ChoiceParameter*> choices = {&ALL_AIR_GND_SELECTOR, &RT_CHOISE, &QNH_UNIT};

const std::vector<PathParameter*> paths = {&SIM_INSTALL_PATH};

} // namespace registry
} // namespace kiv
