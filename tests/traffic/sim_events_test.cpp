#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "test_support/log_capture.h"
#include "traffic/live_update_steps.h"
#include "traffic_fakes.h"

namespace kiv {
namespace {

using test_support::LogCapture;
using test_support::TrafficFixture;

constexpr double kPi = 3.14159265358979323846;

SimEvent event(SimEventKind kind, std::uint32_t objectId, std::uint32_t key = 0) {
    SimEvent e;
    e.kind = kind;
    e.objectId = objectId;
    e.key = key;
    return e;
}

struct SimEventsTest : TrafficFixture, ::testing::Test {
    LiveUpdateSteps live;

    void post(const SimEvent& e) { link.pendingEvents.push_back(e); }
    // One tick's drain.
    void drain(int ticks = 1) {
        for (int i = 0; i < ticks; ++i) {
            live.lf_drainSimEvents(state);
            ++state.tickCount;
        }
    }
    LiveAircraft& creating(std::uint32_t hexId, bool airborne = true) {
        LiveAircraft& a = addLive(hexId, SimState::adding2sim);
        a.samples.front().airborne = airborne ? 1 : 0;
        a.situation = airborne ? FlightSituation::flying : FlightSituation::taxi;
        return a;
    }
    std::size_t lightToggles(std::uint32_t objectId) const {
        return static_cast<std::size_t>(std::count_if(link.events.begin(), link.events.end(), [&](const auto& c) {
            return c.objectId == objectId && c.eventId == kEventAllLightsToggle;
        }));
    }
    static bool contains(const std::vector<std::string>& lines, const std::string& text) {
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& l) { return l.find(text) != std::string::npos; });
    }
};

TEST_F(SimEventsTest, ALiveObjectBecomesActiveAfterTwoSecondsWithTwoLightToggles) {
    creating(0x3C0001).pose.altitudeFt = 20000.0;
    post(event(SimEventKind::liveAssigned, 7, 0x3C0001));
    drain();
    ASSERT_EQ(live.simCommands().size(), 1u);
    EXPECT_EQ(state.live[0].objectId, 7u);
    drain(48);
    EXPECT_EQ(lightToggles(7), 0u);
    drain();
    EXPECT_EQ(lightToggles(7), 1u);
    drain(150);
    EXPECT_EQ(state.live[0].simState, SimState::adding2sim);
    drain();
    EXPECT_EQ(state.live[0].simState, SimState::active);
    EXPECT_TRUE(live.simCommands().empty());
    EXPECT_EQ(lightToggles(7), 2u);
    EXPECT_EQ(link.engineStarts, std::vector<std::uint32_t>{7});
    ASSERT_EQ(link.allLights.size(), 1u);
    // Airborne at 20000 ft: no landing or logo lights, cabin on before any height report.
    EXPECT_EQ(link.allLights[0].second, (LightSet{1, 1, 0, 0, 1, 0, 1}));
}

TEST_F(SimEventsTest, ObjectIdsBelowThreeAreNotPlaced) {
    creating(0x3C0002);
    post(event(SimEventKind::liveAssigned, 2, 0x3C0002));
    drain();
    EXPECT_TRUE(live.simCommands().empty());
    EXPECT_EQ(state.live[0].objectId, 0u);
}

