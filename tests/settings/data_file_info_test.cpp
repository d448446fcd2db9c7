#include <vector>

#include <gtest/gtest.h>

#include "settings/data_file_info.h"
#include "test_support/log_capture.h"
#include "test_support/pinned_clock.h"
#include "test_support/temp_folder.h"

namespace kiv {
namespace {

using test_support::LogCapture;
using Lines = std::vector<std::string>;

// Seconds since 1970 of a UTC calendar day (the days-from-civil rule), for pinning the clock.
std::int64_t utcSecondsOf(std::int32_t year, std::uint32_t month, std::uint32_t day) {
    const std::int32_t y = year - (month <= 2 ? 1 : 0);
    const std::int32_t era = y / 400;
    const std::int32_t yearOfEra = y - era * 400;
    const std::int32_t dayOfYear = static_cast<std::int32_t>((153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1);
    const std::int32_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return (static_cast<std::int64_t>(era) * 146097 + dayOfEra - 719468) * 86400;
}

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
        Lines log;
    } cases[] = {
        {"no copyright", {{"sim", "3"}}, false, std::nullopt, {}},
        {"empty copyright",
         {{"copyright", {}}, {"sim", "3"}},
         false,
         std::nullopt,
         {"==> no copyright info in the file?"}},
        {"copyright without value",
         {{"copyright", nullptr}, {"sim", "3"}},
         false,
         std::nullopt,
         {"==> no copyright info in the file?"}},
        {"sim 3", {{"copyright", "c"}, {"sim", "3"}}, false, 3, {}},
        {"sim 1", {{"copyright", "c"}, {"sim", " +1 "}}, false, 1, {}},
        {"no simulator items", {{"copyright", "c"}, {"author", "x"}}, false, std::nullopt, {}},
        {"unsupported sim",
         {{"copyright", "c"}, {"sim", "7"}},
         false,
         std::nullopt,
         {"==> unsupported sim info in the file"}},
        {"sim 7 with MSFS 2024", {{"copyright", "c"}, {"sim", "7"}, {"MSFS", "2024"}}, false, 7, {}},
        {"sim 7 with MSFS 2022",
         {{"copyright", "c"}, {"sim", "7"}, {"MSFS", "2022"}},
         false,
         std::nullopt,
         {"==> unsupported sim info in the file"}},
        {"sim 7 with P3D", {{"copyright", "c"}, {"sim", "7"}, {"P3D", "v4"}}, false, 7, {}},
        {"only an empty P3D",
         {{"copyright", "c"}, {"P3D", ""}},
         false,
         std::nullopt,
         {"==> unsupported sim info in the file"}},
        {"sim not a number",
         {{"copyright", "c"}, {"sim", "three"}},
         false,
         std::nullopt,
         {"==> invalid sim info in the file"}},
        {"bad sim then good sim",
         {{"copyright", "c"}, {"sim", "x"}, {"sim", "3"}},
         false,
         3,
         {"==> invalid sim info in the file"}},
        {"second sim ignored", {{"copyright", "c"}, {"sim", "3"}, {"sim", "7"}}, false, 3, {}},
        {"second empty copyright ignored", {{"copyright", "c"}, {"copyright", {}}, {"sim", "3"}}, false, 3, {}},
        {"empty copyright stops the walk",
         {{"sim", "3"}, {"copyright", {}}, {"copyright", "c"}},
         false,
         std::nullopt,
         {"==> no copyright info in the file?"}},
        {"case matters", {{"Copyright", "c"}, {"sim", "3"}}, false, std::nullopt, {}},
        {"skip sim check", {{"copyright", "c"}}, true, -1, {}},
        {"skip sim check keeps sim", {{"copyright", "c"}, {"sim", "7"}}, true, 7, {}},
    };
    for (const auto& testCase : cases) {
        LogCapture log;
        const pugi::xml_document document = headerWith(testCase.items);
        const std::optional<DataFileInfo> info = gf_checkInfoHeader(document, testCase.skipSimCheck);
        ASSERT_EQ(info.has_value(), testCase.acceptedSim.has_value()) << testCase.what;
        if (info) {
            EXPECT_EQ(info->sim, *testCase.acceptedSim) << testCase.what;
        }
        EXPECT_EQ(log.lines(), testCase.log) << testCase.what;
    }
}

TEST(DataFileInfo, MissingMetaIsRejectedSilently) {
    LogCapture log;
    pugi::xml_document document;
    document.append_child("root").append_child("stands");
    EXPECT_EQ(gf_checkInfoHeader(document, false), std::nullopt);
    EXPECT_EQ(gf_checkInfoHeader(document, true), std::nullopt);
    EXPECT_EQ(log.lines(), Lines{});
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
    test_support::PinnedClock clock(utcSecondsOf(2024, 3, 5) + 86399);
    DataFileInfo written;
    written.version = "16.8.4";
    written.sim = 3;
    ASSERT_TRUE(gf_writeInfoHeader(document, written));
    written.version = "16.8.5";
    ASSERT_TRUE(gf_writeInfoHeader(document, written));
    const auto path = folder.path() / "header.xml";
    ASSERT_TRUE(document.save_file(path.c_str()));

    pugi::xml_document reread;
    ASSERT_TRUE(reread.load_file(path.c_str()));
    EXPECT_EQ(std::distance(reread.child("root").children("meta").begin(), reread.child("root").children("meta").end()),
              1);
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
    ASSERT_TRUE(gf_writeInfoHeader(document, DataFileInfo{}));
    EXPECT_TRUE(document.child("root").child("stands"));
    EXPECT_EQ(std::distance(document.children().begin(), document.children().end()), 1);
    EXPECT_STREQ(document.child("root").child("meta").last_child().attribute("value").value(), "-1");
}

TEST(DataFileInfo, DateTexts) {
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "1 Jan 1970"},
        {utcSecondsOf(2000, 12, 31) + 86399, "31 Dec 2000"},
        {utcSecondsOf(2024, 2, 29), "29 Feb 2024"},
        {-1, "Invalid date"},
    };
    for (const auto& [seconds, text] : cases) {
        EXPECT_EQ(gf_infoHeaderDate(seconds), text) << seconds;
    }
}

} // namespace
} // namespace kiv
