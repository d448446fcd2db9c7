#include <gtest/gtest.h>

#include "stand_fixture.h"

namespace kiv {
namespace {

using test_support::LogCapture;
using test_support::StandFixture;

class StandConflictsTest : public ::testing::Test, public StandFixture {
protected:
    CreateCommand queued(std::uint32_t hexId) {
        CreateCommand c;
        c.hexId = hexId;
        return c;
    }
};

TEST_F(StandConflictsTest, StaticTwinIsPromotedOrMakesWay) {
    struct Case {
        const char* name;
        bool allowPromotion;
        std::uint32_t objectId;
        std::uint8_t removePending;
        std::string staticReg;
        bool promoted;
    };
    const Case cases[] = {
        {"same registration, promotion allowed", true, 3, 0, "D-AIAB", true},
        {"promotion not allowed (jetway wait)", false, 3, 0, "D-AIAB", false},
        {"object id below 3", true, 2, 0, "D-AIAB", false},
        {"removal pending", true, 3, 1, "D-AIAB", false},
        {"other registration", true, 3, 0, "D-AIAC", false},
    };
    for (const Case& c : cases) {
        LogCapture log;
        state.live.clear();
        state.statics.clear();
        state.parkStands.clear();
        addStand("A1", 0.0);
        LiveAircraft& live = addGroundLive(7001, "DLH1");
        live.info.head.registration = "D-AIAB";
        StaticAircraft& twin = addStatic(5, 1, SimState::active, c.objectId, "S5", c.staticReg);
        twin.removePending = c.removePending;
        const std::optional<std::uint32_t> result = stand.lf_makeWayForLive(state, live, 1, c.allowPromotion);
        EXPECT_EQ(result.has_value(), c.promoted) << c.name;
        if (c.promoted) {
            EXPECT_EQ(*result, 5U) << c.name;
        }
        EXPECT_EQ(state.statics[0].simState == SimState::removingfromsim, !c.promoted) << c.name;
        if (!c.promoted) {
            const std::string same = c.staticReg == "D-AIAB" ? " the same live version" : "";
            EXPECT_TRUE(anyLineHas(log.lines(), "A1            : S5       " + c.staticReg + " makes way for" + same +
                                                    " DLH1 D-AIAB"))
                << c.name;
        }
    }
}

TEST_F(StandConflictsTest, QueuedStaticIsCancelledAndErased) {
    LogCapture log;
    addStand("A1", 0.0);
    addStand("A2", 100.0);
    LiveAircraft& live = addGroundLive(7001, "DLH1");
    addStatic(4, 2, SimState::active);
    addStatic(5, 1, SimState::adding2sim, 0, "S5", "D-X");
    addStatic(6, 2, SimState::active);
    state.staticCreationQueue.push_back(queued(5));
    EXPECT_FALSE(stand.lf_makeWayForLive(state, live, 1, true));
    ASSERT_EQ(state.statics.size(), 2U);
    EXPECT_EQ(state.statics[0].info.hexId, 4U);
    EXPECT_EQ(state.statics[1].info.hexId, 6U) << "the order of the others is kept";
    EXPECT_EQ(steps.count("lf_dropSimCommands 5 0"), 1);
    EXPECT_TRUE(anyLineHas(log.lines(), "queued A1      : S5       D-X makes way for DLH1"));

    // A creation already with the simulator is removed once it is there.
    addStatic(7, 1, SimState::adding2sim);
    stand.lf_makeWayForLive(state, live, 1, true);
    EXPECT_EQ(state.statics[2].removePending, 1);
}

TEST_F(StandConflictsTest, StaticOnAnExcludedStandMakesWayOnlyWhenTooClose) {
    LogCapture log;
    addStand("A1", 0.0, 30.0, ParkingType::gate_heavy, {2, 3});
    addStand("A2", 30.0);
    addStand("A3", -31.0);
    LiveAircraft& live = addGroundLive(7001, "DLH1");
    live.info.conflictHalfSpanNm = 15.0 / 1852.0;
    addStatic(5, 2).info.conflictHalfSpanNm = 15.5 / 1852.0; // 30 m <= 30.5 m
    addStatic(6, 3).info.conflictHalfSpanNm = 15.5 / 1852.0; // 31 m > 30.5 m: stays
    stand.lf_makeWayForLive(state, live, 1, true);
    EXPECT_EQ(state.statics[0].simState, SimState::removingfromsim);
    EXPECT_EQ(state.statics[1].simState, SimState::active);
    EXPECT_TRUE(anyLineHas(log.lines(), "A2            : ST5      makes way for DLH1 parking at excluded stand A1"));
}

TEST_F(StandConflictsTest, TaxiingAircraftCrossingAStatic) {
    LogCapture log;
    addStand("A1", 0.0);
    struct Case {
        const char* name;
        double headingDeg;
        bool removed;
    };
    const Case cases[] = {
        {"46 deg off the stand heading", 46.0, false},
        {"across at 90 deg", 90.0, false},
        {"30 deg off, not going in", 30.0, true},
    };
    for (const Case& c : cases) {
        state.live.clear();
        state.statics.clear();
        motion.withinRadii = true;
        LiveAircraft& live = addGroundLive(7001, "DLH1", 0.0, -10.0);
        live.info.head.route.origin.key = 1;
        live.pose.headingRad = c.headingDeg * test_support::kPi / 180.0;
        addStatic(5, 1);
        stand.collisionWithParked(state, live);
        EXPECT_EQ(state.statics[0].simState == SimState::removingfromsim, c.removed) << c.name;
        EXPECT_EQ(live.standWork.collisionChecked, 1) << c.name;
    }
    EXPECT_TRUE(anyLineHas(log.lines(), "A1            : ST5      removed for 'live vs parked' collision avoidance with "
                                        "DLH1, delta hdg:30, jetway:no, no wait: stand has no jetway"));
}

TEST_F(StandConflictsTest, AircraftGoingInTakesTheStandOfTheStatic) {
    addStand("A1", 0.0);
    motion.withinRadii = true;
    motion.approach = {10.0, 0.0, -10.0, 0.0, 0, 0, 0, 0, 0, 0};
    LiveAircraft& live = addGroundLive(7001, "DLH1", 0.0, -10.0);
    addStatic(5, 1, SimState::active, 7);
    stand.collisionWithParked(state, live);
    EXPECT_EQ(live.situation, FlightSituation::parking);
    EXPECT_EQ(live.standId, 1U);
    EXPECT_EQ(state.statics[0].simState, SimState::removingfromsim) << "the static made way for the claim";
}

TEST_F(StandConflictsTest, JetwayWaitEndsWithTheStaticMakingWay) {
    LogCapture log;
    addStand("A1", 0.0);
    LiveAircraft& live = addGroundLive(7001, "DLH1");
    // A queued static first on the stand: making way cancels and erases it, which moves the
    // waited-for static within the table.
    addStatic(4, 1, SimState::adding2sim, 0, "QUEUED");
    state.staticCreationQueue.push_back(queued(4));
    StaticAircraft& waited = addStatic(5, 1, SimState::active, 9, "WAITED");
    live.standWork.jetwayWait = {1, 1, 9, 5, 300};

    state.tickCount = 299;
    stand.lf_finishJetwayWaitRemoval(state, live);
    EXPECT_EQ(live.standWork.jetwayWait.pending, 1) << "not due";
    EXPECT_EQ(waited.simState, SimState::active);

    state.tickCount = 300;
    stand.lf_finishJetwayWaitRemoval(state, live);
    EXPECT_EQ(live.standWork.jetwayWait.pending, 0);
    ASSERT_EQ(state.statics.size(), 1U);
    EXPECT_EQ(state.statics[0].info.hexId, 5U);
    EXPECT_TRUE(anyLineHas(log.lines(), "A1            : DLH1     removed for 'live vs parked' collision avoidance with "
                                        "WAITED after jetway wait"));

    // A live aircraft that is no longer active turns the static's beacon off at once.
    live.simState = SimState::removingfromsim;
    live.standWork.jetwayWait = {1, 1, 9, 5, 900};
    stand.lf_finishJetwayWaitRemoval(state, live);
    EXPECT_EQ(link.beaconLights, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{9, 0}}));
    EXPECT_EQ(live.standWork.jetwayWait.pending, 0);
}

TEST_F(StandConflictsTest, JetwayCandidateIsLoggedOncePerStand) {
    LogCapture log;
    addStand("A1", 20.0).jetway = true;
    LiveAircraft& live = addGroundLive(7001, "DLH1", 0.0, -20.0);
    StreamSample last = live.samples.front();
    last.latitude = state.parkStands[0].latitude;
    last.longitude = state.parkStands[0].longitude;
    live.samples.push_back(last);
    addStatic(5, 1);
    stand.collisionWithParked(state, live);
    stand.collisionWithParked(state, live);
    int lines = 0;
    for (const std::string& line : log.lines()) {
        lines += line.find("jetway RT endpoint candidate") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(lines, 1);
}

} // namespace
} // namespace kiv
