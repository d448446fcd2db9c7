#include <functional>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/settings_readers.h"
#include "settings/settings_snapshot.h"
#include "settings/settings_table.h"
#include "settings_reset.h"

namespace kiv {
namespace {

using S = SettingsSnapshot;

class SettingsSnapshotTest : public ::testing::Test {
protected:
    void SetUp() override { test_support::resetSettingsToDefaults(); }
    void TearDown() override { test_support::resetSettingsToDefaults(); }
};

TEST_F(SettingsSnapshotTest, StartsAtTheListedInitialValues) {
    const auto s = gf_settings();
    EXPECT_EQ(s->rangeMetres, 74080U);
    EXPECT_EQ(s->rangeNmSquared, 1600.0);
    EXPECT_FALSE(s->twoProps);
    EXPECT_TRUE(gf_isRTDirect());
    EXPECT_EQ(gf_trafficSource()->simulatorCode, 3);
}

TEST_F(SettingsSnapshotTest, FirstFullBuildMatchesTheDefaultsExceptTwoProps) {
    gf_publishSettingsSnapshot();
    S expected;
    expected.twoProps = true;
    expected.rangeMetres = 84080; // RT Direct by default
    EXPECT_EQ(*gf_settings(), expected);
}

// Each dispatched parameter, how to give it a value different from its default, and the
// field that must then (alone) carry the new value.
struct Dispatch {
    const Parameter* changed;
    std::function<void()> change;
    std::function<void(S&)> expect;
};

std::vector<Dispatch> dispatchTable() {
    using namespace param;
    auto flip = [](CheckBoxParameter& p, bool S::*field) {
        return Dispatch{&p, [&p] { p.value = !p.defaultValue; }, [&p, field](S& s) { s.*field = !p.defaultValue; }};
    };
    auto set = [](IntParameter& p, std::int32_t value, std::int32_t S::*field) {
        return Dispatch{&p, [&p, value] { p.value = value; }, [value, field](S& s) { s.*field = value; }};
    };
    return {
        flip(SKIP_AIRPORT_SCAN, &S::skipAirportScan),
        flip(SKIP_LIVERIES_SCAN, &S::skipLiveriesScan),
        flip(LIG_PRIORITIZE, &S::ligPrioritize),
        flip(AUTO_RANGE, &S::autoRange),
        set(MATCHING_DEPTH, 6, &S::matchingDepth),
        set(HOLDING_THRESHOLD_METERS, 600, &S::holdingThresholdMetres),
        set(MAX_HOLDING_MINUTES, 17, &S::maxHoldingMinutes),
        set(TCAS_FL, 440, &S::tcasFl),
        set(AIRP_RANGE, 30, &S::airpRange),
        set(AIRP_HEIGHT, 36000, &S::airpHeight),
        flip(COLLISION_USER_GND, &S::collisionUserGnd),
        flip(COLLISION_USER_AIR, &S::collisionUserAir),
        Dispatch{&TWO_PROPS, [] { TWO_PROPS.value = true; }, [](S& s) { s.twoProps = true; }},
        flip(LIGHT_AIRCRAFT, &S::lightAircraft),
        flip(HELICOPTERS, &S::helicopters),
        flip(HIGH_PERF_AIRCRAFT, &S::highPerfAircraft),
        flip(RANDOM, &S::random),
        flip(FLIGHT_MESSAGES, &S::flightMessages),
        flip(GUID_CHANGES, &S::guidChanges),
        flip(NAV_LIGHTS_WHILE_PARKED, &S::navLightsWhileParked),
        flip(SIM_TIME, &S::simTime),
        flip(KEEP_SIM_TIME_PAR, &S::keepSimTimePar),
        set(parking_percentage, 55, &S::parkingPercentage),
        set(MAX_PARK_SEL, 75, &S::maxParkSel),
        set(MAX_LIVE_SEL, 35, &S::maxLiveSel),
        set(MAX_FIT, 12, &S::maxFit),
        Dispatch{&MAX_FIT_FL,
                 [] {
                     MAX_FIT_FL.value = 3.5F;
                     MAX_FIT.value = 7;
                 },
                 [](S& s) { s.maxFit = 7; }},
        set(PARKING_INTERVAL_MINUTES, 35, &S::parkingIntervalMinutes),
        flip(RT_PARKTRAFFIC_ONLY, &S::rtParkTrafficOnly),
        flip(AUTO_PARK, &S::autoPark),
        flip(WEEK, &S::week),
        flip(PARK_SOFT, &S::parkSoft),
        Dispatch{&ALL_AIR_GND_SELECTOR, [] { ALL_AIR_GND_SELECTOR.value = "Ground only"; },
                 [](S& s) { s.airGround = 2; }},
        Dispatch{&DESTINATION, [] { DESTINATION.value = "EDDF"; }, [](S& s) { s.destination = "EDDF"; }},
        Dispatch{&BLOCK_CALLSIGN,
                 [] {
                     BLOCK_AIRCRAFT.value = "B738";
                     BLOCK_CALLSIGN.value = "DLH4_";
                     BLOCK_REGCODE.value = "D-ABCD";
                     BLOCK_HEXIDDEC.value = 0x3C4A21;
                     gf_setBlockCallsignUnderscore(true);
                 },
                 [](S& s) {
                     s.block = BlockFilter{"B738", "DLH4_", "D-ABCD", 0x3C4A21, true};
                 }},
        Dispatch{&BLOCK_HEXIDDEC, [] { BLOCK_HEXIDDEC.value = 77; }, [](S& s) { s.block.hexid = 77; }},
        Dispatch{&TIME_SHIFT_HOURS,
                 [] {
                     TIME_SHIFT_DAYS.value = 2;
                     TIME_SHIFT_HOURS.value = 5;
                     TIME_SHIFT_MINS.value = 30;
                 },
                 [](S& s) {
                     s.timeShiftDays = 2;
                     s.timeShiftHours = 5;
                     s.timeShiftMins = 30;
                 }},
        // Parameters without a field: nothing may change.
        Dispatch{&RANGE, [] { RANGE.value = 77; }, [](S&) {}},
        Dispatch{&ALWAYS_ON_TOP, [] { ALWAYS_ON_TOP.value = true; }, [](S&) {}},
        Dispatch{&RANGE_GROUND, [] { RANGE_GROUND.value = 3; }, [](S&) {}},
        Dispatch{&RT_CHOISE, [] { RT_CHOISE.value = "RT App"; }, [](S&) {}},
        Dispatch{nullptr, [] {}, [](S&) {}},
    };
}

TEST_F(SettingsSnapshotTest, ApplyParameterCopiesEachValueIntoItsOwnField) {
    for (const Dispatch& d : dispatchTable()) {
        test_support::resetSettingsToDefaults();
        S expected = *gf_settings();
        d.change();
        d.expect(expected);
        gf_applyParameter(d.changed);
        EXPECT_EQ(*gf_settings(), expected) << (d.changed ? d.changed->key : "null");
    }
}

TEST_F(SettingsSnapshotTest, AirGroundTakesOnlyTheTwoRestrictingChoices) {
    const std::pair<const char*, std::uint8_t> cases[] = {
        {"All traffic", 0}, {"Airborne only", 1}, {"Ground only", 2}, {"ground only", 0}, {"", 0}, {"Sea", 0}};
    for (const auto& [text, airGround] : cases) {
        param::ALL_AIR_GND_SELECTOR.value = text;
        gf_applyParameter(&param::ALL_AIR_GND_SELECTOR);
        EXPECT_EQ(gf_settings()->airGround, airGround) << "apply " << text;
        gf_setSettingsField(&S::airGround, std::uint8_t{9});
        gf_publishSettingsSnapshot();
        EXPECT_EQ(gf_settings()->airGround, airGround) << "build " << text;
    }
}

TEST_F(SettingsSnapshotTest, FullBuildDerivesTheRangeFieldsFromRangeAndSource) {
    const struct {
        std::int32_t range;
        bool rtApp;
        std::uint32_t metres;
    } cases[] = {{40, false, 84080}, {40, true, 74080}, {2, true, 3704}, {100, false, 195200}};
    for (const auto& c : cases) {
        gf_publishTrafficSource(c.rtApp);
        param::RANGE.value = c.range;
        gf_setSettingsField(&S::rangeChoice, 99);
        gf_publishSettingsSnapshot();
        const auto s = gf_settings();
        EXPECT_EQ(s->rangeNm, c.range);
        EXPECT_EQ(s->rangeNmSquared, double(c.range) * c.range);
        EXPECT_EQ(s->rangeMetres, c.metres) << c.range << (c.rtApp ? " RT App" : " RT Direct");
        EXPECT_EQ(s->rangeChoice, c.range);
        EXPECT_EQ(gf_isRTDirect(), !c.rtApp);
    }
}

TEST_F(SettingsSnapshotTest, FullBuildKeepsTheMatchersBlockFilterOnlyForTheSameAircraft) {
    const BlockFilter matched{"B738", "DLH4AB", "D-ABCD", 0x3C4A21, true};
    const struct {
        const char* aircraftParameter;
        const char* publishedAircraft;
        bool kept;
    } cases[] = {
        {"B738", "B738", true}, {"A320", "B738", false}, {"", "", false}, {"", "B738", false}, {"b738", "B738", false},
    };
    for (const auto& c : cases) {
        test_support::resetSettingsToDefaults();
        BlockFilter published = matched;
        published.aircraft = c.publishedAircraft;
        gf_setSettingsField(&S::block, published);
        param::BLOCK_AIRCRAFT.value = c.aircraftParameter;
        param::BLOCK_CALLSIGN.value = "DLH4_";
        param::BLOCK_HEXIDDEC.value = 5;
        gf_publishSettingsSnapshot();
        const BlockFilter rebuilt{c.aircraftParameter, "DLH4_", "", 5, false};
        EXPECT_EQ(gf_settings()->block, c.kept ? published : rebuilt)
            << "'" << c.aircraftParameter << "' over '" << c.publishedAircraft << "'";
    }
}

TEST_F(SettingsSnapshotTest, AReaderKeepsItsRecordWhileWritersPublish) {
    const auto before = gf_settings();
    gf_setSettingsField(&S::maxFit, 3);
    EXPECT_EQ(before->maxFit, 47);
    EXPECT_EQ(gf_settings()->maxFit, 3);
    EXPECT_NE(before, gf_settings());
}

// Writers on several threads, each owning one field, changing it many times at once:
// every thread's last value must be in the final record.
TEST_F(SettingsSnapshotTest, ConcurrentWritersOfDifferentFieldsLoseNothing) {
    constexpr int kRounds = 2000;
    std::vector<std::function<void(int)>> writers = {
        [](int i) { gf_setSettingsField(&S::maxParkSel, i); },
        [](int i) { gf_setSettingsField(&S::maxLiveSel, i); },
        [](int i) { gf_setSettingsField(&S::rangeChoice, i); },
        [](int i) { gf_setSettingsField(&S::destination, std::to_string(i)); },
        [](int i) {
            gf_updateSettings([i](S& s) {
                s.block.regcode = std::to_string(i);
                s.block.hexid = i;
            });
        },
        [](int i) {
            gf_updateSettings([i](S& s) {
                s.rangeNm = i;
                s.rangeNmSquared = double(i) * i;
            });
        },
    };
    std::vector<std::jthread> threads;
    for (const auto& write : writers) {
        threads.emplace_back([&write] {
            for (int i = 1; i <= kRounds; ++i) {
                write(i);
            }
        });
    }
    threads.emplace_back([] {
        for (int i = 0; i < kRounds; ++i) {
            const auto s = gf_settings();
            ASSERT_EQ(s->rangeNmSquared, s->rangeNm * s->rangeNm) << "a record is never half written";
        }
    });
    threads.clear();

    const auto s = gf_settings();
    EXPECT_EQ(s->maxParkSel, kRounds);
    EXPECT_EQ(s->maxLiveSel, kRounds);
    EXPECT_EQ(s->rangeChoice, kRounds);
    EXPECT_EQ(s->destination, std::to_string(kRounds));
    EXPECT_EQ(s->block.regcode, std::to_string(kRounds));
    EXPECT_EQ(s->block.hexid, kRounds);
    EXPECT_EQ(s->rangeNm, kRounds);
}

// The block matcher publishes what it learns while the main sequence runs full builds for
// the same blocked aircraft: the matcher's last finding must survive every build.
TEST_F(SettingsSnapshotTest, FullBuildDoesNotLoseAConcurrentBlockMatch) {
    constexpr int kRounds = 10000;
    param::BLOCK_AIRCRAFT.value = "B738";
    gf_publishSettingsSnapshot();
    std::jthread matcher([] {
        for (int i = 1; i <= kRounds; ++i) {
            gf_updateSettings([i](S& s) { s.block.hexid = i; });
        }
    });
    std::jthread builder([] {
        for (int i = 0; i < kRounds; ++i) {
            gf_publishSettingsSnapshot();
        }
    });
    matcher.join();
    builder.join();
    EXPECT_EQ(gf_settings()->block.hexid, kRounds);
}

TEST_F(SettingsSnapshotTest, UnderscoreFlagGoesIntoTheBlockFilter) {
    param::BLOCK_CALLSIGN.value = "DLH_";
    gf_setBlockCallsignUnderscore(true);
    gf_applyParameter(&param::BLOCK_CALLSIGN);
    EXPECT_TRUE(gf_settings()->block.callsignUnderscore);
    gf_setBlockCallsignUnderscore(false);
    gf_publishSettingsSnapshot();
    EXPECT_FALSE(gf_settings()->block.callsignUnderscore);
}

TEST_F(SettingsSnapshotTest, FoundationReadsRandomAndTheSourceFromTheSnapshots) {
    for (const bool on : {false, true}) {
        gf_setSettingsField(&S::random, on);
        EXPECT_EQ(gf_randomFlag(), on);
        gf_publishTrafficSource(on);
        EXPECT_EQ(gf_isRtDirectSource(), !on);
    }
}

} // namespace
} // namespace kiv
