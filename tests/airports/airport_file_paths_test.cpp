#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "airports/airport_file_paths.h"
#include "airports/known_airports.h"
#include "airports_test_files.h"
#include "test_support/log_capture.h"
#include "test_support/working_folder.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;
using test_support::WorkingFolder;

std::string shown(const std::optional<fs::path>& path) { return path ? path->generic_string() : "(none)"; }

TEST(AirportFilePaths, ClassifiesArchivePaths) {
    const struct {
        const char* path;
        std::optional<ArchiveFileInfo> info;
    } cases[] = {
        {"archive/stock/EHAM.enc", ArchiveFileInfo{IcaoCode("EHAM"), "stock", ""}},
        {"Archive/SIMADDON/lowi.ENC", ArchiveFileInfo{IcaoCode("LOWI"), "simaddon", ""}},
        {"archive/THIRDPARTY/My%20Pub/eham12.xml", ArchiveFileInfo{IcaoCode("EHAM"), "My Pub", "12"}},
        {"archive/thirdparty/Pub/K1X2.enc", ArchiveFileInfo{IcaoCode("K1X2"), "Pub", ""}},
        {"archive/stock/EHA.xml", std::nullopt},
        {"archive/stock/EHAMx.enc", std::nullopt},
        {"archive/stock/EH-M.enc", std::nullopt},
        {"archive/stock/sub/EHAM.enc", std::nullopt},
        {"archive/stock/EHAM.txt", std::nullopt},
        {"archive/other/EHAM.enc", std::nullopt},
        {"archive/thirdparty/EHAM.enc", std::nullopt},
        {"archive/thirdparty/P/Q/EHAM.enc", std::nullopt},
        {"airports/stock/EHAM.enc", std::nullopt},
        {"archive/stock", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gf_parseArchiveFilePath(c.path), c.info) << c.path;
    }
}

TEST(AirportFilePaths, MapsEveryAirportFileToItsLearnedCopy) {
    const struct {
        const char* path;
        const char* publisher;
        const char* learned; // nullptr: none
    } cases[] = {
        {"archive/stock/EHAM.enc", "", "airports/learned/stock/EHAM.xml"},
        {"archive/stock/EHAM.ENC", "x", "airports/learned/stock/EHAM.xml"},
        {"archive/simaddon/LOWI.xml", "", "airports/learned/simaddon/LOWI.xml"},
        {"archive/simaddon/LOWI.XML", "", "airports/learned/simaddon/LOWI.XML"},
        {"archive/thirdparty/My%20Pub/EHAM.enc", "", "airports/learned/thirdparty/My Pub/EHAM.xml"},
        {"archive/thirdparty/A%2FB/EHAM.enc", "", "airports/learned/thirdparty/A B/EHAM.xml"},
        {"archive/thirdparty/%2E%2E/EHAM.enc", "", nullptr},
        {"airports/stock/EHAM.xml", "", "airports/learned/stock/EHAM.xml"},
        {"airports/my_simaddon/EHAM.xml", "", "airports/learned/my_simaddon/EHAM.xml"},
        {"airports/my_thirdparty/EHAM.xml", "A/B", "airports/learned/thirdparty/A B/EHAM.xml"},
        {"airports/my_thirdparty2024/EHAM.xml", "Pub", "airports/learned/thirdparty/Pub/EHAM.xml"},
        {"airports/my_thirdparty/EHAM.xml", "..", nullptr},
        {"airports/my_thirdparty/EHAM.xml", "", nullptr},
        {"airports/my_thirdparty/EHAM.xml", " : ", nullptr},
        {"archive/stock/EHAM.txt", "", nullptr},
        {"archive/stock/sub/EHAM.enc", "", nullptr},
        {"Archive/stock/EHAM.enc", "", nullptr}, // folders compare exactly
        {"airports/my_simaddon/x/EHAM.xml", "", nullptr},
        {"EHAM.xml", "", nullptr},
        {"", "Pub", nullptr},
    };
    for (const auto& c : cases) {
        const std::optional<fs::path> learned = gf_learnedAirportFilePath(c.path, c.publisher);
        EXPECT_EQ(shown(learned), c.learned == nullptr ? "(none)" : c.learned) << c.path << " / " << c.publisher;
    }
}

