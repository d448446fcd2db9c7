#include "airports/airport_file_apply.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "airports/airport_file_fixtures.h"
#include "airports/airport_file_format.h"
#include "airports/airport_file_reader.h"
#include "airports/current_park_airport.h"
#include "airports/learned_save.h"
#include "settings/data_folder.h"
#include "settings/gui_thread_changes.h"
#include "settings/parameter_elements.h"
#include "settings/settings_reset.h"
#include "settings/settings_snapshot.h"
#include "settings/settings_table.h"
#include "test_support/log_capture.h"
#include "test_support/temp_folder.h"
#include "test_support/working_folder.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;
using test_support::airportFileXml;
using test_support::LogCapture;
using test_support::ParkingNeighboursRecorder;
using test_support::RecordingAirportsShell;
using test_support::TempFolder;
using test_support::WorkingFolder;

bool logHas(const LogCapture& log, std::string_view text) {
    const std::vector<std::string> lines = log.lines();
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) { return line == text; });
}
bool logContains(const LogCapture& log, std::string_view text) {
    const std::vector<std::string> lines = log.lines();
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

Stand fileStand(std::string id, double latitude) {
    return gf_makeFileStand(std::move(id), {}, latitude, 4.76, 0.0, 25.0, 9, false, false, false);
}

AirportFile fileWithStands(std::size_t count, std::int32_t Qf_real) {
    AirportFile file;
    file.airport_name = "Schiphol";
    file.publisher = "stock";
    file.altitude = 12;
    file.Qf_real = Qf_real;
    file.RT_traffic_week = 3;
    file.requestedPath = "archive/stock/EHAM.enc";
    file.loadedPath = "airports/park_airport.7.0.enc";
    file.source = AirportFileSource::Archive;
    for (std::size_t i = 0; i < count; ++i) {
        file.stands.push_back(fileStand("S" + std::to_string(i), 52.3 + 0.001 * static_cast<double>(i)));
    }
    return file;
}


class ApplyTest : public ::testing::Test {
protected:
    ApplyTest() {
        gf_setDataFolderForTesting(dataFolder.path());
        test_support::resetSettingsToDefaults();
        gf_publishTrafficSource(true); // the RT App road
        gf_publishSettingsSnapshot();
        gf_unregisterGuiThread();
        gf_clearAppliedAirportFile();
        KnownAirport eham;
        eham.icao = IcaoCode("EHAM");
        eham.latitude = 52.3086;
        eham.longitude = 4.7639;
        eham.altitude = -11;
        gf_setCurrentParkAirport(eham);
        gf_setLearnedUpdateCountForTesting(0);
    }
    ~ApplyTest() override {
        gf_clearCurrentParkAirport();
        gf_clearAppliedAirportFile();
        test_support::resetSettingsToDefaults();
    }

    static void setPark(std::int32_t percentage, bool autoPark, bool rtOnly) {
        param::parking_percentage.value = percentage;
        param::AUTO_PARK.value = autoPark;
        param::RT_PARKTRAFFIC_ONLY.value = rtOnly;
        gf_publishSettingsSnapshot();
    }

    WorkingFolder folder;
    TempFolder dataFolder;
    LogCapture log;
    RecordingAirportsShell shell;
    ParkingNeighboursRecorder neighbours;
};

TEST_F(ApplyTest, RulesWithoutALearnedCopy) {
    struct Case {
        std::int32_t Qf_real;
        std::size_t stands;
        std::int32_t percentage;
        std::int32_t expectedPercentage;
        bool expectedAutoPark;
        const char* percentageLine; // empty: none
        bool lowQualityLine;
    };
    const std::vector<Case> cases = {
        {16, 1, 30, 100, true, "==> target parking % set at 100, because this airport has just 1 stand", false},
        {16, 2, 30, 65, true, "==> target parking % set at 65, because this airport has just 2 stands", false},
        {16, 0, 30, 65, true, "==> target parking % set at 65, because this airport has just 0 stands", false},
        {16, 2, 65, 65, false, "", false},
        {16, 1, 100, 100, false, "", false},
        {16, 3, 30, 30, false, "", false},
        {15, 3, 30, 30, true, "", true},
        {16, 3, 30, 30, false, "", false},
    };
    for (const Case& c : cases) {
        const std::string name = fmt::format("Qf {} stands {} percentage {}", c.Qf_real, c.stands, c.percentage);
        setPark(c.percentage, false, true);
        LogCapture caseLog;
        gf_applyAirportFile(fileWithStands(c.stands, c.Qf_real));
        const std::shared_ptr<const SettingsSnapshot> settings = gf_settings();
        EXPECT_EQ(settings->parkingPercentage, c.expectedPercentage) << name;
        EXPECT_EQ(param::parking_percentage.value, c.expectedPercentage) << name;
        EXPECT_EQ(settings->autoPark, c.expectedAutoPark) << name;
        EXPECT_EQ(param::AUTO_PARK.value, c.expectedAutoPark) << name;
        EXPECT_EQ(settings->rtParkTrafficOnly, !c.expectedAutoPark) << name;
        EXPECT_EQ(param::RT_PARKTRAFFIC_ONLY.value, !c.expectedAutoPark) << name;
        EXPECT_TRUE(logHas(caseLog, "learned airport file not available")) << name;
        if (*c.percentageLine != '\0') {
            EXPECT_TRUE(logHas(caseLog, c.percentageLine)) << name;
            EXPECT_TRUE(logHas(caseLog, "auto park set")) << name;
        } else {
            EXPECT_FALSE(logContains(caseLog, "target parking %")) << name;
        }
        EXPECT_EQ(logHas(caseLog, fmt::format("auto park set because Qf is very low: {}", lf_formatQuality(15, 0))),
                  c.lowQualityLine)
            << name;
        EXPECT_TRUE(logHas(caseLog, fmt::format("          parking_percentage      : {}", c.expectedPercentage)))
            << name;
    }
}

TEST_F(ApplyTest, LearnedSettingsAreAppliedAndAbsentOnesLeftAloneExceptThePercentage) {
    setPark(65, false, true);
    param::WEEK.value = true;
    param::MAX_FIT.value = 20;
    gf_publishSettingsSnapshot();
    AirportFile file = fileWithStands(1, 0);
    file.learnedMerged = 1;
    file.learnedSettings.AUTO_PARK = true;
    file.learnedSettings.PARK_SOFT = true;
    gf_applyAirportFile(file);
    std::shared_ptr<const SettingsSnapshot> settings = gf_settings();
    EXPECT_EQ(settings->parkingPercentage, param::parking_percentage.defaultValue);
    EXPECT_TRUE(settings->autoPark);
    EXPECT_TRUE(settings->parkSoft);
    EXPECT_TRUE(settings->week);              // absent: left as it was
    EXPECT_TRUE(settings->rtParkTrafficOnly); // absent: left, even with one stand and Qf 0
    EXPECT_EQ(settings->maxFit, 20);
    EXPECT_EQ(shell.parkingControlUpdates, 1);
    EXPECT_FALSE(logContains(log, "learned airport file not available"));

    file.learnedSettings = {100, 500, false, false, false, false};
    file.handmadeOverrules = 1;
    gf_applyAirportFile(file);
    settings = gf_settings();
    EXPECT_EQ(settings->parkingPercentage, 100);
    EXPECT_EQ(settings->maxFit, 47); // clamped
    EXPECT_EQ(param::MAX_FIT.value, 47);
    EXPECT_FALSE(settings->autoPark);
    EXPECT_FALSE(settings->week);
    EXPECT_FALSE(param::WEEK.value);
    EXPECT_TRUE(logHas(log, "A handmade airport file overruled the archived file!"));
    EXPECT_EQ(shell.publishers.back(), (std::pair<std::string, bool>{"stock", true}));
}

TEST_F(ApplyTest, AnAirportBelowSeaLevelShowsItsNegativeElevation) {
    AirportFile file = fileWithStands(4, 40);
    file.altitude = static_cast<std::uint32_t>(-11);
    gf_applyAirportFile(file);
    EXPECT_TRUE(logHas(log, "          altitude                : -11 ft"));
    EXPECT_EQ(gf_parkAirportAltitude(), -11.0);
}

TEST_F(ApplyTest, SummaryStateAndNeighbours) {
    AirportFile file = fileWithStands(4, 40);
    file.Qf_soft = 3;
    file.version = "1.2";
    gf_applyAirportFile(file);
    EXPECT_TRUE(logHas(log, "Airport file read from 'archive/stock/EHAM.enc'"));
    for (const char* line : {"          publisher               : stock", "          version                 : 1.2",
                             "          altitude                : 12 ft", "          num_parkpos             : 4",
                             "          quality factor          : 40", "          RT_traffic_week         : 3"}) {
        EXPECT_TRUE(logHas(log, line)) << line;
    }
    EXPECT_EQ(shell.standCounts, std::vector<std::uint64_t>{4});
    EXPECT_EQ(shell.qualityTexts, std::vector<std::string>{"40"});
    EXPECT_EQ(shell.repaints, 1);
    EXPECT_EQ(gf_parkAirportAltitude(), 12.0);
    ASSERT_EQ(neighbours.rtApp.size(), 1U); // the RT App road in these tests
    EXPECT_EQ(neighbours.rtApp[0], 12.0);
    const AppliedAirportFile applied = gf_appliedAirportFile();
    EXPECT_TRUE(applied.airportFileLoaded);
    EXPECT_EQ(applied.parkTrafficWeek, 3U);
    EXPECT_EQ(applied.info.airport_name, "Schiphol");
    EXPECT_EQ(applied.info.requestedPath, "archive/stock/EHAM.enc");
    EXPECT_EQ(applied.info.parkSettingsAtLoad, gf_currentParkSettingsHead());

    file.source = AirportFileSource::Cache;
    file.loadedPath = "airports/park_airport.xml";
    gf_applyAirportFile(file);
    EXPECT_TRUE(logHas(log, "Airport file read from 'airports/park_airport.xml'"));
}

TEST(QualityText, Table) {
    struct Case {
        std::int32_t real;
        std::int32_t soft;
        const char* text;
    };
    for (const Case& c : std::vector<Case>{{40, 3, "40"},
                                          {35, 0, "35"},
                                          {34, 0, "34/ 0"},
                                          {20, 3, "20/ 3"},
                                          {0, 0, "  "},
                                          {-1, -1, "  "},
                                          {0, 5, " 0/ 5"},
                                          {-1, 5, "-1/ 5"},
                                          {1, 0, " 1/ 0"}}) {
        EXPECT_EQ(lf_formatQuality(c.real, c.soft), c.text) << c.real << "/" << c.soft;
        EXPECT_EQ(fmt::format("{}", QualityPair{c.real, c.soft}), c.text);
    }
}

// --- saving ---

FlightOption learnedOption(std::uint32_t seq, std::uint32_t fromFile, std::uint32_t day = 2) {
    FlightOption option;
    option.reg = fmt::format("PH-{}{}", seq, fromFile);
    option.hh.set(4);
    option.seq = seq;
    option.day = day;
    option.fromFile = fromFile;
    return option;
}

std::vector<Stand> standsToSave() {
    std::vector<Stand> stands = {fileStand("A1", 52.30), fileStand("A2", 52.31), fileStand("A3", 52.32),
                                 fileStand("M1", 52.33)};
    stands[0].options = {learnedOption(1, 1), learnedOption(2, 0), learnedOption(0, 0)};
    stands[1].options = {learnedOption(1, 1)}; // only from the file: dropped
    stands[3].manual = true;                   // manual without options: kept
    return stands;
}

std::vector<Stand> readStands(const fs::path& path) {
    pugi::xml_document document;
    EXPECT_TRUE(document.load_file(path.c_str())) << path;
    std::vector<Stand> stands;
    for (const pugi::xml_node parkpos : document.child("root").child("parkpositions").children("parkpos")) {
        Stand stand;
        stand.id = parkpos.attribute("id").as_string();
        stand.options = lf_readStandOptions(parkpos, 0);
        stands.push_back(std::move(stand));
    }
    return stands;
}

class SaveTest : public ApplyTest {
protected:
    void applyFrom(const fs::path& requested, std::string publisher) {
        AirportFile file = fileWithStands(4, 40);
        file.requestedPath = requested;
        file.publisher = std::move(publisher);
        gf_applyAirportFile(file);
    }
};

TEST_F(SaveTest, OnlyLearnedUseIsSavedUnlessHandmade) {
    applyFrom("archive/stock/EHAM.enc", "stock");
    gf_setLearnedUpdateCountForTesting(1);
    gf_saveLearned(standsToSave(), false);
    const fs::path learned = "airports/learned/stock/EHAM.xml";
    EXPECT_TRUE(logHas(log, " 'airports/learned/stock/EHAM.xml' saved with 1 update"));
    std::vector<Stand> saved = readStands(learned);
    ASSERT_EQ(saved.size(), 2U);
    EXPECT_EQ(saved[0].id, "A1");
    ASSERT_EQ(saved[0].options.size(), 1U);
    EXPECT_EQ(saved[0].options[0].reg, "PH-20");
    EXPECT_EQ(saved[1].id, "M1");
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(learned.c_str()));
    EXPECT_EQ(gf_readIntParameter(document, "parking_percentage"), gf_settings()->parkingPercentage);
    EXPECT_EQ(gf_readBoolParameter(document, "AUTO_PARK"), gf_settings()->autoPark);
    EXPECT_EQ(gf_learnedUpdateCount(), 0);

    gf_saveLearned(standsToSave(), true);
    EXPECT_TRUE(logHas(log, " handmade 'airports/learned/stock/EHAM.xml' saved with 0 updates"));
    saved = readStands(learned);
    ASSERT_EQ(saved.size(), 4U);
    EXPECT_EQ(saved[0].options.size(), 2U); // the withdrawn option is never written
    ASSERT_TRUE(document.load_file(learned.c_str()));
    EXPECT_EQ(gf_readBoolParameter(document, "handmade"), true);
    // Of four stands one holds two real options and one holds one, each on one day in one slot:
    // (10156.5 + 10134.5) / 4 x 0.00625 = 31.7.
    EXPECT_EQ(gf_readIntParameter(document, "Qf_real"), 32);
}

