#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "airports/stand.h"
#include "foundation/user_message.h"
#include "foundation/user_related_exception.h"
#include "livery_fixtures.h"
#include "models/livery_choice.h"
#include "models/livery_key_text.h"
#include "models/models_service.h"
#include "models/scanned_liveries.h"
#include "test_support/log_capture.h"
#include "traffic/live_sweeps.h"
#include "traffic/traffic_fakes.h"

namespace kiv {
namespace {

using test_support::makeLivery;
using Lines = std::vector<std::string>;

// The installed liveries of every choice test, in the order of no importance (they are sorted).
std::vector<Livery> installedLiveries() {
    return {
        makeLivery("DLH A320 1", "DLH", "A320"),
        makeLivery("DLH A320 2", "DLH", "A320"),
        makeLivery("DLH A320 special", "DLH", "A320"),
        makeLivery("DLH A320 two", "DLH", "A320"),
        makeLivery("DLH A320 freighter", "DLH", "A320", true),
        makeLivery("DLH C172", "DLH", "C172"),
        makeLivery("DLH BE58", "DLH", "BE58"),
        makeLivery("DLH by CLH", "DLH/CLH", "A320"),
        makeLivery("CLH A320", "CLH", "A320"),
        makeLivery("CLH B737 plain", "CLH", "B737"),
        makeLivery("CLH B737 in klm colours", "CLH", "B737"),
        makeLivery("BAW B738 colours", "BAW", "B738"),
        makeLivery("BAW B738 Lufthansa retro", "BAW", "B738"),
        makeLivery("BAW A320 special", "BAW", "A320"),
        makeLivery("BAW B744", "BAW", "B744"),
        makeLivery("KLM B738", "KLM", "B738"),
        makeLivery("KLM B737", "KLM", "B737"),
        makeLivery("FDX B77F cargo", "FDX", "B77F", true),
        makeLivery("FDX A320 pax", "FDX", "A320"),
        makeLivery("FSLTL_UPS_B738", "UPS", "B738"),
        makeLivery("ZZZ A320 generic", "ZZZ", "A320"),
        makeLivery("ZZZ C172 generic", "ZZZ", "C172"),
    };
}

class LiveryChoiceTest : public test_support::LiveryTest {
protected:
    void SetUp() override {
        LiveryTest::SetUp();
        test_support::writeAigRegcodes(folder_.paths.aigRegcodes, R"(
            <l t="DLH A320 special" r="D-SPEC" s="true"/>
            <l t="DLH A320 two" r="D-TWOA,D-TWOB" s="true"/>
            <l t="BAW A320 special" r="G-SPEC" s="true"/>
            <l t="DLH A320 1" r="D-ONE"/>)");
        build(installedLiveries());
        setSettings(4, false);
    }

    static void setSettings(std::int32_t depth, bool random) {
        gf_updateSettings([&](SettingsSnapshot& copy) {
            copy.matchingDepth = depth;
            copy.random = random;
            copy.tcasFl = 180;
        });
    }

    static AircraftInfo aircraft(std::string_view airline, std::string_view model, bool cargo = false,
                                 std::string registration = "") {
        AircraftInfo info;
        info.head.liveryKey = makeLivery("", airline, model, cargo).key;
        info.head.callsign = "CS123";
        info.head.registration = std::move(registration);
        info.sizeClass = gf_sizeClassOfModel(info.head.liveryKey.modelId);
        return info;
    }

