#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/text_conversion.h"
#include "livery_fixtures.h"
#include "models/scanned_liveries.h"
#include "test_support/log_capture.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;
using test_support::contains;
using test_support::makeLivery;
using Lines = std::vector<std::string>;

class RegcodeMergeTest : public test_support::LiveryTest {
protected:
    // The title a registration is bound to ("" for none).
    std::string boundTitle(const std::string& registration) const {
        const auto& bound = gf_liveryTables().regcodeLiveries;
        const auto found = bound.find(registration);
        return found == bound.end() ? std::string() : std::string(found->second);
    }

    void writeCustom(const std::string& name, const std::string& text) {
        test_support::writeBytes(folder_.paths.myRegcodes / name, text);
    }
};

TEST_F(RegcodeMergeTest, LaterSourcesOverrideEarlierOnesAndSayWhat) {
    test_support::writeAigRegcodes(folder_.paths.aigRegcodes, R"(
        <l t="AIG A" r="D-AAAA, D-BBBB"/>
        <l t="Both" r="D-CCCC"/>
        <l t="Not installed" r="D-DDDD"/>)");
    writeCustom("mine.txt", "Custom A;D-AAAA\nBoth;D-CCCC\nNot there either;D-EEEE,D-FFFF\n");
    build({makeLivery("Inline A", "DLH", "A320", false, "D-AAAA"), makeLivery("AIG A", "DLH", "A320"),
           makeLivery("Custom A", "BAW", "A320"), makeLivery("Both", "KLM", "B738")});

    EXPECT_EQ(boundTitle("D-AAAA"), "Custom A");
    EXPECT_EQ(boundTitle("D-BBBB"), "AIG A");
    EXPECT_EQ(boundTitle("D-CCCC"), "Both");
    EXPECT_EQ(boundTitle("D-DDDD"), "");
    const Lines offline = test_support::readLines(folder_.paths.offlineRegcodesReport);
    const Lines expected = {
        "Processing '" + gf_pathToUtf8(folder_.paths.aigRegcodes) + "'",
        "   regcode D-AAAA for 'AIG A', instead of the same for 'Inline A'",
        "2 new regcodes added, 1 regcode replaced",
        "Processing files in " + gf_pathToUtf8(folder_.paths.myRegcodes),
        "   regcode D-AAAA for 'Custom A', instead of the same for 'AIG A'",
        // "Both" again for D-CCCC is neither new nor replaced; both entries have one code.
        "0 new regcodes added, 1 regcode replaced, 2 regcodes defined as special",
    };
    EXPECT_EQ(offline, expected);
    EXPECT_EQ(test_support::readLines(folder_.paths.missingRepaintsReport), Lines{"Not there either; D-EEEE, D-FFFF"});
    const Lines lines = log_.lines();
    EXPECT_TRUE(contains(lines, "    1 custom repaint title not found in scanned liveries, see '" +
                                    gf_pathToUtf8(folder_.paths.missingRepaintsReport) + "'"));
    EXPECT_TRUE(contains(lines, "    3 registration codes"));
    EXPECT_TRUE(contains(lines, "    2 special liveries"));
    EXPECT_TRUE(contains(lines, "    2 unique liveries"));
}

TEST_F(RegcodeMergeTest, SpecialEntriesMarkTitlesAndOnlySingleCodesAreUnique) {
    test_support::writeAigRegcodes(folder_.paths.aigRegcodes, R"(
        <l t="Two codes" r="D-AAAA,D-BBBB" s="true"/>
        <l t="One code" r="D-CCCC" s="true"/>
        <l t="Plain" r="D-DDDD,D-EEEE"/>
        <l t="Do not use"/>)");
    build({makeLivery("Two codes", "DLH", "A320"), makeLivery("One code", "DLH", "A320"),
           makeLivery("Plain", "DLH", "A320"), makeLivery("Do not use", "DLH", "A320")});
    const LiveryTables& tables = gf_liveryTables();
    EXPECT_TRUE(tables.specialTitles.contains("Two codes"));
    EXPECT_TRUE(tables.specialTitles.contains("One code"));
    EXPECT_FALSE(tables.specialTitles.contains("Plain"));
    EXPECT_FALSE(tables.specialTitles.contains("Do not use"));
    EXPECT_EQ(tables.uniqueRegcodes, (std::set<std::string, std::less<>>{"D-CCCC"}));
    EXPECT_EQ(boundTitle("D-AAAA"), "Two codes");
}