TEST_F(SaveTest, LearnedCopyLiesWhereTheReadOfTheSameFileLooks) {
    struct Case {
        fs::path requested;
        std::string publisher;
        fs::path learned;
    };
    const std::vector<Case> cases = {
        {"archive/stock/EHAM.enc", "stock", "airports/learned/stock/EHAM.xml"},
        {"archive/simaddon/EHAM.enc", "simaddon", "airports/learned/simaddon/EHAM.xml"},
        {"airports/my_simaddon/EHAM.xml", "simaddon", "airports/learned/my_simaddon/EHAM.xml"},
        {"airports/my_thirdparty/EHAM_X.xml", "Fly Tampa", "airports/learned/thirdparty/Fly Tampa/EHAM.xml"},
        {"archive/thirdparty/Fly%20Tampa/EHAM2.enc", "FlyTampa", "airports/learned/thirdparty/Fly Tampa/EHAM.xml"},
    };
    for (const Case& c : cases) {
        applyFrom(c.requested, c.publisher);
        gf_saveLearned(standsToSave(), false);
        EXPECT_TRUE(fs::exists(c.learned)) << c.requested;
        fs::remove(c.learned);
    }
}

TEST_F(SaveTest, UpdateCountIsKeptWhenThereIsNoPathAndResetWhenTheWriterFails) {
    applyFrom("airports/my_thirdparty/EHAM.xml", "");
    gf_setLearnedUpdateCountForTesting(5);
    gf_saveLearned(standsToSave(), false);
    EXPECT_TRUE(logHas(log, "==> cannot construct a safe learned path for publisher ''"));
    EXPECT_EQ(gf_learnedUpdateCount(), 5);

    applyFrom("archive/stock/EHAM.enc", "stock");
    WorkingFolder::write("airports/learned/stock/EHAM.xml", "old");
    std::vector<Stand> stands = standsToSave();
    stands[3].latitude = 0.0; // a manual stand the writer refuses
    stands[3].longitude = 0.0;
    gf_saveLearned(stands, false);
    EXPECT_TRUE(logHas(log, "saving 'airports/learned/stock/EHAM.xml' did not succeed"));
    EXPECT_EQ(gf_learnedUpdateCount(), 0);
    EXPECT_EQ(WorkingFolder::read("airports/learned/stock/EHAM.xml"), "old");
}