TEST(AirportFilePaths, InvalidUtf8PublisherHasNoLearnedCopyAndIsLogged) {
    test_support::LogCapture log;
    EXPECT_FALSE(gf_learnedAirportFilePath("archive/stock/EHAM.enc", "Pub\xFF").has_value());
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0], "Invalid UTF-8 publisher 'Pub\xEF\xBF\xBD': utf8_to_wide: invalid UTF-8");
}

TEST(AirportFilePaths, LinkTextGivesTheFirstLineAsATarget) {
    const struct {
        std::string text;
        const char* target; // nullptr: none
    } cases[] = {
        {"  archive/simaddon/EHAM.ENC  ", "archive/simaddon/EHAM.ENC"},
        {"archive/stock/EHAM.enc\r\narchive/stock/LOWI.enc\r\n", "archive/stock/EHAM.enc"},
        {"\xEF\xBB\xBF"
         "archive/stock/EHAM.xml",
         "archive/stock/EHAM.xml"},
        {"archive\\thirdparty\\My Pub\\EHAM.enc", "archive/thirdparty/My Pub/EHAM.enc"},
        {".xml", ".xml"},
        {"\t.enc\v", ".enc"},
        {"archive/stock/EHAM.bgl", nullptr},
        {"xml", nullptr},
        {"EHAM.xmlx", nullptr},
        {"", nullptr},
        {"\narchive/stock/EHAM.enc", nullptr}, // only the first line counts
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shown(lf_linkTargetFromText(c.text)), c.target == nullptr ? "(none)" : c.target) << c.text;
    }
}

TEST(AirportFilePaths, LinkFileReading) {
    WorkingFolder folder;
    EXPECT_FALSE(lf_readAirportFileLink("airports/my_thirdparty/EHAM.txt").has_value());
    WorkingFolder::write("airports/my_thirdparty/EHAM.txt", "archive/thirdparty/P/EHAM.enc\n");
    EXPECT_EQ(shown(lf_readAirportFileLink("airports/my_thirdparty/EHAM.txt")), "archive/thirdparty/P/EHAM.enc");
    fs::create_directories("airports/my_thirdparty/LOWI.txt"); // a folder cannot be read as a link
    EXPECT_FALSE(lf_readAirportFileLink("airports/my_thirdparty/LOWI.txt").has_value());
}

struct LookupCase {
    const char* name;
    std::vector<std::pair<const char*, const char*>> files; // path, content
    const char* found;                                      // nullptr: none
};

TEST(AirportFilePaths, FindsTheAirportFileInItsOrder) {
    const LookupCase cases[] = {
        {"link before xml",
         {{"airports/my_thirdparty/EHAM.txt", "archive/thirdparty/P/EHAM.enc"},
          {"airports/my_thirdparty/EHAM.xml", ""}},
         "archive/thirdparty/P/EHAM.enc"},
        {"my_thirdparty before my_simaddon",
         {{"airports/my_simaddon/EHAM.xml", ""}, {"airports/my_thirdparty/EHAM.xml", ""}},
         "airports/my_thirdparty/EHAM.xml"},
        {"my_thirdparty link before my_simaddon link",
         {{"airports/my_simaddon/EHAM.txt", "archive/simaddon/EHAM.enc"},
          {"airports/my_thirdparty/EHAM.txt", "archive/thirdparty/P/EHAM.enc"}},
         "archive/thirdparty/P/EHAM.enc"},
        {"unusable link falls back to the xml beside it",
         {{"airports/my_thirdparty/EHAM.txt", "scenery/EHAM.bgl"}, {"airports/my_thirdparty/EHAM.xml", ""}},
         "airports/my_thirdparty/EHAM.xml"},
        {"unusable link and nothing else in the folder goes on to my_simaddon",
         {{"airports/my_thirdparty/EHAM.txt", "abc"}, {"airports/my_simaddon/EHAM.txt", "archive/simaddon/EHAM.enc"}},
         "archive/simaddon/EHAM.enc"},
        {"link target is not checked",
         {{"airports/my_simaddon/EHAM.txt", "archive/simaddon/EHAM.enc"}},
         "archive/simaddon/EHAM.enc"},
        {"a known airport without user files: its stock archive file, present or not", {}, "archive/stock/EHAM.enc"},
        {"names are case-sensitive", {{"airports/my_thirdparty/eham.xml", ""}}, "archive/stock/EHAM.enc"},
    };
    for (const LookupCase& c : cases) {
        WorkingFolder folder;
        test_support::KnownAirportsFile known(R"(<ap c="EHAM" la="52.3" lo="4.76" a="-11"/>)");
        ASSERT_TRUE(gf_readAirportsFile().has_value());
        for (const auto& [path, content] : c.files) {
            WorkingFolder::write(path, content);
        }
        EXPECT_EQ(shown(gf_findAirportFilePath(IcaoCode("EHAM"))), c.found) << c.name;
        EXPECT_TRUE(gf_airportFileExists(IcaoCode("EHAM"))) << c.name;
    }
}

