// The end of a drive into a stand: refused, stopped short, or parked with its parked actions
// queued and the stand's use learned.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "motion/stand_arrival.h"
#include "motion/traffic_motion_environment.h"
#include "motion_fakes.h"
#include "stream_builder.h"
#include "test_support/log_capture.h"
#include "traffic/aircraft_text.h"
#include "traffic/traffic_fakes.h"

namespace kiv {
namespace {

using test_support::LogCapture;
using test_support::makeAircraft;
using test_support::offsetFromStand;
using test_support::RecordingMotionEnvironment;
using test_support::StreamBuilder;

constexpr double kDeg = kDegreesToRadians;
constexpr StandPose kStand{47.0, 9.0, 45.0 * kDeg};
constexpr std::int32_t kFrontTick = 200000;

// A Large aircraft at the end of its drive, `offM` in front of stand 1 and `headingOffDeg`
// off its heading.
LiveAircraft arriving(double offM, double headingOffDeg, std::uint32_t hexId = 0x4B1234) {
    LiveAircraft aircraft = makeAircraft(StreamBuilder(offsetFromStand(kStand, -offM, 0.0), kFrontTick).samples(),
                                         SizeClass::Large, FlightSituation::parking, 45.0 + headingOffDeg, hexId);
    aircraft.standId = 1;
    aircraft.standLat = kStand.latitude;
    aircraft.standLon = kStand.longitude;
    aircraft.standHeading = kStand.headingRad;
    aircraft.cargoStand = 1;
    aircraft.holdTicks1 = 2700;
    return aircraft;
}

void addStand(RecordingMotionEnvironment& environment) {
    Stand stand;
    stand.number = 1;
    stand.id = "B7";
    environment.stands.push_back(stand);
}

TEST(StandArrival, RefusedOrGivenUp) {
    struct Case {
        const char* name;
        double offM;
        double headingOffDeg;
        std::uint32_t standUse;
        std::uint32_t standId;
        std::uint32_t hexId;
        bool result;
        FlightSituation after;
        std::uint32_t standIdAfter;
    };
    const Case cases[] = {
        {"45 degrees off the stand heading", 0.5, 45.0, 0, 1, 7, false, FlightSituation::parking, 1},
        {"another live aircraft claims the stand", 0.5, 0.0, 1, 1, 7, false, FlightSituation::parking, 1},
        {"another live aircraft is parked there", 0.5, 0.0, 2, 1, 7, false, FlightSituation::parking, 1},
        {"20 m short: gives the stand up and taxis on", 20.0, 10.0, 0, 1, 7, true, FlightSituation::taxi, 0},
        {"no stand id", 0.5, 0.0, 0, 0, 7, false, FlightSituation::parking, 0},
        {"a stand id that names no stand", 0.5, 0.0, 0, 3, 7, false, FlightSituation::parking, 3},
        {"no hex id", 0.5, 0.0, 0, 1, 0, false, FlightSituation::parking, 1},
    };
    for (const Case& c : cases) {
        RecordingMotionEnvironment environment;
        addStand(environment);
        environment.standUse = c.standUse;
        LiveAircraft aircraft = arriving(c.offM, c.headingOffDeg, c.hexId);
        aircraft.standId = c.standId;
        EXPECT_EQ(lf_arriveAtStand(environment, aircraft), c.result) << c.name;
        EXPECT_EQ(aircraft.situation, c.after) << c.name;
        EXPECT_EQ(aircraft.standId, c.standIdAfter) << c.name;
        EXPECT_EQ(aircraft.holdTicks1, 900) << c.name;
        EXPECT_TRUE(environment.calls.empty()) << c.name;
        EXPECT_TRUE(environment.parkedActions.empty()) << c.name;
        if (c.after == FlightSituation::taxi) {
            EXPECT_EQ(aircraft.standLat, 0.0) << c.name;
            EXPECT_EQ(aircraft.standHeading, 0.0) << c.name;
            EXPECT_EQ(aircraft.cargoStand, 0) << c.name;
        }
    }
}

TEST(StandArrival, ParksAndQueuesItsParkedActions) {
    LogCapture log;
    RecordingMotionEnvironment environment;
    addStand(environment);
    environment.randomValues = {3, 2, 40}; // r = 3, then 2 of 5, then 40 of 100
    environment.time100ns = 638000000000000000;
    environment.slot = WeekdaySlot{(std::uint64_t{17} << 32) | 3};
    LiveAircraft aircraft = arriving(0.5, 10.0);
    aircraft.towed = 1;
    aircraft.standChoice = StandChoice{2, {}};
    aircraft.driveIn = 1;
    aircraft.speedKt = 2.0;
    ASSERT_TRUE(lf_arriveAtStand(environment, aircraft));
    EXPECT_EQ(aircraft.situation, FlightSituation::parked);
    EXPECT_EQ(aircraft.previousSituation, FlightSituation::parking);
    EXPECT_EQ(aircraft.samples.front().stationary, 1);
    EXPECT_EQ(aircraft.parkedSinceTime, environment.time100ns);
    EXPECT_EQ(aircraft.arrivalTime, environment.time100ns);
    EXPECT_EQ(aircraft.parkedSlot.packed, environment.slot.packed);
    EXPECT_FALSE(aircraft.standChoice.has_value()) << "a reservation of another stand goes";
    EXPECT_EQ(aircraft.speedKt, 0.0);
    EXPECT_EQ(aircraft.driveIn, 0);
    EXPECT_EQ(environment.calls,
              (std::vector<std::string>{"throttle 0", "flaps 0", "addRealStandOption 1 0", "limitParkedAircraft 0"}));
    EXPECT_EQ(environment.notifiedHexIds, (std::vector<std::uint32_t>{aircraft.info.hexId}));
    ASSERT_EQ(environment.parkedActions.size(), 3u);
    const std::int32_t due[] = {kFrontTick + 1000 + 300, kFrontTick + 1500 + 500, kFrontTick + 3000 + 4300};
    for (std::uint32_t kind = 0; kind < 3; ++kind) {
        EXPECT_EQ(environment.parkedActions[kind].kind, kind);
        EXPECT_EQ(environment.parkedActions[kind].dueTick, due[kind]) << kind;
        EXPECT_EQ(environment.parkedActions[kind].hexId, aircraft.info.hexId);
    }
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               fmt::format("          towed aircraft {} parks", aircraft),
                               fmt::format("B7            : {:8} arrived at stand", aircraft.info.head.callsign)}));

    RecordingMotionEnvironment again;
    addStand(again);
    LiveAircraft reserved = arriving(0.5, 0.0);
    reserved.standChoice = StandChoice{1, {}};
    ASSERT_TRUE(lf_arriveAtStand(again, reserved));
    EXPECT_TRUE(reserved.standChoice.has_value()) << "the reservation of this stand stays";
}

TEST(StandArrival, TheTrafficQueueTakesTheFirstDueActionFromTheBack) {
    test_support::TrafficFixture f;
    gf_setSettingsField(&SettingsSnapshot::random, false);
    Stand stand;
    stand.number = 1;
    stand.id = "B7";
    f.state.parkStands.push_back(stand);
    TrafficMotionEnvironment environment(f.state);
    LiveAircraft aircraft = arriving(0.5, 0.0);
    f.state.delayedLightCommands.push_back({0x111, kFrontTick + 2000, 1}); // another aircraft's
    ASSERT_TRUE(lf_arriveAtStand(environment, aircraft));
    std::vector<std::int32_t> due;
    for (const DelayedLightCommand& command : f.state.delayedLightCommands) {
        due.push_back(command.dueTick);
    }
    // RANDOM off: 1000, 1500 and 3000 ticks after the front sample.
    EXPECT_EQ(due,
              (std::vector<std::int32_t>{kFrontTick + 3000, kFrontTick + 2000, kFrontTick + 1500, kFrontTick + 1000}));
    EXPECT_EQ(f.state.delayedLightCommands.back().kind, 0u);
}

} // namespace
} // namespace kiv
