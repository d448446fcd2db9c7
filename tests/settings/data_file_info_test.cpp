#include "settings/data_file_info.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "foundation/log.h"
#include "test_support/temp_folder.h"

namespace kiv {
namespace {

using namespace std::chrono;

// Captures the log of one test in a temporary folder.
class LogCapture {
public:
    LogCapture() {
        gf_setLogPathForTesting(folder_.path() / "Log.txt");
        gf_openLog();
    }
    ~LogCapture() {
        gf_closeLog();
        gf_setLogPathForTesting("Log.txt");
    }
    // Everything after the header line.
    std::string text() {
        gf_flushLog();
        std::ifstream file(folder_.path() / "Log.txt", std::ios::binary);
        std::ostringstream all;
        all << file.rdbuf();
        const std::string content = all.str();
        return content.substr(content.find('\n') + 1);
    }

private:
    test_support::TempFolder folder_;
};

pugi::xml_document headerWith(const std::vector<std::pair<const char*, const char*>>& items) {
    pugi::xml_document document;
    pugi::xml_node meta = document.append_child("root").append_child("meta");
    for (const auto& [name, value] : items) {
        pugi::xml_node item = meta.append_child("info");
        item.append_attribute("name").set_value(name);
        if (value != nullptr) {
            item.append_attribute("value").set_value(value);
        }
    }
    return document;
}

TEST(DataFileInfo, AcceptanceTable) {
    const struct {
        const char* what;
        std::vector<std::pair<const char*, const char*>> items;
        bool skipSimCheck;
        std::optional<std::int32_t> acceptedSim; // empty: rejected
        const char* log;
    } cases[] = {
        {"no copyright", {{"sim", "3"}}, false, std::nullopt, ""},
        {"empty copyright", {{"copyright", ""}, {"sim", "3"}}, false, std::nullopt,
         "==> no copyright info in the file?\n"},
        {"copyright without value", {{"copyright", nullptr}, {"sim", "3"}}, false, std::nullopt,
         "==> no copyright info in the file?\n"},
        {"sim 3", {{"copyright", "c"}, {"sim", "3"}}, false, 3, ""},
        {"sim 1", {{"copyright", "c"}, {"sim", " +1 "}}, false, 1, ""},
        {"no simulator items", {{"copyright", "c"}, {"author", "x"}}, false, std::nullopt, ""},
        {"unsupported sim", {{"copyright", "c"}, {"sim", "7"}}, false, std::nullopt,
         "==> unsupported sim info in the file\n"},
        {"sim 7 with MSFS 2024", {{"copyright", "c"}, {"sim", "7"}, {"MSFS", "2024"}}, false, 7, ""},
        {"sim 7 with MSFS 2022", {{"copyright", "c"}, {"sim", "7"}, {"MSFS", "2022"}}, false, std::nullopt,
         "==> unsupported sim info in the file\n"},
        {"sim 7 with P3D", {{"copyright", "c"}, {"sim", "7"}, {"P3D", "v4"}}, false, 7, ""},
        {"only an empty P3D", {{"copyright", "c"}, {"P3D", ""}}, false, std::nullopt,
         "==> unsupported sim info in the file\n"},
        {"sim not a number", {{"copyright", "c"}, {"sim", "three"}}, false, std::nullopt,
         "==> invalid sim info in the file\n"},
        {"bad sim then good sim", {{"copyright", "c"}, {"sim", "x"}, {"sim", "3"}}, false, 3,
         "==> invalid sim info in the file\n"},
        {"second sim ignored", {{"copyright", "c"}, {"sim", "3"}, {"sim", "7"}}, false, 3, ""},
        {"second empty copyright ignored", {{"copyright", "c"}, {"copyright", ""}, {"sim", "3"}}, false, 3, ""},
        {"empty copyright stops the walk", {{"sim", "3"}, {"copyright", ""}, {"copyright", "c"}}, false,
         std::nullopt, "==> no copyright info in the file?\n"},
        {"case matters", {{"Copyright", "c"}, {"sim", "3"}}, false, std::nullopt, ""},
        {"skip sim check", {{"copyright", "c"}}, true, -1, ""},
        {"skip sim check keeps sim", {{"copyright", "c"}, {"sim", "7"}}, true, 7, ""},
    };
    for (const auto& testCase : cases) {
        LogCapture log;
        const pugi::xml_document document = headerWith(testCase.items);
        const std::optional<DataFileInfo> info = gf_checkInfoHeader(document, testCase.skipSimCheck);
        ASSERT_EQ(info.has_value(), testCase.acceptedSim.has_value()) << testCase.what;
        if (info) {
            EXPECT_EQ(info->sim, *testCase.acceptedSim) << testCase.what;
        }
        EXPECT_EQ(log.text(), testCase.log) << testCase.what;
    }
}

TEST(DataFileInfo, MissingMetaIsRejectedSilently) {
    LogCapture log;
    pugi::xml_document document;
    document.append_child("root").append_child("stands");
    EXPECT_EQ(gf_checkInfoHeader(document, false), std::nullopt);
    EXPECT_EQ(gf_checkInfoHeader(document, true), std::nullopt);
    EXPECT_EQ(log.text(), "");
}

TEST(DataFileInfo, FirstOccurrenceOfEachTextWins) {
    const pugi::xml_document document = headerWith({{"author", "A"},
                                                    {"author", "B"},
                                                    {"version", nullptr},
                                                    {"date", "1 Jan 2024"},
                                                    {"P3D", "v5"},
                                                    {"MSFS", "2020"},
                                                    {"copyright", "c"},
                                                    {"", "ignored"},
                                                    {"unknown", "ignored"}});
    const std::optional<DataFileInfo> info = gf_checkInfoHeader(document.child("root"), false);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->author, "A");
    EXPECT_EQ(info->version, "");
    EXPECT_EQ(info->date, "1 Jan 2024");
    EXPECT_EQ(info->P3D, "v5");
    EXPECT_EQ(info->MSFS, "2020");
    EXPECT_EQ(info->sim, -1);
}

TEST(DataFileInfo, WrittenHeaderChecksAndSurvivesASaveRoundTrip) {
    test_support::TempFolder folder;
    pugi::xml_document document;
    const sys_seconds when = sys_days{2024y / March / 5} + 23h + 59min;
    DataFileInfo written;
    written.version = "16.8.4";
    written.sim = 3;
    ASSERT_TRUE(gf_writeInfoHeader(document, written, when));
    written.version = "16.8.5";
    ASSERT_TRUE(gf_writeInfoHeader(document, written, when));
    const auto path = folder.path() / "header.xml";
    ASSERT_TRUE(document.save_file(path.c_str()));

    pugi::xml_document reread;
    ASSERT_TRUE(reread.load_file(path.c_str()));
    EXPECT_EQ(std::distance(reread.child("root").children("meta").begin(), reread.child("root").children("meta").end()), 1);
    const std::optional<DataFileInfo> info = gf_checkInfoHeader(reread, false);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->author, "VELT_P3D");
    EXPECT_EQ(info->version, "16.8.5");
    EXPECT_EQ(info->date, "5 Mar 2024");
    EXPECT_EQ(info->sim, 3);
    std::vector<std::string> names;
    for (const pugi::xml_node item : reread.child("root").child("meta").children()) {
        names.emplace_back(item.attribute("name").value());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"author", "version", "date", "copyright", "sim"}));
}

TEST(DataFileInfo, WriterKeepsOtherContentAndUsesExistingRoot) {
    pugi::xml_document document;
    document.append_child("root").append_child("stands");
    ASSERT_TRUE(gf_writeInfoHeader(document, DataFileInfo{}, sys_days{1970y / January / 1}));
    EXPECT_TRUE(document.child("root").child("stands"));
    EXPECT_EQ(std::distance(document.children().begin(), document.children().end()), 1);
    EXPECT_STREQ(document.child("root").child("meta").last_child().attribute("value").value(), "-1");
}

TEST(DataFileInfo, DateTexts) {
    EXPECT_EQ(gf_infoHeaderDate(sys_days{1970y / January / 1}), "1 Jan 1970");
    EXPECT_EQ(gf_infoHeaderDate(sys_days{2000y / December / 31} + 86399s), "31 Dec 2000");
    EXPECT_EQ(gf_infoHeaderDate(sys_days{2024y / February / 29}), "29 Feb 2024");
}

} // namespace
} // namespace kiv
