#include "traffic/static_placement.h"

#include <gtest/gtest.h>

#include "parking_test_support.h"
#include "test_support/log_capture.h"

namespace kiv {
namespace {

using test_support::daySlot;
using test_support::makeOption;

class StaticPlacementTest : public ::testing::Test, public test_support::ParkingFixture {
protected:
    StaticPlacementTest() {
        models.liveryTitles[1] = "A320 Lufthansa";
        gf_updateSettings([](SettingsSnapshot& s) {
            s.random = false;
            s.autoPark = true;
            s.rtParkTrafficOnly = false;
        });
    }
    StaticCandidate candidate(std::int32_t standId, std::string cs1 = "DLH1", std::string cs2 = "") {
        StaticCandidate c;
        c.source = 1;
        c.standId = standId;
        c.key.airlineId = 5;
        c.key.modelId = 1;
        c.callsign1 = std::move(cs1);
        c.callsign2 = std::move(cs2);
        c.registration = "D-AAAA";
        c.staysNextSlot = 1;
        return c;
    }
    void place(StaticCandidate c) {
        state.pendingParkedAdds.push_back(std::move(c));
        lf_placeStaticAircraft(state);
    }
    ParkingData data;
};

TEST_F(StaticPlacementTest, CallsignShownByAStaticAircraft) {
    struct Case {
        std::uint8_t stays;
        const char* cs1;
        const char* cs2;
        const char* shown;
    };
    const Case cases[] = {
        {0, "DLH1", "DLH2__", "DLH2"}, {0, "DLH1_", "", "DLH1"}, {1, "DLH1__", "DLH2", "DLH1"},
    };
    for (const Case& c : cases) {
        StaticCandidate candidate;
        candidate.staysNextSlot = c.stays;
        candidate.callsign1 = c.cs1;
        candidate.callsign2 = c.cs2;
        EXPECT_EQ(lf_determineStaticCallsign(candidate), c.shown) << c.cs1 << " " << c.cs2;
    }
}

TEST_F(StaticPlacementTest, ACandidateIsCreatedOnItsStandParkedOffsetSlotsAgo) {
    setStands(2);
    state.parkStands[1].heading = 1.0;
    airports.parkAltitude = 364.0;
    setNow(1, 2);
    StaticCandidate c = candidate(2);
    c.offset = 5;
    c.hexId = 0x3C0000;
    c.source = 0;
    place(c);
    ASSERT_EQ(state.statics.size(), 1u);
    const StaticAircraft& aircraft = state.statics[0];
    EXPECT_EQ(aircraft.simState, SimState::adding2sim);
    EXPECT_EQ(aircraft.standId, 2u);
    EXPECT_EQ(aircraft.source, 0u);
    EXPECT_EQ(aircraft.serviceHexId, 0x3C0000u);
    EXPECT_EQ(aircraft.parkedSlot.weekday(), 7); // Monday slot 2 less 5: Sunday slot 45
    EXPECT_EQ(aircraft.parkedSlot.slot(), 45);
    EXPECT_EQ(aircraft.info.head.callsign, "DLH1");
    EXPECT_EQ(aircraft.info.head.prevCallsign, "DLH1");
    ASSERT_EQ(state.staticCreationQueue.size(), 1u);
    const CreateCommand& command = state.staticCreationQueue.front();
    EXPECT_EQ(command.altitudeFt, 364.0); // on the park airport's ground
    EXPECT_NEAR(command.headingDeg, 57.29577951308232, 1e-9);
    EXPECT_EQ(command.onGround, 1u);
    EXPECT_EQ(command.title, "A320 Lufthansa");
    EXPECT_EQ(command.tailNumber, "DLH1");
    EXPECT_EQ(command.hexId, aircraft.info.hexId);
    EXPECT_EQ(command.latitude, state.parkStands[1].latitude);
}

TEST_F(StaticPlacementTest, WithoutACallsignTheAirlineCodeAndTheSerialAreShown) {
    setStands(2);
    state.staticSerial = 16;
    place(candidate(1, "", "DLH2"));
    ASSERT_EQ(state.statics.size(), 1u);
    EXPECT_EQ(state.statics[0].info.head.callsign, "DLH17");
    EXPECT_EQ(state.statics[0].info.hexId, 17u);
    StaticCandidate noCode = candidate(2, "");
    noCode.key.airlineId = 0;
    place(noCode);
    EXPECT_EQ(state.statics[1].info.head.callsign, "18");
}

TEST_F(StaticPlacementTest, TheSerialSkipsZeroAndSerialsStillInUse) {
    setStands(1);
    state.staticSerial = 9998;
    EXPECT_EQ(gf_nextStaticSerial(state), 9999u);
    addStatic(1, 1);
    addStatic(2, 1);
    EXPECT_EQ(gf_nextStaticSerial(state), 3u);
    EXPECT_EQ(state.staticSerial, 3u);
}

TEST_F(StaticPlacementTest, ACandidateWaitsForANeighbourBeingRemovedButYieldsToAnActiveOne) {
    test_support::LogCapture log;
    setStands(2);
    state.parkStands[0].overlaps = {2};
    addStatic(1, 1, SimState::removingfromsim);
    place(candidate(2));
    EXPECT_EQ(state.deferredParkedAdds.size(), 1u);
    EXPECT_EQ(state.statics.size(), 1u);
    state.statics[0].simState = SimState::active;
    state.statics[0].info.head.callsign = "BAW5";
    place(candidate(2));
    EXPECT_EQ(state.deferredParkedAdds.size(), 1u);
    EXPECT_EQ(state.statics.size(), 1u);
    EXPECT_EQ(log.lines().back(),
              "A2            : no static parking for DLH1, static aircraft BAW5 is adjacent at A1, possibly colliding");
    state.parkStands[0].overlaps.clear();
    state.statics[0].standId = 2;
    place(candidate(2));
    EXPECT_EQ(log.lines().back(), "A2            : no static parking for DLH1, static aircraft BAW5 standing here");
}

TEST_F(StaticPlacementTest, LiveAircraftAtTheStandOrTheLimitKeepTheCandidateOut) {
    test_support::LogCapture log;
    setStands(2);
    LiveAircraft& live = addLive(20000, SimState::active, 50, "EZY3");
    live.situation = FlightSituation::parking;
    live.standId = 2;
    place(candidate(2));
    EXPECT_EQ(log.lines().back(), "A2            : no static parking for DLH1, live aircraft EZY3 standing here");
    live.situation = FlightSituation::taxi;
    steps.standUse = 1;
    place(candidate(2));
    EXPECT_EQ(log.lines().back(), "A2            : no static parking for DLH1, live aircraft occupies the stand");
    steps.standUse = 0;
    place(candidate(7));
    EXPECT_EQ(log.lines().back(), "stand with id 7 not found");
    EXPECT_TRUE(state.statics.empty());
    // At the limit: dropped, unless a removal is under way (then it waits).
    state.maxParkCount = 1;
    addStatic(1, 1);
    steps.parkedCount = 1;
    place(candidate(2));
    EXPECT_TRUE(state.deferredParkedAdds.empty());
    state.statics[0].removePending = 1;
    place(candidate(2));
    EXPECT_EQ(state.deferredParkedAdds.size(), 1u);
    EXPECT_EQ(state.statics.size(), 1u);
}

TEST_F(StaticPlacementTest, TheParkLimitCountsWhatTheStandStepsCountAsParked) {
    setStands(2);
    state.maxParkCount = 2;
    struct Case {
        std::uint64_t parked; // the stand steps' count
        std::size_t statics;  // static aircraft after the placement
    };
    const Case cases[] = {{2, 0}, {3, 0}, {1, 1}};
    for (const Case& c : cases) {
        state.statics.clear();
        steps.parkedCount = c.parked;
        place(candidate(2));
        EXPECT_EQ(state.statics.size(), c.statics) << c.parked;
    }
}

TEST_F(StaticPlacementTest, WithoutParkingSelectedNoPositionsAreFound) {
    test_support::LogCapture log;
    setStands(10);
    gf_updateSettings([](SettingsSnapshot& s) {
        s.rtParkTrafficOnly = true;
        s.maxParkSel = 0;
    });
    lf_autoPark(state, data);
    EXPECT_EQ(feeds.parkedNeeded, -1); // no parked-traffic request
    EXPECT_EQ(shell.count("MaxPark 0,0"), 1);
    EXPECT_EQ(shell.count("gf_enableParkingControls"), 1);
    const std::vector<std::string> lines = log.lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "no parking positions found"), lines.end());
}

