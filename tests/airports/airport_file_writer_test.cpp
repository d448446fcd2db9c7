#include <cmath>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "airports/airport_file_format.h"
#include "airports/airport_file_reader.h"
#include "airports/airport_file_writer.h"
#include "airports/known_airports.h"
#include "foundation/program_identity.h"
#include "models/interned_codes.h"
#include "models/livery_key_text.h"
#include "models/models_fixtures.h"
#include "models/type_database.h"
#include "test_support/log_capture.h"
#include "test_support/pinned_clock.h"
#include "test_support/working_folder.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;
using test_support::LogCapture;
using test_support::WorkingFolder;

constexpr std::int64_t kFirstOfJanuary2026 = 1767225600;
constexpr std::uint32_t kSim = 3;

std::bitset<48> slots(std::initializer_list<std::size_t> list) {
    std::bitset<48> set;
    for (const std::size_t slot : list) {
        set.set(slot);
    }
    return set;
}

Stand standAt(std::string id, double latitude, double longitude, double headingDeg, double radiusMetres,
              ParkingType type) {
    const std::uint32_t code = gf_parkingTypeCode(type);
    const bool cargo = type == ParkingType::ramp_cargo;
    const bool ramp = type == ParkingType::ramp_ga_medium;
    return gf_makeFileStand(std::move(id), {}, latitude, longitude, headingDeg * kDegToRad, radiusMetres, code, cargo,
                            ramp, false);
}

FlightOption option(std::string reg, LiveryKey key, std::string cs, std::string cs2, std::bitset<48> hh,
                    std::uint32_t seq, std::uint32_t day, std::uint32_t real, bool cpl) {
    FlightOption made;
    made.key = key;
    made.reg = std::move(reg);
    made.cs = std::move(cs);
    made.cs2 = std::move(cs2);
    made.hh = hh;
    made.seq = seq;
    made.day = day;
    made.real = real;
    made.cpl = cpl;
    return made;
}

// The meaning of an option as the file keeps it (its number and origin are given on reading).
void expectSameOption(const FlightOption& read, const FlightOption& written, const std::string& where) {
    EXPECT_EQ(read.key, written.key) << where;
    EXPECT_EQ(read.reg, written.reg) << where;
    EXPECT_EQ(read.cs, written.cs) << where;
    EXPECT_EQ(read.cs2, written.cs2) << where;
    EXPECT_EQ(read.hh, written.hh) << where;
    EXPECT_EQ(read.day, written.day) << where;
    EXPECT_EQ(read.real, written.real) << where;
    EXPECT_EQ(read.cpl, written.cpl) << where;
}

void expectSameStand(const Stand& read, const Stand& written) {
    EXPECT_EQ(read.id, written.id);
    EXPECT_NEAR(read.latitude, written.latitude, 5e-7) << written.id;
    EXPECT_NEAR(read.longitude, written.longitude, 5e-7) << written.id;
    const double turnDeg = std::remainder(read.heading * kRadToDeg - written.heading * kRadToDeg, 360.0);
    EXPECT_LE(std::abs(turnDeg), 0.05 + 1e-9) << written.id;
    EXPECT_NEAR(read.radius * kMetresPerNm, written.radius * kMetresPerNm, 0.05 + 1e-9) << written.id;
    if (written.type != 0 || written.heli) { // a stand without a type gets one from its flags
        EXPECT_EQ(read.type, written.type) << written.id;
    }
    EXPECT_EQ(read.cargo, written.cargo) << written.id;
    EXPECT_EQ(read.ramp, written.ramp) << written.id;
    EXPECT_EQ(read.heli, written.heli) << written.id;
}

class AirportFileWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        test_support::resetModelTables();
        test_support::writeEncryptedXml("input/dbase.enc", test_support::dbaseXml("B738,A320", "KLM,DLH", R"(
            <dbase><d r="D-AIPA" a="DLH" m="A320"/></dbase>)"));
        gf_readDbase("input/dbase.enc");
    }
    void TearDown() override { test_support::resetModelTables(); }

    // The committed expected text of `name`, with the running program's version filled in.
    static std::string expected(const std::string& name) {
        std::string text = WorkingFolder::read(fs::path(KIV_TEST_DATA_DIR) / "airports" / name);
        const std::string marker = "@VERSION@";
        text.replace(text.find(marker), marker.size(), std::string(kProgramVersionText));
        return text;
    }

    static std::vector<std::string> temporaryFiles(const fs::path& folder) {
        std::vector<std::string> found;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            if (entry.path().extension() == ".tmp") {
                found.push_back(entry.path().filename().string());
            }
        }
        return found;
    }

    static pugi::xml_document load(const fs::path& path) {
        pugi::xml_document document;
        EXPECT_TRUE(document.load_file(path.c_str())) << path;
        return document;
    }

    // The airport of a scenery scan: scenery path, no publisher, no position, stands by id.
    static BglAirport generatedAirport() {
        BglAirport airport;
        airport.icao = IcaoCode("EHAM");
        airport.name = "Amsterdam Airport Schiphol";
        airport.altitude = -11;
        airport.bglPath = "D:/Scenery/EHAM/scenery/EHAM_AP.bgl";
        airport.bglPathText = "D:/Scenery/EHAM/scenery/EHAM_AP.bgl";
        airport.stands.push_back(standAt("A7", 52.3086, 4.7639, 271.55, 24.0, ParkingType::gate_medium));
        airport.stands.push_back(standAt("C 12", 52.30611, 4.76, 270.0, 36.5, ParkingType::ramp_cargo));
        Stand ramp = standAt("GA 3", 52.3112, 4.7701, 359.96, 12.0, ParkingType::none);
        ramp.ramp = true;
        airport.stands.push_back(ramp);
        Stand helipad = standAt("helipad1", 52.3, 4.75, 0.0, 15.0, ParkingType::none);
        helipad.heli = true;
        airport.stands.push_back(helipad);
        // Options of a generated airport are not part of its file.
        airport.stands[0].options.push_back(option("PH-BXA", {}, "KLM1", "", slots({3}), 1, 2, 1, false));
        return airport;
    }

    std::vector<FlightOption> learnedOptions() const {
        const LiveryKey klm{gf_airlineId("KLM"), 0, gf_modelId("B738"), 0, 0};
        const LiveryKey registered = *gf_lookupRegistration("D-AIPA");
        return {
            option("PH-BXA", klm, "KLM1234", "KL1234", slots({14, 15, 16}), 1, 3, 1, true),
            option("D-AIPA", registered, "DLH55", "", slots({2, 5, 8, 9, 10}), 2, 1, 0, false),
            option("PH-BXC", klm, "", "", slots({47}), 3, 7, 1, false),
        };
    }

    WorkingFolder folder_;
    test_support::PinnedClock clock_{kFirstOfJanuary2026};
};

TEST_F(AirportFileWriterTest, GeneratedFileRoundTrip) {
    const BglAirport airport = generatedAirport();
    const fs::path output = "airports/my_simaddon/EHAM.xml";
    ASSERT_TRUE(gf_writeApf(airport, output, kGeneratedAirportFile, kSim, false, std::nullopt));
    EXPECT_EQ(WorkingFolder::read(output), expected("generated_EHAM.xml"));
    EXPECT_TRUE(temporaryFiles(output.parent_path()).empty());

    std::vector<Stand> read;
    lf_readParkpositions(load(output), read);
    ASSERT_EQ(read.size(), airport.stands.size());
    for (std::size_t i = 0; i < read.size(); ++i) {
        expectSameStand(read[i], airport.stands[i]);
        EXPECT_TRUE(read[i].options.empty());
    }
    EXPECT_EQ(read[2].type, gf_parkingTypeCode(ParkingType::ramp_ga_small)); // "GA 3": a 12 m ramp
}

