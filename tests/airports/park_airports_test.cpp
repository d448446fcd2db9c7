#include "airports/park_airports.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "airports/airport_file_fixtures.h"
#include "airports/airports_test_files.h"
#include "airports/current_park_airport.h"
#include "settings/settings_reset.h"
#include "settings/settings_snapshot.h"
#include "test_support/log_capture.h"
#include "test_support/working_folder.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;
using test_support::KnownAirportsFile;
using test_support::LogCapture;
using test_support::ParkingNeighboursRecorder;
using test_support::RecordingAirportsShell;
using test_support::WorkingFolder;

const fs::path kFile = "airports/my_park_airports.txt";

bool logHas(const LogCapture& log, std::string_view text) {
    const std::vector<std::string> lines = log.lines();
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) { return line == text; });
}
bool logContains(const LogCapture& log, std::string_view text) {
    const std::vector<std::string> lines = log.lines();
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

std::vector<std::string> codes() {
    std::vector<std::string> result;
    for (const ParkAirport& entry : gf_parkAirportsForTesting()) {
        result.push_back(std::string(entry.icao.text()) + (entry.stand.empty() ? "" : "," + entry.stand));
    }
    return result;
}

// P, Q and R lie 7 NM apart on one meridian; EHAM and EGLL as they are.
constexpr std::string_view kAirports = R"(
    <ap c="EGLL" la="51.4775" lo="-0.4614" a="83"/>
    <ap c="EHAM" la="52.3086" lo="4.7639" a="-11"/>
    <ap c="LOWI" la="47.2602" lo="11.3439" a="1906"/>
    <ap c="PPPP" la="50.0" lo="8.0" a="0"/>
    <ap c="QQQQ" la="50.116666666666667" lo="8.0" a="0"/>
    <ap c="RRRR" la="50.233333333333333" lo="8.0" a="0"/>)";

class ParkAirportsTest : public ::testing::Test {
protected:
    ParkAirportsTest() {
        gf_resetParkAirportsForTesting();
        gf_clearCurrentParkAirport();
        test_support::resetSettingsToDefaults();
        gf_publishTrafficSource(true);
    }
    ~ParkAirportsTest() override {
        gf_resetParkAirportsForTesting();
        gf_clearCurrentParkAirport();
        test_support::resetSettingsToDefaults();
    }

    static void readFile(std::string_view text) {
        WorkingFolder::write(kFile, text);
        gf_readMyParkAirportsFile();
    }

    WorkingFolder folder;
    LogCapture log;
    RecordingAirportsShell shell;
    ParkingNeighboursRecorder neighbours;
    KnownAirportsFile known{kAirports};
    const bool loaded = gf_readAirportsFile().has_value();
};

TEST_F(ParkAirportsTest, InputLines) {
    struct Case {
        std::string line;
        ParkLineProblem problem;
        std::string code;
        std::string stand;
    };
    const std::vector<Case> cases = {
        {"egll", ParkLineProblem::none, "EGLL", ""},
        {"EGLL , 512", ParkLineProblem::none, "EGLL", "512"},
        {"EGLL,,512", ParkLineProblem::none, "EGLL", "512"},
        {"\tEHAM,D4 ", ParkLineProblem::none, "EHAM", "D4"},
        {"EGLL,1,2", ParkLineProblem::wrongSyntax, "", ""},
        {"EGL", ParkLineProblem::invalidCode, "", ""},
        {"EGL,1,2", ParkLineProblem::invalidCode, "", ""},
        {"EDDF", ParkLineProblem::unknownAirport, "", ""},
        {"", ParkLineProblem::empty, "", ""},
        {" , ,", ParkLineProblem::empty, "", ""},
    };
    for (const Case& c : cases) {
        const ParkLine parsed = lf_parseParkAirportLine(c.line);
        EXPECT_EQ(parsed.problem, c.problem) << c.line;
        ASSERT_EQ(parsed.entry.has_value(), c.problem == ParkLineProblem::none) << c.line;
        if (parsed.entry) {
            EXPECT_EQ(parsed.entry->icao.text(), c.code) << c.line;
            EXPECT_EQ(parsed.entry->stand, c.stand) << c.line;
        }
    }
    const ParkLine eham = lf_parseParkAirportLine("EHAM");
    ASSERT_TRUE(eham.entry);
    EXPECT_DOUBLE_EQ(eham.entry->latitude, 52.3086);
    EXPECT_DOUBLE_EQ(eham.entry->longitude, 4.7639);
}

