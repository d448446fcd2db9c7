#include <cmath>
#include <limits>
#include <stdexcept>

#include <gtest/gtest.h>

#include "airports/stand.h"
#include "test_support/log_capture.h"
#include "traffic/aircraft_commands.h"
#include "traffic/aircraft_removal.h"
#include "traffic/traffic_exception.h"
#include "traffic/user_collisions.h"
#include "traffic_fakes.h"

namespace kiv {
namespace {

using test_support::LogCapture;
using test_support::TrafficFixture;

constexpr double kDeg = 3.14159265358979323846 / 180.0;

struct AircraftCommandsTest : TrafficFixture, ::testing::Test {};

TEST(TrafficExceptionReporter, LogsTheFirstTwentyReportsOnly) {
    LogCapture log;
    gf_resetTrafficExceptionCountForTesting();
    gf_reportTrafficException("outside");
    for (int i = 0; i < 17; ++i) {
        try {
            throw std::runtime_error("bad record");
        } catch (...) {
            gf_reportTrafficException("decodeMessage");
        }
    }
    try {
        throw 42;
    } catch (...) {
        gf_reportTrafficException("lf_step");
    }
    for (int i = 0; i < 3; ++i) {
        try {
            throw std::logic_error("late");
        } catch (...) {
            gf_reportTrafficException("lf_late");
        }
    }
    EXPECT_EQ(gf_trafficExceptionCount(), 22u);
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 20u);
    EXPECT_EQ(lines[0], "==> Traffic exception in outside: unknown exception");
    EXPECT_EQ(lines[1], "==> Traffic exception in decodeMessage: bad record");
    EXPECT_EQ(lines[18], "==> Traffic exception in lf_step: non-standard exception");
    EXPECT_EQ(lines[19], "==> Traffic exception in lf_late: late (further traffic exceptions will be suppressed)");
    gf_resetTrafficExceptionCountForTesting();
}

TEST_F(AircraftCommandsTest, RemovalByState) {
    struct Case {
        const char* name;
        SimState simState;
        std::uint32_t objectId;
        std::uint8_t removePending;
        bool requestQueued;
        // expected
        SimState after;
        std::uint8_t removed;
        std::uint8_t cancelled;
        std::uint8_t pending;
        std::size_t removals;
        std::size_t logLines;
    };
    const Case cases[] = {
        {"buffer", SimState::buffer, 0, 0, false, SimState::buffer, 1, 0, 0, 0, 0},
        {"creating, request still queued", SimState::adding2sim, 0, 0, true, SimState::adding2sim, 0, 1, 0, 0, 0},
        {"creating, request already sent", SimState::adding2sim, 0, 0, false, SimState::adding2sim, 0, 0, 1, 0, 0},
        {"creating, removal already pending", SimState::adding2sim, 0, 1, true, SimState::adding2sim, 0, 0, 1, 0, 0},
        {"active", SimState::active, 55, 0, false, SimState::removingfromsim, 0, 0, 0, 1, 0},
        {"active with a removal pending", SimState::active, 55, 1, false, SimState::removingfromsim, 0, 0, 1, 1, 0},
        {"active without object", SimState::active, 0, 0, false, SimState::active, 1, 0, 0, 0, 1},
        {"respawning", SimState::liveryrespawn, 56, 0, false, SimState::removingfromsim, 0, 0, 0, 1, 0},
        {"respawning with a removal pending", SimState::liveryrespawn, 56, 1, false, SimState::liveryrespawn, 0, 0, 1,
         0, 0},
        {"already leaving", SimState::removingfromsim, 57, 0, false, SimState::removingfromsim, 0, 0, 0, 0, 1},
    };
    for (const Case& c : cases) {
        LogCapture log;
        state.live.clear();
        state.removalQueue.clear();
        state.liveCreationQueue.clear();
        LiveAircraft& aircraft = addLive(600001, c.simState, c.objectId);
        aircraft.removePending = c.removePending;
        if (c.requestQueued) {
            CreateCommand request;
            request.hexId = 600001;
            state.liveCreationQueue.push_back(request);
        }
        removeAircraftFromSim(state, aircraft);
        EXPECT_EQ(aircraft.simState, c.after) << c.name;
        EXPECT_EQ(aircraft.removed, c.removed) << c.name;
        EXPECT_EQ(aircraft.creationCancelled, c.cancelled) << c.name;
        EXPECT_EQ(aircraft.removePending, c.pending) << c.name;
        EXPECT_EQ(state.removalQueue.size(), c.removals) << c.name;
        EXPECT_EQ(log.lines().size(), c.logLines) << c.name;
        EXPECT_FALSE(state.staticEraseSignal) << c.name;
    }
}

TEST_F(AircraftCommandsTest, StaticWithoutObjectIsMarkedForTheStaticErase) {
    LogCapture log;
    state.statics.emplace_back(AircraftInfo{}, 1, StandPose{}, false, "");
    StaticAircraft& parked = state.statics.back();
    parked.info.hexId = 10000;
    parked.simState = SimState::active;
    removeAircraftFromSim(state, parked);
    EXPECT_EQ(parked.removed, 1);
    EXPECT_TRUE(state.staticEraseSignal);
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_NE(log.lines()[0].find("removeAircraftFromSim removing act"), std::string::npos);
}

TEST_F(AircraftCommandsTest, CancellingLooksInEveryCreationQueueAndKeepsTheOrder) {
    addLive(600002, SimState::adding2sim);
    for (std::uint32_t hexId : {11u, 600002u, 12u, 600002u, 13u}) {
        CreateCommand request;
        request.hexId = hexId;
        state.staticCreationQueue.push_back(request);
    }
    removeAircraftFromSim(state, state.live.back());
    EXPECT_EQ(state.live.back().creationCancelled, 1);
    ASSERT_EQ(state.staticCreationQueue.size(), 3u);
    EXPECT_EQ(state.staticCreationQueue[0].hexId, 11u);
    EXPECT_EQ(state.staticCreationQueue[1].hexId, 12u);
    EXPECT_EQ(state.staticCreationQueue[2].hexId, 13u);
    EXPECT_FALSE(gf_cancelCreationRequest(state.staticCreationQueue, 600002));
}

TEST_F(AircraftCommandsTest, CommandTables) {
    struct Call {
        const char* what;
        std::int32_t argument;
    };
    struct Case {
        SizeClass sizeClass;
        std::vector<Call> calls;
        std::vector<ClientEventCommand> sent;
        std::uint32_t flapsAfter;
        std::uint32_t throttleAfter;
    };
    const Case cases[] = {
        {SizeClass::Large,
         {{"flaps", 0}, {"flaps", 0}, {"flaps", 3}, {"flaps", 4}, {"flaps", 5}, {"flaps", 5}, {"flaps", -1}},
         {{9, 218, 0}, {9, 218, 16383}, {9, 218, 0}},
         0xFFFFFFFFu,
         5},
        {SizeClass::Large,
         {{"throttle", 5}, {"throttle", 1}, {"throttle", 1}, {"throttle", 4}, {"throttle", 7}, {"throttle", 0}},
         {{9, 223, 4914}, {9, 223, 16383}, {9, 223, 0}},
         4,
         0},
        {SizeClass::Large,
         {{"spoilers", 1}, {"spoilers", 1}, {"spoilers", 0}, {"gear", 1}, {"gear", 0}},
         {{9, 219, 16383}, {9, 219, 16383}, {9, 219, 0}, {9, 220, 1}, {9, 220, 0}},
         4,
         5},
        {SizeClass::Rotorcraft, {{"flaps", 2}, {"spoilers", 1}, {"gear", 1}, {"throttle", 2}}, {{9, 223, 8191}}, 4, 2},
    };
    for (const Case& c : cases) {
        link.events.clear();
        state.live.clear();
        LiveAircraft& aircraft = addLive(600003, SimState::active, 9);
        aircraft.info.sizeClass = c.sizeClass;
        for (const Call& call : c.calls) {
            const std::string what = call.what;
            if (what == "flaps") {
                gf_setFlaps(state, aircraft, call.argument);
            } else if (what == "throttle") {
                gf_setThrottle(state, aircraft, call.argument);
            } else if (what == "spoilers") {
                gf_setSpoilers(state, aircraft, static_cast<std::uint32_t>(call.argument));
            } else {
                gf_setGear(state, aircraft, static_cast<std::uint8_t>(call.argument));
            }
        }
        ASSERT_EQ(link.events.size(), c.sent.size());
        for (std::size_t i = 0; i < c.sent.size(); ++i) {
            EXPECT_EQ(link.events[i].objectId, c.sent[i].objectId);
            EXPECT_EQ(link.events[i].eventId, c.sent[i].eventId) << i;
            EXPECT_EQ(link.events[i].value, c.sent[i].value) << i;
        }
        EXPECT_EQ(aircraft.flapsIndex, c.flapsAfter);
        EXPECT_EQ(aircraft.throttleIndex, c.throttleAfter);
    }
}

TEST_F(AircraftCommandsTest, InvalidFlapsIndexIsLoggedOncePerChange) {
    LogCapture log;
    LiveAircraft& aircraft = addLive(600004, SimState::active, 9);
    gf_setFlaps(state, aircraft, 5);
    gf_setFlaps(state, aircraft, 5);
    EXPECT_TRUE(link.events.empty());
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "==> gf_setFlaps: invalid flaps index");
}

