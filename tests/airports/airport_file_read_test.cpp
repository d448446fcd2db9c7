#include "airports/airport_file_read.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "airports/airport_file_fixtures.h"
#include "airports/airport_file_format.h"
#include "airports/airports_test_files.h"
#include "foundation/program_paths.h"
#include "foundation/user_related_exception.h"
#include "test_support/log_capture.h"
#include "test_support/temp_folder.h"
#include "test_support/working_folder.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;
using test_support::airportFileXml;
using test_support::LogCapture;
using test_support::ParameterList;
using test_support::RecordingAirportsShell;
using test_support::TempFolder;
using test_support::WorkingFolder;

constexpr std::string_view kServer = "https://downloads.example/";
const fs::path kCache = "airports/park_airport.xml";

constexpr std::string_view kTwoStands = R"(
    <parkpos id="A1" typestr="GATE_MEDIUM" latitude="52.300000" longitude="4.760000" heading="90" radius="20"/>
    <parkpos id="A2" typestr="GATE_MEDIUM" latitude="52.310000" longitude="4.760000" heading="90" radius="20"/>)";

ParameterList stockParameters(std::string version = "") {
    ParameterList parameters = {{"icao", "EHAM"}, {"airport_name", "Schiphol"}, {"publisher", "stock"},
                                {"altitude", "-11"}, {"RT_traffic_week", "7"}};
    if (!version.empty()) {
        parameters.emplace_back("version", version);
    }
    return parameters;
}

