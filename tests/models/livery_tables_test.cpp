#include <algorithm>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "foundation/text_conversion.h"
#include "livery_fixtures.h"
#include "models/livery_categories.h"
#include "models/livery_store.h"
#include "models/scanned_liveries.h"
#include "platform/headless_control.h"
#include "settings/data_folder.h"
#include "settings/parameters_file.h"
#include "settings/settings_table.h"
#include "test_support/log_capture.h"
#include "traffic/aircraft_records.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;
using test_support::contains;
using test_support::makeLivery;
using Lines = std::vector<std::string>;

class LiveryTablesTest : public test_support::LiveryTest {
protected:
    void TearDown() override {
        for (CheckBoxParameter* setting :
             {&param::LIGHT_AIRCRAFT, &param::TWO_PROPS, &param::HELICOPTERS, &param::HIGH_PERF_AIRCRAFT}) {
            setting->window = nullptr;
        }
        LiveryTest::TearDown();
    }

    const LiveryTables& tables() const { return gf_liveryTables(); }

    // The titles of an airline (or operator, or combined code) for a model, in list order.
    Lines titlesOf(std::string_view airline, std::string_view model) const {
        Lines titles;
        const auto found = tables().airlineLiveries.find(gf_airlineId(airline));
        if (found != tables().airlineLiveries.end() && found->second.contains(gf_modelId(model))) {
            for (const LiveryEntry& entry : found->second.at(gf_modelId(model))) {
                titles.push_back(entry.title);
            }
        }
        return titles;
    }
};

TEST_F(LiveryTablesTest, OperatedLiveriesGoUnderTheCombinedCodeAndTheOperator) {
    build({makeLivery("CLH own", "CLH", "A320"), makeLivery("DLH by CLH", "DLH/CLH", "A320"),
           makeLivery("DLH by CLH cargo", "DLH/CLH", "A320", true), makeLivery("DLH own", "DLH", "A320")});
    EXPECT_EQ(titlesOf("DLHCLH", "A320"), (Lines{"DLH by CLH", "DLH by CLH cargo"}));
    EXPECT_EQ(titlesOf("CLH", "A320"), (Lines{"CLH own", "DLH by CLH", "DLH by CLH cargo"}));
    EXPECT_EQ(titlesOf("DLH", "A320"), (Lines{"DLH own"}));

    const TitleViews& cargo = tables().airlineModelLiveries[kCargoTable].at(gf_airlineId("CLH")).at(gf_modelId("A320"));
    EXPECT_EQ(cargo, (TitleViews{"DLH by CLH cargo"}));
    EXPECT_FALSE(tables().airlineModelLiveries[kCargoTable].contains(gf_airlineId("DLH")));
    // Under both codes, so twice in the model's list.
    const TitleViews& passenger = tables().modelLiveries[kPassengerTable].at(gf_modelId("A320"));
    EXPECT_EQ(std::count(passenger.begin(), passenger.end(), "DLH by CLH"), 2);
    EXPECT_EQ(passenger.size(), 4u);
    EXPECT_TRUE(contains(log_.lines(), "    4 livery titles"));
    EXPECT_TRUE(contains(log_.lines(), "    3 airlines, 1 pax aircraft models and 1 cargo aircraft models"));
}

TEST_F(LiveryTablesTest, LiveriesWithoutAirlineOrModelAreLeftOut) {
    Livery noModel = makeLivery("No model", "DLH", "A320");
    noModel.key.modelId = 0;
    Livery operatedNoAirline = makeLivery("No airline", "DLH/CLH", "A320");
    operatedNoAirline.key.airlineId = 0;
    build({noModel, operatedNoAirline, makeLivery("Fine", "DLH", "A320")});
    EXPECT_TRUE(contains(log_.lines(), fmt::format("Invalid livery index: airl={}, opr=0, model=0, title=No model",
                                                   gf_airlineId("DLH"))));
    EXPECT_TRUE(contains(log_.lines(), fmt::format("Invalid operator livery index: airl=0, opr={}, model={}, "
                                                   "title=No airline",
                                                   gf_airlineId("CLH"), gf_modelId("A320"))));
    EXPECT_EQ(tables().titleIndex.size(), 1u);
}

