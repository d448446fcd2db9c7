#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "airports/bgl_reader.h"
#include "airports/bgl_records.h"
#include "airports/scan_log.h"
#include "foundation/text_conversion.h"
#include "scan_fakes.h"
#include "test_support/bgl_builder.h"
#include "test_support/log_capture.h"

namespace kiv {
namespace {

using test_support::AirportSpec;
using test_support::Bytes;
using test_support::HelipadSpec;
using test_support::ParkingSpec;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr double kPi = 3.141592653589793;

class BglRecords : public ::testing::Test {
protected:
    BglRecords() {
        gf_clearScanLog();
        tables.known = {"EHAM", "KTST"};
    }
    ~BglRecords() override { gf_clearScanLog(); }

    // The stands the subrecord walk takes from one airport record in a file of its own.
    std::vector<Stand> standsOf(const AirportSpec& spec, std::uint32_t* helipads = nullptr) {
        file = test_support::buildAirportBgl({test_support::bglAirport(spec)}).bytes;
        const BglWords words(file);
        const auto records = std::get<std::vector<BglRecordRef>>(lf_walkBglFile(file));
        BglAirport airport;
        airport.icao = IcaoCode(spec.code);
        const std::uint32_t count =
            lf_readAirportStands(words, records[0].offset / 4, records[0].size / 4, spec.newerForm, airport);
        if (helipads != nullptr) {
            *helipads = count;
        }
        return airport.stands;
    }

    std::vector<std::string> idsOf(const std::vector<Stand>& stands) {
        std::vector<std::string> ids;
        for (const Stand& stand : stands) {
            ids.push_back(stand.id);
        }
        return ids;
    }