TEST_F(StaticPlacementTest, ServiceParkedOnlyAsksForTheSelectionAndPlacesTheRecords) {
    setStands(10);
    gf_updateSettings([](SettingsSnapshot& s) {
        s.rtParkTrafficOnly = true;
        s.maxParkSel = 3;
        s.maxFit = 4;
    });
    for (std::uint32_t i = 0; i < 5; ++i) {
        ParkedRecord record;
        record.hexId = 0x100 + i;
        record.head.callsign = "DLH" + std::to_string(i);
        record.head.liveryKey = {5, 0, 1, 0, 0};
        record.stand = "STND A" + std::to_string(i + 1);
        record.latitude = state.parkStands[i].latitude;
        record.longitude = state.parkStands[i].longitude;
        record.ageHalfHours = static_cast<std::int32_t>(i);
        feeds.parked.push_back(record);
    }
    feeds.placeParked = true;
    lf_autoPark(state, data);
    EXPECT_EQ(shell.count("MaxPark 3,30"), 1);
    EXPECT_EQ(feeds.parkedNeeded, 3);
    ASSERT_EQ(state.pendingParkedAdds.size(), 3u);
    EXPECT_EQ(state.pendingParkedAdds.back().standId, 1); // the youngest record is placed first
    EXPECT_EQ(state.pendingParkedAdds.front().offset, 2);
}