TEST_F(AircraftCommandsTest, ShutDownAtStand) {
    struct Case {
        bool navWhileParked;
        bool random;
        std::uint8_t cargo;
        LightSet lights;
    };
    const Case cases[] = {
        {true, false, 0, {1, 0, 0, 0, 0, 1, 1}},
        {false, false, 0, {0, 0, 0, 0, 0, 1, 1}},
        {true, true, 1, {1, 0, 0, 0, 0, 1, 0}},
    };
    for (const Case& c : cases) {
        link.events.clear();
        link.allLights.clear();
        link.shutdowns.clear();
        gf_updateSettings([&](SettingsSnapshot& s) {
            s.navLightsWhileParked = c.navWhileParked;
            s.random = c.random;
        });
        state.statics.clear();
        state.statics.emplace_back(AircraftInfo{}, 1, StandPose{}, c.cargo != 0, "");
        StaticAircraft& parked = state.statics.back();
        parked.objectId = 70;
        gf_shutDownAtStand(state, parked);
        ASSERT_EQ(link.events.size(), 2u);
        EXPECT_EQ(link.events[0].eventId, 223u);
        EXPECT_EQ(link.events[0].value, 0u);
        EXPECT_EQ(link.events[1].eventId, 218u);
        EXPECT_EQ(link.events[1].value, 0u);
        EXPECT_EQ(link.shutdowns, std::vector<std::uint32_t>{70});
        ASSERT_EQ(link.allLights.size(), 1u);
        EXPECT_EQ(link.allLights[0].second, c.lights);
    }
}