TEST_F(SimEventsTest, ActivationByCase) {
    struct Case {
        const char* name;
        bool airborne;
        FlightSituation situation;
        SizeClass sizeClass;
        double altitudeFt;
        LightSet lights;
        bool engineStart;
        std::uint32_t throttleIndex;
        std::uint32_t flapsIndex;
    };
    const Case cases[] = {
        {"low flying", true, FlightSituation::flying, SizeClass::Large, 3000.0, {1, 1, 1, 0, 1, 1, 1}, true, 5, 4},
        {"taxi", false, FlightSituation::taxi, SizeClass::Large, 300.0, {1, 1, 0, 1, 0, 1, 1}, true, 0, 1},
        {"rotor on ground", false, FlightSituation::birth, SizeClass::Rotorcraft, 300.0, {1, 1, 0, 0, 0, 1, 1}, true,
         4, 4},
        {"parked", false, FlightSituation::parked, SizeClass::Large, 300.0, {1, 0, 0, 0, 0, 1, 1}, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        link.allLights.clear();
        link.engineStarts.clear();
        link.shutdowns.clear();
        state.live.clear();
        LiveAircraft& a = addLive(0x3C0010, SimState::adding2sim, 9);
        a.samples.front().airborne = c.airborne ? 1 : 0;
        a.situation = c.situation;
        a.info.sizeClass = c.sizeClass;
        a.pose.altitudeFt = c.altitudeFt;
        live.lf_activateLive(state, a);
        EXPECT_EQ(a.simState, SimState::active);
        ASSERT_EQ(link.allLights.size(), 1u);
        EXPECT_EQ(link.allLights[0].second, c.lights);
        EXPECT_EQ(link.engineStarts.size(), c.engineStart ? 1u : 0u);
        EXPECT_EQ(link.shutdowns.size(), c.engineStart ? 0u : 1u);
        EXPECT_EQ(a.throttleIndex, c.throttleIndex);
        EXPECT_EQ(a.flapsIndex, c.flapsIndex);
    }
}

TEST_F(SimEventsTest, AParkedObjectWaitsForItsReadbacksUpToFiveSeconds) {
    LogCapture log;
    LiveAircraft& a = creating(0x3C0003, false);
    a.situation = FlightSituation::parked;
    a.standId = 4;
    steps.standClaims.insert({4, 0x3C0003});
    post(event(SimEventKind::liveAssigned, 11, 0x3C0003));
    drain();
    // Both readbacks are asked for.
    EXPECT_NE(std::find_if(link.dataRequests.begin(), link.dataRequests.end(),
                           [](const auto& r) { return r.kind == 5 && r.objectId == 11; }),
              link.dataRequests.end());
    EXPECT_NE(std::find_if(link.dataRequests.begin(), link.dataRequests.end(),
                           [](const auto& r) { return r.kind == 4 && r.objectId == 11; }),
              link.dataRequests.end());
    drain(499);
    EXPECT_EQ(state.live[0].simState, SimState::adding2sim);
    drain();
    EXPECT_EQ(state.live[0].simState, SimState::active);
    EXPECT_TRUE(contains(log.lines(), "CS3932163 initial simulator pose/CG unavailable; using fallback position"));
}

TEST_F(SimEventsTest, AParkedObjectWithItsReadbacksIsActiveAtTwoSeconds) {
    LiveAircraft& a = creating(0x3C0004, false);
    a.situation = FlightSituation::parked;
    a.standId = 4;
    steps.standClaims.insert({4, 0x3C0004});
    post(event(SimEventKind::liveAssigned, 12, 0x3C0004));
    SimEvent pose = event(SimEventKind::initialPose, 12);
    pose.setPose({50.01, 8.51, 0.01, 0.0, -0.5, 330.0, 0.0, 0.0});
    post(pose);
    SimEvent cg = event(SimEventKind::staticCgAndPitch, 12);
    cg.data = {9.5, 0.02};
    post(cg);
    SimEvent ground = event(SimEventKind::aiPosition, 12, 1);
    ground.data = {321.0, 9.0};
    post(ground);
    drain(200);
    EXPECT_EQ(state.live[0].simState, SimState::adding2sim);
    drain();
    const LiveAircraft& b = state.live[0];
    EXPECT_EQ(b.simState, SimState::active);
    // The readback pose places the parked aircraft; the heading wraps into 0..2 pi.
    EXPECT_DOUBLE_EQ(b.pose.latitude, 50.01);
    EXPECT_NEAR(b.pose.headingRad, 2 * kPi - 0.5, 1e-12);
    EXPECT_DOUBLE_EQ(b.pose.altitudeFt, 321.0 + 9.5);
}

TEST_F(SimEventsTest, AnObjectCreatedWithoutItsStandIsActivatedThenRemoved) {
    LogCapture log;
    LiveAircraft& a = creating(0x3C0005, false);
    a.situation = FlightSituation::parked;
    a.standId = 4;
    post(event(SimEventKind::liveAssigned, 13, 0x3C0005));
    drain();
    EXPECT_EQ(state.live[0].removePending, 1);
    drain(200);
    EXPECT_EQ(state.live[0].simState, SimState::removingfromsim);
    EXPECT_EQ(state.removalQueue, std::deque<std::uint32_t>{13});
    EXPECT_TRUE(contains(log.lines(), "created without owning the live stand reservation, will be removed"));
}

TEST_F(SimEventsTest, UnexpectedCommandKindsAreLoggedOnceAndDropped) {
    LogCapture log;
    SimEvent odd = event(static_cast<SimEventKind>(9), 20, 0x3C0006);
    odd.wait = 0;
    // An unknown event kind is ignored by the drain; only commands are logged.
    post(odd);
    drain(300);
    EXPECT_TRUE(live.simCommands().empty());
    SimEvent command = odd;
    command.wait = 200;
    EXPECT_TRUE(live.lf_dispatchSimCommand(state, command));
    const auto lines = log.lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) {
                                return l.find("Unexpected delayed SimCommand 9 for hexid:3c0006") != std::string::npos;
                            }),
              1);
}