    test_support::FakeScanTables tables;
    Bytes file;
};

TEST_F(BglRecords, DecodesPackedAirportCodes) {
    struct Case {
        std::uint32_t packed;
        std::string text;
        bool ok;
        std::uint8_t reason;
    };
    const std::vector<Case> cases{
        {0x01BA5180, "EHAM", true, IcaoDecodeResult::ok},
        {0x01BA5180 | 0x1F, "EHAM", true, IcaoDecodeResult::ok}, // the low five bits carry other data
        {test_support::packIcao("KTST"), "KTST", true, IcaoDecodeResult::ok},
        {test_support::packIcao("E HA"), "E HA", false, IcaoDecodeResult::undecodable},
        {test_support::packIcao("E?HA"), "E?HA", false, IcaoDecodeResult::undecodable},
        {0, " ", false, IcaoDecodeResult::undecodable},
        {test_support::packIcao("EHA"), "EHA", false, IcaoDecodeResult::not_four_characters},
        {test_support::packIcao("EHAMS"), "EHAMS", false, IcaoDecodeResult::not_four_characters},
        {test_support::packIcao("ZZZ9"), "ZZZ9", false, IcaoDecodeResult::not_known},
    };
    for (const Case& c : cases) {
        const IcaoDecodeResult result = lf_decodeIcao(c.packed, tables);
        EXPECT_EQ(result.text, c.text) << std::hex << c.packed;
        EXPECT_EQ(result.isOk, c.ok) << c.text;
        EXPECT_EQ(result.reason, c.reason) << c.text;
    }
    // Only the unknown four-character code leaves a line.
    EXPECT_THAT(gf_scanLogLines(), ElementsAre("ZZZ9 is not known"));
}

TEST_F(BglRecords, ChecksDecodedTextsIgnoringCase) {
    EXPECT_TRUE(lf_checkDecodedIcao("eham", tables).isOk);
    EXPECT_EQ(lf_checkDecodedIcao("eham", tables).text, "EHAM");
    EXPECT_EQ(lf_checkDecodedIcao("ktstx", tables).reason, IcaoDecodeResult::not_four_characters);
    EXPECT_EQ(lf_checkDecodedIcao("EH-M", tables).reason, IcaoDecodeResult::undecodable);
}

TEST_F(BglRecords, ReadsNamesWithinTheirSubrecordAndTheFile) {
    test_support::LogCapture log;
    struct Case {
        std::string label;
        Bytes bytes;
        std::string name;
    };
    Bytes truncated = test_support::bglRecord(0x19, Bytes(24, 'T')); // says 30 bytes, file holds 16
    truncated.resize(18);                                            // 16 bytes as words: 10 name bytes, 2 whole groups
    Bytes shortSize = test_support::bglName("Schiphol");
    test_support::setU16(shortSize, 2, 5);
    const std::vector<Case> cases{
        {"plain", test_support::bglName("Schiphol"), "Schiphol"},
        {"trailing zeros", test_support::bglRecord(0x19, Bytes{'A', 'B', 'C', 0, 0, 0}), "ABC"},
        {"cut at 45 bytes", test_support::bglRecord(0x19, Bytes(54, 'N')), std::string(45, 'N')},
        {"size below 6", shortSize, ""},
        {"whole words only", truncated, "TTTTTTTT"},
        {"Windows-1252", test_support::bglName("Z\xFCrich"), "Z\xC3\xBCrich"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(lf_decodeAirportNAME(BglWords(c.bytes), 0), c.name) << c.label;
    }
    EXPECT_EQ(lf_decodeAirportNAME(BglWords(cases[0].bytes), 4), "");
    EXPECT_THAT(log.lines(), ElementsAre("! name blocks truncated at o3=0, available=2"));
}

TEST_F(BglRecords, ParkingNamePrefixes) {
    const std::vector<std::pair<std::uint32_t, std::string>> cases{
        {0, ""},       {1, "PARKING "}, {2, "N_PARKING "}, {9, "NW_PARKING "}, {10, "GATE "},
        {11, "DOCK "}, {12, "GATE A"},  {37, "GATE Z"},    {38, ""},           {63, ""}};
    for (const auto& [code, prefix] : cases) {
        EXPECT_EQ(lf_parkingNamePrefix(code), prefix) << code;
    }
}

TEST_F(BglRecords, DuplicateIdsGetLettersUntilTenAreUsed) {
    std::set<std::string> used;
    std::vector<std::optional<std::string>> ids;
    for (int i = 0; i < 12; ++i) {
        ids.push_back(lf_makeStandIdsUnique("GATE 12", used));
    }
    EXPECT_EQ(ids[0], "GATE 12");
    EXPECT_EQ(ids[1], "GATE 12a");
    EXPECT_EQ(ids[10], "GATE 12j");
    EXPECT_FALSE(ids[11]);
    EXPECT_THAT(gf_scanLogLines(), ElementsAre("===> Warning: more than 10 duplicate IDs GATE 12"));
}

TEST_F(BglRecords, ParkingEntriesBecomeStandsInBothForms) {
    for (const bool newer : {false, true}) {
        AirportSpec spec;
        spec.newerForm = newer;
        spec.parkings = {
            {12, 8, 7, 20.0f, 90.0f, 52.3, 4.76, {"KLM", "DL"}}, // GATE A7
            {10, 10, 7, 30.0f, 0.0f, 52.31, 4.761, {}},          // GATE 7, heading 0
            {1, 5, 3, 25.0f, 180.0f, 52.32, 4.762, {"FDX"}},     // cargo
            {1, 14, 4, 10.0f, 270.0f, 52.33, 4.763, {}},         // ramp
            {1, 6, 9, 10.0f, 270.0f, 52.331, 4.763, {}},         // military cargo
            {1, 0, 5, 10.0f, 270.0f, 52.34, 4.764, {}},          // NONE
            {1, 13, 6, 10.0f, 270.0f, 52.35, 4.765, {}},         // VEHICLE
            {1, 3, 8, 10.0f, 270.0f, 0.00005, 0.00005, {}},      // null island
        };
        const std::vector<Stand> stands = standsOf(spec);
        ASSERT_EQ(idsOf(stands), (std::vector<std::string>{"GATE A7", "GATE 7", "PARKING 3", "PARKING 4", "PARKING 9"}))
            << "newer form " << newer;
        EXPECT_NEAR(stands[0].latitude, 52.3, 1e-6);
        EXPECT_NEAR(stands[0].longitude, 4.76, 1e-6);
        EXPECT_DOUBLE_EQ(stands[0].heading, 90.0 * 0.017453292519943295);
        EXPECT_DOUBLE_EQ(stands[0].radius, 20.0 / 1852.0);
        EXPECT_EQ(stands[0].type, 8u);
        EXPECT_DOUBLE_EQ(stands[1].heading, 2 * kPi);
        EXPECT_EQ(std::vector<int>({stands[2].cargo, stands[2].ramp, stands[3].cargo, stands[3].ramp, stands[4].cargo,
                                    stands[4].ramp}),
                  (std::vector<int>{1, 0, 0, 1, 1, 0}));
        EXPECT_EQ(stands[0].heli + stands[0].manual + stands[0].cargo + stands[0].ramp, 0);
    }
    EXPECT_THAT(gf_scanLogLines(), ::testing::Contains("LatLon 0.000050,0.000050 invalid (skipped)"));
}

TEST_F(BglRecords, StandsWithUnusableRadiusOrHeadingAreSkippedAlone) {
    AirportSpec spec;
    const auto gate = [](std::uint32_t number, float radiusMetres, float headingDegrees) {
        return ParkingSpec{10, 8, number, radiusMetres, headingDegrees, 52.3 + number * 0.001, 4.76, {}};
    };
    spec.parkings = {gate(1, NAN, 90.0f), gate(2, 0.0f, 90.0f),     gate(3, -5.0f, 90.0f),
                     gate(4, 20.0f, NAN), gate(5, INFINITY, 90.0f), gate(6, 20.0f, 90.0f)};
    spec.helipads = {{52.31, 4.77, 0.0f, 0.0f}, {52.32, 4.77, 30.0f, 0.0f}};
    EXPECT_EQ(idsOf(standsOf(spec)), (std::vector<std::string>{"helipad1", "GATE 6"}));
    const auto& lines = gf_scanLogLines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.starts_with("===> EHAM stand "); }),
              6);
    EXPECT_THAT(lines, ::testing::Contains("===> EHAM stand GATE 2 has an invalid radius 0 m or heading 90 degrees "
                                           "(skipped)"));
}