TEST_F(AircraftCommandsTest, RandomCabinLightIsOnNineTimesInTen) {
    gf_updateSettings([](SettingsSnapshot& s) { s.random = true; });
    int on = 0;
    for (int i = 0; i < 2000; ++i) {
        on += static_cast<int>(gf_parkedCabinLight(false));
    }
    EXPECT_GT(on, 1700);
    EXPECT_LT(on, 1900);
}

TEST_F(AircraftCommandsTest, StaticCgAndPitchReadBack) {
    struct Case {
        double cgFt;
        double pitchDeg;
        double cgAfter;
        std::uint8_t fromSim;
        double pitchAfterDeg;
    };
    const double nan = std::nan("");
    const Case cases[] = {
        {6.5, 1.0, 6.5, 1, 1.0},   {0.0, 2.5, 8.0, 0, 2.5},  {35.5, -1.0, 8.0, 0, 0.7}, {35.0, -0.99, 35.0, 1, -0.99},
        {-1.0, 2.6, -1.0, 1, 0.7}, {-1.1, 0.0, 8.0, 0, 0.0}, {nan, nan, 8.0, 0, 0.7},
    };
    for (const Case& c : cases) {
        LiveAircraft& aircraft = addLive(600005, SimState::active, 9); // Large: 8 ft by default
        aircraft.info.classDistance = 99.0;
        gf_applyStaticCgAndPitch(aircraft, c.cgFt, c.pitchDeg * kDeg);
        EXPECT_EQ(aircraft.info.classDistance, c.cgAfter) << c.cgFt;
        EXPECT_EQ(aircraft.info.cgFromSim, c.fromSim) << c.cgFt;
        EXPECT_NEAR(aircraft.info.staticPitchRad, c.pitchAfterDeg * kDeg, 1e-12) << c.pitchDeg;
        EXPECT_EQ(aircraft.cgKnown, 1);
        state.live.clear();
    }
}