TEST_F(SimEventsTest, APromotionCommandCompletesLikeALiveOne) {
    LiveAircraft& a = creating(0x3C0014);
    a.objectId = 95;
    SimEvent command = event(static_cast<SimEventKind>(kPromotionCommandKind), 95, 0x3C0014);
    command.wait = 200;
    EXPECT_TRUE(live.lf_dispatchSimCommand(state, command));
    EXPECT_EQ(state.live[0].simState, SimState::active);
    // Promoted objects get no light toggles.
    command.wait = 49;
    live.lf_dispatchSimCommand(state, command);
    EXPECT_EQ(lightToggles(95), 0u);
}

TEST_F(SimEventsTest, RemovalEvents) {
    // A livery respawn keeps its record and goes back to the buffer without an object.
    LiveAircraft& respawning = addLive(0x3C0007, SimState::liveryrespawn, 21);
    respawning.throttleIndex = 0;
    respawning.flapsIndex = 1;
    addLive(0x3C0008, SimState::removingfromsim, 22);
    addLive(0x3C0009, SimState::active, 23);
    state.statics.emplace_back(AircraftInfo{}, 2, StandPose{}, false, "A1");
    state.statics.back().info.hexId = 17;
    state.statics.back().objectId = 24;
    post(event(SimEventKind::removed, 21));
    post(event(SimEventKind::removed, 22));
    post(event(SimEventKind::removed, 24));
    post(event(SimEventKind::removed, 99)); // nobody's
    post(event(SimEventKind::removed, 0));  // never a record not yet created
    drain();
    ASSERT_EQ(state.live.size(), 2u);
    EXPECT_EQ(state.live[0].info.hexId, 0x3C0007u);
    EXPECT_EQ(state.live[0].simState, SimState::buffer);
    EXPECT_EQ(state.live[0].objectId, 0u);
    EXPECT_EQ(state.live[0].throttleIndex, 5u);
    EXPECT_EQ(state.live[0].flapsIndex, 4u);
    EXPECT_EQ(state.live[1].info.hexId, 0x3C0009u);
    EXPECT_TRUE(state.statics.empty());
    EXPECT_EQ(steps.count("lf_cleanupLiveAircraft " + std::to_string(0x3C0008)), 1);
    EXPECT_EQ(steps.count("lf_cleanupCancelledStatic 17"), 1);
    EXPECT_GE(steps.count("lf_recheckWaitingLiveCreations"), 1);
}

TEST_F(SimEventsTest, EventsForVanishedAircraftTouchNoOtherRecord) {
    LogCapture log;
    LiveAircraft& buffered = addLive(0x3C000A, SimState::buffer);
    buffered.pose.altitudeFt = 1234.0;
    // An assignment for a hex id that is gone: its object leaves the simulator.
    post(event(SimEventKind::liveAssigned, 30, 0x3C0FFF));
    // A static assignment for a gone static becomes a command that expires.
    post(event(SimEventKind::staticAssigned, 31, 55));
    // Readbacks for object 0 never reach a record that has no object yet.
    SimEvent ground = event(SimEventKind::aiPosition, 0, 1);
    ground.data = {100.0, 5.0};
    post(ground);
    SimEvent cg = event(SimEventKind::staticCgAndPitch, 0);
    cg.data = {7.0, 0.01};
    post(cg);
    drain(201);
    const LiveAircraft& a = state.live[0];
    EXPECT_EQ(a.onGround, 0);
    EXPECT_EQ(a.cgKnown, 0);
    EXPECT_DOUBLE_EQ(a.pose.altitudeFt, 1234.0);
    EXPECT_EQ(state.removalQueue, (std::deque<std::uint32_t>{30, 31}));
    EXPECT_TRUE(contains(log.lines(), "Delayed static command expired: hexid:37, objectid:31 no longer exists"));
    EXPECT_TRUE(live.simCommands().empty());
}

TEST_F(SimEventsTest, ACommandForARecordCreatedAgainExpires) {
    LogCapture log;
    creating(0x3C000B);
    post(event(SimEventKind::liveAssigned, 40, 0x3C000B));
    drain();
    // Respawned meanwhile: the record now waits for another object.
    state.live[0].objectId = 41;
    drain(200);
    EXPECT_EQ(state.live[0].simState, SimState::adding2sim);
    EXPECT_TRUE(contains(log.lines(), "Delayed live command expired: hexid:3c000b, objectid:40 no longer exists"));
}