TEST_F(ParkAirportsTest, ReadKeepsUnusableLinesMergesDuplicatesAndAddsThirdpartyAirports) {
    WorkingFolder::write("airports/my_thirdparty/LOWI.xml", "x");
    WorkingFolder::write("airports/my_thirdparty/EHAM.xml", "x");
    WorkingFolder::write("airports/my_thirdparty/README.txt", "x");
    WorkingFolder::write("airports/my_thirdparty/EDDF.xml", "x"); // not a known airport
    readFile("\xEF\xBB\xBF" "EHAM\r\nEGL\n\nEHAM,D4\nEGLL,1,2\nEDDF\nEGLL,F7\nEGLL,B2\n");
    EXPECT_EQ(codes(), (std::vector<std::string>{"EHAM,D4", "EGLL,F7", "LOWI"}));
    EXPECT_TRUE(logHas(log, "==> my_park_airports.txt:EGL invalid ICAO code, preserved"));
    EXPECT_TRUE(logHas(log, "==> my_park_airports.txt:EGLL,1,2 wrong syntax, preserved"));
    EXPECT_EQ(shell.messages, std::vector<std::string>{"airport EDDF is unknown"});
    EXPECT_TRUE(logHas(log, "    2 park airports read from 'my_park_airports.txt'"));
    EXPECT_TRUE(logHas(log, "    1 park airport added from 'airports/my_thirdparty'"));
    EXPECT_TRUE(logHas(log, "    3 park airports available in total"));

    gf_saveMyParkAirportsFile();
    EXPECT_EQ(WorkingFolder::read(kFile), "EGLL,F7\nEHAM,D4\nLOWI\nEGL\n\nEGLL,1,2\nEDDF\n");
}

TEST_F(ParkAirportsTest, ReadMessagesCountAsTheySay) {
    readFile("EHAM\n");
    EXPECT_TRUE(logHas(log, "    1 park airport read from 'my_park_airports.txt'"));
    EXPECT_TRUE(logHas(log, "    1 park airport available in total"));
    readFile("");
    EXPECT_TRUE(logHas(log, "    0 park airports read from 'my_park_airports.txt'"));
    fs::remove(kFile);
    LogCapture missing;
    gf_readMyParkAirportsFile();
    EXPECT_TRUE(logHas(missing, "No saved park airports file: 'airports/my_park_airports.txt'"));
    EXPECT_FALSE(logContains(missing, "read from"));
}

TEST_F(ParkAirportsTest, SaveOrderAndWhenNothingIsWritten) {
    readFile("EHAM,D4\nxx\nEGLL\n");
    gf_saveMyParkAirportsFile();
    EXPECT_EQ(WorkingFolder::read(kFile), "EGLL\nEHAM,D4\nxx\n");

    WorkingFolder::write(kFile, "changed\n");
    gf_saveMyParkAirportsFile();
    EXPECT_TRUE(logHas(log, "Park airports file not saved: reading was not completed"));
    EXPECT_EQ(WorkingFolder::read(kFile), "changed\n");

    // An empty list with no kept lines never rewrites the file (here an unreadable one).
    fs::remove(kFile);
    fs::create_directories(kFile);
    gf_resetParkAirportsForTesting();
    gf_readMyParkAirportsFile();
    gf_saveMyParkAirportsFile();
    EXPECT_TRUE(logHas(log, "Park airports file not saved: reading was not completed"));
    fs::remove(kFile);
    readFile("");
    WorkingFolder::write(kFile, "keep\n");
    gf_saveMyParkAirportsFile();
    EXPECT_TRUE(logHas(log, "Park airports file left unchanged: 'airports/my_park_airports.txt'"));
    EXPECT_EQ(WorkingFolder::read(kFile), "keep\n");
}