TEST_F(RegcodeMergeTest, InlineClashesKeepTheFirstBindingAndAreReported) {
    build({makeLivery("First", "BAW", "A320", false, "G-AAAA"), makeLivery("Second", "DLH", "A320", false, "G-AAAA"),
           makeLivery("Shared", "BAW", "B738", false, "G-BBBB"), makeLivery("Shared", "DLH", "B738", false, "D-CCCC")});
    EXPECT_EQ(boundTitle("G-AAAA"), "First");
    EXPECT_EQ(boundTitle("D-CCCC"), "Shared");
    // The two liveries titled "Shared" share the first one's view.
    const LiveryTables& tables = gf_liveryTables();
    const std::string_view first = tables.airlineLiveries.at(gf_airlineId("BAW")).at(gf_modelId("B738")).front().title;
    EXPECT_EQ(tables.regcodeLiveries.at("D-CCCC").data(), first.data());
    EXPECT_EQ(test_support::readLines(folder_.paths.inlineRegcodesReport),
              (Lines{"G-AAAA 'Second' => already in use by 'First'", "Shared 'D-CCCC' => already in use by 'G-BBBB'"}));
    EXPECT_TRUE(contains(log_.lines(),
                         "    2 in-line regcode clashes, see " + gf_pathToUtf8(folder_.paths.inlineRegcodesReport)));
}

// As the program always did: the user's own files are read only beside the AIG list.
TEST_F(RegcodeMergeTest, WithoutTheAigListOnlyInlineCodesCount) {
    writeCustom("mine.txt", "Custom;D-AAAA\n");
    test_support::writeBytes(folder_.paths.offlineRegcodesReport, "old\n");
    build({makeLivery("Custom", "DLH", "A320"), makeLivery("Inline", "DLH", "A320", false, "D-BBBB")});
    EXPECT_EQ(boundTitle("D-AAAA"), "");
    EXPECT_EQ(boundTitle("D-BBBB"), "Inline");
    EXPECT_TRUE(contains(log_.lines(), "==> " + gf_pathToUtf8(folder_.paths.aigRegcodes) + " not available"));
    EXPECT_EQ(test_support::readLines(folder_.paths.offlineRegcodesReport), Lines{"old"});
}

TEST_F(RegcodeMergeTest, ReaderErrorsAreLoggedAndTheRestIsMerged) {
    test_support::writeAigRegcodes(folder_.paths.aigRegcodes, R"(<l t="AIG" r="bad,D-AAAA"/>)");
    writeCustom("mine.txt", "Custom;D-BBBB;x\n");
    build({makeLivery("AIG", "DLH", "A320"), makeLivery("Custom", "DLH", "A320")});
    EXPECT_EQ(boundTitle("D-AAAA"), "AIG");
    EXPECT_EQ(boundTitle("D-BBBB"), "Custom");
    const Lines lines = log_.lines();
    EXPECT_TRUE(contains(lines, "==> invalid registration code 'bad' for AIG title 'AIG'"));
    EXPECT_TRUE(contains(lines, "There were errors processing the regcode files in folder '" +
                                    gf_pathToUtf8(folder_.paths.myRegcodes) + "', see Log.txt"));
    const Lines offline = test_support::readLines(folder_.paths.offlineRegcodesReport);
    EXPECT_TRUE(contains(offline, "There were errors processing the AIG-regcode file '" +
                                      gf_pathToUtf8(folder_.paths.aigRegcodes) + "', see Log.txt"));
}

} // namespace
} // namespace kiv
