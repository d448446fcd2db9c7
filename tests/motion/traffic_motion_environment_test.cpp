// The program's motion environment and MotionService over a traffic state built on the
// traffic side's recording fakes: what motion asks for reaches the right queue, port or step.
#include <array>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "motion/motion_service.h"
#include "motion/traffic_motion_environment.h"
#include "stream_builder.h"
#include "test_support/log_capture.h"
#include "traffic/traffic_fakes.h"

namespace kiv {
namespace {

using test_support::LogCapture;
using test_support::offsetFromStand;
using test_support::TrafficFixture;

constexpr double kDeg = kDegreesToRadians;

struct EnvironmentFixture : TrafficFixture {
    TrafficMotionEnvironment environment{state};
    LiveAircraft& aircraft = addLive(0x3C6544, SimState::active, 42);

    EnvironmentFixture() {
        Stand stand;
        stand.number = 1;
        stand.id = "V12";
        stand.latitude = 50.0;
        stand.longitude = 8.5;
        stand.heading = 90.0 * kDeg;
        state.parkStands.push_back(stand);
        Stand misnumbered = stand;
        misnumbered.number = 7;
        state.parkStands.push_back(misnumbered);
    }
};

TEST(TrafficMotionEnvironment, CommandsReachTheSimulatorLink) {
    EnvironmentFixture f;
    f.environment.setThrottle(f.aircraft, 3);
    f.environment.setFlaps(f.aircraft, 1);
    f.environment.setGear(f.aircraft, 1);
    f.environment.setSpoilers(f.aircraft, 1);
    f.environment.setCabinLights(f.aircraft, 1);
    f.environment.engineAutoStart(f.aircraft);
    const std::vector<std::array<std::uint32_t, 3>> expected = {
        {42, kEventThrottleSet, 11468}, {42, kEventFlapsSet, 3072},      {42, kEventGearSet, 1},
        {42, kEventSpoilersSet, 16383}, {42, 212, 1} /* cabin lights */, {42, kEventEngineAutoStart, 0},
    };
    ASSERT_EQ(f.link.events.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(f.link.events[i].objectId, expected[i][0]) << i;
        EXPECT_EQ(f.link.events[i].eventId, expected[i][1]) << i;
        EXPECT_EQ(f.link.events[i].value, expected[i][2]) << i;
    }
    EXPECT_EQ(f.aircraft.throttleIndex, 3u);
    f.environment.setAllLights(f.aircraft, {1, 1, 0, 1, 0, 1, 0});
    ASSERT_EQ(f.link.allLights.size(), 1u);
    EXPECT_EQ(f.link.allLights[0].second, (LightSet{1, 1, 0, 1, 0, 1, 0}));
    f.environment.setReverseThrust(f.aircraft, 1, 0);
    ASSERT_EQ(f.link.reverseThrusts.size(), 1u);
    EXPECT_EQ(f.link.reverseThrusts[0], (std::array<std::uint32_t, 3>{42, 1, 0}));
}

TEST(TrafficMotionEnvironment, TickStandsAndNeighbours) {
    EnvironmentFixture f;
    f.state.tickCount = -5; // the u32 counter past its signed half
    EXPECT_EQ(f.environment.simTick(), 4294967291u);
    EXPECT_EQ(f.environment.standName(1), "V12");
    EXPECT_EQ(f.environment.standName(0), "sid==0?");
    EXPECT_EQ(f.environment.standName(2), "sid==?");
    EXPECT_EQ(f.environment.standName(0x80000000u), "sid==?");
    ASSERT_NE(f.environment.parkStand(1), nullptr);
    EXPECT_EQ(f.environment.parkStand(1)->id, "V12");
    EXPECT_EQ(f.environment.parkStand(2), nullptr);
    EXPECT_EQ(f.environment.parkStand(3), nullptr);
    f.feeds.qnh = 1021;
    EXPECT_EQ(f.environment.currentQnh(), 1021);
    f.airports.nearParkAirport = true;
    f.airports.parkAltitude = 364.0;
    EXPECT_TRUE(f.environment.isNearParkAirport({50.0, 8.5}));
    EXPECT_EQ(f.environment.parkAirportAltitude(), 364.0);
    f.state.parkAirportFileRead = true;
    EXPECT_TRUE(f.environment.airportFileLoaded());
}

TEST(TrafficMotionEnvironment, TrafficStepsAndQueues) {
    EnvironmentFixture f;
    f.steps.calls.clear(); // the traffic start's own steps
    f.environment.try2Park(f.aircraft);
    f.environment.noMoreNextPos(f.aircraft);
    f.environment.addRealStandOption(1, f.aircraft, 0);
    f.environment.limitParkedAircraft(0);
    EXPECT_EQ(f.steps.calls, (std::vector<std::string>{"try2Park 3958084", "noMoreNextPos 3958084",
                                                       "gf_addRealStandOption 1 3958084 0", "gf_limitParkedAircraft"}));
    f.steps.standUse = 2;
    EXPECT_EQ(f.environment.standUseByOtherLive(1, f.aircraft.info.hexId), 2u);

    // The parked actions keep the one due first at the back, where the tick takes it.
    f.environment.queueParkedAction({1, 3000, 0});
    f.environment.queueParkedAction({1, 1500, 1});
    f.environment.queueParkedAction({1, 4500, 2});
    std::vector<std::int32_t> due;
    for (const DelayedLightCommand& command : f.state.delayedLightCommands) {
        due.push_back(command.dueTick);
    }
    EXPECT_EQ(due, (std::vector<std::int32_t>{4500, 3000, 1500}));

    f.environment.notifyHexId(f.aircraft.info.hexId);
    EXPECT_EQ(f.state.learnedStandMatchQueue.back(), f.aircraft.info.hexId);
    f.environment.setFastPoll();
    EXPECT_TRUE(f.state.fastPollFlag);

    f.environment.removeAircraftFromSim(f.aircraft);
    EXPECT_EQ(f.aircraft.simState, SimState::removingfromsim);
    EXPECT_EQ(f.state.removalQueue.back(), 42u);
}

TEST(TrafficMotionEnvironment, FlightMessagesFollowTheSetting) {
    EnvironmentFixture f;
    gf_setSettingsField(&SettingsSnapshot::flightMessages, false);
    f.environment.postFlightMessage("12:00 DLH4AB take off");
    EXPECT_TRUE(f.shell.messages.empty());
    gf_setSettingsField(&SettingsSnapshot::flightMessages, true);
    f.environment.postFlightMessage("12:01 DLH4AB take off");
    EXPECT_EQ(f.shell.messages, (std::vector<std::string>{"12:01 DLH4AB take off"}));
}

TEST(MotionService, DrivesIntoAStandOfTheTrafficState) {
    LogCapture log;
    EnvironmentFixture f;
    f.state.tickCount = 7000;
    const StandPose stand{50.0, 8.5, 90.0 * kDeg};
    const Lalo past = offsetFromStand(stand, 5.0, 0.0);
    f.aircraft.samples.front().deliveryTick = 7000;
    f.aircraft.pose.latitude = past.latitude;
    f.aircraft.pose.longitude = past.longitude;
    f.aircraft.pose.headingRad = 70.0 * kDeg;
    f.aircraft.standId = 1;
    gf_setLiveClassValues(f.aircraft.info);
    MotionService service;
    MotionPort& port = service;
    port.drive2Stand(f.state, f.aircraft, stand, true, false);
    ASSERT_EQ(f.aircraft.samples.size(), 3u);
    EXPECT_EQ(f.aircraft.samples.back().stationary, 1);
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(0, 20), "V12           : CS39"); // the state's stand name and the callsign
}

TEST(MotionService, AnswersWithTheMotionGeometry) {
    MotionService service;
    const MotionPort& port = service;
    const StandPose stand{50.0, 8.5, 0.0};
    const Lalo front = offsetFromStand(stand, -20.0, 2.0);
    EXPECT_TRUE(port.gf_checkStandEntry(stand, 0.012, front, 0.0, 0.0).ok);
    EXPECT_EQ(port.gf_checkStandEntry(stand, 0.012, offsetFromStand(stand, 2.0, 0.0), 0.0, 0.0).reason,
              "too close to or past stand");
    EXPECT_NEAR(port.gf_relativePosition({50.0, 8.5}, 0.0, front).alongTrackM, -20.0, 0.01);
    EXPECT_NEAR(port.gf_bankLimit(20.0 * kDeg, true, 550.0), 15.0 * kDeg, 1e-12);
    ContinuityInput close;
    close.mode = 0;
    close.refLatitude = 50.0;
    close.refLongitude = 8.5;
    close.testLatitude = 50.005;
    close.testLongitude = 8.5;
    close.cosRefLatitude = std::cos(50.0 * kDeg);
    EXPECT_EQ(port.gf_checkPositionContinuity(close), 1u);
    EXPECT_TRUE(port.gf_takeoffPerformance({50.0, 0.0, 30.0, 40.0, SizeClass::Large}).tooFast);
}

} // namespace
} // namespace kiv
