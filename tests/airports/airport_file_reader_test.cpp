#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "airports/airport_file_format.h"
#include "airports/airport_file_reader.h"
#include "models/interned_codes.h"
#include "test_support/log_capture.h"

namespace kiv {
namespace {

using test_support::LogCapture;

// The stands of a parkpositions section holding `elements`.
std::vector<Stand> readStands(const std::string& elements) {
    pugi::xml_document document;
    EXPECT_TRUE(document.load_string(("<root><parkpositions>" + elements + "</parkpositions></root>").c_str()));
    std::vector<Stand> stands;
    lf_readParkpositions(document, stands);
    return stands;
}

std::string parkpos(const std::string& id, const std::string& attributes, const std::string& children = "") {
    return fmt::format(R"(<parkpos id="{}" latitude="52.3" longitude="4.76" heading="90" {}>{}</parkpos>)", id,
                       attributes, children);
}

TEST(AirportFileFormat, ParkingTypeNamesBothWays) {
    for (std::uint32_t code = 0; code < kParkingTypeCount; ++code) {
        EXPECT_EQ(gf_parkingTypeFromName(gf_parkingTypeName(code)), code);
    }
    EXPECT_EQ(gf_parkingTypeName(9), "GATE_MEDIUM");
    EXPECT_EQ(gf_parkingTypeName(16), "NONE");
    EXPECT_EQ(gf_parkingTypeFromName("RAMP_GA_EXTRA"), 14u);
    EXPECT_EQ(gf_parkingTypeFromName("gate_small"), 0u);
    EXPECT_EQ(gf_parkingTypeFromName("GATE_SMALL "), 0u);
    EXPECT_EQ(gf_parkingTypeFromName(""), 0u);
}

TEST(AirportFileReader, StandTypesAndFlags) {
    const struct {
        const char* name;
        std::string attributes;
        std::uint32_t type;
        bool cargo;
        bool ramp;
        bool heli;
    } cases[] = {
        {"typestr wins over the flags", R"(typestr="RAMP_CARGO" radius="20" cargo="false" ramp="true")", 5, true, false,
         false},
        {"military cargo is cargo", R"(typestr="RAMP_MIL_CARGO" radius="20")", 6, true, false, false},
        {"GA ramps are ramps", R"(typestr="RAMP_GA_EXTRA" radius="20")", 14, false, true, false},
        {"gates are neither", R"(typestr="GATE_HEAVY" radius="40" cargo="true")", 10, false, false, false},
        {"type code without typestr", R"(type="9" radius="20")", 9, false, false, false},
        {"empty typestr falls back to the code", R"(typestr="" type="4" radius="20")", 4, false, true, false},
        {"NONE ramp of 20 m", R"(typestr="NONE" cargo="false" ramp="true" radius="20")", 3, false, true, false},
        {"NONE ramp of 30 m", R"(typestr="NONE" cargo="false" ramp="true" radius="30")", 4, false, true, false},
        {"NONE ramp below 16 m", R"(typestr="NONE" cargo="false" ramp="true" radius="15.9")", 2, false, true, false},
        {"NONE gate of 30 m", R"(type="0" cargo="false" ramp="false" radius="30")", 10, false, false, false},
        {"NONE gate of 16 m", R"(type="0" cargo="false" ramp="false" radius="16")", 9, false, false, false},
        {"NONE gate below 16 m", R"(type="0" cargo="false" ramp="false" radius="8")", 8, false, false, false},
        {"NONE cargo", R"(type="0" cargo="true" ramp="true" radius="8")", 5, true, true, false},
        {"a code beyond the table is NONE", R"(type="16" cargo="false" ramp="true" radius="20")", 3, false, true,
         false},
        {"helipad keeps type 0", R"(typestr="NONE" heli="true" cargo="true" radius="10")", 0, true, false, true},
        {"helipad without flags", R"(heli="true" radius="10")", 0, false, false, true},
    };
    for (const auto& c : cases) {
        const std::vector<Stand> stands = readStands(parkpos("S1", c.attributes));
        ASSERT_EQ(stands.size(), 1u) << c.name;
        EXPECT_EQ(stands[0].type, c.type) << c.name;
        EXPECT_EQ(stands[0].cargo, c.cargo) << c.name;
        EXPECT_EQ(stands[0].ramp, c.ramp) << c.name;
        EXPECT_EQ(stands[0].heli, c.heli) << c.name;
        EXPECT_FALSE(stands[0].manual) << c.name;
        EXPECT_EQ(stands[0].number, 0u) << c.name;
    }
}

TEST(AirportFileReader, RefusedStandsAreLogged) {
    const struct {
        std::string element;
        const char* line;
    } cases[] = {
        {R"(<parkpos id="S1" latitude="0.0001" longitude="-0.0001" typestr="GATE_SMALL" radius="9"/>)",
         "==> stand S1 has no valid lat/lon"},
        {R"(<parkpos id="S1" latitude="90.1" longitude="4" typestr="GATE_SMALL" radius="9"/>)",
         "==> stand S1 has no valid lat/lon"},
        {R"(<parkpos id="S1" longitude="4" typestr="GATE_SMALL" radius="9"/>)", "==> stand S1 has no valid lat/lon"},
        {R"(<parkpos id="S1" latitude="52.3" longitude="east" typestr="GATE_SMALL" radius="9"/>)",
         "==> stand S1 has no valid lat/lon"},
        {parkpos("S1", R"(typestr="NONE" ramp="true" radius="20")"),
         "==> stand S1 has no valid type, and no valid cargo/ramp fallback info"},
        {parkpos("S1", R"(typestr="gate_small" radius="20")"),
         "==> stand S1 has no valid type, and no valid cargo/ramp fallback info"},
        {parkpos("S1", R"(cargo="false" ramp="false")"), "==> stand S1 has no valid type and no usable radius"},
        {parkpos("S1", R"(cargo="false" ramp="false" radius="-3")"),
         "==> stand S1 has no valid type and no usable radius"},
        {parkpos("S1", R"(typestr="GATE_SMALL" radius="0")"), "==> stand S1 has invalid radius or heading"},
        {parkpos("S1", R"(typestr="GATE_SMALL" radius="inf")"), "==> stand S1 has invalid radius or heading"},
        {parkpos("S1", R"(heli="true")"), "==> stand S1 has invalid radius or heading"},
        {R"(<parkpos id="S1" latitude="52" longitude="4" heading="nan" typestr="GATE_SMALL" radius="9"/>)",
         "==> stand S1 has invalid radius or heading"},
    };
    for (const auto& c : cases) {
        LogCapture log;
        EXPECT_TRUE(readStands(c.element).empty()) << c.element;
        EXPECT_EQ(log.lines(), std::vector<std::string>{c.line}) << c.element;
    }
}

TEST(AirportFileReader, GeometryIsConverted) {
    const struct {
        const char* heading;
        double headingRad;
    } cases[] = {{"360", 0.0},
                 {"-90", 1.5 * std::numbers::pi},
                 {"450", 0.5 * std::numbers::pi},
                 {"0", 0.0},
                 {"-720", 0.0},
                 {"359.9", 359.9 * std::numbers::pi / 180.0}};
    for (const auto& c : cases) {
        const std::vector<Stand> stands = readStands(fmt::format(
            R"(<parkpos id="S1" latitude="-33.9" longitude="151.2" heading="{}" typestr="GATE_SMALL" radius="18.52"/>)",
            c.heading));
        ASSERT_EQ(stands.size(), 1u) << c.heading;
        EXPECT_NEAR(stands[0].heading, c.headingRad, 1e-12) << c.heading;
        EXPECT_GE(stands[0].heading, 0.0);
        EXPECT_LT(stands[0].heading, 2.0 * std::numbers::pi);
        EXPECT_DOUBLE_EQ(stands[0].latitude, -33.9);
        EXPECT_DOUBLE_EQ(stands[0].longitude, 151.2);
        EXPECT_DOUBLE_EQ(stands[0].radius, 0.01); // 18.52 m
    }
}

TEST(AirportFileReader, StandIdsAreTrimmedUniqueAndPresent) {
    LogCapture log;
    const std::string good = R"(typestr="GATE_SMALL" radius="9")";
    const std::vector<Stand> stands =
        readStands(parkpos("A1", good) + parkpos(" A1\t", good) + R"(<parkpos latitude="52" longitude="4"/>)" +
                   parkpos(" \r\n", good) + parkpos("\tB 2 ", good));
    ASSERT_EQ(stands.size(), 2u);
    EXPECT_EQ(stands[0].id, "A1");
    EXPECT_EQ(stands[1].id, "B 2");
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"==> Stand 'A1' appears more than once, last one skipped!",
                                                     "==> Parking position #3 has no 'id' attribute, skipped.",
                                                     "==> Stand #4 has empty 'id' attribute, skipped."}));
}