TEST_F(BglRecords, ParkingEntriesEndWithTheirSubrecord) {
    AirportSpec spec;
    spec.parkings = {ParkingSpec{}, ParkingSpec{}, ParkingSpec{}};
    for (std::uint32_t i = 0; i < 3; ++i) {
        spec.parkings[i].number = i + 1;
    }
    Bytes record = test_support::bglAirport(spec);
    // The list says three entries but its size covers two; the third's bytes follow it.
    const std::size_t list = 60 + test_support::bglName("Schiphol").size();
    ASSERT_EQ(record[list], 0xAD);
    test_support::setU32(record, list + 2, 8 + 2 * 40);
    file = test_support::buildAirportBgl({record}).bytes;
    const BglWords words(file);
    const auto records = std::get<std::vector<BglRecordRef>>(lf_walkBglFile(file));
    BglAirport airport;
    airport.icao = IcaoCode("EHAM");
    lf_readAirportStands(words, records[0].offset / 4, records[0].size / 4, true, airport);
    EXPECT_EQ(idsOf(airport.stands), (std::vector<std::string>{"GATE 1", "GATE 2"}));
    EXPECT_THAT(gf_scanLogLines(), ::testing::Contains(HasSubstr("parking list of EHAM ends inside entry 3 of 3")));
}