TEST_F(ParkAirportsTest, MovingToTheFrontRotatesAndTheNearestSelectionSwaps) {
    readFile("PPPP\nQQQQ\nRRRR\n");
    gf_moveParkAirportToFront(IcaoCode("RRRR"), Lalo{50.233333333333333, 8.0});
    EXPECT_EQ(codes(), (std::vector<std::string>{"RRRR", "PPPP", "QQQQ"}));

    readFile("PPPP\nQQQQ\nRRRR\n");
    gf_selectNearestParkAirport(Lalo{50.24, 8.0});
    EXPECT_EQ(codes(), (std::vector<std::string>{"RRRR", "QQQQ", "PPPP"}));

    gf_setParkAirportStand(IcaoCode("PPPP"), Lalo{50.0, 8.0}, "A7");
    EXPECT_EQ(codes(), (std::vector<std::string>{"PPPP,A7", "RRRR", "QQQQ"}));
    gf_setParkAirportStand(IcaoCode("EHAM"), Lalo{52.3, 4.76}, "");
    EXPECT_EQ(codes(), (std::vector<std::string>{"EHAM", "PPPP,A7", "RRRR", "QQQQ"}));
    EXPECT_FALSE(gf_updateCurrentParkAirportStand(IcaoCode("PPPP"), "B1"));
    EXPECT_TRUE(gf_updateCurrentParkAirportStand(IcaoCode("EHAM"), "C3"));
    EXPECT_EQ(gf_currentParkAirportStand(), "C3");
    EXPECT_EQ(gf_parkAirportStand(IcaoCode("PPPP")), "A7");
    EXPECT_EQ(gf_parkAirportStand(IcaoCode("RRRR")), std::nullopt);
    EXPECT_EQ(gf_parkAirportStand(IcaoCode("LOWI")), std::nullopt);
}

double squaredMoveNm(double from, double to) { return (from - to) * 60.0 * ((from - to) * 60.0); }

// The first latitude north of `from` at least `nm` flat nautical miles away as the selection
// computes it (1/15 degree has no exact binary form, so 4 NM is met as closely as doubles can).
double northAtLeast(double from, double nm) {
    double latitude = from + nm / 60.0;
    while (squaredMoveNm(from, latitude) >= nm * nm) {
        latitude = std::nextafter(latitude, -90.0);
    }
    while (squaredMoveNm(from, latitude) < nm * nm) {
        latitude = std::nextafter(latitude, 90.0);
    }
    return latitude;
}

TEST_F(ParkAirportsTest, SelectionWaitsUntilTheUserHasMovedTheRadius) {
    // P at 50.0, Q 7 NM north of it; from P the radius is 4 NM.
    const double fourNm = northAtLeast(50.0, 4.0);
    const double justBelowFourNm = std::nextafter(fourNm, -90.0);
    const double threePointNineNm = 50.0 + 3.9 / 60.0;
    for (const auto& [latitude, front] : std::vector<std::pair<double, std::string>>{
             {fourNm, "QQQQ"}, {justBelowFourNm, "PPPP"}, {threePointNineNm, "PPPP"}}) {
        readFile("PPPP\nQQQQ\n");
        gf_selectNearestParkAirport(Lalo{50.0, 8.0});
        ASSERT_EQ(codes().front(), "PPPP");
        gf_selectNearestParkAirport(Lalo{latitude, 8.0});
        EXPECT_EQ(codes().front(), front) << squaredMoveNm(50.0, latitude);
    }
}