TEST_F(AirportFileWriterTest, HandmadeFileRoundTrip) {
    BglAirport airport = generatedAirport();
    airport.iata = lf_iataCodeFromText("AMS");
    airport.latitude = 52.30861;
    airport.longitude = 4.76389;
    airport.publisher = "My Pub";
    airport.Qf_real = 20;
    airport.Qf_soft = 3;
    airport.stands[0].options = learnedOptions();
    const ParkKeys keys{65, 12, false, true, true, false};
    const fs::path output = "airports/learned/thirdparty/My Pub/EHAM.xml";
    ASSERT_TRUE(gf_writeApf(airport, output, kLearnedAirportFile, kSim, true, keys));
    EXPECT_EQ(WorkingFolder::read(output), expected("handmade_EHAM.xml"));

    std::vector<Stand> read;
    lf_readParkpositions(load(output), read);
    ASSERT_EQ(read.size(), airport.stands.size());
    for (std::size_t i = 0; i < read.size(); ++i) {
        expectSameStand(read[i], airport.stands[i]);
        ASSERT_EQ(read[i].options.size(), airport.stands[i].options.size()) << read[i].id;
        for (std::size_t k = 0; k < read[i].options.size(); ++k) {
            expectSameOption(read[i].options[k], airport.stands[i].options[k], read[i].id);
            EXPECT_EQ(read[i].options[k].seq, k + 1);
            EXPECT_EQ(read[i].options[k].fromFile, 1u);
        }
    }
}

TEST_F(AirportFileWriterTest, LearnedFileRoundTrip) {
    BglAirport airport;
    airport.icao = IcaoCode("EHAM");
    airport.name = "Amsterdam Airport Schiphol";
    airport.altitude = -11;
    airport.publisher = "stock";
    Stand a7 = standAt("A7", 52.3086, 4.7639, 271.55, 24.0, ParkingType::gate_medium);
    a7.options = learnedOptions();
    FlightOption withdrawn = a7.options[0];
    withdrawn.seq = 0;
    a7.options.push_back(withdrawn);
    FlightOption noRegistration = a7.options[0];
    noRegistration.reg.clear();
    a7.options.push_back(noRegistration);
    Stand b2 = standAt("B 2", 52.31, 4.77, 10.0, 20.0, ParkingType::gate_small);
    b2.options.push_back(option("PH-EXA", {}, "KLM7", "", slots({0}), 1, 5, 1, false));
    Stand manual = standAt("M1", 52.312, 4.771, 45.0, 18.0, ParkingType::ramp_ga_medium);
    manual.manual = true;
    airport.stands = {a7, b2, manual};
    const ParkKeys keys{30, 47, true, false, false, true};
    const fs::path output = "airports/learned/stock/EHAM.xml";
    ASSERT_TRUE(gf_writeApf(airport, output, kLearnedAirportFile, kSim, false, keys));
    EXPECT_EQ(WorkingFolder::read(output), expected("learned_EHAM.xml"));

    // Learned stands carry only their id and options; manual stands their geometry as well.
    const pugi::xml_document document = load(output);
    const pugi::xml_node section = document.child("root").child("parkpositions");
    std::vector<const Stand*> written = {&airport.stands[0], &airport.stands[1], &airport.stands[2]};
    std::size_t index = 0;
    for (const pugi::xml_node parkpos : section.children("parkpos")) {
        ASSERT_LT(index, written.size());
        const Stand& stand = *written[index++];
        EXPECT_EQ(std::string(parkpos.attribute("id").as_string()), stand.id);
        EXPECT_EQ(static_cast<bool>(parkpos.attribute("latitude")), stand.manual) << stand.id;
        const std::vector<FlightOption> options = lf_readStandOptions(parkpos, 0);
        const std::size_t usable = std::min<std::size_t>(stand.options.size(), stand.id == "A7" ? 3 : 1);
        ASSERT_EQ(options.size(), usable) << stand.id;
        for (std::size_t k = 0; k < usable; ++k) {
            expectSameOption(options[k], stand.options[k], stand.id);
        }
    }
    EXPECT_EQ(index, written.size());
    std::vector<Stand> manualRead;
    ASSERT_TRUE(lf_parseParkpos(section.find_child_by_attribute("parkpos", "id", "M1"), "M1", 0, manualRead));
    expectSameStand(manualRead[0], manual);
}