TEST_F(StaticPlacementTest, AutoParkFillsFromLearnedUsesAndKeepsTheUserStandsFree) {
    test_support::LogCapture log;
    setStands(10);
    setNow(3, 20);
    for (std::size_t i = 0; i < 10; ++i) {
        FlightOption option = makeOption("D-A" + std::to_string(i), 3, {20});
        option.cs = "DLH" + std::to_string(i);
        option.key.modelId = 1;
        state.parkStands[i].options = {option};
    }
    airports.userStand = "A1";
    gf_updateSettings([](SettingsSnapshot& s) {
        s.parkingPercentage = 30;
        s.maxParkSel = 500;
    });
    lf_autoPark(state, data);
    EXPECT_EQ(state.pendingParkedAdds.size(), 3u);
    EXPECT_TRUE(state.parkStands[0].blocked);
    EXPECT_FALSE(state.parkStands[0].filled);
    const std::vector<std::string> lines = log.lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "3 positions (30% vs wanted 30%) auto park"), lines.end());
    EXPECT_TRUE(state.parkingPlanInForce);
}

TEST_F(StaticPlacementTest, UserGroundSweepRemovesALiveAircraftFirstThenAStatic) {
    setStands(1);
    state.user.latitude = 50.0;
    state.user.longitude = 8.5;
    LiveAircraft& live = addLive(20000, SimState::active, 50);
    live.onGround = 1;
    StaticAircraft& parked = addStatic(1, 1);
    parked.standLat = 50.0;
    parked.standLon = 8.5;
    motion.withinRadii = true;
    gf_checkUserAcGndCollisions(state);
    EXPECT_EQ(state.live[0].simState, SimState::removingfromsim);
    EXPECT_EQ(state.statics[0].simState, SimState::active);
    gf_checkUserAcGndCollisions(state);
    EXPECT_EQ(state.statics[0].simState, SimState::removingfromsim);
    // Out of reach: one degree of latitude north.
    addStatic(2, 1).standLat = 51.0;
    gf_checkUserAcGndCollisions(state);
    EXPECT_EQ(state.statics[1].simState, SimState::active);
}

TEST_F(StaticPlacementTest, UserAirSweepEndsAtTheFirstRemoval) {
    state.user.altitudeAboveGroundFt = 3000.0;
    addLive(20000, SimState::active, 50);
    addLive(20001, SimState::active, 51);
    motion.result = 1;
    lf_checkUserAirCollisions(state);
    EXPECT_EQ(state.live[0].simState, SimState::removingfromsim);
    EXPECT_EQ(state.live[1].simState, SimState::active);
    EXPECT_EQ(motion.inputs.size(), 1u);
}

} // namespace
} // namespace kiv