    // The step of the last choice, from the counters (live) or the last log line (both).
    std::optional<int> lastLoggedStep() const {
        const Lines lines = log_.lines();
        if (lines.empty()) {
            return std::nullopt;
        }
        const std::string& line = lines.back();
        const std::size_t at = line.find(" =");
        if (at == std::string::npos || at + 3 >= line.size() || line[at + 3] != '=') {
            return std::nullopt;
        }
        return line[at + 2] - '0';
    }
};

TEST_F(LiveryChoiceTest, LadderWithRandomOff) {
    struct Case {
        const char* name;
        std::string airline;
        std::string model;
        bool cargo;
        std::string registration;
        std::int32_t depth;
        double altitudeFt;
        double userAltitudeFt;
        std::optional<std::uint8_t> stand; // a static choice on a stand with this cargo flag
        std::string title;                 // empty: no livery
        int step;                          // -1: none
        std::string flags;                 // "P" package livery, "C" coverage only
    };
    const double low = 5000.0;
    const double high = 35000.0;
    const Case cases[] = {
        {"unique registration", "KLM", "B744", false, "D-SPEC", 1, low, low, {}, "DLH A320 special", 0, ""},
        {"special with two registrations", "KLM", "B744", false, "D-TWOA", 1, low, low, {}, "DLH A320 two", 1, ""},
        {"level 1 without a registration match", "DLH", "A320", false, "D-NONE", 1, low, low, {}, "", -1, ""},
        {"airline and model, first free title", "DLH", "A320", false, "", 2, low, low, {}, "DLH A320 1", 2, ""},
        {"all titles special", "BAW", "A320", false, "", 3, low, low, {}, "", -1, ""},
        {"package livery", "UPS", "B738", false, "", 2, low, low, {}, "FSLTL_UPS_B738", 2, "P"},
        {"private aircraft within depth", "PVT", "C172", false, "", 2, low, low, {}, "ZZZ C172 generic", 4, ""},
        {"similar model of the airline", "KLM", "B739", false, "", 3, low, low, {}, "KLM B738", 3, ""},
        {"similar model of another size class", "KLM", "B748", false, "", 3, low, low, {}, "", -1, ""},
        {"heavy at depth 4: only step 4", "KLM", "B744", false, "", 4, low, low, {}, "", -1, ""},
        {"heavy at depth 5", "KLM", "B744", false, "", 5, low, low, {}, "BAW B744", 5, ""},
        {"generic livery of a light aircraft", "KLM", "C172", false, "", 4, low, low, {}, "ZZZ C172 generic", 4, ""},
        {"small aircraft at depth 4 go on, within depth", "KLM", "BE58", false, "", 4, low, low, {}, "DLH BE58", 5, ""},
        {"generic first in the fallback", "KLM", "A320", false, "", 4, low, low, {}, "ZZZ A320 generic", 4, ""},
        {"similar model of any airline", "DLH", "B739", false, "", 6, low, low, {}, "BAW B738 Lufthansa retro", 6, ""},
        {"size class", "BAW", "A346", false, "", 7, low, low, {}, "BAW B744", 7, ""},
        {"TCAS level for both above", "KLM", "B744", false, "", 4, high, high, {}, "BAW B744", 5, "C"},
        {"only the aircraft above", "KLM", "B744", false, "", 4, high, low, {}, "", -1, ""},
        {"only the user above", "KLM", "B744", false, "", 4, low, high, {}, "", -1, ""},
        {"default models at the TCAS level",
         "KLM",
         "F16",
         false,
         "",
         4,
         high,
         high,
         {},
         "BAW B738 Lufthansa retro",
         8,
         "C"},
        {"no default models below the TCAS level", "KLM", "F16", false, "", 7, low, low, {}, "", -1, ""},
        {"cargo livery first", "FDX", "B77F", true, "", 2, low, low, {}, "FDX B77F cargo", 2, ""},
        {"cargo aircraft takes a passenger livery", "FDX", "A320", true, "", 2, low, low, {}, "FDX A320 pax", 2, ""},
        {"passenger aircraft never takes cargo", "UPS", "B77F", false, "", 5, low, low, {}, "", -1, ""},
        {"cargo model only in its own table", "UPS", "B77F", true, "", 5, low, low, {}, "FDX B77F cargo", 5, ""},
        {"operator: combined code", "DLH/CLH", "A320", false, "", 2, low, low, {}, "DLH by CLH", 2, ""},
        {"operator: airline's name among the operator's",
         "KLM/CLH",
         "B737",
         false,
         "",
         2,
         low,
         low,
         {},
         "CLH B737 in klm colours",
         2,
         ""},
        {"operator: operator's name among the airline's",
         "BAW/DLH",
         "B738",
         false,
         "",
         2,
         low,
         low,
         {},
         "BAW B738 Lufthansa retro",
         2,
         ""},
        {"operator: the operator's own", "UPS/CLH", "A320", false, "", 2, low, low, {}, "CLH A320", 2, ""},
        {"operator: the airline's own", "DLH/UPS", "A320", false, "", 2, low, low, {}, "DLH A320 1", 2, ""},
        {"static on a cargo stand", "DLH", "A320", false, "", 2, low, low, std::uint8_t{1}, "DLH A320 freighter", 2,
         ""},
        {"static on a passenger stand", "DLH", "A320", false, "", 2, low, low, std::uint8_t{0}, "DLH A320 1", 2, ""},
        {"static cargo stand, generic livery", "KLM", "A320", false, "", 4, low, low, std::uint8_t{1},
         "ZZZ A320 generic", 4, ""},
        {"static cargo stand in the size class", "KLM", "A306", false, "", 7, low, low, std::uint8_t{1},
         "DLH A320 freighter", 7, ""},
        // The list's first title is special: with RANDOM off the last free one is taken.
        {"static passenger stand in the size class", "KLM", "A306", false, "", 7, low, low, std::uint8_t{0},
         "DLH by CLH", 7, ""},
    };
    for (const Case& c : cases) {
        setSettings(c.depth, false);
        AircraftInfo info = aircraft(c.airline, c.model, c.cargo, c.registration);
        const auto countersBefore = gf_matchCounters();
        const std::size_t linesBefore = log_.lines().size();
        std::optional<int> step;
        if (c.stand) {
            Stand stand;
            stand.id = "A12";
            stand.cargo = *c.stand != 0;
            EXPECT_EQ(gf_chooseStaticLivery(info, stand), !c.title.empty()) << c.name;
            EXPECT_EQ(gf_matchCounters(), countersBefore) << c.name << ": a static choice was counted";
        } else {
            gf_chooseLivery(info, c.altitudeFt, c.userAltitudeFt);
            for (std::size_t i = 0; i < kMatchSteps; ++i) {
                if (gf_matchCounters()[i] != countersBefore[i]) {
                    EXPECT_FALSE(step.has_value()) << c.name << ": two steps counted";
                    EXPECT_EQ(gf_matchCounters()[i], countersBefore[i] + 1) << c.name;
                    step = static_cast<int>(i);
                }
            }
        }
        const bool logged = log_.lines().size() > linesBefore;
        if (c.stand && logged) {
            step = lastLoggedStep();
        }
        EXPECT_EQ(std::string(info.liveryTitle), c.title) << c.name;
        EXPECT_EQ(step.value_or(-1), c.step) << c.name;
        const std::string flags = std::string(info.isPackageLivery ? "P" : "") + (info.isCoverageOnly ? "C" : "");
        EXPECT_EQ(flags, c.flags) << c.name;
        if (!c.title.empty() && !c.stand) {
            EXPECT_EQ(log_.lines().back(), fmt::format("{:16}CS123    {:12}          {} ={}= {}", "", c.registration,
                                                       gf_liveryKeyText(info.head.liveryKey), c.step, c.title))
                << c.name;
        }
    }
}

TEST_F(LiveryChoiceTest, StaticChoiceKeepsAChosenTitleAndLogsAMiss) {
    Stand stand;
    stand.id = "V113";
    AircraftInfo info = aircraft("KLM", "A346");
    EXPECT_FALSE(gf_chooseStaticLivery(info, stand));
    EXPECT_EQ(log_.lines().back(),
              fmt::format("{:14}: CS123     {} no livery match ...", "V113", gf_liveryKeyText(info.head.liveryKey)));
    info.liveryTitle = "Already";
    EXPECT_TRUE(gf_chooseStaticLivery(info, stand));
    EXPECT_EQ(info.liveryTitle, "Already");
    EXPECT_TRUE(log_.lines().back().ends_with(" =s= Already")) << log_.lines().back();
}

// A title the simulator refused is skipped like a special one, so a list whose first title
// failed stays usable with RANDOM off; nothing else changes.
TEST_F(LiveryChoiceTest, FailedTitlesAreNeverChosenAgain) {
    setSettings(2, false);
    AircraftInfo failed = aircraft("DLH", "A320");
    failed.liveryTitle = "DLH A320 1";
    gf_liveryCreationFailed(failed);

    AircraftInfo byKey = aircraft("DLH", "A320");
    gf_chooseLivery(byKey, 5000.0, 5000.0);
    EXPECT_EQ(byKey.liveryTitle, "DLH A320 2");

    // A registration bound to the failed title falls through to the key.
    AircraftInfo byRegistration = aircraft("DLH", "A320", false, "D-ONE");
    gf_chooseLivery(byRegistration, 5000.0, 5000.0);
    EXPECT_EQ(byRegistration.liveryTitle, "DLH A320 2");

    Stand stand;
    AircraftInfo parked = aircraft("DLH", "A320", false, "D-ONE");
    EXPECT_TRUE(gf_chooseStaticLivery(parked, stand));
    EXPECT_EQ(parked.liveryTitle, "DLH A320 2");

    // With the only usable title gone too, the list gives nothing.
    AircraftInfo second = byKey;
    gf_liveryCreationFailed(second);
    AircraftInfo none = aircraft("DLH", "A320");
    gf_chooseLivery(none, 5000.0, 5000.0);
    EXPECT_EQ(none.liveryTitle, "");
}

TEST_F(LiveryChoiceTest, RandomPicksNeverTakeASpecialTitleWhileAFreeOneExists) {
    setSettings(2, true);
    std::map<std::string, int> picks;
    for (int i = 0; i < 400; ++i) {
        AircraftInfo info = aircraft("DLH", "A320");
        gf_chooseLivery(info, 5000.0, 5000.0);
        ++picks[std::string(info.liveryTitle)];
    }
    EXPECT_EQ(picks.size(), 2u);
    EXPECT_GT(picks["DLH A320 1"], 0);
    EXPECT_GT(picks["DLH A320 2"], 0);

    // One free title among specials and a failed one: always that one.
    AircraftInfo failed = aircraft("DLH", "A320");
    failed.liveryTitle = "DLH A320 2";
    gf_liveryCreationFailed(failed);
    for (int i = 0; i < 200; ++i) {
        AircraftInfo info = aircraft("DLH", "A320");
        gf_chooseLivery(info, 5000.0, 5000.0);
        ASSERT_EQ(info.liveryTitle, "DLH A320 1");
    }
}

TEST_F(LiveryChoiceTest, CreationFailuresWarnUntilTheTwentiethTitle) {
    Lines messages;
    const UserMessageHandler previous = gf_setUserMessageHandler(
        [&](std::string_view text, bool log) { messages.push_back(std::string(text) + (log ? " +log" : "")); });
    std::vector<std::string> titles;
    for (int i = 0; i < 21; ++i) {
        titles.push_back(fmt::format("Broken {}", i));
    }
    AircraftInfo info = aircraft("DLH", "A320");
    info.liveryTitle = titles[0];
    gf_liveryCreationFailed(info);
    gf_liveryCreationFailed(info); // the same title again counts once
    for (int i = 1; i < 19; ++i) {
        info.liveryTitle = titles[static_cast<std::size_t>(i)];
        gf_liveryCreationFailed(info);
    }
    EXPECT_EQ(messages.size(), 20u);
    EXPECT_EQ(messages[0], "CS123 'Broken 0' could not be created by your Sim! +log");
    // Two titles of the same model and airline make one line of the failed list.
    EXPECT_EQ(lf_failedListLines(), Lines{"  A320 DLH"});

    for (std::size_t i : {19u, 20u, 0u}) {
        info.liveryTitle = titles[i];
        try {
            gf_liveryCreationFailed(info);
            FAIL() << "no exception for title " << i;
        } catch (const UserRelatedException& e) {
            EXPECT_EQ(e.code(), 81);
            EXPECT_STREQ(e.what(), "81: There are too many liveries that could not be created!, see Log.txt");
        }
        EXPECT_TRUE(gf_isFailedLivery(titles[i]));
    }
    const Lines lines = log_.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "===> Error 81, There are too many liveries that could not be "
                         "created!"),
              3);
    gf_setUserMessageHandler(previous);
}

