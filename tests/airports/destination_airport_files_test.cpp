#include "airports/destination_airport_files.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "airports/airport_file_fixtures.h"
#include "airports/airport_file_read.h"
#include "airports/airports_test_files.h"
#include "test_support/log_capture.h"
#include "test_support/temp_folder.h"
#include "test_support/working_folder.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;
using test_support::airportFileXml;
using test_support::KnownAirportsFile;
using test_support::LogCapture;
using test_support::RecordingAirportsShell;
using test_support::TempFolder;
using test_support::WorkingFolder;

const test_support::ParameterList kParameters = {{"icao", "EHAM"}, {"altitude", "-11"}};
const fs::path kUserFile = "airports/my_thirdparty/EHAM.xml";

class DestinationReadersTest : public ::testing::Test {
protected:
    DestinationReadersTest() {
        gf_setAirportFileDownloader(gf_folderAirportFileDownloader(server.path(), "https://downloads.example/"));
    }
    ~DestinationReadersTest() override { gf_setAirportFileDownloader({}); }

    static void writeStands(std::string_view parkpositions) {
        WorkingFolder::write(kUserFile, airportFileXml(kParameters, parkpositions));
    }

    WorkingFolder folder;
    TempFolder server;
    LogCapture log;
    RecordingAirportsShell shell;
    KnownAirportsFile known{R"(<ap c="EHAM" la="52.3086" lo="4.7639" a="-11"/><ap c="LOWI" la="47.26" lo="11.34" a="1906"/>)"};
    const bool loaded = gf_readAirportsFile().has_value();
};

TEST_F(DestinationReadersTest, ClosestStandSkipsPositionsNearNullIslandAndKeepsTheFirstOfEquals) {
    writeStands(R"(
        <parkpos id="Z0" latitude="0.00005" longitude="0.00005"/>
        <parkpos id="" latitude="0.001" longitude="0.001"/>
        <parkpos id="FAR" latitude="0.01" longitude="0"/>
        <parkpos id="N1" latitude="0.0012" longitude="0.001"/>
        <parkpos id="N2" latitude="0.0008" longitude="0.001"/>
        <parkpos id="BAD" latitude="91" longitude="0.001"/>)");
    const auto nearest = gf_readDestApfForClosestStand(IcaoCode("EHAM"), Lalo{0.001, 0.001});
    ASSERT_TRUE(nearest) << nearest.error();
    EXPECT_EQ(nearest.value().id, "N1");
    EXPECT_NEAR(nearest.value().distanceNm, 0.0002 * 60.0, 1e-9);

    writeStands(R"(<parkpos id="Z0" latitude="0.00005" longitude="0.00005"/>
                   <parkpos id="E1" latitude="0.0002" longitude="0"/>)");
    const auto edge = gf_readDestApfForClosestStand(IcaoCode("EHAM"), Lalo{0.0001, 0.0002});
    ASSERT_TRUE(edge) << edge.error();
    EXPECT_EQ(edge.value().id, "E1");
}

TEST_F(DestinationReadersTest, ClosestStandErrors) {
    struct Case {
        const char* name;
        std::string parkpositions; // "-" for no section
        IcaoCode icao;
        Lalo reference;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"reference", "", IcaoCode("EHAM"), {0.0, 0.0}, "invalid reference position"},
        {"no file", "", IcaoCode("EDDF"), {52.3, 4.7}, "airport source path not found"},
        {"no section", "-", IcaoCode("EHAM"), {52.3, 4.7},
         "airport file airports/my_thirdparty/EHAM.xml has no 'parkpositions' section"},
        {"no valid stand", R"(<parkpos id="A" latitude="0" longitude="0"/>)", IcaoCode("EHAM"), {52.3, 4.7},
         "airport file has no valid stands"},
    };
    for (const Case& c : cases) {
        if (c.parkpositions == "-") {
            WorkingFolder::write(kUserFile, airportFileXml(kParameters, std::nullopt));
        } else {
            writeStands(c.parkpositions);
        }
        const auto nearest = gf_readDestApfForClosestStand(c.icao, c.reference);
        ASSERT_FALSE(nearest) << c.name;
        EXPECT_EQ(nearest.error(), c.error) << c.name;
    }
    WorkingFolder::write(kUserFile, "<root><parkpositions/></root>");
    const auto noHeader = gf_readDestApfForClosestStand(IcaoCode("EHAM"), Lalo{52.3, 4.7});
    ASSERT_FALSE(noHeader);
    EXPECT_EQ(noHeader.error(), "airport file has invalid metadata");
}

TEST_F(DestinationReadersTest, StandIdsAreTrimmedUpperCasedAndCollapsed) {
    writeStands(R"(<parkpos id=" a12 "/><parkpos id="A12"/><parkpos id="b7"/><parkpos id="  "/><parkpos/>)");
    const auto ids = gf_readApfForStands(IcaoCode("EHAM"));
    ASSERT_TRUE(ids) << ids.error();
    EXPECT_EQ(ids.value(), (std::unordered_set<std::string>{"A12", "B7"}));

    WorkingFolder::write(kUserFile, airportFileXml(kParameters, std::nullopt));
    const auto none = gf_readApfForStands(IcaoCode("EHAM"));
    ASSERT_FALSE(none);
    EXPECT_EQ(none.error(), "airport file has no 'parkpositions' section");
}

TEST_F(DestinationReadersTest, ArchiveFilesAreFetchedIntoATemporaryFileThatIsRemoved) {
    const DataFileKey key;
    test_support::writeFile(server.path() / "archive/stock/LOWI.enc",
                            datafile::encryptDataFile(airportFileXml(kParameters, R"(<parkpos id="a1"/>)"), key.bytes()));
    fs::create_directories("airports");
    const auto ids = gf_readApfForStands(IcaoCode("LOWI"));
    ASSERT_TRUE(ids) << ids.error();
    EXPECT_EQ(ids.value(), std::unordered_set<std::string>{"A1"});
    EXPECT_TRUE(fs::is_empty("airports"));

    fs::remove(server.path() / "archive/stock/LOWI.enc");
    const auto failed = gf_readDestApfForClosestStand(IcaoCode("LOWI"), Lalo{47.26, 11.34});
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error(), "failed to download: 'https://downloads.example/archive/stock/LOWI.enc'");
    EXPECT_EQ(shell.messages, std::vector<std::string>{failed.error()});
    EXPECT_TRUE(fs::is_empty("airports"));
}

} // namespace
} // namespace kiv
