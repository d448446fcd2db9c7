#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "traffic/live_sweeps.h"
#include "traffic_fakes.h"

namespace kiv {
namespace {

using test_support::TrafficFixture;

struct LiveSweepsTest : TrafficFixture, ::testing::Test {
    struct Aircraft {
        std::uint32_t hexId;
        std::string callsign;
        std::string registration;
        SimState simState = SimState::active;
        std::uint8_t onGround = 0;
    };
    void fill(const std::vector<Aircraft>& table) {
        state.live.clear();
        state.removalQueue.clear();
        for (const Aircraft& a : table) {
            LiveAircraft& live = addLive(a.hexId, a.simState, a.hexId % 1000, a.callsign);
            live.info.head.callsign = a.callsign;
            live.info.head.registration = a.registration;
            live.onGround = a.onGround;
        }
    }
    std::set<std::uint32_t> removed() const {
        std::set<std::uint32_t> hexIds;
        for (const LiveAircraft& a : state.live) {
            if (a.simState == SimState::removingfromsim) {
                hexIds.insert(a.info.hexId);
            }
        }
        return hexIds;
    }
};

TEST_F(LiveSweepsTest, BlockRemovesOneActiveAircraftByHexidThenCallsignThenRegistration) {
    // Table order matters: the first match goes.
    const std::vector<Aircraft> table = {
        {0xA00001, "DLH1", "D-AAAA"},
        {0xB00002, "DLH2", "D-BBBB"},
        {0xC00003, "DLH1", "D-AAAA"},
        {0xD00004, "BUF4", "D-DDDD", SimState::buffer},
    };
    struct Case {
        const char* name;
        BlockFilter filter;
        std::set<std::uint32_t> removed;
    };
    const Case cases[] = {
        {"hexid", {"", "", "", 0xB00002}, {0xB00002}},
        {"hexid wins over the call sign", {"", "DLH2", "", 0xA00001}, {0xA00001}},
        {"hexid of an aircraft not yet active: the call sign", {"", "DLH2", "", 0xD00004}, {0xB00002}},
        {"call sign of two aircraft: the first", {"", "DLH1", "", 0}, {0xA00001}},
        {"call sign wins over the registration", {"", "DLH2", "D-AAAA", 0}, {0xB00002}},
        {"call sign unknown: the registration", {"", "XXX9", "D-BBBB", 0}, {0xB00002}},
        {"only an aircraft not yet active matches", {"", "BUF4", "D-DDDD", 0xD00004}, {}},
        {"call sign compared exactly", {"", "DLH", "", 0}, {}},
        {"empty filter", {}, {}},
    };
    for (const Case& c : cases) {
        fill(table);
        gf_updateSettings([&](SettingsSnapshot& s) { s.block = c.filter; });
        gf_removeBlockedAc(state);
        EXPECT_EQ(removed(), c.removed) << c.name;
        EXPECT_EQ(state.removalQueue.size(), c.removed.size()) << c.name;
    }
}

TEST_F(LiveSweepsTest, CoverageOnlyAircraftBelowTheTcasFloorAreRemovedAndForgotten) {
    gf_updateSettings([](SettingsSnapshot& s) { s.tcasFl = 180; }); // floor 17000 ft
    struct Case {
        const char* name;
        std::uint8_t coverageOnly;
        SimState simState;
        double altitudeFt;
        bool removed;
    };
    const Case cases[] = {
        {"coverage only, below the floor", 1, SimState::active, 16999.0, true},
        {"coverage only, at the floor", 1, SimState::active, 17000.0, false},
        {"coverage only, above the floor", 1, SimState::active, 25000.0, false},
        {"coverage only, on the ground", 1, SimState::active, 0.0, true},
        {"real track, below the floor", 0, SimState::active, 5000.0, false},
        {"coverage only, not yet active", 1, SimState::adding2sim, 5000.0, false},
    };
    for (const Case& c : cases) {
        fill({{0x300001, "KEEP1", "D-KEEP"}, {0x300002, "COV2", "D-COVR", c.simState}});
        state.live[0].pose.altitudeFt = 30000.0;
        state.live[0].info.isCoverageOnly = 1;
        state.live[1].info.isCoverageOnly = c.coverageOnly;
        state.live[1].pose.altitudeFt = c.altitudeFt;
        models.forgotten.clear();
        gf_removeTCASCoverageAcs(state);
        EXPECT_EQ(removed(), c.removed ? std::set<std::uint32_t>{0x300002} : std::set<std::uint32_t>{}) << c.name;
        EXPECT_EQ(models.forgotten, c.removed ? std::vector<std::uint32_t>{0x300002} : std::vector<std::uint32_t>{})
            << c.name;
    }
}

TEST_F(LiveSweepsTest, AircraftListHoldsActiveAircraftOfTheChosenKindSortedByBytes) {
    const std::vector<Aircraft> table = {
        {0x4B1A2F, "SWR12", "HB-JLT", SimState::active, 1},  {0x3C6DEF, "", "D-AIZZ", SimState::active, 0},
        {0x0ABC12, "BAW7", "", SimState::active, 0},         {0x400001, "AFR9", "F-GKXA", SimState::buffer, 0},
        {0x3C0001, "DLH400", "D-ABYA", SimState::active, 1},
    };
    fill(table);
    struct Case {
        std::uint8_t airGround;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {0, {"BAW7, null, abc12", "DLH400, D-ABYA, 3c0001", "SWR12, HB-JLT, 4b1a2f", "null, D-AIZZ, 3c6def"}},
        {1, {"BAW7, null, abc12", "null, D-AIZZ, 3c6def"}},
        {2, {"DLH400, D-ABYA, 3c0001", "SWR12, HB-JLT, 4b1a2f"}},
    };
    for (const Case& c : cases) {
        gf_updateSettings([&](SettingsSnapshot& s) { s.airGround = c.airGround; });
        EXPECT_EQ(lf_listActiveAircraft(state), c.expected) << int{c.airGround};
    }
}

} // namespace
} // namespace kiv