TEST_F(AirportFileWriterTest, ScatteredSlotsAreWrittenAsAListAndReadBackUnchanged) {
    BglAirport airport;
    airport.icao = IcaoCode("EHAM");
    Stand stand = standAt("A7", 52.3, 4.7, 0.0, 20.0, ParkingType::gate_small);
    stand.options.push_back(option("PH-BXA", {}, "KLM1", "", slots({2, 5, 8, 9, 10}), 1, 4, 1, false));
    airport.stands.push_back(stand);
    ASSERT_TRUE(gf_writeApf(airport, "EHAM.xml", kLearnedAirportFile, kSim, false, std::nullopt));
    const pugi::xml_document document = load("EHAM.xml");
    const pugi::xml_node parkpos = document.child("root").child("parkpositions").child("parkpos");
    EXPECT_STREQ(parkpos.child("opt").attribute("hh").as_string(), "2,5,8,9,10");
    const std::vector<FlightOption> options = lf_readStandOptions(parkpos, 0);
    ASSERT_EQ(options.size(), 1u);
    EXPECT_EQ(options[0].hh, slots({2, 5, 8, 9, 10}));
}

TEST_F(AirportFileWriterTest, OptionsThatCannotBeReadBackAreLeftOutWithoutBlockingTheSave) {
    const struct {
        const char* name;
        std::uint32_t day;
        std::bitset<48> hh;
    } cases[] = {{"day 0", 0, slots({4})}, {"day 8", 8, slots({4})}, {"no slots", 3, {}}};
    for (const auto& c : cases) {
        BglAirport airport;
        airport.icao = IcaoCode("EHAM");
        Stand stand = standAt("A7", 52.3, 4.7, 0.0, 20.0, ParkingType::gate_small);
        stand.options.push_back(option("PH-BAD", {}, "KLM9", "", c.hh, 1, c.day, 1, false));
        stand.options.push_back(option("PH-BXA", {}, "KLM1", "", slots({6}), 2, 2, 1, false));
        airport.stands.push_back(stand);
        LogCapture log;
        ASSERT_TRUE(gf_writeApf(airport, "EHAM.xml", kLearnedAirportFile, kSim, false, std::nullopt)) << c.name;
        EXPECT_EQ(log.lines(),
                  std::vector<std::string>{fmt::format("==> invalid flight option: PH-BAD KLM9 {}", LiveryKey{})})
            << c.name;
        const pugi::xml_document document = load("EHAM.xml");
        const std::vector<FlightOption> options =
            lf_readStandOptions(document.child("root").child("parkpositions").child("parkpos"), 0);
        ASSERT_EQ(options.size(), 1u) << c.name;
        EXPECT_EQ(options[0].reg, "PH-BXA") << c.name;
    }
}

// The parameter names a file gets, in order.
std::vector<std::string> parameterNames(const BglAirport& airport, std::uint32_t kind, bool handmade,
                                        const std::optional<ParkKeys>& keys) {
    pugi::xml_document document;
    EXPECT_TRUE(lf_writeParameters(document.append_child("root"), airport, kind, handmade, keys));
    std::vector<std::string> names;
    for (const pugi::xml_node parameter : document.child("root").child("parameters").children("parameter")) {
        names.push_back(
            fmt::format("{}={}", parameter.attribute("name").as_string(), parameter.attribute("value").as_string()));
    }
    return names;
}

