#include "airports/learned_airport_file.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "airports/airport_file_format.h"
#include "airports/airport_file_reader.h"
#include "airports/airport_file_fixtures.h"
#include "test_support/log_capture.h"
#include "test_support/working_folder.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;
using test_support::airportFileXml;
using test_support::ParameterList;
using test_support::LogCapture;
using test_support::RecordingAirportsShell;
using test_support::WorkingFolder;

const fs::path kLearned = "airports/learned/stock/EHAM.xml";

bool logHas(const LogCapture& log, std::string_view text) {
    const std::vector<std::string> lines = log.lines();
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

std::bitset<48> slotRange(std::size_t first, std::size_t last) {
    std::bitset<48> set;
    for (std::size_t slot = first; slot <= last; ++slot) {
        set.set(slot);
    }
    return set;
}

Stand archivedStand(std::string id, double latitude) {
    return gf_makeFileStand(std::move(id), {}, latitude, 4.76, 0.0, 25.0, 9, false, false, false);
}

FlightOption archivedOption() {
    FlightOption option;
    option.reg = "PH-BXA";
    option.key.airlineId = 0;
    option.hh = slotRange(10, 12);
    option.seq = 1;
    option.day = 3;
    option.fromFile = 1;
    option.real = 1;
    return option;
}

std::vector<Stand> archivedStands() {
    std::vector<Stand> stands = {archivedStand("A1", 52.30), archivedStand("A2", 52.31)};
    stands[0].options.push_back(archivedOption());
    return stands;
}

class LearnedFileTest : public ::testing::Test {
protected:
    WorkingFolder folder;
    LogCapture log;
    RecordingAirportsShell shell;

    Expected<LearnedAirportFile, std::string> readLearned(const std::string& xml, std::string_view name = "Schiphol") {
        WorkingFolder::write(kLearned, xml);
        return gf_readLearnedAirportFile(kLearned, name, archivedStands());
    }
};

TEST_F(LearnedFileTest, OptionsMergeIntoArchivedStandsUnlessTheyRepeatOrLackSlotsOrADay) {
    const auto read = readLearned(airportFileXml({{"airport_name", "Schiphol"}}, R"(
        <parkpos id="A1">
          <opt reg="PH-BXA" day="3" hh="12:14"/>
          <opt reg="PH-BXA" day="4" hh="12:14"/>
          <opt reg="PH-BXA" day="3" hh="12:14" soft="true"/>
          <opt reg="PH-BXA" day="3" hh="20:21"/>
          <opt reg="PH-BXB" day="0" hh="1"/>
          <opt reg="PH-BXB" day="8" hh="1"/>
          <opt reg="PH-BXB" day="-1" hh="1"/>
          <opt reg="PH-BXB" day="2" hh=""/>
        </parkpos>
        <parkpos id="A1"><opt reg="PH-BXC" day="5" hh="7" cs="KLM1:KL1"/></parkpos>
        <parkpos id="Z9"><opt reg="PH-BXD" day="5" hh="7"/></parkpos>)"));
    ASSERT_TRUE(read) << read.error();
    ASSERT_EQ(read.value().stands.size(), 2U);
    const std::vector<FlightOption>& options = read.value().stands[0].options;
    struct Expected {
        std::string reg;
        std::uint32_t day;
        std::uint32_t real;
        std::uint32_t seq;
        std::uint32_t fromFile;
    };
    const std::vector<Expected> expected = {
        {"PH-BXA", 3, 1, 1, 1}, // archived; the overlapping learned copy is dropped
        {"PH-BXA", 4, 1, 2, 0}, // another day
        {"PH-BXA", 3, 0, 3, 0}, // soft
        {"PH-BXA", 3, 1, 4, 0}, // slots that do not meet the archived ones
        {"PH-BXC", 5, 1, 5, 0}, // the second element for the same stand
    };
    ASSERT_EQ(options.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(options[i].reg, expected[i].reg) << i;
        EXPECT_EQ(options[i].day, expected[i].day) << i;
        EXPECT_EQ(options[i].real, expected[i].real) << i;
        EXPECT_EQ(options[i].seq, expected[i].seq) << i;
        EXPECT_EQ(options[i].fromFile, expected[i].fromFile) << i;
    }
    EXPECT_EQ(options[4].cs, "KLM1");
    EXPECT_EQ(options[4].cs2, "KL1");
    EXPECT_TRUE(read.value().stands[1].options.empty());
    EXPECT_FALSE(read.value().handmade);
    EXPECT_TRUE(logHas(log, "empty bit set"));
    EXPECT_TRUE(logHas(log, "learned stand Z9 in airports/learned/stock/EHAM.xml not found?"));
    EXPECT_TRUE(shell.messages.empty());
}

TEST_F(LearnedFileTest, ManualStandsAreAddedOnlyWhenNewAndComplete) {
    const auto read = readLearned(airportFileXml({{"airport_name", "Schiphol"}}, R"(
        <parkpos id="M1" manual="true" typestr="GATE_SMALL" latitude="52.32" longitude="4.77" heading="90" radius="15">
          <opt reg="PH-BXE" day="1" hh="3"/>
        </parkpos>
        <parkpos id="A2" manual="true" typestr="GATE_SMALL" latitude="52.33" longitude="4.77" heading="90" radius="15"/>
        <parkpos id="M2" manual="true" typestr="GATE_SMALL" latitude="52.34" longitude="4.77" heading="90" radius="0"/>
        <parkpos id="M3" manual="true" typestr="GATE_SMALL" latitude="0.00001" longitude="0" heading="90" radius="9"/>)"));
    ASSERT_TRUE(read) << read.error();
    const std::vector<Stand>& stands = read.value().stands;
    ASSERT_EQ(stands.size(), 3U);
    EXPECT_EQ(stands[2].id, "M1");
    EXPECT_TRUE(stands[2].manual);
    EXPECT_NEAR(stands[2].radius * kMetresPerNm, 15.0, 1e-9);
    ASSERT_EQ(stands[2].options.size(), 1U);
    EXPECT_EQ(stands[2].options[0].fromFile, 0U);
    EXPECT_DOUBLE_EQ(stands[1].latitude, 52.31); // the archived A2 is kept as it was
    EXPECT_TRUE(logHas(log, "manually created standid A2 already exists in airports/learned/stock/EHAM.xml"));
    EXPECT_TRUE(logHas(log, "manually created standid M2 misses correct attributes in"));
    EXPECT_TRUE(logHas(log, "manually created standid M3 misses correct attributes in"));
}

TEST_F(LearnedFileTest, ParkKeysAreReadAndAutoParkIsAlwaysPresent) {
    struct Case {
        ParameterList parameters;
        LearnedParkSettings expected;
    };
    const std::vector<Case> cases = {
        {{{"airport_name", "Schiphol"}}, {std::nullopt, std::nullopt, std::nullopt, false, std::nullopt, std::nullopt}},
        {{{"airport_name", "Schiphol"},
          {"parking_percentage", "65"},
          {"MAX_FIT", "12"},
          {"RT_PARKTRAFFIC_ONLY", "true"},
          {"AUTO_PARK", "true"},
          {"WEEK", "false"},
          {"PARK_SOFT", "true"}},
         {65, 12, true, true, false, true}},
    };
    for (const Case& c : cases) {
        const auto read = readLearned(airportFileXml(c.parameters, ""));
        ASSERT_TRUE(read) << read.error();
        EXPECT_EQ(read.value().settings, c.expected);
    }
    EXPECT_TRUE(logHas(log, "          AUTO_PARK               : false"));
    EXPECT_TRUE(logHas(log, "          parking_percentage      : 65"));
}

TEST_F(LearnedFileTest, HandmadeFileReplacesTheArchivedStands) {
    const auto read = readLearned(airportFileXml({{"airport_name", "Schiphol"}, {"handmade", "true"}}, R"(
        <parkpos id="H1" typestr="GATE_HEAVY" latitude="52.32" longitude="4.77" heading="90" radius="40">
          <opt reg="PH-BXE" day="1" hh="3"/>
        </parkpos>)"));
    ASSERT_TRUE(read) << read.error();
    ASSERT_EQ(read.value().stands.size(), 1U);
    EXPECT_EQ(read.value().stands[0].id, "H1");
    EXPECT_EQ(read.value().stands[0].options.at(0).fromFile, 1U);
    EXPECT_TRUE(read.value().handmade);

    const auto empty = readLearned(airportFileXml({{"airport_name", "Schiphol"}, {"handmade", "true"}}, std::nullopt));
    ASSERT_TRUE(empty) << empty.error();
    EXPECT_TRUE(empty.value().stands.empty());
    EXPECT_TRUE(logHas(log, "airport file has no 'parkpositions' section"));
}

TEST_F(LearnedFileTest, LearnedCopyWithoutSectionKeepsTheArchivedStands) {
    const auto read = readLearned(airportFileXml({{"airport_name", "Schiphol"}}, std::nullopt));
    ASSERT_TRUE(read) << read.error();
    EXPECT_EQ(read.value().stands.size(), 2U);
    EXPECT_TRUE(logHas(log, "learned file airports/learned/stock/EHAM.xml has no 'parkpositions' section"));
}

TEST_F(LearnedFileTest, DifferentAirportNameIsShownAndReadingGoesOn) {
    const auto read = readLearned(airportFileXml({{"airport_name", "Schiphol Old"}}, ""), "Schiphol");
    ASSERT_TRUE(read) << read.error();
    ASSERT_EQ(shell.messages.size(), 1U);
    EXPECT_EQ(shell.messages[0], "Warning: learned file airport name: 'Schiphol Old' differs from archived file "
                                 "airport name: 'Schiphol'");
}

TEST_F(LearnedFileTest, FailuresAreErrorTexts) {
    const auto missing = gf_readLearnedAirportFile(kLearned, "Schiphol", archivedStands());
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error(), "airports/learned/stock/EHAM.xml could not be opened");

    const auto broken = readLearned("<root><parameters>");
    ASSERT_FALSE(broken);
    EXPECT_TRUE(broken.error().starts_with("airports/learned/stock/EHAM.xml not loaded: ")) << broken.error();
    EXPECT_EQ(WorkingFolder::read("airports/learned/stock/EHAM0.xml"), "<root><parameters>");
    EXPECT_TRUE(logHas(log, "found, not loaded: "));

    const auto noHeader = readLearned("<root><parameters/></root>");
    ASSERT_FALSE(noHeader);
    EXPECT_EQ(noHeader.error(), "airports/learned/stock/EHAM.xml has invalid metadata");
}

Stand qualityStand(double radiusNm, std::uint32_t type, std::vector<FlightOption> options) {
    Stand stand = archivedStand("Q", 52.3);
    stand.radius = radiusNm;
    stand.type = type;
    stand.options = std::move(options);
    return stand;
}

FlightOption qualityOption(std::uint32_t day, std::bitset<48> hh, std::uint32_t real, std::uint32_t seq = 1) {
    FlightOption option;
    option.day = day;
    option.hh = hh;
    option.real = real;
    option.seq = seq;
    return option;
}

TEST(QualityFigures, Table) {
    const double gate = 25.0 / kMetresPerNm;
    // One stand with one real option (1 slot, 1 day): 12.5 + 100 + 20 + 10000 + 2 = 10134.5
    // points, x 0.00625 = 63.34.
    const FlightOption one = qualityOption(3, slotRange(5, 5), 1);
    struct Case {
        const char* name;
        std::vector<Stand> stands;
        QualityFigures expected;
    };
    const std::vector<Case> cases = {
        {"no stands", {}, {-1, -1}},
        {"no options", {qualityStand(gate, 9, {})}, {-1, -1}},
        {"one real option", {qualityStand(gate, 9, {one})}, {63, 0}},
        {"soft only", {qualityStand(gate, 9, {qualityOption(3, slotRange(5, 5), 0)})}, {0, 63}},
        // A plain average: a 5 m stand weighs as much as a 50 m one.
        {"average over stands", {qualityStand(gate, 9, {one}), qualityStand(50.0 / kMetresPerNm, 9, {})}, {32, 0}},
        {"small and large alike", {qualityStand(5.0 / kMetresPerNm, 9, {one}), qualityStand(gate, 9, {})}, {32, 0}},
        {"fuel stands do not count", {qualityStand(gate, 9, {one}), qualityStand(gate, 12, {one})}, {63, 0}},
        {"only fuel stands", {qualityStand(gate, 12, {one})}, {0, 0}},
        {"withdrawn options do not count", {qualityStand(gate, 9, {qualityOption(3, slotRange(5, 5), 1, 0)})}, {0, 0}},
        // 7 days, 48 slots each, 250 options: 600 + 700 + 4000 + 10000 + 700 = 16000 -> 100.
        {"clamped to 100", {qualityStand(gate, 9, [] {
             std::vector<FlightOption> many;
             for (std::uint32_t i = 0; i < 250; ++i) {
                 many.push_back(qualityOption(i % 7 + 1, slotRange(0, 47), 1, i + 1));
             }
             return many;
         }())},
         {100, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gf_computeQualityFigures(c.stands), c.expected) << c.name;
    }
}

TEST(QualityFigures, WeightsComeFromRadiiInNauticalMiles) {
    EXPECT_DOUBLE_EQ(lf_qualityWeight(7.0), 0.3);
    EXPECT_DOUBLE_EQ(lf_qualityWeight(7.01), 1.5);
    EXPECT_DOUBLE_EQ(lf_qualityWeight(10.0), 1.5);
    EXPECT_DOUBLE_EQ(lf_qualityWeight(10.01), 1.0);
    EXPECT_DOUBLE_EQ(lf_qualityWeight(100.0 / kMetresPerNm), 0.3);
}

} // namespace
} // namespace kiv
