#include <string>

#include <gtest/gtest.h>

#include "models/detail/cfg_lines.h"
#include "models/detail/companion_paths.h"

namespace kiv::detail {
namespace {

TEST(CfgLines, KeyValueTakesWholeKeyLines) {
    struct Case {
        const char* line;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"title=Boeing 737", "title", "Boeing 737"},
        {"  Title \t=  Boeing 737 Lufthansa  \t", "title", "Boeing 737 Lufthansa"},
        {"TITLE=x", "title", "x"},
        {"title=a ; comment", "title", "a ; comment"},
        {"title=a=b", "title", "a=b"},
        {"title=", "title", ""},
        {"title = \t ", "title", ""},
        {"titles=x", "title", ""},
        {"title x=y", "title", ""},
        {";title=x", "title", ""},
        {"// title=x", "title", ""},
        {"atc_model=B738", "model", ""},
        {"atc_model=B738", "atc_model", "B738"},
        {"model=", "model", ""},
        {"sim_x=1", "sim", ""},
        {"atc_id_color=0xffffffff", "atc_id", ""},
        {"title=a\rb", "title", ""},
        {"title=ab \r", "title", "ab"},
        {"tit", "title", ""},
        {"", "title", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(lf_keyValue(c.line, c.key), c.value) << c.line;
    }
}

// A recursive regular expression engine overflowed the stack on a line this long.
TEST(CfgLines, VeryLongLinesAreReadWhole) {
    const std::string title(1 << 20, 'a');
    EXPECT_EQ(lf_keyValue("title=" + title + "  ", "title"), title);
    EXPECT_EQ(lf_fltsimSectionNumber("[fltsim." + std::string(1 << 20, '7') + "]").size(), 1u << 20);
}

TEST(CfgLines, SectionHeaders) {
    const std::pair<const char*, const char*> cases[] = {
        {"[fltsim.0]", "0"},
        {"[FLTSIM.12]", "12"},
        {"  [fltsim.3]\t ", "3"},
        {"[fltsim.007]", "007"},
        {"[fltsim.3] ; old", "10000"},
        {"[fltsim.3", "10000"},
        {"[fltsim.x]", "10000"},
        {"[fltsim.]", "10000"},
        {"x [fltsim.1]", "10000"},
        {" ;[fltsim.1]", "10000"},
        {";[fltsim.1]", ""},
        {"//[fltsim.1]", ""},
        {"[General]", ""},
        {"[fltsim1]", ""},
        {"", ""},
    };
    for (const auto& [line, number] : cases) {
        EXPECT_EQ(lf_fltsimSectionNumber(line), number) << line;
    }
}

TEST(CfgLines, AtcIdGivesOneRegistrationOrNone) {
    struct Case {
        const char* value;
        bool valid;
        const char* regcode;
    };
    const Case cases[] = {
        {"D-ABCD", true, "D-ABCD"}, {" D-ABCD , ", true, "D-ABCD"}, {"D-ABCD,D-ABCE", true, ""},
        {"D-AB*", false, "old"},    {"D-ABCD,*", false, "old"},     {",", false, "old"},
        {"", false, "old"},
    };
    for (const Case& c : cases) {
        std::string regcode = "old";
        EXPECT_EQ(lf_checkAtcId(c.value, regcode), c.valid) << c.value;
        EXPECT_EQ(regcode, c.regcode) << c.value;
    }
}

TEST(CfgLines, WindowsNamesLoseTrailingDotsAndBlanks) {
    EXPECT_EQ(lf_windowsName("model."), "model");
    EXPECT_EQ(lf_windowsName("model.A320. ."), "model.A320");
    EXPECT_EQ(lf_windowsName(".air"), ".air");
    EXPECT_EQ(lf_windowsName(". ."), "");
}

} // namespace
} // namespace kiv::detail