TEST_F(LiveryChoiceTest, StickyLiveriesGoWithARestartButFailedTitlesStay) {
    ModelsService service;
    AircraftInfo info = aircraft("DLH", "A320");
    service.gf_chooseLivery(info, 5000.0, 5000.0);
    ASSERT_EQ(info.liveryTitle, "DLH A320 1");
    service.rememberLiveryOfHexid(0x3C6444, info.liveryTitle);
    EXPECT_EQ(service.liveryOfHexid(0x3C6444).data(), info.liveryTitle.data());
    EXPECT_EQ(service.liveryOfHexid(0x3C6445), "");
    EXPECT_FALSE(gf_forgetLiveryOfHexid(0x3C6445));
    EXPECT_TRUE(gf_forgetLiveryOfHexid(0x3C6444));
    EXPECT_FALSE(gf_forgetLiveryOfHexid(0x3C6444));

    service.rememberLiveryOfHexid(0x3C6444, info.liveryTitle);
    service.gf_liveryCreationFailed(info);
    EXPECT_TRUE(service.gf_isFailedLivery("DLH A320 1"));
    // The restart: the traffic reset empties the sticky liveries, then the tables are rebuilt.
    service.clearLiveryOfHexids();
    EXPECT_EQ(service.liveryOfHexid(0x3C6444), "");
    build(installedLiveries());
    EXPECT_TRUE(service.gf_isFailedLivery("DLH A320 1"));
    AircraftInfo again = aircraft("DLH", "A320");
    service.gf_chooseLivery(again, 5000.0, 5000.0);
    EXPECT_EQ(again.liveryTitle, "DLH A320 2");
}