TEST(AirportFileReader, The513thStandIsIgnoredEvenWhenEarlierOnesWereSkipped) {
    std::string elements = parkpos("BAD", R"(typestr="GATE_SMALL" radius="0")");
    for (int i = 2; i <= 513; ++i) {
        elements += parkpos(fmt::format("S{}", i), R"(typestr="GATE_SMALL" radius="9")");
    }
    LogCapture log;
    const std::vector<Stand> stands = readStands(elements);
    ASSERT_EQ(stands.size(), 511u);
    EXPECT_EQ(stands.back().id, "S512");
    EXPECT_EQ(log.lines().back(), "==> airport file contains more than 512 stands; remaining stands skipped");
}

TEST(AirportFileReader, MissingSectionGivesNoStands) {
    LogCapture log;
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string("<root><parameters/></root>"));
    std::vector<Stand> stands;
    lf_readParkpositions(document, stands);
    EXPECT_TRUE(stands.empty());
    EXPECT_EQ(log.lines(), std::vector<std::string>{"airport file has no 'parkpositions' section"});

    // Without a root element the node itself holds the section.
    ASSERT_TRUE(document.load_string("<parkpositions><parkpos id=\"A\" latitude=\"1\" longitude=\"1\" "
                                     "typestr=\"FUEL\" radius=\"5\"/></parkpositions>"));
    lf_readParkpositions(document, stands);
    EXPECT_EQ(stands.size(), 1u);
}

