#include <map>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "airports/current_park_airport.h"
#include "airports/known_airports.h"
#include "airports_test_files.h"
#include "test_support/log_capture.h"
#include "test_support/working_folder.h"

namespace kiv {
namespace {

using test_support::KnownAirportsFile;
using test_support::LogCapture;
using test_support::WorkingFolder;

constexpr const char* kGood = R"(<ap c="EHAM" i="AMS" la="52.3086" lo="4.7639" a="-11"/>)";

std::size_t loadOrFail() {
    const Expected<std::size_t, std::string> count = gf_readAirportsFile();
    EXPECT_TRUE(count.has_value()) << count.error();
    return count ? *count : 0;
}

TEST(KnownAirports, EachBadEntryIsSkippedWithItsLine) {
    const struct {
        const char* entry;
        const char* line;
    } cases[] = {
        {R"(<ap la="1" lo="2" a="3"/>)", "==> Skipped airport entry with missing ICAO code attribute"},
        {R"(<ap c="EHA" la="1" lo="2" a="3"/>)",
         "==> Skipped invalid airport code 'EHA': 'EHA' IcaoCode: invalid string"},
        {R"(<ap c="LOWI" la="47.26" a="1900"/>)", "==> Missing latLons for airport 'LOWI'"},
        {R"(<ap c="LOWI" lo="11.34" a="1900"/>)", "==> Missing latLons for airport 'LOWI'"},
        {R"(<ap c="LOWI" la="47.26" lo="11.34"/>)", "==> Missing alt for airport 'LOWI'"},
        {R"(<ap c="LOWI" la="52.3" lo="4.76x" a="1900"/>)", "==> Invalid numeric data for airport 'LOWI'"},
        {R"(<ap c="LOWI" la="inf" lo="11.34" a="1900"/>)", "==> Invalid numeric data for airport 'LOWI'"},
        {R"(<ap c="LOWI" la="nan" lo="11.34" a="1900"/>)", "==> Invalid numeric data for airport 'LOWI'"},
        {R"(<ap c="LOWI" la="47.26" lo="11.34" a="12.5"/>)", "==> Invalid numeric data for airport 'LOWI'"},
        {R"(<ap c="LOWI" la=" 47.26" lo="11.34" a="1900"/>)", "==> Invalid numeric data for airport 'LOWI'"},
        {R"(<ap c="LOWI" la="47.26" lo="11.34" a="+1900"/>)", "==> Invalid numeric data for airport 'LOWI'"},
        {R"(<ap c="LOWI" la="47.26" lo="11.34" a="99999999999"/>)", "==> Invalid numeric data for airport 'LOWI'"},
        {R"(<ap c="LOWI" i="IN" la="47.26" lo="11.34" a="1900"/>)",
         "Skipped airport 'LOWI' 'IN': 'IN' IataCode: invalid string"},
        {R"(<ap c="LOWI" la="0" lo="0" a="1900"/>)", "==> Invalid position for airport 'LOWI'"},
        {R"(<ap c="LOWI" la="90.5" lo="11.34" a="1900"/>)", "==> Invalid position for airport 'LOWI'"},
        {R"(<ap c="LOWI" la="47.26" lo="-180.01" a="1900"/>)", "==> Invalid position for airport 'LOWI'"},
    };
    for (const auto& c : cases) {
        WorkingFolder folder;
        KnownAirportsFile file(std::string(c.entry) + kGood);
        LogCapture log;
        EXPECT_EQ(loadOrFail(), 1u) << c.entry;
        EXPECT_EQ(log.lines(), (std::vector<std::string>{c.line, "    1 airports read"})) << c.entry;
        EXPECT_FALSE(gf_isKnownAirport(IcaoCode("LOWI"))) << c.entry;
        EXPECT_TRUE(gf_isKnownAirport(IcaoCode("EHAM"))) << c.entry;
    }
}

TEST(KnownAirports, ReadsTheRowsOfAGoodEntry) {
    WorkingFolder folder;
    KnownAirportsFile file(R"(<ap c="lowi" i="inn" la="47.2602" lo="11.3439" a="1906" x="ignored"/>)"
                           R"(<ap c="KLAX" la="33.9425" lo="-118.4081" a="-5"/><other/>)");
    EXPECT_EQ(loadOrFail(), 2u);
    const std::optional<KnownAirport> lowi = gf_findKnownAirport(IcaoCode("LOWI"));
    ASSERT_TRUE(lowi.has_value());
    EXPECT_EQ(lowi->iata.text(), "INN");
    EXPECT_EQ(lowi->iata.key, 0x494E4Eu);
    EXPECT_DOUBLE_EQ(lowi->latitude, 47.2602);
    EXPECT_DOUBLE_EQ(lowi->longitude, 11.3439);
    EXPECT_EQ(lowi->altitude, 1906);
    const std::optional<KnownAirport> klax = gf_findKnownAirport(IcaoCode("KLAX"));
    ASSERT_TRUE(klax.has_value());
    EXPECT_EQ(klax->iata.key, 0u);
    EXPECT_EQ(klax->altitude, -5);
    EXPECT_FALSE(gf_findKnownAirport(IcaoCode("EHAM")).has_value());
}

TEST(KnownAirports, FirstOfDuplicateEntriesStays) {
    const struct {
        int copies;
        const char* line;
    } cases[] = {{2, "==> Skipped 1 duplicate airport entry"}, {3, "==> Skipped 2 duplicate airport entries"}};
    for (const auto& c : cases) {
        WorkingFolder folder;
        std::string entries = R"(<ap c="ZZZZ" la="1" lo="1" a="1"/>)";
        for (int i = 0; i < c.copies; ++i) {
            entries += fmt::format(R"(<ap c="EHAM" la="52.{}" lo="4.7" a="{}"/>)", i, i);
        }
        KnownAirportsFile file(entries + R"(<ap c="AAAA" la="1" lo="1" a="1"/>)");
        LogCapture log;
        EXPECT_EQ(loadOrFail(), 3u);
        EXPECT_EQ(log.lines().front(), c.line);
        const std::optional<KnownAirport> eham = gf_findKnownAirport(IcaoCode("EHAM"));
        ASSERT_TRUE(eham.has_value());
        EXPECT_EQ(eham->altitude, 0) << c.copies;
        EXPECT_TRUE(gf_isKnownAirport(IcaoCode("AAAA")));
        EXPECT_TRUE(gf_isKnownAirport(IcaoCode("ZZZZ")));
    }
}

TEST(KnownAirports, FileLevelFailures) {
    const struct {
        const char* name;
        std::string bytes; // written as input/airports.enc through the encryptor unless raw
        bool raw;
        const char* error;
    } cases[] = {
        {"every entry bad", test_support::airportsXml(R"(<ap c="EH"/>)"), false,
         "input/airports.enc contains no valid airports"},
        {"no entries", test_support::airportsXml(""), false, "input/airports.enc contains no valid airports"},
        {"no root", "<top><airports/></top>", false, "input/airports.enc has no <root> root"},
        {"no section", "<root><ap c=\"EHAM\"/></root>", false, "input/airports.enc has no <airports> section"},
        {"not XML", "<root><airports>", false, "input/airports.enc not loaded: Start-end tags mismatch"},
        {"not encrypted", "plain text, far too short", true, "Encrypted file is too small: input/airports.enc"},
    };
    for (const auto& c : cases) {
        WorkingFolder folder;
        gf_resetKnownAirportsForTesting();
        if (c.raw) {
            WorkingFolder::write("input/airports.enc", c.bytes);
        } else {
            test_support::writeEncryptedDataFile("input/airports.enc", c.bytes);
        }
        const Expected<std::size_t, std::string> count = gf_readAirportsFile();
        ASSERT_FALSE(count.has_value()) << c.name;
        EXPECT_EQ(count.error(), c.error) << c.name;
        EXPECT_FALSE(gf_isKnownAirport(IcaoCode("EHAM"))) << c.name;
    }
}

TEST(KnownAirports, MissingFileThenAFailedLoadLeaveTheTableEmptyAndTheNextCallReloads) {
    WorkingFolder folder;
    gf_resetKnownAirportsForTesting();
    Expected<std::size_t, std::string> count = gf_readAirportsFile();
    ASSERT_FALSE(count.has_value());
    EXPECT_EQ(count.error(), "input/airports.enc not available");

    test_support::writeEncryptedDataFile("input/airports.enc", test_support::airportsXml(R"(<ap c="EH"/>)"));
    EXPECT_FALSE(gf_readAirportsFile().has_value());
    EXPECT_FALSE(gf_findNearestAirport({52.3086, 4.7639}, {}).has_value());

    KnownAirportsFile file(kGood);
    EXPECT_EQ(loadOrFail(), 1u);
    EXPECT_TRUE(gf_isKnownAirport(IcaoCode("EHAM")));

    // Loaded once: a second call neither reads (the file is gone) nor logs.
    std::filesystem::remove("input/airports.enc");
    LogCapture log;
    EXPECT_EQ(loadOrFail(), 1u);
    EXPECT_TRUE(log.lines().empty());
}

TEST(KnownAirports, CodesFormatWithIataInParentheses) {
    const IataCode ams = lf_iataCodeFromText("ams");
    EXPECT_EQ(fmt::format("{}", AirportCodes{IcaoCode("EHAM"), ams}), "EHAM (AMS)");
    EXPECT_EQ(fmt::format("{}", AirportCodes{IcaoCode("EHAM"), {}}), "EHAM");
    EXPECT_EQ(fmt::format("{}", AirportCodes{IcaoCode(), ams}), "? (AMS)");
    EXPECT_EQ(fmt::format("[{}]", IcaoCode()), "[]");
    EXPECT_EQ(lf_iataCodeFromText("fra").key, 0x465241u);
    EXPECT_THROW(lf_iataCodeFromText("FR-"), std::invalid_argument);
    EXPECT_THROW(lf_iataCodeFromText(""), std::invalid_argument);
}

// The user stands at latitude 0, longitude 10; north distances in NM are exact there.
constexpr double kUserLon = 10.0;
const Lalo kUser{0.0, kUserLon};

std::string apAt(const char* code, double northNm, double eastNm) {
    return fmt::format(R"(<ap c="{}" la="{:.17g}" lo="{:.17g}" a="0"/>)", code, northNm / 60.0,
                       kUserLon + eastNm / 60.0);
}

struct StandTable {
    std::map<std::string, Expected<ClosestStand, std::string>> answers;
    std::vector<std::string> asked;