TEST_F(AirportFileWriterTest, ParametersAreWrittenUnderTheirConditions) {
    BglAirport plain;
    plain.icao = IcaoCode("LOWI");
    plain.name = "Innsbruck";
    plain.altitude = 1906;
    plain.publisher = "P";
    const ParkKeys keys{65, 12, true, false, true, false};
    using Names = std::vector<std::string>;
    const Names head = {"icao=LOWI", "airport_name=Innsbruck", "publisher=P"};
    auto with = [](Names names, const Names& more) {
        names.insert(names.end(), more.begin(), more.end());
        return names;
    };
    const Names parkKeys = {
        "RT_PARKTRAFFIC_ONLY=true", "AUTO_PARK=false", "parking_percentage=65", "MAX_FIT=12", "WEEK=true",
        "PARK_SOFT=false"};

    EXPECT_EQ(parameterNames(plain, kLearnedAirportFile, false, std::nullopt), head);
    EXPECT_EQ(parameterNames(plain, kLearnedAirportFile, false, keys), with(head, parkKeys));
    EXPECT_EQ(parameterNames(plain, kGeneratedAirportFile, false, keys),
              with(head, {"altitude=1906", "num_parkpos=0"}));
    EXPECT_EQ(parameterNames(plain, kLearnedAirportFile, true, keys),
              with(head, with({"handmade=true", "altitude=1906"}, parkKeys)));

    const struct {
        std::int32_t real;
        std::int32_t soft;
        Names written;
    } quality[] = {
        {20, 3, {"Qf_real=20", "Qf_soft=3"}},
        {0, 5, {"Qf_real=0", "Qf_soft=5"}},
        {-1, 5, {"Qf_soft=5"}},
        {20, 0, {"Qf_real=20"}},
        {0, 0, {}},
        {-1, -1, {}},
    };
    for (const auto& q : quality) {
        BglAirport airport = plain;
        airport.Qf_real = q.real;
        airport.Qf_soft = q.soft;
        EXPECT_EQ(parameterNames(airport, kLearnedAirportFile, true, std::nullopt),
                  with(head, with({"handmade=true", "altitude=1906"}, q.written)))
            << q.real << "/" << q.soft;
        EXPECT_EQ(parameterNames(airport, kLearnedAirportFile, false, std::nullopt), head) << q.real << "/" << q.soft;
    }

    BglAirport other = plain;
    other.iata = lf_iataCodeFromText("XXX");
    other.latitude = 0.0;
    other.longitude = 11.34394;
    other.publisher.clear();
    other.bglPathText = "D:/x.bgl";
    EXPECT_EQ(parameterNames(other, kLearnedAirportFile, false, std::nullopt),
              (Names{"icao=LOWI", "airport_name=Innsbruck", "latitude=0.0000", "longitude=11.3439",
                     "publisher=", "BGLpath=D:/x.bgl"}));
    other.iata = lf_iataCodeFromText("INN");
    other.icao = IcaoCode();
    EXPECT_EQ(parameterNames(other, kLearnedAirportFile, false, std::nullopt).front(), "icao=");
    EXPECT_EQ(parameterNames(other, kLearnedAirportFile, false, std::nullopt)[1], "iata=INN");
}