// Only aircraft that the TCAS level alone gave a livery are removed below it; one matched
// within the matching depth, on the private or the small-class road, stays, so it is not
// respawned on every sweep.
TEST_F(LiveryChoiceTest, TcasSweepRemovesOnlyTcasOnlyMatchesOnce) {
    setSettings(2, false);
    test_support::TrafficFixture traffic;
    gf_updateSettings([](SettingsSnapshot& copy) {
        copy.matchingDepth = 2;
        copy.random = false;
        copy.tcasFl = 180;
    });
    const auto spawn = [&](std::uint32_t hexId, std::string_view airline, std::string_view model, double altitudeFt) {
        LiveAircraft& live = traffic.addLive(hexId, SimState::active, hexId & 0xFF);
        live.info = aircraft(airline, model);
        live.info.hexId = hexId;
        gf_chooseLivery(live.info, altitudeFt, altitudeFt);
        live.pose.altitudeFt = 5000.0;
        return hexId;
    };
    const std::uint32_t privateOne = spawn(0x100001, "PVT", "C172", 5000.0);
    ASSERT_EQ(gf_findLive(traffic.state, privateOne)->info.liveryTitle, "ZZZ C172 generic");
    const std::uint32_t tcasOnly = spawn(0x100002, "KLM", "B744", 35000.0);
    ASSERT_EQ(gf_findLive(traffic.state, tcasOnly)->info.liveryTitle, "BAW B744");

    gf_removeTCASCoverageAcs(traffic.state);
    EXPECT_EQ(gf_findLive(traffic.state, privateOne)->simState, SimState::active);
    EXPECT_NE(gf_findLive(traffic.state, tcasOnly)->simState, SimState::active);
    EXPECT_EQ(traffic.models.forgotten, std::vector<std::uint32_t>{tcasOnly});

    // Respawned below the TCAS level, the aircraft gets what the depth allows, unflagged.
    setSettings(4, false);
    const std::uint32_t small = spawn(0x100003, "KLM", "BE58", 5000.0);
    ASSERT_EQ(gf_findLive(traffic.state, small)->info.liveryTitle, "DLH BE58");
    gf_removeTCASCoverageAcs(traffic.state);
    EXPECT_EQ(gf_findLive(traffic.state, privateOne)->simState, SimState::active);
    EXPECT_EQ(gf_findLive(traffic.state, small)->simState, SimState::active);
    EXPECT_EQ(traffic.models.forgotten, std::vector<std::uint32_t>{tcasOnly});
}

} // namespace
} // namespace kiv