// Every view of every table must point into a title that airlineLiveries holds, however its
// lists grew while they were filled: short titles live inside their string, which moves when
// a list reallocates.
TEST_F(LiveryTablesTest, EveryViewPointsIntoTheCompleteOwningTable) {
    std::vector<Livery> liveries;
    for (int i = 0; i < 40; ++i) {
        liveries.push_back(makeLivery(fmt::format("C{}", i), "CLH", "A320", false, fmt::format("D-C{:03}", i)));
        liveries.push_back(makeLivery(fmt::format("D{}", i), "DLH/CLH", "A320", i % 2 == 1));
        liveries.push_back(makeLivery(fmt::format("K{}", i), "KLM/CLH", "A320"));
    }
    build(liveries);
    std::set<const char*> owned;
    for (const auto& [airline, models] : tables().airlineLiveries) {
        for (const auto& [model, entries] : models) {
            for (const LiveryEntry& entry : entries) {
                owned.insert(entry.title.data());
            }
        }
    }
    std::size_t views = 0;
    const auto check = [&](std::string_view view) {
        ++views;
        EXPECT_TRUE(owned.contains(view.data())) << view;
    };
    for (const auto& [title, view] : tables().titleIndex) {
        check(title);
        check(view);
    }
    for (const AirlineModelTitles& table : tables().airlineModelLiveries) {
        for (const auto& [airline, models] : table) {
            for (const auto& [model, titles] : models) {
                std::for_each(titles.begin(), titles.end(), check);
            }
        }
    }
    for (const ModelTitles& table : tables().modelLiveries) {
        for (const auto& [model, titles] : table) {
            std::for_each(titles.begin(), titles.end(), check);
        }
    }
    for (const auto& [registration, view] : tables().regcodeLiveries) {
        check(view);
    }
    EXPECT_EQ(tables().regcodeLiveries.size(), 40u);
    EXPECT_GT(views, 600u);
}

TEST_F(LiveryTablesTest, RebuildWaitsForTheTrafficResetAndAnUnreadableStoreStopsTheStart) {
    test_support::FixedViewHolders traffic;
    ASSERT_TRUE(lf_writeLiveriesScanned({makeLivery("One", "DLH", "A320")}, folder_.paths.store));
    gf_processScannedLiveries(shell_, traffic, folder_.paths);
    const std::string_view title = tables().titleIndex.at("One");

    traffic.holds = true;
    EXPECT_THROW(gf_processScannedLiveries(shell_, traffic, folder_.paths), std::logic_error);
    EXPECT_EQ(tables().titleIndex.at("One").data(), title.data()) << "the tables were touched";
    traffic.holds = false;
    gf_rememberLiveryOfHexid(0x3C6444, title);
    EXPECT_THROW(gf_processScannedLiveries(shell_, traffic, folder_.paths), std::logic_error);
    gf_clearStickyLiveries();
    gf_processScannedLiveries(shell_, traffic, folder_.paths);

    // An empty scan result is a store that cannot be read completely.
    test_support::writeBytes(folder_.paths.store, "<root><liveries/></root>");
    try {
        gf_processScannedLiveries(shell_, traffic, folder_.paths);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), gf_pathToUtf8(folder_.paths.store) + " could not be read completely");
    }
    EXPECT_TRUE(contains(log_.lines(), "533: " + gf_pathToUtf8(folder_.paths.store) + " does not contain liveries"));
    EXPECT_TRUE(tables().titleIndex.empty());
}

TEST_F(LiveryTablesTest, ProcessingReportsTheStepsAndPostsCountAndRepaint) {
    ASSERT_TRUE(
        lf_writeLiveriesScanned({makeLivery("Heavy one", "BAW", "B744"), makeLivery("Freighter", "FDX", "B77F", true),
                                 makeLivery("Generic 737", "ZZZ", "B737"), makeLivery("Generic 320", "ZZZ", "A320")},
                                folder_.paths.store));
    test_support::FixedViewHolders traffic;
    gf_processScannedLiveries(shell_, traffic, folder_.paths);
    EXPECT_EQ(shell_.events, (Lines{"count 4", "repaint 1"}));
    const Lines lines = log_.lines();
    for (const char* line : {"Category Heavy: 1 pax liverie", "Category Large: 2 pax liveries and 1 cargo liverie",
                             "  A320,B737,B77F", "Category Bizjet: No livery found", "2 models have a generic livery",
                             "  A320,B737", "----- end of processing scanned liveries ------"}) {
        EXPECT_TRUE(contains(lines, line)) << line;
    }
    EXPECT_EQ(tables().sizeClassModels[static_cast<std::size_t>(SizeClass::Large)],
              (std::vector<std::uint16_t>{gf_modelId("A320"), gf_modelId("B737"), gf_modelId("B77F")}));
    EXPECT_TRUE(tables().sizeClassModels[static_cast<std::size_t>(SizeClass::Light)].empty());
}

TEST_F(LiveryTablesTest, ModelCodesAreLoggedTwentyToALine) {
    std::vector<std::uint16_t> models;
    for (int i = 0; i < 21; ++i) {
        models.push_back(gf_modelId(fmt::format("M{:02}", i)));
    }
    const std::vector<std::uint16_t> twenty(models.begin(), models.begin() + 20);
    const Lines lines = lf_modelCodeLines(twenty);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].starts_with("  M00,M01,")) << lines[0];
    EXPECT_TRUE(lines[0].ends_with(",M19")) << lines[0];
    EXPECT_EQ(lf_modelCodeLines(models), (Lines{lines[0], "  M20"}));
    EXPECT_TRUE(lf_modelCodeLines({}).empty());
}

