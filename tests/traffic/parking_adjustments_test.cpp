#include "traffic/parking_adjustments.h"

#include <gtest/gtest.h>

#include "parking_test_support.h"
#include "test_support/log_capture.h"
#include "test_support/pinned_clock.h"

namespace kiv {
namespace {

using test_support::daySlot;
using test_support::makeOption;

constexpr std::int64_t kNowSeconds = 1'800'000'000;
constexpr std::int64_t k100nsPerMinute = 600'000'000;

class ParkingAdjustmentsTest : public ::testing::Test, public test_support::ParkingFixture {
protected:
    ParkingAdjustmentsTest() : clock_(kNowSeconds) {
        gf_updateSettings([](SettingsSnapshot& s) {
            s.random = false;
            s.autoPark = true;
            s.rtParkTrafficOnly = false;
        });
    }
    LiveAircraft& parkedLive(std::uint32_t hexId, std::int64_t minutesAgo, SizeClass sizeClass = SizeClass::Large) {
        LiveAircraft& a = addLive(hexId, SimState::active, hexId + 1);
        a.situation = FlightSituation::parked;
        a.parkedSinceTime = kNowSeconds * 10'000'000 - minutesAgo * k100nsPerMinute;
        a.info.sizeClass = sizeClass;
        return a;
    }
    ParkingData data;

private:
    test_support::PinnedClock clock_;
};

TEST_F(ParkingAdjustmentsTest, LiveStayersLeaveAfterTheirClassLimit) {
    parkedLive(20001, 180, SizeClass::Heavy);
    parkedLive(20002, 181, SizeClass::Heavy);
    parkedLive(20003, 90);
    parkedLive(20004, 91);
    parkedLive(20005, 500).atStandChecked = 1;
    parkedLive(20006, 5).jetwayRemovalToken = 7;
    lf_collectLiveStayers(state);
    ASSERT_EQ(state.liveStayers.size(), 3u);
    EXPECT_EQ(state.liveStayers[0].callsign, "CS20005"); // checked at its stand: 0 minutes
    EXPECT_EQ(state.liveStayers[0].minutesParked, 0);
    EXPECT_EQ(state.liveStayers[1].minutesParked, 90);
    EXPECT_EQ(state.liveStayers[2].minutesParked, 180);
    EXPECT_EQ(state.live[1].simState, SimState::removingfromsim);
    EXPECT_EQ(state.live[3].simState, SimState::removingfromsim);
    EXPECT_EQ(state.live[5].simState, SimState::active);
}

TEST_F(ParkingAdjustmentsTest, MoreLiveStayersThanTheLimitRemovesTheEarliestParked) {
    setStands(10);
    gf_updateSettings([](SettingsSnapshot& s) {
        s.parkingPercentage = 30;
        s.maxParkSel = 500;
    });
    for (std::uint32_t i = 0; i < 5; ++i) {
        parkedLive(20000 + i, 10 + i).standId = i + 1; // 20004 parked earliest
    }
    lf_applyParkingAdjustments(state, data, false);
    EXPECT_EQ(shell.messages.front(), "Parking adjustments: 2 more live ac than wanted");
    EXPECT_EQ(state.live[4].simState, SimState::removingfromsim);
    EXPECT_EQ(state.live[3].simState, SimState::removingfromsim);
    EXPECT_EQ(state.live[2].simState, SimState::active);
    EXPECT_EQ(state.liveStayers.size(), 3u);
    EXPECT_EQ(feeds.parkedNeeded, 3);
}

TEST_F(ParkingAdjustmentsTest, TheOldestStaticIsTheOneParkedBeforeTheWeekTurned) {
    setNow(1, 2);
    addStatic(1, 0).parkedSlot = daySlot(1, 0); // age 2
    addStatic(2, 0).parkedSlot = daySlot(7, 47); // age 3
    lf_removeNOldestStaticParked(state, 1);
    EXPECT_EQ(state.statics[0].simState, SimState::active);
    EXPECT_EQ(state.statics[1].simState, SimState::removingfromsim);
}

TEST_F(ParkingAdjustmentsTest, RemovalsAndAddsOfTheSameAircraftCancelOut) {
    state.staticRemovals = {{"DLH1", 1}, {"BAW2", 2}, {"AFR3", 3}};
    StaticCandidate same;
    same.standId = 1;
    same.callsign1 = "DLH1";
    StaticCandidate other = same;
    other.standId = 3;
    other.callsign1 = "KLM4";
    state.pendingParkedAdds = {same, other};
    lf_cancelOutRemovalsAndAdds(state);
    ASSERT_EQ(state.staticRemovals.size(), 2u);
    EXPECT_EQ(state.staticRemovals[0].callsign, "AFR3"); // its stand gets an add: removed first
    EXPECT_EQ(state.staticRemovals[1].callsign, "BAW2");
    ASSERT_EQ(state.pendingParkedAdds.size(), 1u);
    EXPECT_EQ(state.pendingParkedAdds[0].callsign1, "KLM4");
}

TEST_F(ParkingAdjustmentsTest, AStaticSwitchesToItsDepartureCallsignWhenItsFlightEnds) {
    setStands(1);
    FlightOption arrival = makeOption("D-AAAA", 3, {40, 47});
    arrival.cs = "DLH100";
    arrival.key = {5, 0, 1, 0, 0};
    FlightOption nextDay = makeOption("D-AAAA", 4, {0}, 2);
    nextDay.key = {5, 0, 1, 0, 0};
    state.parkStands[0].options = {arrival, nextDay};
    StaticAircraft& aircraft = addStatic(1, 1, SimState::active, "DLH100");
    aircraft.source = 1;
    aircraft.stayMark = 1;
    aircraft.info.head.prevCallsign = "DLH100";
    aircraft.info.head.thirdText = "DLH101";
    aircraft.info.head.liveryKey = {5, 0, 1, 0, 1};
    lf_switchStaticCallsigns(state, daySlot(3, 47));
    EXPECT_EQ(aircraft.info.head.callsign, "DLH100"); // slot 0 of day 4 goes on
    state.parkStands[0].options[1].hh.reset(0);
    lf_switchStaticCallsigns(state, daySlot(3, 46));
    EXPECT_EQ(aircraft.info.head.callsign, "DLH100"); // slot 47 of the same day goes on
    lf_switchStaticCallsigns(state, daySlot(3, 47));
    EXPECT_EQ(aircraft.info.head.callsign, "DLH101");
}

TEST_F(ParkingAdjustmentsTest, AdjustmentsRemoveWhatNoLongerFitsAndQueueTheRest) {
    test_support::LogCapture log;
    setStands(10);
    setNow(2, 20);
    gf_updateSettings([](SettingsSnapshot& s) {
        s.parkingPercentage = 20;
        s.maxParkSel = 500;
    });
    for (std::size_t i = 0; i < 3; ++i) {
        FlightOption option = makeOption("D-A" + std::to_string(i), 2, {20});
        option.cs = "DLH" + std::to_string(i);
        option.key.modelId = 1;
        state.parkStands[i].options = {option};
    }
    addStatic(1, 5, SimState::active, "OLD1").source = 1; // no learned use any more
    lf_applyParkingAdjustments(state, data, false);
    EXPECT_EQ(state.statics[0].simState, SimState::removingfromsim);
    EXPECT_TRUE(state.staticRemovals.empty());
    EXPECT_EQ(state.pendingParkedAdds.size(), 2u);
    EXPECT_EQ(shell.messages.back(), "Parking adjustments: 1 to be removed, 2 to be added\n");
    const std::vector<std::string> lines = log.lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "A5            : OLD1     static parked removed, no longer within your specs"),
              lines.end());
}