TEST_F(AircraftCommandsTest, AssignStandCopiesThePlaceAndTellsGates) {
    const std::pair<const char*, std::uint8_t> cases[] = {
        {"GAT", 0}, {"GATE", 1}, {"B GATE 4", 1}, {"gate 4", 0}, {"Gate 4", 0}};
    for (const auto& [name, gate] : cases) {
        Stand stand;
        stand.id = name;
        stand.latitude = 50.1;
        stand.longitude = 8.6;
        stand.heading = 1.5;
        stand.number = 12;
        stand.cargo = true;
        LiveAircraft& aircraft = addLive(600006);
        gf_assignStand(aircraft, stand);
        EXPECT_EQ(aircraft.gateStand, gate) << name;
        EXPECT_EQ(aircraft.standId, 12u);
        EXPECT_EQ(aircraft.standLat, 50.1);
        EXPECT_EQ(aircraft.standLon, 8.6);
        EXPECT_EQ(aircraft.standHeading, 1.5);
        EXPECT_EQ(aircraft.cargoStand, 1);
        state.live.clear();
    }
}

TEST_F(AircraftCommandsTest, LiveryRespawnOfAMovingAircraft) {
    state.tickCount = 500;
    LiveAircraft& aircraft = addLive(600007, SimState::active, 88);
    aircraft.situation = FlightSituation::flying;
    aircraft.pose.latitude = 50.2;
    aircraft.pose.longitude = 8.4;
    aircraft.pose.altitudeFt = 9000.0;
    aircraft.pose.bankRad = 0.2;
    aircraft.pose.headingRad = 1.0;
    liveryRespawn(state, aircraft);
    EXPECT_EQ(aircraft.simState, SimState::liveryrespawn);
    EXPECT_EQ(aircraft.respawnPose, 1);
    EXPECT_EQ(aircraft.respawnHeadingRad, 1.0);
    ASSERT_EQ(aircraft.samples.size(), 2u);
    const StreamSample& copy = aircraft.samples.front();
    EXPECT_EQ(copy.latitude, 50.2);
    EXPECT_EQ(copy.altitudeFt, 9000.0);
    EXPECT_EQ(copy.bankRad, 0.2);
    EXPECT_EQ(copy.respawnSample, 1);
    EXPECT_EQ(copy.deliveryTick, 501);
    EXPECT_EQ(aircraft.samples[1].atCurrentPose, 0);
    EXPECT_EQ(state.removalQueue.back(), 88u);
}

TEST_F(AircraftCommandsTest, RespawnSampleIsDueOnTheTickAfterEvenWhereTheCounterWraps) {
    struct Case {
        std::int32_t tick;
        std::int32_t due;
    };
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    const Case cases[] = {{0, 1}, {-5, -4}, {kMax - 1, kMax}, {kMax, std::numeric_limits<std::int32_t>::min()}};
    for (const Case& c : cases) {
        state.live.clear();
        state.tickCount = c.tick;
        LiveAircraft& aircraft = addLive(600009, SimState::active, 89);
        aircraft.situation = FlightSituation::flying;
        liveryRespawn(state, aircraft);
        ASSERT_EQ(aircraft.samples.size(), 2u) << c.tick;
        EXPECT_EQ(aircraft.samples.front().deliveryTick, c.due) << c.tick;
        ++state.tickCount; // the counter itself wraps onto the due tick
        EXPECT_EQ(state.tickCount.load(), c.due) << c.tick;
    }
}

TEST_F(AircraftCommandsTest, LiveryRespawnOfAParkedAircraft) {
    LogCapture log;
    LiveAircraft& aircraft = addLive(600008, SimState::active, 0);
    aircraft.situation = FlightSituation::parked;
    aircraft.samples.push_back(aircraft.samples.front());
    aircraft.samples.push_back(aircraft.samples.front());
    aircraft.pose.headingRad = 90.0 * kDeg;
    liveryRespawn(state, aircraft);
    ASSERT_EQ(aircraft.samples.size(), 2u);
    for (const StreamSample& sample : aircraft.samples) {
        EXPECT_EQ(sample.atCurrentPose, 1);
        EXPECT_EQ(sample.groundSpeedKt, 0.0);
        EXPECT_EQ(sample.trueAirspeedKt, 0.0);
        EXPECT_NEAR(sample.trackDeg, 90.0, 1e-9);
    }
    EXPECT_TRUE(state.removalQueue.empty());
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_NE(log.lines()[0].find("liveryRespawn removing act"), std::string::npos);
}

