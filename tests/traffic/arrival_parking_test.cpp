#include <gtest/gtest.h>

#include "stand_fixture.h"

namespace kiv {
namespace {

using test_support::LogCapture;
using test_support::StandFixture;

class ArrivalParkingTest : public ::testing::Test, public StandFixture {
protected:
    ArrivalParkingTest() {
        // An approach that allows a claim: 18 m in front of the stand, lined up.
        motion.approach = {18.0, 0.0, -18.0, 0.0, 0, 1, 0, 0, 0, 0};
    }
};

TEST_F(ArrivalParkingTest, CallsignsDecideWhoYieldsTheStand) {
    struct Case {
        const char* name;
        std::string newcomer;
        std::string holder;
        bool holderChecked; // the holder's at-stand check ran
        bool holderRemoved;
        const char* line; // "" for none
    };
    const Case cases[] = {
        {"underscore holder is a ghost", "ABC123", "ABC123_", true, true, "ABC123_  ghost, replace by ABC123"},
        {"newcomer is the ghost of the holder", "ABC123_", "ABC123", false, false, ""},
        {"holder's callsign is the newcomer's without its last character", "ABC123", "ABC12", false, false, ""},
        {"newcomer's callsign is the holder's without its last character", "ABC12", "ABC123", true, true,
         "ABC123   ghost, replace by ABC12"},
        {"same callsign", "DLH1", "DLH1", true, true, "DLH1     ac with same callsign DLH1 wants it"},
        {"other underscore holder", "DLH1", "BAW2_", true, true, "BAW2_    ghost, replace by DLH1"},
        {"underscore newcomer", "BAW2_", "DLH1", false, false, ""},
        {"empty callsigns, holder not checked", "", "", false, true, "removed because another live  wants the stand"},
        {"empty callsigns, holder checked", "", "", true, false, ""},
        {"unrelated, holder checked", "DLH1", "BAW2", true, false, ""},
    };
    for (const Case& c : cases) {
        LogCapture log;
        state.live.clear();
        state.parkStands.clear();
        addStand("A1", 0.0);
        LiveAircraft& holder = addGroundLive(7001, c.holder.empty() ? "X" : c.holder);
        holder.info.head.callsign = c.holder;
        parkOn(holder, 1);
        holder.atStandChecked = c.holderChecked ? 1 : 0;
        LiveAircraft& newcomer = addGroundLive(7002, c.newcomer.empty() ? "X" : c.newcomer);
        newcomer.info.head.callsign = c.newcomer;
        EXPECT_FALSE(stand.lf_checkStandIsNotUsedByOtherLiveAircraftSub(state, 1, state.live[1]))
            << c.name << ": a holder being removed still holds the stand";
        EXPECT_EQ(state.live[0].simState == SimState::removingfromsim, c.holderRemoved) << c.name;
        if (*c.line != '\0') {
            EXPECT_TRUE(anyLineHas(log.lines(), c.line)) << c.name;
        }
        if (c.holderRemoved) {
            state.live.erase(state.live.begin()); // the simulator confirmed the removal
            EXPECT_TRUE(stand.lf_checkStandIsNotUsedByOtherLiveAircraftSub(state, 1, state.live[0])) << c.name;
        }
    }
}

TEST_F(ArrivalParkingTest, StandUseByOtherLiveAircraft) {
    addStand("A1", 0.0);
    LiveAircraft& other = addGroundLive(7001, "DLH1", 0, 0, FlightSituation::parking);
    other.standId = 1;
    EXPECT_EQ(stand.gf_standUseByOtherLive(state, 1, 7002), 1U);
    EXPECT_EQ(stand.gf_standUseByOtherLive(state, 1, 7001), 0U) << "its own claim";
    EXPECT_EQ(stand.gf_standUseByOtherLive(state, 0, 7002), 0U);
    state.live[0].situation = FlightSituation::parked;
    EXPECT_EQ(stand.gf_standUseByOtherLive(state, 1, 7002), 2U);
    state.live[0].objectId = 2;
    EXPECT_EQ(stand.gf_standUseByOtherLive(state, 1, 7002), 1U) << "no real object yet";
    state.live[0].situation = FlightSituation::taxi;
    EXPECT_EQ(stand.gf_standUseByOtherLive(state, 1, 7002), 0U) << "taxiing away";
    EXPECT_FALSE(stand.lf_standFreeForLive(state, 2, 7002)) << "no such stand";
    EXPECT_FALSE(stand.lf_standFreeForLive(state, 1, 0));
    EXPECT_TRUE(stand.lf_standFreeForLive(state, 1, 7002));
    state.live[0].situation = FlightSituation::pushed_back;
    EXPECT_TRUE(stand.gf_standClaimedByLive(state, 1, 7001));
    EXPECT_FALSE(stand.gf_standClaimedByLive(state, 1, 7002));
}

TEST_F(ArrivalParkingTest, ParkedActiveHolderIsRemovedWhileTheFirstTryFails) {
    LogCapture log;
    addStand("A1", 0.0);
    LiveAircraft& holder = addGroundLive(7001, "DLH1");
    parkOn(holder, 1);
    LiveAircraft& newcomer = addGroundLive(7002, "BAW2", 0.0, -18.0);
    EXPECT_FALSE(stand.lf_claimStandForLive(state, newcomer, 1, false));
    EXPECT_EQ(state.live[0].simState, SimState::removingfromsim);
    EXPECT_TRUE(anyLineHas(log.lines(), "A1            : DLH1     removed, BAW2 wants to park there"));
    EXPECT_FALSE(stand.lf_claimStandForLive(state, state.live[1], 1, false)) << "it still stands there";
    state.live.erase(state.live.begin());
    EXPECT_TRUE(stand.lf_claimStandForLive(state, state.live[0], 1, false));
    EXPECT_EQ(state.live[0].situation, FlightSituation::parking);
    EXPECT_EQ(state.live[0].standId, 1U);
}

TEST_F(ArrivalParkingTest, NeighbourOnAnExcludedStand) {
    LogCapture log;
    addStand("A1", 0.0, 30.0, ParkingType::gate_heavy, {2});
    addStand("A2", 30.0);
    struct Case {
        const char* name;
        FlightSituation situation;
        SimState simState;
        double halfSpanM; // each aircraft
        bool removed;
    };
    const Case cases[] = {
        {"pushed back neighbour blocks", FlightSituation::pushed_back, SimState::active, 20.0, false},
        {"parked neighbour within reach is removed", FlightSituation::parked, SimState::active, 20.0, true},
        {"neighbour still being created blocks", FlightSituation::parked, SimState::adding2sim, 20.0, false},
    };
    for (const Case& c : cases) {
        state.live.clear();
        LiveAircraft& neighbour = addGroundLive(7001, "DLH1");
        parkOn(neighbour, 2);
        neighbour.situation = c.situation;
        neighbour.simState = c.simState;
        neighbour.info.conflictHalfSpanNm = c.halfSpanM / 1852.0;
        LiveAircraft& newcomer = addGroundLive(7002, "BAW2", 0.0, -18.0);
        newcomer.info.conflictHalfSpanNm = c.halfSpanM / 1852.0;
        EXPECT_FALSE(stand.lf_claimStandForLive(state, newcomer, 1, false)) << c.name;
        EXPECT_EQ(state.live[0].simState == SimState::removingfromsim, c.removed) << c.name;
    }
    EXPECT_TRUE(anyLineHas(log.lines(), "A2            : DLH1     removed by parking BAW2 at colliding adjacent stand A1"));

    // Centres 30 m apart and 14 m + 14 m of half span: no conflict.
    state.live.clear();
    LiveAircraft& far = addGroundLive(7001, "DLH1");
    parkOn(far, 2);
    far.info.conflictHalfSpanNm = 14.0 / 1852.0;
    LiveAircraft& newcomer = addGroundLive(7002, "BAW2", 0.0, -18.0);
    newcomer.info.conflictHalfSpanNm = 14.0 / 1852.0;
    EXPECT_TRUE(stand.lf_claimStandForLive(state, newcomer, 1, false));
}

TEST_F(ArrivalParkingTest, ClaimRefusesAnUnsuitableApproachOrStand) {
    addStand("A1", 0.0);
    struct Case {
        const char* name;
        StandApproachState approach;
        bool claimed;
    };
    const Case cases[] = {
        {"lined up 18 m out", {18.0, 0.0, -18.0, 0.0, 0, 1, 0, 0, 0, 0}, true},
        {"40 m out", {40.0, 0.0, -40.0, 0.0, 0, 1, 0, 0, 0, 0}, true},
        {"41 m out", {41.0, 0.0, -41.0, 0.0, 0, 1, 0, 0, 0, 0}, false},
        {"10 m to the side", {15.0, 0.0, -11.0, 10.0, 0, 1, 0, 0, 0, 0}, true},
        {"11 m to the side", {15.0, 0.0, -10.0, 11.0, 0, 1, 0, 0, 0, 0}, false},
        {"46 deg off", {15.0, 46.0, -15.0, 0.0, 0, 1, 1, 0, 0, 0}, false},
        {"past the stand within 5 m", {5.0, 0.0, 4.0, 0.0, 1, 0, 0, 0, 0, 0}, true},
        {"past the stand beyond 5 m", {6.0, 0.0, 4.0, 0.0, 1, 0, 0, 0, 0, 0}, false},
        {"no distance", {std::nan(""), 0.0, 0.0, 0.0, 0, 0, 0, 0, 0, 0}, false},
    };
    for (const Case& c : cases) {
        state.live.clear();
        motion.approach = c.approach;
        LiveAircraft& a = addGroundLive(7002, "BAW2", 0.0, -18.0);
        EXPECT_EQ(stand.lf_claimStandForLive(state, a, 1, false), c.claimed) << c.name;
    }
    motion.approach = cases[0].approach;
    state.live.clear();
    LiveAircraft& a = addGroundLive(7002, "BAW2", 0.0, -18.0);
    state.parkStands[0].heli = true;
    EXPECT_FALSE(stand.lf_claimStandForLive(state, a, 1, false)) << "heli stand";
    state.parkStands[0].heli = false;
    state.parkStands[0].blocked = true;
    EXPECT_FALSE(stand.lf_claimStandForLive(state, a, 1, false)) << "blocked";
    state.parkStands[0].blocked = false;
    airports.userStand = "A1";
    EXPECT_FALSE(stand.lf_claimStandForLive(state, a, 1, false)) << "reserved for the user";
    airports.userStand.reset();
    EXPECT_FALSE(stand.lf_claimStandForLive(state, a, 2, false)) << "no such stand";
}

TEST_F(ArrivalParkingTest, TakingTheStandCutsTheStreamAndDrivesIn) {
    addStand("A1", 0.0);
    LiveAircraft& a = addGroundLive(7002, "BAW2", 0.0, -18.0);
    a.afterLanding = 1;
    StreamSample onStand = a.samples.front();
    onStand.latitude = state.parkStands[0].latitude;
    onStand.longitude = state.parkStands[0].longitude;
    a.samples.front() = onStand;
    a.samples.push_back(onStand);
    a.samples.push_back(onStand);
    state.tickCount = 4000;
    motion.entry = {18.0, true, ""};
    stand.try2Park(state, a);
    EXPECT_EQ(a.situation, FlightSituation::parking);
    EXPECT_EQ(a.previousSituation, FlightSituation::taxi);
    EXPECT_EQ(a.standId, 1U);
    ASSERT_EQ(a.samples.size(), 1U);
    EXPECT_EQ(a.samples.front().latitude, a.pose.latitude) << "the front sample lay on the stand";
    EXPECT_EQ(a.samples.front().deliveryTick, 4000);
    EXPECT_EQ(motion.drives, (std::vector<std::uint32_t>{7002}));
}

TEST_F(ArrivalParkingTest, OnlyArrivalsTryToPark) {
    addStand("A1", 0.0);
    motion.entry = {18.0, true, ""};
    LiveAircraft& departing = addGroundLive(7002, "BAW2", 0.0, -15.0);
    departing.info.head.route.origin.key = 5;
    stand.try2Park(state, departing);
    EXPECT_EQ(departing.situation, FlightSituation::taxi) << "a route and no landing";
    departing.previousSituation = FlightSituation::landing_roll;
    motion.entry = {0.0, false, "outside stand overlap"};
    stand.try2Park(state, departing);
    EXPECT_EQ(departing.situation, FlightSituation::taxi) << "entry refused and no approach";
    motion.canApproach = true;
    stand.try2Park(state, departing);
    EXPECT_EQ(departing.situation, FlightSituation::parking);
}

} // namespace
} // namespace kiv