TEST_F(AirportFileWriterTest, AFailedWriteLeavesTheTargetUntouched) {
    const std::string previous = "previous content";
    const struct {
        const char* name;
        std::function<void(BglAirport&)> spoil;
        std::uint32_t kind;
        const char* line;
    } cases[] = {
        {"duplicate id", [](BglAirport& a) { a.stands[1].id = "A7"; }, kGeneratedAirportFile,
         "==> gf_writeApf: empty or duplicate stand id 'A7'"},
        {"empty id", [](BglAirport& a) { a.stands[2].id.clear(); }, kLearnedAirportFile,
         "==> gf_writeApf: empty or duplicate stand id ''"},
        {"zero radius", [](BglAirport& a) { a.stands[1].radius = 0.0; }, kGeneratedAirportFile,
         "==> gf_writeApf: stand 'C 12' has invalid geometry"},
        {"position at 0,0", [](BglAirport& a) { a.stands[0].latitude = a.stands[0].longitude = 0.00001; },
         kGeneratedAirportFile, "==> gf_writeApf: stand 'A7' has invalid geometry"},
        {"manual stand of a learned file without heading",
         [](BglAirport& a) {
             a.stands[3].manual = true;
             a.stands[3].heading = std::nan("");
         },
         kLearnedAirportFile, "==> gf_writeApf: stand 'helipad1' has invalid geometry"},
    };
    for (const auto& c : cases) {
        WorkingFolder::write("out/EHAM.xml", previous);
        BglAirport airport = generatedAirport();
        c.spoil(airport);
        LogCapture log;
        EXPECT_FALSE(gf_writeApf(airport, "out/EHAM.xml", c.kind, kSim, false, std::nullopt)) << c.name;
        EXPECT_EQ(log.lines(), std::vector<std::string>{c.line}) << c.name;
        EXPECT_EQ(WorkingFolder::read("out/EHAM.xml"), previous) << c.name;
        EXPECT_TRUE(temporaryFiles("out").empty()) << c.name;
    }

    // Stands of a learned file without their geometry are fine: it is taken from the archive.
    BglAirport learned = generatedAirport();
    learned.stands[1].radius = 0.0;
    EXPECT_TRUE(gf_writeApf(learned, "out/EHAM.xml", kLearnedAirportFile, kSim, false, std::nullopt));
}

TEST_F(AirportFileWriterTest, OutputPathFailures) {
    LogCapture log;
    EXPECT_FALSE(gf_writeApf(generatedAirport(), "", kGeneratedAirportFile, kSim, false, std::nullopt));
    EXPECT_EQ(log.lines(), std::vector<std::string>{"==> gf_writeApf: empty output filename"});

    WorkingFolder::write("blocker", "a file where a folder should be");
    EXPECT_FALSE(
        gf_writeApf(generatedAirport(), "blocker/sub/EHAM.xml", kGeneratedAirportFile, kSim, false, std::nullopt));
    ASSERT_EQ(log.lines().size(), 2u);
    EXPECT_TRUE(log.lines()[1].starts_with("==> gf_writeApf: could not create directory 'blocker/sub': "))
        << log.lines()[1];

    // A target that cannot be replaced (a folder) keeps the temporary file from staying behind.
    fs::create_directories("out/EHAM.xml/inside");
    EXPECT_FALSE(gf_writeApf(generatedAirport(), "out/EHAM.xml", kGeneratedAirportFile, kSim, false, std::nullopt));
    EXPECT_TRUE(temporaryFiles("out").empty());
    EXPECT_TRUE(fs::is_directory("out/EHAM.xml/inside"));
}

TEST_F(AirportFileWriterTest, ATypeBeyondTheTableIsWrittenAsNoneWithItsFlags) {
    BglAirport airport;
    airport.icao = IcaoCode("EHAM");
    Stand stand = standAt("X1", 52.3, 4.7, 0.0, 20.0, ParkingType::gate_small);
    stand.type = 99;
    stand.cargo = true;
    airport.stands.push_back(stand);
    ASSERT_TRUE(gf_writeApf(airport, "EHAM.xml", kGeneratedAirportFile, kSim, false, std::nullopt));
    std::vector<Stand> read;
    lf_readParkpositions(load("EHAM.xml"), read);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].type, gf_parkingTypeCode(ParkingType::ramp_cargo));
}

TEST_F(AirportFileWriterTest, AnAirportWithoutStandsHasNoParkpositions) {
    BglAirport airport;
    airport.icao = IcaoCode("EHAM");
    ASSERT_TRUE(gf_writeApf(airport, "EHAM.xml", kGeneratedAirportFile, kSim, false, std::nullopt));
    const pugi::xml_document document = load("EHAM.xml");
    EXPECT_FALSE(document.child("root").child("parkpositions"));
    EXPECT_STREQ(document.child("root")
                     .child("meta")
                     .find_child_by_attribute("info", "name", "sim")
                     .attribute("value")
                     .as_string(),
                 "3");
}

} // namespace
} // namespace kiv