TEST_F(AircraftCommandsTest, UserGroundCollisionTerm) {
    struct Case {
        const char* name;
        double userHalfSpanNm;
        bool b738Known;
        double groundSpeedKt;
        double expectedNm;
    };
    const double nan = std::nan("");
    const Case cases[] = {
        {"known span, standing", 0.01, true, 0.0, 0.01},
        {"known span, 20 kt", 0.01, true, 20.0, 0.01 + 20.0 * 1852.0 / 3600.0 * 0.75 / 1852.0},
        {"speed term capped at 15 m", 0.01, true, 60.0, 0.01 + 15.0 / 1852.0},
        {"unknown span: B738 from the table", nan, true, 0.0, 17.9 / 1852.0},
        {"unknown span, B738 beyond the table: 35 m", nan, false, 0.0, 35.0 / 1852.0},
    };
    for (const Case& c : cases) {
        state.userHalfSpanNm = c.userHalfSpanNm;
        state.user.groundSpeedKt = c.groundSpeedKt;
        models.halfSpans[6] = 17.9 / 1852.0;
        if (!c.b738Known) {
            models.codes.erase(6);
        }
        EXPECT_NEAR(lf_userGroundCollisionTermNm(state), c.expectedNm, 1e-12) << c.name;
    }
}

TEST_F(AircraftCommandsTest, UserOnTheGroundRemovesAircraftAheadOnItsCentreLine) {
    struct Case {
        const char* name;
        double metresNorth;
        double metresEast;
        double userAglFt;
        bool removed;
    };
    const Case cases[] = {
        {"ahead on the centre line", 100.0, 0.0, 0.0, true}, {"ahead, 10 m aside", 100.0, 10.0, 0.0, true},
        {"ahead, 20 m aside", 100.0, 20.0, 0.0, false},      {"behind", -100.0, 0.0, 0.0, false},
        {"user high above", 100.0, 0.0, 600.0, false},       {"beyond one mile", 2000.0, 0.0, 0.0, false},
    };
    for (const Case& c : cases) {
        state.live.clear();
        state.user.latitude = 50.0;
        state.user.longitude = 8.0;
        state.user.headingRad = 0.0;
        state.user.altitudeAboveGroundFt = c.userAglFt;
        LiveAircraft& aircraft = addLive(600009, SimState::active, 5);
        aircraft.pose.latitude = 50.0 + c.metresNorth / 1852.0 / 60.0;
        aircraft.pose.longitude = 8.0 + c.metresEast / 1852.0 / 60.0 / std::cos(50.0 * kDeg);
        EXPECT_EQ(checkUserAirGndCollision(state, aircraft), c.removed) << c.name;
        EXPECT_EQ(aircraft.simState == SimState::removingfromsim, c.removed) << c.name;
    }
}

TEST_F(AircraftCommandsTest, UserInTheAirAsksTheContinuityTestInItsMode) {
    struct Case {
        double aglFt;
        double vsFpm;
        double bankDeg;
        std::uint32_t mode;
    };
    const Case cases[] = {
        {3000.0, -1500.0, 4.0, 2}, {3000.0, 301.0, 4.0, 1}, {3000.0, 0.0, 6.0, 1},
        {6000.0, 0.0, 14.0, 1},    {6000.0, 0.0, 16.0, 0},  {8000.0, 0.0, 0.0, 0},
    };
    for (const Case& c : cases) {
        state.live.clear();
        motion.inputs.clear();
        state.user.altitudeAboveGroundFt = c.aglFt;
        state.user.verticalSpeedFpm = c.vsFpm;
        state.user.bankRad = -c.bankDeg * kDeg;
        state.user.groundTrackDeg = 90.0;
        motion.result = c.mode == 2 ? 1 : 0;
        LiveAircraft& aircraft = addLive(600010, SimState::active, 5);
        EXPECT_EQ(checkUserAirCollision(state, aircraft, 0.6), c.mode == 2) << c.aglFt;
        ASSERT_EQ(motion.inputs.size(), 1u);
        EXPECT_EQ(motion.inputs[0].mode, c.mode) << c.aglFt << " " << c.bankDeg;
        EXPECT_EQ(motion.inputs[0].cosRefLatitude, 0.6);
        EXPECT_NEAR(motion.inputs[0].refTrackRad, 90.0 * kDeg, 1e-12);
        EXPECT_NEAR(motion.inputs[0].testTrackRad, 90.0 * kDeg, 1e-12);
        EXPECT_EQ(aircraft.simState == SimState::removingfromsim, c.mode == 2);
    }
}

} // namespace
} // namespace kiv
