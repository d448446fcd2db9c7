#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "airports/scenery_publishers.h"
#include "airports_test_files.h"
#include "foundation/user_related_exception.h"
#include "test_support/log_capture.h"
#include "test_support/working_folder.h"

namespace kiv {
namespace {

using test_support::LogCapture;
using test_support::WorkingFolder;
using Rows = std::vector<std::vector<std::string>>;
using Rejected = std::map<std::string, std::string>;

constexpr const char* kSimaddons = R"(<simaddonsP3D><sP3 aps="LOWI, EDDM,"/><sP3 aps="LOWG"/></simaddonsP3D>)";

class PublishersTest : public ::testing::Test {
protected:
    void TearDown() override { gf_clearPublisherTables(); }

    static void writeArchives(const std::string& sections) {
        test_support::writeEncryptedDataFile("input/archives.enc", "<root>" + sections + "</root>");
    }
    static void load(const std::string& sections) {
        writeArchives(sections);
        ASSERT_TRUE(gf_readPublishers());
    }
    static std::string publisherOf(const std::string& path, std::vector<std::string>* messages = nullptr) {
        BglAirport airport;
        airport.publisher = "stale";
        airport.bglPathText = path;
        std::vector<std::string> ignored;
        const bool found = gf_publisherFromFileName(airport, messages == nullptr ? ignored : *messages);
        return found ? airport.publisher : "(none:" + airport.publisher + ")";
    }