bool logHas(const LogCapture& log, std::string_view text) {
    const std::vector<std::string> lines = log.lines();
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

std::vector<std::string> airportsFolderFiles() {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator("airports")) {
        if (entry.is_regular_file()) {
            names.push_back(entry.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

class ReadAirportFileTest : public ::testing::Test {
protected:
    ReadAirportFileTest() {
        gf_setAirportFileDownloader(gf_folderAirportFileDownloader(server.path(), std::string(kServer)));
        fs::create_directories("airports");
    }
    ~ReadAirportFileTest() override { gf_setAirportFileDownloader({}); }

    // The server's archive file, enciphered.
    void serveArchive(const fs::path& relative, const std::string& xml) {
        const DataFileKey key;
        test_support::writeFile(server.path() / relative, datafile::encryptDataFile(xml, key.bytes()));
    }

    WorkingFolder folder;
    TempFolder server;
    LogCapture log;
    RecordingAirportsShell shell;
};

TEST_F(ReadAirportFileTest, ArchiveFileIsDownloadedDecipheredAndCachedThenTakenFromTheCache) {
    serveArchive("archive/stock/EHAM.enc", airportFileXml(stockParameters(), kTwoStands));
    const auto first = gf_readAirportFile("archive/stock/EHAM.enc");
    ASSERT_TRUE(first) << first.error();
    EXPECT_EQ(first.value().source, AirportFileSource::Archive);
    EXPECT_EQ(first.value().altitude, static_cast<std::uint32_t>(-11));
    EXPECT_EQ(first.value().RT_traffic_week, 7U);
    EXPECT_EQ(first.value().publisher, "stock");
    EXPECT_EQ(first.value().airport_name, "Schiphol");
    EXPECT_FALSE(first.value().version);
    EXPECT_EQ(first.value().stands.size(), 2U);
    EXPECT_TRUE(first.value().loadedPath.string().starts_with("airports/park_airport."));
    EXPECT_EQ(first.value().loadedPath.extension(), ".enc");
    // Only the plain cache is left behind.
    EXPECT_EQ(airportsFolderFiles(), std::vector<std::string>{"park_airport.xml"});
    EXPECT_NE(WorkingFolder::read(kCache).find("<parkpos id=\"A2\""), std::string::npos);

    const auto second = gf_readAirportFile("archive/stock/EHAM.enc");
    ASSERT_TRUE(second) << second.error();
    EXPECT_EQ(second.value().source, AirportFileSource::Cache);
    EXPECT_EQ(second.value().loadedPath, kCache);
    EXPECT_EQ(second.value().stands.size(), 2U);
    EXPECT_TRUE(logHas(log, "cached: 'airports/park_airport.xml' is taken instead of 'archive/stock/EHAM.enc'"));
    EXPECT_EQ(airportsFolderFiles(), std::vector<std::string>{"park_airport.xml"});
}

TEST_F(ReadAirportFileTest, CacheIsTakenOnlyForTheSameArchiveFile) {
    struct Case {
        const char* name;
        ParameterList cacheParameters;
        fs::path requested;
        bool cached;
    };
    auto without = [](std::string key) {
        ParameterList parameters = stockParameters("1.2");
        std::erase_if(parameters, [&](const auto& p) { return p.first == key; });
        return parameters;
    };
    auto with = [](std::string key, std::string value) {
        ParameterList parameters = stockParameters("1.2");
        for (auto& p : parameters) {
            if (p.first == key) {
                p.second = value;
            }
        }
        return parameters;
    };
    const std::vector<Case> cases = {
        {"same code, publisher, version digits", stockParameters("1.2"), "archive/stock/EHAM12.enc", true},
        {"code in lower case", with("icao", "eham"), "archive/stock/EHAM12.enc", true},
        {"another version", stockParameters("1.3"), "archive/stock/EHAM12.enc", false},
        {"another publisher", with("publisher", "simaddon"), "archive/stock/EHAM12.enc", false},
        {"another airport", with("icao", "EHAM1"), "archive/stock/EHAM12.enc", false},
        {"no icao", without("icao"), "archive/stock/EHAM12.enc", false},
        {"thirdparty publisher folder", with("publisher", "Fly Tampa"), "archive/thirdparty/Fly%20Tampa/EHAM12.enc",
         true},
        // A user's own file is always read where it lies.
        {"user file", with("publisher", "simaddon"), "airports/my_simaddon/EHAM12.xml", false},
    };
    const std::string fresh = airportFileXml(stockParameters("1.2"), kTwoStands);
    serveArchive("archive/stock/EHAM12.enc", fresh);
    serveArchive("archive/thirdparty/Fly%20Tampa/EHAM12.enc", fresh);
    WorkingFolder::write("airports/my_simaddon/EHAM12.xml", fresh);
    for (const Case& c : cases) {
        WorkingFolder::write(kCache, airportFileXml(c.cacheParameters, "<parkpos id=\"C1\" typestr=\"GATE_SMALL\" "
                                                                        "latitude=\"52.3\" longitude=\"4.7\" "
                                                                        "heading=\"0\" radius=\"9\"/>"));
        const auto read = gf_readAirportFile(c.requested);
        ASSERT_TRUE(read) << c.name << ": " << read.error();
        EXPECT_EQ(read.value().source == AirportFileSource::Cache, c.cached) << c.name;
        EXPECT_EQ(read.value().stands.size(), c.cached ? 1U : 2U) << c.name;
        if (!c.cached) {
            EXPECT_NE(WorkingFolder::read(kCache).find("<parkpos id=\"A2\""), std::string::npos) << c.name;
        }
    }
}

TEST_F(ReadAirportFileTest, UnreadableCacheGivesAFreshRead) {
    WorkingFolder::write(kCache, "<root><parameters>");
    serveArchive("archive/stock/EHAM.enc", airportFileXml(stockParameters(), kTwoStands));
    const auto read = gf_readAirportFile("archive/stock/EHAM.enc");
    ASSERT_TRUE(read) << read.error();
    EXPECT_EQ(read.value().source, AirportFileSource::Archive);
    EXPECT_TRUE(logHas(log, "airports/park_airport.xml not loaded: "));
}

TEST_F(ReadAirportFileTest, LocalFileIsReadWhereItLiesAndCopiedToTheCache) {
    const std::string xml = airportFileXml(stockParameters(), kTwoStands);
    WorkingFolder::write("airports/my_thirdparty/EHAM.xml", xml);
    const auto read = gf_readAirportFile("airports/my_thirdparty/EHAM.xml");
    ASSERT_TRUE(read) << read.error();
    EXPECT_EQ(read.value().source, AirportFileSource::Local);
    EXPECT_EQ(read.value().loadedPath, "airports/my_thirdparty/EHAM.xml");
    EXPECT_EQ(WorkingFolder::read(kCache), xml);
    EXPECT_TRUE(fs::exists("airports/my_thirdparty/EHAM.xml"));
}

TEST_F(ReadAirportFileTest, FailedDownloadIsShownAndLeavesNoFile) {
    const auto read = gf_readAirportFile("archive/stock/EHAM.enc");
    ASSERT_FALSE(read);
    EXPECT_EQ(read.error(), "failed to download: 'https://downloads.example/archive/stock/EHAM.enc'");
    EXPECT_EQ(shell.messages, std::vector<std::string>{read.error()});
    EXPECT_TRUE(airportsFolderFiles().empty());
}

TEST_F(ReadAirportFileTest, MaintenanceStopsEveryFetch) {
    AirportFileDownloader downloader = gf_folderAirportFileDownloader(server.path(), std::string(kServer));
    downloader.serverInMaintenance = [] { return true; };
    gf_setAirportFileDownloader(downloader);
    const auto read = gf_readAirportFile("archive/stock/EHAM.enc");
    ASSERT_FALSE(read);
    EXPECT_EQ(read.error(), "Web server temporarily unavailable due to maintenance.");
}

TEST_F(ReadAirportFileTest, FileErrors) {
    WorkingFolder::write("airports/my_thirdparty/BAD1.xml", "<root>");
    WorkingFolder::write("airports/my_thirdparty/BAD2.xml", "<root><parameters/></root>");
    WorkingFolder::write("airports/my_thirdparty/BAD3.xml", airportFileXml(stockParameters(), kTwoStands, 7));
    const std::vector<std::pair<fs::path, std::string>> cases = {
        {"airports/my_thirdparty/NONE.xml", "airports/my_thirdparty/NONE.xml could not be opened"},
        {"airports/my_thirdparty/BAD1.xml", "airports/my_thirdparty/BAD1.xml not loaded: "},
        {"airports/my_thirdparty/BAD2.xml", "airports/my_thirdparty/BAD2.xml: refused to load"},
        {"airports/my_thirdparty/BAD3.xml", "airports/my_thirdparty/BAD3.xml: refused to load"},
    };
    for (const auto& [path, error] : cases) {
        const auto read = gf_readAirportFile(path);
        ASSERT_FALSE(read) << path;
        EXPECT_TRUE(read.error().starts_with(error)) << read.error();
    }
    serveArchive("archive/stock/EHAM.enc", "not an airport file");
    const auto broken = gf_readAirportFile("archive/stock/EHAM.enc");
    ASSERT_FALSE(broken);
    EXPECT_TRUE(airportsFolderFiles().empty());
}

TEST_F(ReadAirportFileTest, MissingAltitudeThrowsToTheCallerAndRemovesTheCacheItCameFrom) {
    ParameterList parameters = stockParameters();
    std::erase_if(parameters, [](const auto& p) { return p.first == "altitude"; });
    WorkingFolder::write(kCache, airportFileXml(parameters, kTwoStands));
    try {
        (void)gf_readAirportFile("archive/stock/EHAM.enc");
        FAIL() << "no exception";
    } catch (const UserRelatedException& e) {
        EXPECT_STREQ(e.what(), "65: Parameter altitude not found");
    }
    EXPECT_FALSE(fs::exists(kCache));
}

TEST_F(ReadAirportFileTest, QualityFiguresFromTheFileOrZero) {
    struct Case {
        ParameterList extra;
        std::int32_t real;
        std::int32_t soft;
    };
    const std::vector<Case> cases = {
        {{}, 0, 0}, {{{"Qf_real", "40"}}, 40, 0}, {{{"Qf_soft", "5"}}, 0, 5}, {{{"Qf_real", "20"}, {"Qf_soft", "3"}}, 20, 3}};
    for (const Case& c : cases) {
        ParameterList parameters = stockParameters();
        parameters.insert(parameters.end(), c.extra.begin(), c.extra.end());
        WorkingFolder::write("airports/my_thirdparty/EHAM.xml", airportFileXml(parameters, kTwoStands));
        const auto read = gf_readAirportFile("airports/my_thirdparty/EHAM.xml");
        ASSERT_TRUE(read) << read.error();
        EXPECT_EQ(read.value().Qf_real, c.real);
        EXPECT_EQ(read.value().Qf_soft, c.soft);
    }
}

TEST_F(ReadAirportFileTest, LearnedCopyOfTheRequestedFileIsMerged) {
    struct Case {
        fs::path requested;
        fs::path learned;
    };
    const std::vector<Case> cases = {
        {"archive/stock/EHAM.enc", "airports/learned/stock/EHAM.xml"},
        {"archive/simaddon/EHAM2.enc", "airports/learned/simaddon/EHAM.xml"},
        {"airports/my_simaddon/EHAM.xml", "airports/learned/my_simaddon/EHAM.xml"},
        {"airports/my_thirdparty/EHAM.xml", "airports/learned/thirdparty/stock/EHAM.xml"},
    };
    const std::string xml = airportFileXml(stockParameters(), kTwoStands);
    serveArchive("archive/stock/EHAM.enc", xml);
    serveArchive("archive/simaddon/EHAM2.enc", xml);
    WorkingFolder::write("airports/my_simaddon/EHAM.xml", xml);
    WorkingFolder::write("airports/my_thirdparty/EHAM.xml", xml);
    for (const Case& c : cases) {
        fs::remove(kCache);
        WorkingFolder::write(c.learned, airportFileXml({{"airport_name", "Schiphol"}, {"parking_percentage", "65"}},
                                                       R"(<parkpos id="A2"><opt reg="PH-BXA" day="2" hh="4"/></parkpos>)"));
        const auto read = gf_readAirportFile(c.requested);
        fs::remove(c.learned);
        ASSERT_TRUE(read) << read.error();
        EXPECT_EQ(read.value().learnedPath, c.learned) << c.requested;
        EXPECT_EQ(read.value().learnedMerged, 1U) << c.requested;
        EXPECT_EQ(read.value().learnedSettings.parking_percentage, 65) << c.requested;
        EXPECT_EQ(read.value().stands.at(1).options.size(), 1U) << c.requested;
        // One stand of two with one option: half of 63.
        EXPECT_EQ(read.value().Qf_real, 32) << c.requested;
        EXPECT_EQ(read.value().Qf_soft, 0) << c.requested;
    }
}

TEST_F(ReadAirportFileTest, FailingLearnedCopyIsLoggedAndTheFileReadWithoutIt) {
    const std::string xml = airportFileXml(stockParameters(), kTwoStands);
    WorkingFolder::write("airports/my_simaddon/EHAM.xml", xml);
    WorkingFolder::write("airports/learned/my_simaddon/EHAM.xml", "<root><parameters/></root>");
    const auto read = gf_readAirportFile("airports/my_simaddon/EHAM.xml");
    ASSERT_TRUE(read) << read.error();
    EXPECT_EQ(read.value().learnedMerged, 0U);
    EXPECT_EQ(read.value().learnedPath, "airports/learned/my_simaddon/EHAM.xml");
    EXPECT_TRUE(logHas(log, "==> airports/learned/my_simaddon/EHAM.xml has invalid metadata"));
}

TEST_F(ReadAirportFileTest, NoStandsIsLogged) {
    WorkingFolder::write("airports/my_thirdparty/EHAM.xml", airportFileXml(stockParameters(), ""));
    const auto read = gf_readAirportFile("airports/my_thirdparty/EHAM.xml");
    ASSERT_TRUE(read) << read.error();
    EXPECT_TRUE(read.value().stands.empty());
    EXPECT_TRUE(logHas(log, "no stands found in the airport file"));
}

Stand standAt(double latitude, double longitude, double radiusMetres) {
    Stand stand;
    stand.latitude = latitude;
    stand.longitude = longitude;
    stand.radius = radiusMetres / kMetresPerNm;
    stand.overlaps = {99};
    return stand;
}

TEST(StandOverlaps, DistanceTimesOnePointOneAgainstTheSumOfRadii) {
    const double metresPerDegree = 60.0 * kMetresPerNm;
    std::vector<Stand> stands = {standAt(52.0, 4.0, 50.0), standAt(52.0 + 100.0 / metresPerDegree, 4.0, 50.0),
                                 standAt(52.0 + 190.0 / metresPerDegree, 4.0, 50.0),
                                 standAt(52.0 + 190.0 / metresPerDegree, 4.0 + 1.0e-6, 50.0)};
    lf_numberStandsAndFindOverlaps(stands);
    for (std::size_t i = 0; i < stands.size(); ++i) {
        EXPECT_EQ(stands[i].number, i + 1);
    }
    // 100 m apart: 110 m is not below 100 m. 90 m apart: 99 m is.
    EXPECT_EQ(stands[0].overlaps, std::vector<std::uint32_t>{});
    EXPECT_EQ(stands[1].overlaps, (std::vector<std::uint32_t>{3, 4}));
    EXPECT_EQ(stands[2].overlaps, (std::vector<std::uint32_t>{2, 4}));
    EXPECT_EQ(stands[3].overlaps, (std::vector<std::uint32_t>{2, 3}));
}

TEST(AirportFileIdentity, OnlyArchivePathsHaveOne) {
    EXPECT_EQ(lf_airportFileIdentity("archive/stock/EHAM12.enc"), (AirportFileIdentity{IcaoCode("EHAM"), "stock", "12"}));
    EXPECT_EQ(lf_airportFileIdentity("archive/thirdparty/Fly%20Tampa/EHAM.xml"),
              (AirportFileIdentity{IcaoCode("EHAM"), "Fly Tampa", ""}));
    EXPECT_FALSE(lf_airportFileIdentity("archive/stock/EHAMx.enc"));
    EXPECT_FALSE(lf_airportFileIdentity("archive/stock/EHAM.txt"));
    EXPECT_FALSE(lf_airportFileIdentity("airports/my_thirdparty/EHAM.xml"));
    EXPECT_FALSE(lf_airportFileIdentity("airports/my_simaddon/EHAM.xml"));
}

} // namespace
} // namespace kiv