TEST_F(SaveTest, NothingIsSavedWithoutAnAppliedFileOrAParkAirport) {
    gf_saveLearned(standsToSave(), false);
    applyFrom("archive/stock/EHAM.enc", "stock");
    gf_clearCurrentParkAirport();
    gf_saveLearned(standsToSave(), false);
    const std::vector<std::string> lines = log.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "==> gf_saveLearned called without a loaded airport file"), 2);
    EXPECT_FALSE(fs::exists("airports/learned"));
}

TEST_F(SaveTest, SingularAndPluralUpdates) {
    applyFrom("archive/stock/EHAM.enc", "stock");
    for (const auto& [count, text] : std::vector<std::pair<std::int32_t, std::string>>{
             {1, "1 update"}, {0, "0 updates"}, {2, "2 updates"}, {-1, "-1 update"}}) {
        gf_setLearnedUpdateCountForTesting(count);
        LogCapture caseLog;
        gf_saveLearned(standsToSave(), false);
        EXPECT_TRUE(logHas(caseLog, " 'airports/learned/stock/EHAM.xml' saved with " + text)) << text;
    }
}

TEST_F(SaveTest, SavedCopyIsMergedByTheNextReadOfTheSameFile) {
    WorkingFolder::write("airports/my_simaddon/EHAM.xml",
                         airportFileXml({{"icao", "EHAM"}, {"publisher", "simaddon"}, {"altitude", "12"},
                                         {"airport_name", "Schiphol"}},
                                        R"(<parkpos id="A1" typestr="GATE_MEDIUM" latitude="52.3" longitude="4.76"
                                                    heading="0" radius="25"/>)"));
    const auto first = gf_readAirportFile("airports/my_simaddon/EHAM.xml");
    ASSERT_TRUE(first) << first.error();
    gf_applyAirportFile(first.value());
    std::vector<Stand> stands = first.value().stands;
    stands[0].options.push_back(learnedOption(1, 0, 5));
    gf_saveLearned(stands, false);
    gf_clearAppliedAirportFile();
    const auto second = gf_readAirportFile("airports/my_simaddon/EHAM.xml");
    ASSERT_TRUE(second) << second.error();
    EXPECT_EQ(second.value().learnedMerged, 1U);
    ASSERT_EQ(second.value().stands.at(0).options.size(), 1U);
    EXPECT_EQ(second.value().stands[0].options[0].day, 5U);
}

// --- restoring ---

std::string storedValue(std::string_view key) {
    pugi::xml_document document;
    if (!document.load_file(gf_parametersFilePath().c_str())) {
        return "<no file>";
    }
    return gf_readStringParameter(document, key).value_or("<none>");
}

TEST_F(ApplyTest, RestoreSetsBackAndStoresOnlyTheSettingsThatDiffer) {
    setPark(30, true, false);
    gf_applyAirportFile(fileWithStands(5, 50)); // records 30, auto park, not RT only
    pugi::xml_document document;
    pugi::xml_node section = document.append_child("root").append_child("parameters");
    for (const char* key : {"parking_percentage", "MAX_FIT", "RT_PARKTRAFFIC_ONLY", "AUTO_PARK", "WEEK", "PARK_SOFT"}) {
        ASSERT_TRUE(gf_appendParameterElement(section, key, "marker"));
    }
    ASSERT_TRUE(document.save_file(gf_parametersFilePath().c_str()));

    param::parking_percentage.value = 100;
    param::AUTO_PARK.value = false;
    gf_publishSettingsSnapshot();
    gf_applyParkSettings();
    const std::shared_ptr<const SettingsSnapshot> settings = gf_settings();
    EXPECT_EQ(settings->parkingPercentage, 30);
    EXPECT_TRUE(settings->autoPark);
    EXPECT_EQ(param::parking_percentage.value, 30);
    EXPECT_TRUE(param::AUTO_PARK.value);
    EXPECT_EQ(storedValue("parking_percentage"), "30");
    EXPECT_EQ(storedValue("AUTO_PARK"), "true");
    for (const char* key : {"MAX_FIT", "RT_PARKTRAFFIC_ONLY", "WEEK", "PARK_SOFT"}) {
        EXPECT_EQ(storedValue(key), "marker") << key;
    }
    EXPECT_EQ(shell.rtParkedOnlyUpdates, 1);
    EXPECT_EQ(shell.autoParkUpdates, 1);
}

} // namespace
} // namespace kiv