TEST(AirportFilePaths, UnknownAirportsNeedAUserFile) {
    WorkingFolder folder;
    test_support::KnownAirportsFile known(R"(<ap c="EHAM" la="52.3" lo="4.76" a="-11"/>)");
    ASSERT_TRUE(gf_readAirportsFile().has_value());
    const IcaoCode lowi("LOWI");
    EXPECT_FALSE(gf_findAirportFilePath(lowi).has_value());
    EXPECT_FALSE(gf_airportFileExists(lowi));

    WorkingFolder::write("airports/my_simaddon/LOWI.txt", "not a link"); // counts, though unusable
    EXPECT_TRUE(gf_airportFileExists(lowi));
    EXPECT_FALSE(gf_findAirportFilePath(lowi).has_value());

    WorkingFolder::write("airports/my_simaddon/LOWI.xml", "");
    EXPECT_EQ(shown(gf_findAirportFilePath(lowi)), "airports/my_simaddon/LOWI.xml");
}

TEST(AirportFilePaths, NameBuilders) {
    const IcaoCode eham("EHAM");
    EXPECT_EQ(gf_apfXmlPath(eham), fs::path("EHAM.xml"));
    EXPECT_EQ(gf_apfEncPath(eham), fs::path("EHAM.enc"));
    EXPECT_EQ(gf_apfLinkPath(eham), fs::path("EHAM.txt"));
    EXPECT_EQ(gf_apfEncName(eham), "EHAM.enc");
    EXPECT_EQ(gf_apfXmlPath(IcaoCode()), fs::path(".xml"));
}

TEST(AirportFilePaths, SafeFileNames) {
    const std::pair<std::string, std::string> cases[] = {
        {"  Pub:Name?  ", "Pub Name"},
        {"A/B", "A B"},
        {"a<b>c\"d\\e|f*g", "a b c d e f g"},
        {"tab\there", "tab here"},
        {"\x01"
         "x"
         "\x1F",
         "x"},
        {"Caf\xC3\xA9", "Caf\xC3\xA9"},
        {"..", ""},
        {" . ", ""},
        {"...", "..."},
        {"", ""},
    };
    for (const auto& [text, safe] : cases) {
        EXPECT_EQ(lf_safeFileName(text), safe) << text;
    }
}

TEST(AirportFilePaths, PercentDecoding) {
    const std::pair<std::string, std::string> cases[] = {
        {"%41%62", "Ab"},   {"My%20Pub", "My Pub"}, {"%4", "%4"},   {"a%", "a%"}, {"%zz", "%zz"},
        {"%4g%41", "%4gA"}, {"%2f%2F", "//"},       {"%%41", "%A"}, {"", ""},     {"%c3%a9", "\xC3\xA9"},
    };
    for (const auto& [text, decoded] : cases) {
        EXPECT_EQ(gf_percentDecode(text), decoded) << text;
    }
    // A '%' near the end never looks past the text, even where hex digits follow in memory.
    EXPECT_EQ(gf_percentDecode(std::string_view("%4142").substr(0, 2)), "%4");
    EXPECT_EQ(gf_percentDecode(std::string_view("a%4142").substr(0, 2)), "a%");
}

TEST(AirportFilePaths, ShortAirportFilePath) {
    const std::pair<const char*, const char*> cases[] = {
        {"airports/my_thirdparty/LFPG_X.xml", "airports/my_thirdparty/LFPG.xml"},
        {"archive/stock/EHAM12.enc", "archive/stock/EHAM.enc"},
        {"archive/stock/EHAM.enc", "archive/stock/EHAM.enc"},
        {"EHA.xml", "EHA.xml"},
    };
    for (const auto& [path, shortened] : cases) {
        EXPECT_EQ(gf_shortAirportFilePath(path).generic_string(), shortened) << path;
    }
}

} // namespace
} // namespace kiv