// A class without liveries is off for this run: in the snapshot the traffic reads and in its
// check box, but parameters.xml keeps the user's choice for the next start.
TEST_F(LiveryTablesTest, ClassesWithoutLiveriesAreSwitchedOffForThisRunOnly) {
    test_support::TempFolder data;
    gf_setDataFolderForTesting(data.path());
    gf_writeDefaultParameters();
    const std::string fileBefore = test_support::readText(gf_parametersFilePath());
    platform::HeadlessControl light;
    platform::HeadlessControl rotorcraft;
    platform::HeadlessControl twoProps;
    platform::HeadlessControl highPerf;
    param::LIGHT_AIRCRAFT.window = &light;
    param::HELICOPTERS.window = &rotorcraft;
    param::TWO_PROPS.window = &twoProps;
    param::HIGH_PERF_AIRCRAFT.window = &highPerf;
    param::HIGH_PERF_AIRCRAFT.value = false; // already off: no line for it
    for (platform::HeadlessControl* box : {&light, &rotorcraft, &twoProps, &highPerf}) {
        box->setChecked(true);
        box->setEnabled(false);
    }
    highPerf.setChecked(false);
    gf_publishSettingsSnapshot();

    build({makeLivery("Helicopter", "DLH", "EC35"), makeLivery("Airliner", "DLH", "A320")});

    const auto settings = gf_settings();
    EXPECT_FALSE(settings->lightAircraft);
    EXPECT_FALSE(settings->twoProps);
    EXPECT_FALSE(settings->highPerfAircraft);
    EXPECT_TRUE(settings->helicopters);
    EXPECT_FALSE(light.isChecked());
    EXPECT_FALSE(light.isEnabled());
    EXPECT_FALSE(twoProps.isEnabled());
    EXPECT_TRUE(rotorcraft.isChecked());
    EXPECT_TRUE(rotorcraft.isEnabled());
    EXPECT_FALSE(highPerf.isChecked());
    EXPECT_FALSE(highPerf.isEnabled());
    EXPECT_TRUE(param::LIGHT_AIRCRAFT.value);
    EXPECT_EQ(test_support::readText(gf_parametersFilePath()), fileBefore);
    const Lines lines = log_.lines();
    EXPECT_TRUE(contains(lines, "Category Light: No livery found"));
    EXPECT_TRUE(
        contains(lines, "LIGHT_AIRCRAFT temporarily switched off because you do not have light aircraft installed"));
    EXPECT_TRUE(
        contains(lines, "TWO_PROPS temporarily switched off because you do not have two-prop aircraft installed"));
    EXPECT_FALSE(contains(
        lines, "HIGH_PERF_AIRCRAFT temporarily switched off because you do not have High Perf aircraft installed"));
    EXPECT_TRUE(contains(lines, "Category Rotorcraft: 1 pax liverie"));
}

TEST_F(LiveryTablesTest, EmptyTablesReportEveryClassAndNoGenericLiveries) {
    std::vector<Livery> none;
    gf_publishSettingsSnapshot();
    lf_buildLiveryTables(none, shell_, folder_.paths);
    const Lines lines = log_.lines();
    for (const char* name : {"Heavy", "Large", "Bizjet", "TwoProps", "Light", "Rotorcraft", "HighPerf"}) {
        EXPECT_TRUE(contains(lines, fmt::format("Category {}: No livery found", name))) << name;
    }
    EXPECT_TRUE(contains(lines, "No generic liveries"));
    EXPECT_TRUE(contains(lines, "No similar model definitions with installed liveries found"));
    const auto settings = gf_settings();
    EXPECT_FALSE(settings->lightAircraft || settings->twoProps || settings->helicopters || settings->highPerfAircraft);
}

TEST_F(LiveryTablesTest, SummariesAppearOnlyWithSomethingToSay) {
    const std::size_t start = log_.lines().size();
    gf_logNoMatchList();
    gf_logLiveryMatchingSummary();
    EXPECT_TRUE(linesFrom(start).empty());

    gf_addToNoMatchList("DLH4AB   D-AIAB");
    gf_addToNoMatchList("DLH4AB   D-AIAB");
    gf_logNoMatchList();
    EXPECT_EQ(linesFrom(start), (Lines{"", "No match found for:", "DLH4AB   D-AIAB", ""}));

    // A failed list alone, without any counted choice, prints nothing.
    AircraftInfo aircraft;
    aircraft.head.liveryKey = makeLivery("", "DLH", "A320").key;
    aircraft.liveryTitle = "Broken";
    gf_liveryCreationFailed(aircraft);
    const std::size_t before = log_.lines().size();
    gf_logLiveryMatchingSummary();
    EXPECT_EQ(log_.lines().size(), before);

    gf_matchCounters()[2] = 3;
    gf_logLiveryMatchingSummary();
    const Lines lines = linesFrom(before);
    const std::string stars(31, '*');
    const Lines expected = {"",
                            stars + " live traffic livery matching summary " + stars,
                            "Matches at step: ",
                            "  0: 0",
                            "  1: 0",
                            "  2: 3",
                            "  3: 0",
                            "  4: 0",
                            "  5: 0",
                            "  6: 0",
                            "  7: 0",
                            "  8: 0",
                            "",
                            "Could not be created",
                            "  A320 DLH",
                            std::string(100, '*'),
                            ""};
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(expected[1].size(), 100u);
}

} // namespace
} // namespace kiv