TEST_F(ParkAirportsTest, OnTheGroundTheNearestAirportBecomesTheParkAirport) {
    neighbours.onGround = true;
    gf_parkAirportOnGround(Lalo{52.31, 4.76});
    EXPECT_EQ(gf_currentParkAirport().icao.text(), "EHAM");
    EXPECT_TRUE(logHas(log, "User aircraft on the ground at EHAM"));
    EXPECT_TRUE(logHas(log, "The park airport is EHAM"));
    EXPECT_EQ(shell.parkAirports, std::vector<std::optional<IcaoCode>>{IcaoCode("EHAM")});
    EXPECT_EQ(neighbours.regenerations, 1);
    EXPECT_EQ(neighbours.disables, 1);
    EXPECT_EQ(neighbours.trafficClears, 1);

    gf_clearCurrentParkAirport();
    gf_parkAirportOnGround(Lalo{40.0, 4.76});
    EXPECT_TRUE(gf_currentParkAirport().icao.empty());
    EXPECT_EQ(shell.messages,
              std::vector<std::string>{"User aircraft on the ground, no RT supported airport within reach"});
}

TEST_F(ParkAirportsTest, AirborneTheFrontBecomesTheParkAirportWhenWithinReach) {
    readFile("PPPP\n");
    struct Case {
        Lalo position;
        double heightFt;
        bool chosen;
    };
    // AIRP_RANGE 20 NM, AIRP_HEIGHT 18000 ft.
    const std::vector<Case> cases = {{{50.0 + 19.9 / 60.0, 8.0}, 1000.0, true},
                                     {{50.0 + 20.1 / 60.0, 8.0}, 1000.0, false},
                                     {{50.0, 8.0}, 18000.0, true},
                                     {{50.0, 8.0}, 18001.0, false}};
    for (const Case& c : cases) {
        gf_clearCurrentParkAirport();
        neighbours.heightFt = c.heightFt;
        const int requests = neighbours.parkedRequests;
        gf_parkAirportOnGround(c.position);
        EXPECT_EQ(gf_currentParkAirport().icao.text(), c.chosen ? "PPPP" : "") << c.heightFt;
        EXPECT_EQ(neighbours.parkedRequests - requests, c.chosen ? 1 : 0);
    }
    EXPECT_EQ(shell.messages.back(), "PPPP within reach");
}

TEST_F(ParkAirportsTest, ParkAirportInUseIsGivenUpOutOfReachOrForACloserFront) {
    readFile("PPPP\nQQQQ\nRRRR\n");
    auto use = [](const char* code) {
        KnownAirport airport = *gf_findKnownAirport(IcaoCode(code));
        gf_setCurrentParkAirport(airport);
    };
    struct Case {
        const char* inUse;
        const char* front;
        Lalo position;
        int clears;
        const char* line;
    };
    const std::vector<Case> cases = {
        {"PPPP", "PPPP", {50.0, 8.0}, 0, ""},
        {"PPPP", "QQQQ", {50.1, 8.0}, 1, "QQQQ is within reach, parked aircraft at PPPP will be removed first"},
        {"PPPP", "QQQQ", {50.05, 8.0}, 0, ""},   // the front is farther
        {"PPPP", "RRRR", {50.0, 8.0}, 0, ""},    // within reach, but farther
        {"PPPP", "QQQQ", {51.0, 8.0}, 1, "PPPP is no longer within reach, parked aircraft will be removed"},
    };
    for (const Case& c : cases) {
        use(c.inUse);
        gf_moveParkAirportToFront(IcaoCode(c.front), Lalo{gf_findKnownAirport(IcaoCode(c.front))->latitude, 8.0});
        LogCapture caseLog;
        const int before = neighbours.clears;
        gf_checkParkAirportReach(c.position);
        EXPECT_EQ(neighbours.clears - before, c.clears) << c.front << " " << c.position.latitude;
        if (*c.line != '\0') {
            EXPECT_TRUE(logContains(caseLog, c.line)) << c.line;
        }
    }
}

} // namespace
} // namespace kiv