TEST_F(SimEventsTest, StaticCompletion) {
    LogCapture log;
    state.statics.emplace_back(AircraftInfo{}, 2, StandPose{}, false, "A1");
    StaticAircraft& s = state.statics.back();
    s.info.hexId = 12;
    s.info.head.callsign = "STAT1";
    s.simState = SimState::adding2sim;
    post(event(SimEventKind::staticAssigned, 50, 12));
    drain();
    EXPECT_EQ(state.statics[0].objectId, 50u);
    drain(499);
    EXPECT_EQ(state.statics[0].simState, SimState::adding2sim);
    drain();
    EXPECT_EQ(state.statics[0].simState, SimState::active);
    EXPECT_EQ(state.staticSetGeneration, 1u);
    EXPECT_EQ(link.shutdowns, std::vector<std::uint32_t>{50});
    EXPECT_TRUE(contains(log.lines(), "STAT1 static simulator pose/CG unavailable; using simulator placement"));
}

TEST_F(SimEventsTest, RefusedCreations) {
    addLive(0x3C000C, SimState::adding2sim);
    state.live[0].info.liveryTitle = "Title A";
    state.statics.emplace_back(AircraftInfo{}, 2, StandPose{}, false, "A1");
    state.statics.back().info.hexId = 14;
    post(event(SimEventKind::createFailed, 0, 0x3C000C));
    post(event(SimEventKind::createFailed, 0, 14));
    post(event(SimEventKind::createFailed, 0, 0x3C0FFF));
    drain();
    EXPECT_TRUE(state.live.empty());
    EXPECT_TRUE(state.statics.empty());
    EXPECT_EQ(models.creationFailures, (std::vector<std::uint32_t>{0x3C000C, 14}));
}

TEST_F(SimEventsTest, InvalidPoseReadbacksAreDropped) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const AiPose poses[] = {
        {0.0, 0.0, 0, 0, 0, 100, 0, 0},     // null island
        {91.0, 8.0, 0, 0, 0, 100, 0, 0},    // latitude out of range
        {50.0, 8.0, nan, 0, 0, 100, 0, 0},  // pitch
        {50.0, 8.0, 0, 0, 0, nan, 0, 0},    // altitude
        {50.0, 8.0, 0, 0, nan, 100, 0, 0},  // heading
    };
    for (const AiPose& p : poses) {
        state.live.clear();
        LiveAircraft& a = addLive(0x3C000D, SimState::adding2sim, 60);
        a.situation = FlightSituation::parked;
        SimEvent e = event(SimEventKind::initialPose, 60);
        e.setPose(p);
        post(e);
        drain();
        EXPECT_EQ(state.live[0].simPoseKnown, 0);
    }
}

TEST_F(SimEventsTest, FirstGroundReportOfALandingAircraft) {
    LiveAircraft& a = addLive(0x3C000E, SimState::active, 70);
    a.situation = FlightSituation::landing;
    a.info.classValue2 = 10;
    a.info.staticPitchRad = 0.01;
    a.pose.pitchRad = 0.06;
    a.pose.bankRad = 0.02;
    a.samples.front().airborne = 1;
    a.samples.front().altitudeFt = 900.0;
    StreamSample later = a.samples.front();
    later.altitudeFt = 800.0;
    a.samples.push_back(later);
    a.glidePending = 1;
    a.glideTarget = {a.pose.latitude + 0.01, a.pose.longitude};
    a.glideStartTick = 0;
    a.glideEndTick = 100;
    state.fastPollFlag = true;
    SimEvent ground = event(SimEventKind::aiPosition, 70, 1);
    ground.data = {300.0, 2.0};
    post(ground);
    drain();
    const LiveAircraft& b = state.live[0];
    EXPECT_EQ(b.situation, FlightSituation::landing_roll);
    EXPECT_EQ(b.onGround, 1);
    EXPECT_EQ(b.touchedDown, 1);
    EXPECT_FALSE(state.fastPollFlag.load());
    ASSERT_TRUE(b.latestAirborneAltitude.has_value());
    EXPECT_DOUBLE_EQ(*b.latestAirborneAltitude, 800.0);
    EXPECT_NEAR(b.tickDelta.latitude, 0.0001, 1e-12);
    EXPECT_NEAR(b.pitchChangePerTick, -0.005, 1e-12);
    EXPECT_NEAR(b.bankChangePerTick, -0.002, 1e-12);
    ASSERT_EQ(link.reverseThrusts.size(), 1u);
    EXPECT_EQ(link.reverseThrusts[0][0], 70u);
    EXPECT_EQ(state.learnedStandMatchQueue.back(), 0x3C000Eu);
    // A second report changes nothing more.
    post(ground);
    drain();
    EXPECT_EQ(link.reverseThrusts.size(), 1u);
}