TEST_F(BglRecords, HelipadsSkipBadAndDoublePositions) {
    AirportSpec spec;
    spec.helipads = {{0.00005, 0.00005, 30.0f, 10.0f},
                     {52.31, 4.77, 30.0f, 10.0f},
                     {52.31 + 1e-9, 4.77, 30.0f, 10.0f},
                     {52.33, 4.78, 20.0f, 0.0f}};
    std::uint32_t helipads = 0;
    const std::vector<Stand> stands = standsOf(spec, &helipads);
    EXPECT_EQ(helipads, 2u);
    ASSERT_EQ(idsOf(stands), (std::vector<std::string>{"helipad1", "helipad2"}));
    EXPECT_DOUBLE_EQ(stands[0].radius, 15.0 / 1852.0);
    EXPECT_DOUBLE_EQ(stands[0].heading, 10.0 * 0.017453292519943295);
    EXPECT_EQ(stands[1].heading, 0.0); // helipads keep a heading of 0
    EXPECT_EQ(stands[0].heli, 1);
    EXPECT_EQ(stands[0].type, 0u);
    EXPECT_THAT(gf_scanLogLines(), ElementsAre("lat/lon helipad incorrect (skipped): 0.000050,0.000050",
                                               "double helipad  (skipped) 52.310000,4.770000"));
}

TEST_F(BglRecords, AHelipadRecordTooShortForItsFieldsIsSkipped) {
    AirportSpec spec;
    // A helipad subrecord of 8 bytes: its fields would be read from the helipad after it.
    spec.extraSubrecords = {Bytes{0x26, 0, 8, 0, 0, 0, 0, 0}};
    spec.helipads = {HelipadSpec{}};
    EXPECT_EQ(idsOf(standsOf(spec)), std::vector<std::string>{"helipad1"});
    EXPECT_THAT(gf_scanLogLines(), ElementsAre("===> helipad of EHAM skipped: its record of 8 bytes is too short"));
}

TEST_F(BglRecords, AltitudesFromMillimetres) {
    const std::vector<std::pair<std::int32_t, std::int32_t>> cases{{-3000, -10},     {4000000, 13123}, {0, 0},
                                                                   {-457200, -1500}, {-457500, 0},     {4876800, 16000},
                                                                   {4877100, 0},     {5000000, 0},     {-1000000, 0}};
    for (const auto& [millimetres, feet] : cases) {
        EXPECT_EQ(lf_altitudeFeet(millimetres), feet) << millimetres;
    }
}

TEST_F(BglRecords, AirportNameIsDroppedWhenTwoNamesDiffer) {
    struct Case {
        std::vector<std::string> names;
        std::string name;
    };
    for (const Case& c : std::vector<Case>{{{"A"}, "A"}, {{"A", "A"}, "A"}, {{"A", "B"}, ""}, {{"A", "B", "C"}, "C"}}) {
        AirportSpec spec;
        spec.names = c.names;
        spec.altitudeMm = -3000;
        file = test_support::buildAirportBgl({test_support::bglAirport(spec)}).bytes;
        const auto records = std::get<std::vector<BglRecordRef>>(lf_walkBglFile(file));
        const BglAirportBasics basics =
            lf_readBglAirport(BglWords(file), records[0].offset / 4, records[0].size / 4, true);
        EXPECT_EQ(basics.name, c.name) << c.names.size();
        EXPECT_EQ(basics.altitudeFt, -10);
    }
}

TEST_F(BglRecords, BrokenSubrecordsEndTheWalkKeepingEarlierStands) {
    test_support::LogCapture log;
    AirportSpec spec;
    spec.helipads = {{52.31, 4.77}};
    spec.parkings = {ParkingSpec{}};
    Bytes record = test_support::bglAirport(spec);
    const std::size_t parking = record.size() - test_support::bglParkingList(spec.parkings, true).size();
    test_support::setU16(record, parking, 0x99); // an unknown subrecord of size 2
    test_support::setU32(record, parking + 2, 2);
    file = test_support::buildAirportBgl({record}).bytes;
    const auto records = std::get<std::vector<BglRecordRef>>(lf_walkBglFile(file));
    BglAirport airport;
    lf_readAirportStands(BglWords(file), records[0].offset / 4, records[0].size / 4, true, airport);
    EXPECT_EQ(idsOf(airport.stands), std::vector<std::string>{"helipad1"});
    EXPECT_THAT(log.lines(), ElementsAre(fmt::format("   Warning: invalid record boundary at o3 = {}",
                                                     (records[0].offset + parking) / 4)));
}