TEST_F(ParkingAdjustmentsTest, AFailedRegenerationResetsTheParking) {
    setStands(3);
    airports.parkAirport.code = "EDDF";
    state.learnedDataChanged = true;
    gf_regenerateParking(state, data);
    EXPECT_EQ(shell.messages.back(), "lf_readParkedFile EDDF not found");
    EXPECT_TRUE(state.parkStands.empty());
    EXPECT_EQ(airports.calls.front(), "gf_saveLearned learned");
    EXPECT_FALSE(state.learnedDataChanged);
    EXPECT_EQ(shell.count("ParkAirport 0"), 1);
    EXPECT_EQ(shell.count("gf_enableParkingControls"), 1);
}

TEST_F(ParkingAdjustmentsTest, RegenerationReadsTheFileAndPlans) {
    test_support::LogCapture log;
    airports.parkAirport = {"EDDF", 50.03, 8.57};
    airports.filePath = "airports/EDDF.xml";
    airports.file.airportName = "Frankfurt";
    airports.file.stands = test_support::makeStands(4);
    airports.file.stands[0].overlaps = {2};
    airports.learnedUpdates = 4;
    state.learnedUpdateCount = 4;
    gf_regenerateParking(state, data);
    EXPECT_EQ(airports.learnedUpdates, 0);   // nothing of the new file is learned yet
    EXPECT_EQ(state.learnedUpdateCount, 4u); // the window counts the whole run
    EXPECT_EQ(state.parkStands.size(), 4u);
    EXPECT_EQ(state.standNameIndex.at("A3"), 3u);
    EXPECT_EQ(state.parkStandsSnapshot.load()->size(), 4u);
    EXPECT_EQ(shell.count("ParkAirportInfo 1 Frankfurt"), 1);
    EXPECT_EQ(shell.count("gf_resetParkingCountdown"), 1);
    EXPECT_TRUE(state.parkingPlanInForce);
    const std::vector<std::string> lines = log.lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "          A1      : excludes A2"), lines.end());
}