    WorkingFolder folder_;
};

TEST_F(PublishersTest, PublisherRowsAreSortedUniqueAndSplitOnCommas) {
    const struct {
        const char* publishers;
        Rows rows;
    } cases[] = {
        {R"(<pub pn="FlyTampa,Fly Tampa"/><pub pn="Aerosoft"/><pub pn="FlyTampa,Fly Tampa"/>)",
         {{"Aerosoft"}, {"FlyTampa", "Fly Tampa"}}},
        {R"(<pub pn=" A ,,B"/><pub pn=""/><pub/>)", {{}, {"A", "", "B"}}},
        {"", {}},
    };
    for (const auto& c : cases) {
        load(std::string("<publishers>") + c.publishers + "</publishers>" + kSimaddons);
        EXPECT_EQ(gf_publisherTables().publishers, c.rows) << c.publishers;
    }
}

TEST_F(PublishersTest, RejectedValuesDefaultToFsimAndTheFirstSpellingWins) {
    const struct {
        const char* section;
        Rejected rejected;
    } cases[] = {
        {"", {{"fsim", "FSIM"}}},
        {"<rejectedpublishers/>", {}},
        {R"(<rejectedpublishers><rp n=" Fsim , FSIM,,x"/><rp n="X,Other"/></rejectedpublishers>)",
         {{"fsim", "Fsim"}, {"x", "x"}, {"other", "Other"}}},
    };
    for (const auto& c : cases) {
        load(std::string(c.section) + kSimaddons);
        EXPECT_EQ(gf_publisherTables().rejected, c.rejected) << c.section;
    }
}

TEST_F(PublishersTest, CountsAreLoggedWithTheirPlurals) {
    const struct {
        const char* sections;
        std::vector<std::string> lines;
    } cases[] = {
        {R"(<publishers><pub pn="A"/></publishers><rejectedpublishers/>)",
         {"    1 publisher", "    0 rejected manifest publisher values"}},
        {"", {"    0 publishers", "    1 rejected manifest publisher value"}},
        {R"(<publishers><pub pn="A"/><pub pn="B"/></publishers><rejectedpublishers><rp n="a,b"/></rejectedpublishers>)",
         {"    2 publishers", "    2 rejected manifest publisher values"}},
    };
    for (const auto& c : cases) {
        writeArchives(std::string(c.sections) + kSimaddons);
        LogCapture log;
        ASSERT_TRUE(gf_readPublishers());
        EXPECT_EQ(log.lines(), c.lines) << c.sections;
    }
}

TEST_F(PublishersTest, SimaddonAndThirdpartyAirports) {
    load(std::string(kSimaddons) +
         R"(<thirdpartiesP3D><tP3 pub="FlyTampa" aps="EDDF, EDDM,,">)"
         R"(<ap f="EDDM" v="2"/><ap f="LOWI" v="3"/><ap f="EDDF" v=""/><ap f="EDDM" v="9"/></tP3>)"
         R"(<tP3 aps="KLAX"/></thirdpartiesP3D>)");
    const PublisherTables& tables = gf_publisherTables();
    EXPECT_EQ(tables.simaddonAirports, (std::set<std::string>{"EDDM", "LOWG", "LOWI"}));
    ASSERT_EQ(tables.thirdParties.size(), 2u);
    const ThirdParty& flyTampa = tables.thirdParties[0];
    EXPECT_EQ(flyTampa.publisher, "FlyTampa");
    ASSERT_EQ(flyTampa.airports.size(), 2u);
    EXPECT_EQ(flyTampa.airports[0].airport, "EDDF");
    EXPECT_EQ(flyTampa.airports[0].value, "");
    EXPECT_EQ(flyTampa.airports[1].airport, "EDDM");
    EXPECT_EQ(flyTampa.airports[1].value, "9"); // a later <ap> of the same code overwrites
    EXPECT_EQ(tables.thirdParties[1].publisher, "");

    EXPECT_TRUE(gf_isSimaddonAirport("LOWI"));
    EXPECT_FALSE(gf_isSimaddonAirport("EDDF"));
    EXPECT_TRUE(gf_isThirdPartyAirport("FlyTampa", "EDDM"));
    EXPECT_FALSE(gf_isThirdPartyAirport("flytampa", "EDDM"));
    EXPECT_FALSE(gf_isThirdPartyAirport("FlyTampa", "KLAX"));
    EXPECT_TRUE(gf_isThirdPartyAirport("", "KLAX"));

    gf_clearPublisherTables();
    EXPECT_FALSE(gf_isSimaddonAirport("LOWI"));
    EXPECT_FALSE(gf_isThirdPartyAirport("FlyTampa", "EDDM"));
}

TEST_F(PublishersTest, FileFailures) {
    // A missing file throws, the same way for every caller; the scan driver handles it.
    try {
        gf_readPublishers();
        ADD_FAILURE() << "a missing file was accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "input/archives.enc not available");
    }
    WorkingFolder::write("input/archives.enc", "too short");
    EXPECT_THROW(gf_readPublishers(), std::runtime_error);

    const struct {
        const char* xml;
        const char* line;
    } unusable[] = {
        {"<root><publishers>", "==> input/archives.enc not read because: Start-end tags mismatch"},
        {"<archives/>", "==> 'input/archives.enc' has no root node"},
    };
    for (const auto& c : unusable) {
        test_support::writeEncryptedDataFile("input/archives.enc", c.xml);
        LogCapture log;
        EXPECT_FALSE(gf_readPublishers()) << c.xml;
        EXPECT_EQ(log.lines(), std::vector<std::string>{c.line}) << c.xml;
    }

    writeArchives(R"(<publishers><pub pn="A"/></publishers>)");
    try {
        gf_readPublishers();
        ADD_FAILURE() << "no simaddon section was accepted";
    } catch (const UserRelatedException& e) {
        EXPECT_EQ(e.code(), 61);
        EXPECT_STREQ(e.what(), "61: Missing section: simaddonsP3D");
    }
}

TEST_F(PublishersTest, PublisherFromSceneryPath) {
    load(R"(<publishers><pub pn="Fly Tampa,FlyTampa"/><pub pn="Aerosoft"/></publishers>)" + std::string(kSimaddons));
    std::vector<std::string> messages;
    EXPECT_EQ(publisherOf("C:/Addons/orbx/LOWI/scenery/ap.bgl", &messages), "simaddon");
    EXPECT_EQ(messages, std::vector<std::string>{"from filename => publisher simaddon"});
    const std::pair<const char*, const char*> cases[] = {
        {"D:/Scenery/FLYTAMPA-EDDF/scenery/eddf.bgl", "Fly Tampa"},
        {"D:/Scenery/aerosoft/FlyTampa/x.bgl", "Aerosoft"}, // rows in the sorted order of their texts
        {"D:/Scenery/Other/x.bgl", "(none:)"},
        {"", "(none:)"},
    };
    for (const auto& [path, publisher] : cases) {
        EXPECT_EQ(publisherOf(path), publisher) << path;
    }
    EXPECT_EQ(lf_publisherFromPath("").status, 2u);
    EXPECT_EQ(lf_publisherFromPath("x").status, 1u);

    load(R"(<publishers><pub pn=""/><pub pn="Any,,Thing"/></publishers>)" + std::string(kSimaddons));
    EXPECT_EQ(publisherOf("D:/Scenery/Other/x.bgl"), "Any"); // the empty variant matches every path

    gf_clearPublisherTables();
    EXPECT_EQ(lf_publisherFromPath("D:/Scenery/Other/x.bgl").status, 1u);
}

TEST_F(PublishersTest, ContainsNoCase) {
    EXPECT_TRUE(lf_containsNoCase("abc", ""));
    EXPECT_TRUE(lf_containsNoCase("", ""));
    EXPECT_TRUE(lf_containsNoCase("C:/ORBX/x", "orbx"));
    EXPECT_FALSE(lf_containsNoCase("C:/OR BX/x", "orbx"));
    EXPECT_FALSE(lf_containsNoCase("", "a"));
}

} // namespace
} // namespace kiv