TEST_F(BglRecords, EndlessSubrecordChainsStopAfter9000StepsWithAUtf8Line) {
    test_support::LogCapture log;
    AirportSpec spec;
    spec.names = {};
    // Subrecords of one word each: id 0, and a size of 4 whose high half is the next id.
    Bytes chain;
    for (int i = 0; i < 9002; ++i) {
        chain.insert(chain.end(), {0x00, 0x00, 0x04, 0x00});
    }
    spec.extraSubrecords = {chain};
    file = test_support::buildAirportBgl({test_support::bglAirport(spec)}).bytes;
    const auto records = std::get<std::vector<BglRecordRef>>(lf_walkBglFile(file));
    BglAirport airport;
    lf_readAirportStands(BglWords(file), records[0].offset / 4, records[0].size / 4, true, airport);
    lf_readBglAirport(BglWords(file), records[0].offset / 4, records[0].size / 4, true);
    const std::vector<std::string> lines = log.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "==> Error: Maximum loop iterations reached (1) \xE2\x80\x94 possible corrupt SIA or malformed "
                        "input");
    EXPECT_EQ(lines[1],
              "==> Error: Maximum loop iterations reached (3) \xE2\x80\x94 possible corrupt Airport Basic data "
              "or malformed input.");
    for (const std::string& line : lines) {
        EXPECT_TRUE(gf_isValidUtf8(line));
    }
}

Bytes readPublicFile(const std::string& name) {
    std::ifstream file(std::filesystem::path(KIV_PUBLIC_DATA_DIR) / "bgl-ktst" / name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

TEST_F(BglRecords, ReadsThePublicTestAirportInBothVersions) {
    for (const std::string name : {"KTST_TestAirport_v5.BGL", "KTST_TestAirport_v6.bgl"}) {
        const Bytes bytes = readPublicFile(name);
        ASSERT_FALSE(bytes.empty()) << name;
        const auto records = std::get<std::vector<BglRecordRef>>(lf_walkBglFile(bytes));
        ASSERT_EQ(records.size(), 1u) << name;
        ASSERT_EQ(records[0].id, 0xAB);
        const BglWords words(bytes);
        const std::size_t index = records[0].offset / 4;
        const IcaoDecodeResult code = lf_decodeIcao(words.at(index, 40).u32(), tables);
        EXPECT_EQ(code.text, "KTST");
        EXPECT_TRUE(code.isOk);
        const BglAirportBasics basics = lf_readBglAirport(words, index, records[0].size / 4, true);
        EXPECT_EQ(basics.name, "Testfield Regional");
        EXPECT_EQ(basics.altitudeFt, 654); // 199.339 m
        BglAirport airport;
        airport.icao = IcaoCode("KTST");
        EXPECT_EQ(lf_readAirportStands(words, index, records[0].size / 4, true, airport), 1u);
        ASSERT_EQ(idsOf(airport.stands), (std::vector<std::string>{"helipad1", "GATE 1", "PARKING 2"})) << name;
        const Stand& gate = airport.stands[1];
        EXPECT_NEAR(gate.latitude, 41.3532, 1e-6);
        EXPECT_NEAR(gate.longitude, -89.1508, 1e-6);
        EXPECT_NEAR(gate.heading, kPi / 2, 1e-9);
        EXPECT_NEAR(gate.radius, 20.0 / 1852.0, 1e-12);
        EXPECT_EQ(gate.type, 8u);              // GATE_SMALL
        EXPECT_EQ(airport.stands[2].type, 2u); // RAMP_GA_SMALL
        EXPECT_EQ(airport.stands[2].ramp, 1);
        EXPECT_NEAR(airport.stands[2].heading, 1.5 * kPi, 1e-9);
        const Stand& helipad = airport.stands[0];
        EXPECT_NEAR(helipad.latitude, 41.35386742, 1e-6);
        EXPECT_NEAR(helipad.longitude, -89.15108328, 1e-6);
        EXPECT_NEAR(helipad.radius, 60 * 0.3048 / 2 / 1852.0, 1e-9); // 60 ft wide
    }
}

} // namespace
} // namespace kiv