    ClosestStandLookup lookup() {
        return [this](const IcaoCode& icao, const Lalo& position) -> Expected<ClosestStand, std::string> {
            EXPECT_EQ(position, kUser);
            asked.emplace_back(icao.text());
            const auto found = answers.find(std::string(icao.text()));
            return found == answers.end() ? Expected<ClosestStand, std::string>(unexpected(std::string("no file")))
                                          : found->second;
        };
    }
};

std::string nearestCode(const std::string& entries, StandTable& stands) {
    KnownAirportsFile file(entries);
    loadOrFail();
    const std::optional<KnownAirport> nearest = gf_findNearestAirport(kUser, stands.lookup());
    return nearest ? std::string(nearest->icao.text()) : "(none)";
}

TEST(KnownAirports, NearestSearchBoxEdges) {
    const struct {
        const char* name;
        double north;
        double east;
        const char* found;
    } cases[] = {
        {"5.0 NM north is in", 5.0, 0.0, "AAAA"},         {"5.0 NM south is in", -5.0, 0.0, "AAAA"},
        {"5.01 NM north is out", 5.01, 0.0, "(none)"},    {"4 NM north and 4 NM east is out", 4.0, 4.0, "(none)"},
        {"3 north and 3.9 east is in", 3.0, 3.9, "AAAA"}, {"5.01 NM east is out", 0.0, 5.01, "(none)"},
    };
    for (const auto& c : cases) {
        WorkingFolder folder;
        StandTable stands;
        EXPECT_EQ(nearestCode(apAt("AAAA", c.north, c.east) + apAt("FARR", 20.0, 0.0), stands), c.found) << c.name;
        EXPECT_TRUE(stands.asked.empty()) << c.name; // one candidate needs no stand
    }
}

TEST(KnownAirports, EastDistancesShrinkWithTheCosineOfTheLatitude) {
    WorkingFolder folder;
    // At 60 degrees north a degree of longitude is 30 NM: 0.15 degrees east is 4.5 NM.
    KnownAirportsFile file(R"(<ap c="EAST" la="60" lo="10.15" a="0"/><ap c="FARR" la="61" lo="10" a="0"/>)");
    loadOrFail();
    const std::optional<KnownAirport> found = gf_findNearestAirport({60.0, 10.0}, {});
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->icao.text(), "EAST");
    EXPECT_FALSE(gf_findNearestAirport({60.0, 9.8}, {}).has_value()); // 10.5 NM west of it
}

TEST(KnownAirports, CloserStandBeatsCloserCentre) {
    WorkingFolder folder;
    StandTable stands;
    stands.answers.emplace("NEAR", ClosestStand{"A1", 500.0 / 1852.0});
    stands.answers.emplace("FARA", ClosestStand{"B7", 200.0 / 1852.0});
    LogCapture log;
    EXPECT_EQ(nearestCode(apAt("FARA", -4.0, 0.0) + apAt("NEAR", 3.0, 0.0), stands), "FARA");
    EXPECT_EQ(stands.asked, (std::vector<std::string>{"NEAR", "FARA"}));
    EXPECT_EQ(log.lines().back(), "Airport NEAR has the closest center, but stand B7 at FARA is closer (200 meters)");
}

TEST(KnownAirports, NearestSearchTiesAndMissingFilesKeepTheCloserCentre) {
    const struct {
        const char* name;
        std::vector<std::pair<const char*, double>> standsMetres;
        const char* found;
    } cases[] = {
        {"equal stand distances", {{"NEAR", 300.0}, {"FARA", 300.0}}, "NEAR"},
        {"no file for either", {}, "NEAR"},
        {"only the farther has a file", {{"FARA", 900.0}}, "FARA"},
        {"stands beyond 100 NM do not count", {{"FARA", 101.0 * 1852.0}}, "NEAR"},
    };
    for (const auto& c : cases) {
        WorkingFolder folder;
        StandTable stands;
        for (const auto& [code, metres] : c.standsMetres) {
            stands.answers.emplace(code, ClosestStand{"S", metres / 1852.0});
        }
        EXPECT_EQ(nearestCode(apAt("FARA", 0.0, 4.0) + apAt("NEAR", 2.0, 0.0), stands), c.found) << c.name;
    }
}

class ParkAirportTest : public ::testing::Test {
protected:
    void TearDown() override { gf_clearCurrentParkAirport(); }
    static KnownAirport airportAt(double latitude, double longitude, std::int32_t altitude) {
        return KnownAirport{IcaoCode("LOWI"), lf_iataCodeFromText("INN"), latitude, longitude, altitude};
    }
};

TEST_F(ParkAirportTest, AltitudeOnlyForASetAirportAtAValidPosition) {
    EXPECT_FALSE(gf_parkAirportAltitude().has_value());
    gf_setCurrentParkAirport(airportAt(47.26, 11.34, 1906));
    EXPECT_EQ(gf_parkAirportAltitude(), 1906.0);
    gf_setParkAirportAltitudeFt(1900);
    EXPECT_EQ(gf_parkAirportAltitude(), 1900.0);
    gf_setCurrentParkAirport(airportAt(0.00005, 0.00005, 10));
    EXPECT_FALSE(gf_parkAirportAltitude().has_value());

    gf_setCurrentParkAirport(airportAt(47.26, 11.34, 1906));
    gf_clearCurrentParkAirport();
    EXPECT_FALSE(gf_parkAirportAltitude().has_value());
    const KnownAirport cleared = gf_currentParkAirport();
    EXPECT_TRUE(cleared.icao.empty());
    EXPECT_EQ(cleared.iata.key, 0u);
    EXPECT_EQ(cleared.altitude, 0);
}

TEST_F(ParkAirportTest, NearMeansWithinTenNauticalMiles) {
    EXPECT_FALSE(gf_isNearParkAirport({0.0, kUserLon}));
    // Park airport 10 NM north of the position, exactly.
    gf_setCurrentParkAirport(airportAt(10.0 / 60.0, kUserLon, 0));
    EXPECT_TRUE(gf_isNearParkAirport({0.0, kUserLon}));
    EXPECT_FALSE(gf_isNearParkAirport({-0.01 / 60.0, kUserLon}));
    // East distances shrink with the cosine of the park airport's latitude (60 degrees: half).
    gf_setCurrentParkAirport(airportAt(60.0, kUserLon, 0));
    EXPECT_TRUE(gf_isNearParkAirport({60.0, kUserLon + 19.9 / 60.0}));
    EXPECT_FALSE(gf_isNearParkAirport({60.0, kUserLon + 20.1 / 60.0}));
    EXPECT_FALSE(gf_isNearParkAirport({60.0 + 10.1 / 60.0, kUserLon}));
    // 6 NM north and 8.01 NM east by the park airport's cosine: just outside, though the
    // position's own (smaller) cosine would put it inside.
    EXPECT_FALSE(gf_isNearParkAirport({60.1, kUserLon + 0.267}));
    EXPECT_TRUE(gf_isNearParkAirport({60.1, kUserLon + 0.266}));
}

} // namespace
} // namespace kiv
