#include <set>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "foundation/text_conversion.h"
#include "settings/settings_table.h"

namespace kiv {
namespace {

// "key=default" of every stored parameter, registry by registry, as a new file lists them;
// integers with their bounds.
std::vector<std::string> newFileOrder() {
    std::vector<std::string> lines;
    for (const auto* p : registry::bools)
        lines.push_back(fmt::format("{}={}", p->key, p->defaultValue));
    for (const auto* p : registry::checkBoxes)
        lines.push_back(fmt::format("{}={}", p->key, p->defaultValue));
    for (const auto* p : registry::ints)
        lines.push_back(fmt::format("{}={} {}..{}", p->key, p->defaultValue, p->min, p->max));
    for (const auto* p : registry::intLists)
        lines.push_back(fmt::format("{}={} {}..{}", p->key, p->defaultValue, p->min, p->max));
    for (const auto* p : registry::texts)
        lines.push_back(fmt::format("{}=\"{}\"", p->key, p->defaultValue));
    for (const auto* p : registry::choices)
        lines.push_back(fmt::format("{}=\"{}\"", p->key, p->defaultValue));
    for (const auto* p : registry::paths)
        lines.push_back(fmt::format("{}=\"{}\"", p->key, wide_to_utf8(p->defaultValue)));
    return lines;
}

TEST(SettingsTable, ANewFileListsEveryKeyInOrderWithItsDefault) {
    const std::vector<std::string> expected = {
        "PSX_SERVER_HERE=true",
        "COLLAPSED=true",
        "SKIP_AIRPORT_SCAN=false",
        "SKIP_LIVERIES_SCAN=false",
        "LIG_PRIORITIZE=true",
        "COLLISION_USER_GND=true",
        "COLLISION_USER_AIR=true",
        "RANDOM=true",
        "ALWAYS_ON_TOP=false",
        "FLIGHT_MESSAGES=true",
        "AEROWINX=false",
        "GUID_CHANGES=true",
        "NAV_LIGHTS_WHILE_PARKED=true",
        "AUTO_RANGE=true",
        "TWO_PROPS=true",
        "LIGHT_AIRCRAFT=true",
        "HELICOPTERS=true",
        "HIGH_PERF_AIRCRAFT=true",
        "SIM_TIME=false",
        "KEEP_SIM_TIME_PAR=false",
        "WEEK=false",
        "PARK_SOFT=false",
        "RT_PARKTRAFFIC_ONLY=false",
        "AUTO_PARK=true",
        "MAIN_WINDOW_X=400 -30000..30000",
        "MAIN_WINDOW_Y=20 -30000..30000",
        "PARKING_INTERVAL_MINUTES=20 10..1440",
        "LAST_EPOCH_TIME:=0 0..2147483647",
        "BLOCK_HEXIDDEC=0 0..16777215",
        "MAX_FIT=47 0..47",
        "RANGE_GROUND=10 2..100",
        "RANGE_1=20 2..100",
        "RANGE_2=40 2..100",
        "RANGE_3=50 1..100",
        "RANGE_ABOVE=60 2..100",
        "FLIGHT_LEVEL_1=100 2..480",
        "FLIGHT_LEVEL_2=200 2..480",
        "FLIGHT_LEVEL_3=300 2..480",
        "P3D_VERSION=5 5..6",
        "RANGE=40 2..100",
        "HOLDING_THRESHOLD_METERS=250 10..900",
        "MAX_HOLDING_MINUTES=3 1..60",
        "TIME_SHIFT_DAYS=0 0..13",
        "TIME_SHIFT_HOURS=0 0..23",
        "MATCHING_DEPTH=4 1..7",
        "TCAS_FL=180 100..440",
        "TIME_SHIFT_MINS=0 0..59",
        "MAX_PARK_SEL=500 0..500",
        "MAX_LIVE_SEL=500 0..500",
        "AIRP_RANGE=20 5..30",
        "AIRP_HEIGHT=18000 2000..48000",
        "parking_percentage=30 0..100",
        "PROGRAM_VERSION=\"\"",
        "AIG_VERSION=\"\"",
        "ARCHIVES_VERSION=\"\"",
        "DBASE_VERSION=\"\"",
        "WEEKLY_TRAFFIC_AIRPORTS_VERSION=\"\"",
        "AIRPORTS_VERSION=\"\"",
        "PORT_NUMBER=\"10747\"",
        "lfolder0=\"\"",
        "lfolder1=\"\"",
        "lfolder2=\"\"",
        "lfolder3=\"\"",
        "lfolder4=\"\"",
        "lfolder5=\"\"",
        "lfolder6=\"\"",
        "lfolder7=\"\"",
        "lfolder8=\"\"",
        "lfolder9=\"\"",
        "BLOCK_AIRCRAFT=\"\"",
        "BLOCK_CALLSIGN=\"\"",
        "BLOCK_REGCODE=\"\"",
        "afolder0=\"\"",
        "afolder1=\"\"",
        "afolder2=\"\"",
        "afolder3=\"\"",
        "afolder4=\"\"",
        "afolder5=\"\"",
        "afolder6=\"\"",
        "afolder7=\"\"",
        "afolder8=\"\"",
        "afolder9=\"\"",
        "DESTINATION=\"\"",
        "DOWNLOAD_SERVER=\"https://velt-p3d.invalid/downloads/\"",
        "RT_API_SERVER=\"https://rtw.flyrealtraffic.com\"",
        "RT_API_CA_FILE=\"\"",
        "ALL_AIR_GND_SELECTOR=\"All traffic\"",
        "RT_CHOISE=\"RT Direct\"",
        "QNH_UNIT=\"QNH hPa\"",
        "SIM_INSTALL_PATH=\"\"",
    };
    EXPECT_EQ(newFileOrder(), expected);
}

std::vector<std::int32_t> from(std::int32_t first, std::int32_t last, std::int32_t step) {
    std::vector<std::int32_t> values;
    for (std::int32_t v = first; v <= last; v += step)
        values.push_back(v);
    return values;
}

TEST(SettingsTable, ListsOfferTheirValuesInDisplayOrder) {
    const std::vector<std::int32_t> selectionCounts = {0, 5, 10, 15, 20, 25, 30, 35, 40, 45, 50, 75, 100, 200, 500};
    const struct {
        const IntListParameter* list;
        std::vector<std::int32_t> allowed;
    } cases[] = {
        {&param::PARKING_INTERVAL_MINUTES, {10, 15, 20, 25, 30, 40, 50, 60, 90, 1440}},
        {&param::RANGE, from(2, 100, 1)},
        {&param::HOLDING_THRESHOLD_METERS, {10, 50, 100, 150, 200, 250, 300, 350, 400, 450, 500, 600, 700, 800, 900}},
        {&param::MAX_HOLDING_MINUTES, from(1, 60, 1)},
        {&param::TIME_SHIFT_DAYS, from(0, 13, 1)},
        {&param::TIME_SHIFT_HOURS, from(0, 23, 1)},
        {&param::MATCHING_DEPTH, from(1, 7, 1)},
        {&param::TCAS_FL, {100, 120, 140, 160, 180, 200, 220, 240, 260, 280, 300, 320, 440}},
        {&param::TIME_SHIFT_MINS, from(0, 59, 1)},
        {&param::MAX_PARK_SEL, selectionCounts},
        {&param::MAX_LIVE_SEL, selectionCounts},
        {&param::AIRP_RANGE, {5, 10, 15, 20, 25, 30}},
        {&param::AIRP_HEIGHT, {2000, 4000, 6000, 8000, 10000, 12000, 14000, 16000, 18000, 36000, 48000}},
        {&param::parking_percentage, from(0, 100, 5)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.list->allowed, c.allowed) << c.list->key;
    }
    EXPECT_EQ(param::RANGE.allowed.size(), 99U);
    ASSERT_EQ(param::MAX_FIT_FL.allowed.size(), 48U);
    EXPECT_EQ(param::MAX_FIT_FL.allowed.front(), 0.5F);
    EXPECT_EQ(param::MAX_FIT_FL.allowed[1], 1.0F);
    EXPECT_EQ(param::MAX_FIT_FL.allowed.back(), 24.0F);
    EXPECT_EQ(param::MAX_FIT_FL.value, 24.0F);
}

TEST(SettingsTable, ChoicesAndRunTimeListsStartAsListed) {
    EXPECT_EQ(param::ALL_AIR_GND_SELECTOR.choices,
              (std::vector<std::string>{"All traffic", "Airborne only", "Ground only"}));
    EXPECT_EQ(param::RT_CHOISE.choices, (std::vector<std::string>{"RT Direct", "RT App"}));
    EXPECT_EQ(param::QNH_UNIT.choices, (std::vector<std::string>{"QNH hPa", "QNH inHg"}));
    for (const DynamicChoiceParameter* selector : {&param::AIRCRAFT_SELECTOR, &param::STAND_SELECTOR}) {
        EXPECT_EQ(*selector->choices, std::vector<std::string>{""}) << selector->key;
    }
    EXPECT_NE(param::AIRCRAFT_SELECTOR.choices, param::STAND_SELECTOR.choices) << "each selector has its own list";
}

TEST(SettingsTable, ControlsHaveDistinctIds) {
    std::vector<const ParameterControl*> controls;
    for (const auto* p : registry::checkBoxes)
        controls.push_back(p);
    for (const auto* p : registry::intLists)
        controls.push_back(p);
    for (const auto* p : registry::choices)
        controls.push_back(p);
    for (const ParameterControl* p : {static_cast<const ParameterControl*>(&param::PARKING_INTERVAL_MINUTES),
                                      static_cast<const ParameterControl*>(&param::DESTINATION),
                                      static_cast<const ParameterControl*>(&param::MAX_FIT_FL),
                                      static_cast<const ParameterControl*>(&param::AIRCRAFT_SELECTOR),
                                      static_cast<const ParameterControl*>(&param::STAND_SELECTOR),
                                      static_cast<const ParameterControl*>(&param::BUTTON_TBLO),
                                      static_cast<const ParameterControl*>(&param::BUTTON_AIRCRAFT),
                                      static_cast<const ParameterControl*>(&param::BUTTON_BLOCK),
                                      static_cast<const ParameterControl*>(&param::BUTTON_UNBLOCK),
                                      static_cast<const ParameterControl*>(&param::BUTTON_PARK),
                                      static_cast<const ParameterControl*>(&param::BUTTON_FLUSH),
                                      static_cast<const ParameterControl*>(&param::BUTTON_SET)}) {
        controls.push_back(p);
    }
    std::set<std::uint16_t> ids;
    for (const ParameterControl* control : controls) {
        EXPECT_TRUE(ids.insert(control->controlId).second) << control->controlId;
        EXPECT_GE(control->controlId, 32773);
        EXPECT_LE(control->controlId, 32843);
    }
}

} // namespace
} // namespace kiv