TEST_F(ParkingAdjustmentsTest, TheSweepRegeneratesOnRequestAndOtherwiseFollowsTheUser) {
    state.parkingRegenerationRequested = true;
    airports.parkAirport.code = "EDDF";
    lf_parkAirportSweep(state, data);
    EXPECT_FALSE(state.parkingRegenerationRequested);
    EXPECT_EQ(shell.messages.back(), "lf_readParkedFile EDDF not found");
    airports.calls.clear();
    lf_parkAirportSweep(state, data); // no user position yet
    EXPECT_TRUE(airports.calls.empty());
    state.user.latitude = 50.0;
    state.user.longitude = 8.5;
    state.user.altitudeAboveGroundFt = 3000.0;
    lf_parkAirportSweep(state, data);
    EXPECT_EQ(airports.calls, (std::vector<std::string>{"gf_selectNearestParkAirport", "gf_parkAirportOnGround"}));
    airports.calls.clear();
    airports.parkAirport = {"EDDF", 50.03, 8.57};
    state.user.onGround = true;
    lf_parkAirportSweep(state, data);
    EXPECT_EQ(airports.calls, (std::vector<std::string>{"gf_checkParkAirportReach"}));
}

TEST_F(ParkingAdjustmentsTest, OnceEveryStaticIsPlacedTheSweepPostsBothFits) {
    state.parkingPlanInForce = true;
    state.pendingParkedAdds.push_back({});
    lf_parkAirportSweep(state, data);
    EXPECT_EQ(steps.count("gf_countLiveParked post"), 0); // still placing
    state.pendingParkedAdds.clear();
    lf_parkAirportSweep(state, data);
    EXPECT_EQ(shell.count("StaticFit 0.0"), 1);
    EXPECT_EQ(steps.count("gf_countLiveParked post"), 1);
    lf_parkAirportSweep(state, data); // and again at every sweep
    EXPECT_EQ(steps.count("gf_countLiveParked post"), 2);
}

TEST_F(ParkingAdjustmentsTest, ClearingTheParkingRemovesTheAirportsAircraftByTheRemoveAllRule) {
    setStands(3);
    state.pendingParkedAdds.push_back({});
    state.deferredParkedAdds.push_back({});
    addStatic(1, 1);
    gf_clearParking(state, data);
    EXPECT_EQ(steps.count("lf_removeAllStaticAndLiveAtAirport"), 1);
    // The removal itself is that rule's: nothing here removes an aircraft on its own.
    EXPECT_EQ(state.statics[0].simState, SimState::active);
    EXPECT_TRUE(state.pendingParkedAdds.empty());
    EXPECT_TRUE(state.deferredParkedAdds.empty());
    EXPECT_TRUE(state.parkStands.empty());
    EXPECT_EQ(shell.count("ParkAirport 0"), 1);
}

} // namespace
} // namespace kiv
