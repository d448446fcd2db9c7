#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "airports/known_airports.h"
#include "airports/scenery_publishers.h"
#include "airports/weekly_traffic_airports.h"
#include "datafile/data_file_encryptor.h"
#include "foundation/data_file_key.h"
#include "models/type_database.h"
#include "test_support/log_capture.h"
#include "test_support/working_folder.h"

namespace kiv {
namespace {

// The sample data set as the program reads it: each plain table of "data/input" encrypted
// with the program's key into "input" of a program folder, then read by the real readers.
class SampleDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"dbase", "airports", "wktraffic", "archives"}) {
            std::ifstream plain(std::filesystem::path(KIV_SAMPLE_DATA_DIR) / "input" / (std::string(name) + ".xml"),
                                std::ios::binary);
            ASSERT_TRUE(plain) << name;
            std::ostringstream text;
            text << plain.rdbuf();
            const DataFileKey key;
            folder_.write(std::filesystem::path("input") / (std::string(name) + ".enc"),
                          datafile::encryptDataFile(text.str(), key.bytes()));
        }
    }
    void TearDown() override {
        gf_resetTypeDatabaseForTesting();
        gf_resetKnownAirportsForTesting();
        gf_clearWeeklyTrafficAirports();
        gf_clearPublisherTables();
    }

    test_support::LogCapture log_;
    test_support::WorkingFolder folder_;
};

TEST_F(SampleDataTest, EveryTableReadsWithTheProgramsReaders) {
    ASSERT_NO_THROW(gf_readDbase());
    EXPECT_TRUE(gf_isKnownModelCode("B738"));
    EXPECT_TRUE(gf_isKnownAirlineCode("KLM"));
    EXPECT_EQ(gf_sizeClassOfModelCode("B77W"), SizeClass::Heavy);
    EXPECT_EQ(gf_sizeClassOfModelCode("A320"), SizeClass::Large);

    const auto airports = gf_readAirportsFile();
    ASSERT_TRUE(airports.has_value()) << airports.error();
    EXPECT_GT(*airports, 4000u);
    const std::optional<KnownAirport> schiphol = gf_findKnownAirport(IcaoCode("EHAM"));
    ASSERT_TRUE(schiphol.has_value());
    EXPECT_NEAR(schiphol->latitude, 52.3086, 0.001);
    EXPECT_NEAR(schiphol->longitude, 4.7639, 0.001);
    EXPECT_EQ(schiphol->altitude, -11);

    EXPECT_TRUE(gf_readWeeklyTrafficAirports());
    EXPECT_TRUE(gf_isWeeklyTrafficAirport(IcaoCode("EHAM")));
    EXPECT_TRUE(gf_readPublishers());
    for (const std::string& line : log_.lines()) {
        EXPECT_EQ(line.find("==> "), std::string::npos) << line; // nothing skipped or refused
    }
}

} // namespace
} // namespace kiv