TEST_F(SimEventsTest, GroundReadbackAltitudeBlend) {
    struct Case {
        const char* name;
        bool onGround;
        FlightSituation situation;
        double height;     // readback height above ground
        double cg;         // static CG height
        double pitch;      // current pitch
        double altitude;   // current altitude
        std::uint32_t reports; // ground reports before this one, in the air
        double expected;
    };
    const double ground = 100.0;
    const Case cases[] = {
        // Latched at the first usable height with the current pitch, so the blend gives that height.
        {"landing roll latches", true, FlightSituation::landing_roll, 12.0, 8.0, 0.10, 120.0, 0, ground + 12.0},
        // Unusable height: current altitude minus ground instead.
        {"height from altitude", true, FlightSituation::landing_roll, 0.0, 8.0, 0.10, 115.0, 0, ground + 15.0},
        {"invalid CG", true, FlightSituation::landing_roll, 12.0, 0.0, 0.10, 120.0, 0, ground + 12.0},
        {"taxi with CG", true, FlightSituation::taxi, 50.0, 8.0, 0.10, 120.0, 0, ground + 8.0},
        {"taxi without CG", true, FlightSituation::taxi, 50.0, 40.0, 0.10, 120.0, 0, ground},
        {"air, one report", false, FlightSituation::takeoff, 0.0, 8.0, 0.02, 130.0, 0, 130.0},
        {"air, second report", false, FlightSituation::takeoff, 0.0, 8.0, 0.02, 130.0, 1, ground + 8.0 + std::sin(0.01) * 4.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state.live.clear();
        LiveAircraft& a = addLive(0x3C000F, SimState::active, 80);
        a.onGround = c.onGround ? 1 : 0;
        a.situation = c.situation;
        a.info.classDistance = c.cg;
        a.info.staticPitchRad = 0.01;
        a.pose.pitchRad = c.pitch;
        a.pose.altitudeFt = c.altitude;
        a.groundReports = c.reports;
        a.groundContact = 2; // no first-ground handling here
        SimEvent e = event(SimEventKind::aiPosition, 80, c.onGround || c.situation == FlightSituation::takeoff ? 1 : 0);
        e.data = {ground, c.height};
        post(e);
        drain();
        EXPECT_NEAR(state.live[0].pose.altitudeFt, c.expected, 1e-9);
    }
    // After the latch, the altitude moves towards the CG height as the pitch reaches the static pitch.
    state.live.clear();
    LiveAircraft& a = addLive(0x3C0010, SimState::active, 81);
    a.onGround = 1;
    a.situation = FlightSituation::landing_roll;
    a.info.classDistance = 8.0;
    a.info.staticPitchRad = 0.0;
    a.pose.pitchRad = 0.10;
    a.groundContact = 2;
    SimEvent e = event(SimEventKind::aiPosition, 81, 1);
    e.data = {ground, 12.0};
    post(e);
    drain();
    state.live[0].pose.pitchRad = 0.05;
    post(e);
    drain();
    EXPECT_NEAR(state.live[0].pose.altitudeFt, ground + 8.0 + 4.0 * 0.5, 1e-9);
}

TEST_F(SimEventsTest, TheStuckCreationsAreCountedOncePerMinute) {
    LogCapture log;
    addLive(0x3C0011, SimState::adding2sim); // sent, never answered
    LiveAircraft& queued = addLive(0x3C0012, SimState::adding2sim);
    CreateCommand request;
    request.hexId = queued.info.hexId;
    state.liveCreationQueue.push_back(request);
    drain(12001);
    const auto lines = log.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "1 live creations not answered by the simulator"), 2);
}

TEST_F(SimEventsTest, DropSimCommandsByHexIdOrObject) {
    creating(0x3C0013);
    post(event(SimEventKind::liveAssigned, 90, 0x3C0013));
    post(event(SimEventKind::staticAssigned, 91, 33));
    SimEvent anonymous = event(SimEventKind::staticAssigned, 92, 0);
    post(anonymous);
    drain();
    ASSERT_EQ(live.simCommands().size(), 3u);
    live.lf_dropSimCommands(state, 0x3C0013, 92);
    ASSERT_EQ(live.simCommands().size(), 1u);
    EXPECT_EQ(live.simCommands()[0].objectId, 91u);
}

} // namespace
} // namespace kiv
