#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "airports/weekly_traffic_airports.h"
#include "airports_test_files.h"
#include "test_support/log_capture.h"
#include "test_support/working_folder.h"

namespace kiv {
namespace {

using test_support::LogCapture;
using test_support::WorkingFolder;

class WeeklyTrafficTest : public ::testing::Test {
protected:
    void TearDown() override { gf_clearWeeklyTrafficAirports(); }

    static void writeList(const std::string& arps) {
        test_support::writeEncryptedDataFile("input/wktraffic.enc",
                                             "<root><traffic_airports>" + arps + "</traffic_airports></root>");
    }
    static bool supported(const char* code) { return gf_isWeeklyTrafficAirport(IcaoCode(code)); }

    WorkingFolder folder_;
};

std::vector<std::string> texts(const std::vector<IcaoCode>& codes) {
    std::vector<std::string> result;
    for (const IcaoCode& code : codes) {
        result.emplace_back(code.text());
    }
    return result;
}

TEST_F(WeeklyTrafficTest, ParsesCommaListsIntoASortedListWithoutRepeats) {
    const struct {
        const char* xml;
        std::vector<std::string> codes;
        const char* error;
    } cases[] = {
        {R"(<root><traffic_airports><arp c=" eddf, EGLL,,"/></traffic_airports></root>)", {"EDDF", "EGLL"}, ""},
        {R"(<root><traffic_airports><arp c="LOWI,EDDF"/><arp c="EDDF"/><x c="KLAX"/></traffic_airports></root>)",
         {"EDDF", "LOWI"},
         ""},
        {R"(<root><traffic_airports><arp c="	k1x2	"/></traffic_airports></root>)", {"K1X2"}, ""},
        {R"(<root><traffic_airports><arp c="EDDF,EDD"/></traffic_airports></root>)",
         {},
         "invalid weekly traffic ICAO code 'EDD'"},
        {R"(<root><traffic_airports><arp c="ED-F"/></traffic_airports></root>)",
         {},
         "invalid weekly traffic ICAO code 'ED-F'"},
        {R"(<root><traffic_airports><arp c="EDDF"/><arp/></traffic_airports></root>)",
         {},
         "<arp> element has no 'c' attribute"},
        {R"(<root><traffic_airports><arp c=" , "/></traffic_airports></root>)",
         {},
         "<traffic_airports> contains no ICAO codes"},
        {R"(<root><airports/></root>)", {}, "missing <traffic_airports> section"},
        {R"(<traffic_airports/>)", {}, "missing <root> root element"},
    };
    for (const auto& c : cases) {
        pugi::xml_document document;
        ASSERT_TRUE(document.load_string(c.xml)) << c.xml;
        const Expected<std::vector<IcaoCode>, std::string> codes = lf_parseWeeklyTraffic(document);
        if (*c.error == '\0') {
            ASSERT_TRUE(codes.has_value()) << c.xml << ": " << codes.error();
            EXPECT_EQ(texts(*codes), c.codes) << c.xml;
        } else {
            ASSERT_FALSE(codes.has_value()) << c.xml;
            EXPECT_EQ(codes.error(), c.error) << c.xml;
        }
    }
}

TEST_F(WeeklyTrafficTest, ReadingReplacesTheList) {
    writeList(R"(<arp c=" eddf, EGLL,,"/>)");
    LogCapture log;
    EXPECT_TRUE(gf_readWeeklyTrafficAirports());
    EXPECT_EQ(log.lines(),
              (std::vector<std::string>{"2 ICAO airports supported by RealTraffic read from 'input/wktraffic.enc'"}));
    EXPECT_TRUE(supported("EDDF"));
    EXPECT_TRUE(supported("EGLL"));
    EXPECT_FALSE(supported("LOWI"));
    EXPECT_FALSE(supported("EDDA"));
    EXPECT_FALSE(supported("ZZZZ"));
}

TEST_F(WeeklyTrafficTest, AFailedReadEmptiesTheListSoEveryAirportCounts) {
    const struct {
        const char* name;
        bool write;
        std::string arps;
        const char* line;
    } cases[] = {
        {"bad code", true, R"(<arp c="EDDF,EDD"/>)",
         "==> 'input/wktraffic.enc' has invalid weekly traffic XML: invalid weekly traffic ICAO code 'EDD'"},
        {"missing file", false, "", "==> 'input/wktraffic.enc' not available"},
        {"not XML", true, R"(<arp c="EDDF">)", "==> weekly traffic XML parse error: Start-end tags mismatch"},
    };
    for (const auto& c : cases) {
        writeList(R"(<arp c="EGLL"/>)");
        ASSERT_TRUE(gf_readWeeklyTrafficAirports());
        ASSERT_FALSE(supported("LOWI"));
        if (c.write) {
            writeList(c.arps);
        } else {
            std::filesystem::remove("input/wktraffic.enc");
        }
        LogCapture log;
        EXPECT_FALSE(gf_readWeeklyTrafficAirports()) << c.name;
        EXPECT_EQ(log.lines(), std::vector<std::string>{c.line}) << c.name;
        EXPECT_TRUE(supported("LOWI")) << c.name;
        EXPECT_TRUE(supported("EGLL")) << c.name;
    }
}

TEST_F(WeeklyTrafficTest, ClearingMakesEveryAirportCount) {
    writeList(R"(<arp c="EGLL"/>)");
    ASSERT_TRUE(gf_readWeeklyTrafficAirports());
    ASSERT_FALSE(supported("LOWI"));
    gf_clearWeeklyTrafficAirports();
    EXPECT_TRUE(supported("LOWI"));
}

} // namespace
} // namespace kiv