TEST(AirportFileReader, OptionsWithoutSlotsOrAValidDayAreDropped) {
    gf_resetInternedCodesForTesting();
    const std::string options =
        R"(<opt reg="A" day="1"/>)"                          // no hh
        R"(<opt reg="B" day="1" hh=""/>)"                    // empty hh
        R"(<opt reg="C" day="0" hh="4"/>)"                   // day 0
        R"(<opt reg="D" day="8" hh="4"/>)"                   // day 8
        R"(<opt reg="E" hh="4"/>)"                           // no day
        R"(<opt reg="F" day="-1" hh="4"/>)"                  // negative day
        R"(<opt reg="G" day="2" hh="48"/>)"                  // no slot left
        R"(<opt reg="H" day="2" hh="5:3"/>)"                 // descending range: none
        R"(<opt reg="K" day="7" hh="10:12" cs="KLM1:KL1"/>)" // kept
        R"(<opt reg="L" day="1" hh="2,5,8,9,10" soft="true" cpl="true" cs="a:b:c" airl="KLM" type="B738"/>)";
    LogCapture log;
    const std::vector<Stand> stands = readStands(parkpos("S1", R"(typestr="GATE_SMALL" radius="9")", options));
    ASSERT_EQ(stands.size(), 1u);
    const std::vector<FlightOption>& kept = stands[0].options;
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].reg, "K");
    EXPECT_EQ(kept[0].seq, 1u);
    EXPECT_EQ(kept[0].day, 7u);
    EXPECT_EQ(kept[0].hh.to_ullong(), 0b111ULL << 10);
    EXPECT_EQ(kept[0].cs, "KLM1");
    EXPECT_EQ(kept[0].cs2, "KL1");
    EXPECT_EQ(kept[0].real, 1u);
    EXPECT_FALSE(kept[0].cpl);
    EXPECT_EQ(kept[0].fromFile, 1u);
    EXPECT_EQ(kept[0].key, LiveryKey{});

    EXPECT_EQ(kept[1].reg, "L");
    EXPECT_EQ(kept[1].seq, 2u);
    EXPECT_EQ(kept[1].hh.to_ullong(), (1ULL << 2) | (1ULL << 5) | (0b111ULL << 8));
    EXPECT_EQ(kept[1].cs, "a");
    EXPECT_EQ(kept[1].cs2, "b:c");
    EXPECT_EQ(kept[1].real, 0u);
    EXPECT_TRUE(kept[1].cpl);
    EXPECT_EQ(kept[1].key.airlineId, gf_airlineId("KLM"));
    EXPECT_EQ(kept[1].key.modelId, gf_modelId("B738"));
    EXPECT_NE(kept[1].key.airlineId, 0);
    gf_resetInternedCodesForTesting();
}

TEST(AirportFileReader, OptionDayRuleIsSharedWithTheMerge) {
    const std::pair<const char*, std::optional<std::uint32_t>> cases[] = {
        {R"(<opt day="1"/>)", 1},
        {R"(<opt day="7"/>)", 7},
        {R"(<opt day="0"/>)", std::nullopt},
        {R"(<opt day="8"/>)", std::nullopt},
        {R"(<opt day="-6"/>)", std::nullopt},
        {R"(<opt/>)", std::nullopt},
        {R"(<opt day="4294967297"/>)", std::nullopt},
    };
    for (const auto& [element, day] : cases) {
        pugi::xml_document document;
        ASSERT_TRUE(document.load_string(element));
        EXPECT_EQ(gf_readOptionDay(document.child("opt")), day) << element;
    }
}

TEST(AirportFileReader, MakeFileStandConvertsTheRadiusOnly) {
    std::vector<FlightOption> options(2);
    options[1].reg = "PH-BXA";
    const Stand stand = gf_makeFileStand("A7", options, 52.3, 4.76, 7.5, 1852.0, 9, true, false, true);
    EXPECT_EQ(stand.id, "A7");
    EXPECT_EQ(stand.options.size(), 2u);
    EXPECT_EQ(stand.options[1].reg, "PH-BXA");
    EXPECT_EQ(stand.heading, 7.5);
    EXPECT_DOUBLE_EQ(stand.radius, 1.0);
    EXPECT_EQ(stand.type, 9u);
    EXPECT_TRUE(stand.cargo);
    EXPECT_FALSE(stand.ramp);
    EXPECT_TRUE(stand.heli);
    EXPECT_TRUE(stand.overlaps.empty());
    EXPECT_EQ(stand.number, 0u);
    EXPECT_FALSE(stand.manual || stand.filled || stand.blocked || stand.jetway);
}

} // namespace
} // namespace kiv
