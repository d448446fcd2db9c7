#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "test_support/log_capture.h"
#include "traffic/live_update_steps.h"
#include "traffic/stand_steps.h"
#include "traffic_fakes.h"

namespace kiv {
namespace {

using test_support::TrafficFixture;

constexpr double kPi = 3.14159265358979323846;
constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

struct LiveUpdateTest : TrafficFixture, ::testing::Test {
    LiveUpdateSteps live;

    // An active aircraft with one ground sample at (50, 8.5) due at tick 0.
    LiveAircraft& ground(FlightSituation situation, std::uint32_t hexId = 0x3C1000) {
        LiveAircraft& a = addLive(hexId, SimState::active, 10);
        a.situation = situation;
        a.onGround = 1;
        StreamSample& s = a.samples.front();
        s.airborne = 0;
        s.altitudeFt = 300.0;
        s.groundSpeedKt = 10.0;
        s.deliveryTick = 0;
        a.pose.latitude = s.latitude;
        a.pose.longitude = s.longitude;
        return a;
    }
    static StreamSample moved(const StreamSample& from, double dLat, double speedKt, std::int32_t dueTick) {
        StreamSample s = from;
        s.latitude += dLat;
        s.groundSpeedKt = speedKt;
        s.deliveryTick = dueTick;
        s.stationary = 0;
        return s;
    }
};

TEST_F(LiveUpdateTest, AStreamOfMoreThanTwoHundredSamplesRemovesTheAircraft) {
    for (const std::size_t size : {200u, 201u}) {
        state.live.clear();
        LiveAircraft& a = ground(FlightSituation::taxi);
        const StreamSample first = a.samples.front();
        for (std::size_t i = 1; i < size; ++i) {
            a.samples.push_back(moved(first, 0.001 * static_cast<double>(i), 10.0, static_cast<std::int32_t>(i * 100)));
        }
        live.decodeExisting(state, a, moved(first, 0.5, 10.0, 1'000'000));
        if (size == 200) {
            EXPECT_EQ(state.live[0].samples.size(), 201u);
            EXPECT_EQ(state.live[0].simState, SimState::active);
        } else {
            EXPECT_EQ(state.live[0].samples.size(), 201u);
            EXPECT_EQ(state.live[0].simState, SimState::removingfromsim);
        }
    }
}

TEST_F(LiveUpdateTest, SampleAcceptanceBySituation) {
    struct Case {
        const char* name;
        FlightSituation situation;
        SimState simState;
        bool airborneAircraft; // not on the ground
        double lastSpeed;
        double dLat;      // of the new sample from the last
        double speed;     // of the new sample
        bool airborneSample;
        double alongM;    // what the motion's relative position answers
        bool accepted;
        double storedSpeed; // when accepted
        bool storedStationary;
    };
    const Case cases[] = {
        {"taxi stationary", FlightSituation::taxi, SimState::active, false, 10, 0.0, 12, false, 0, true, 0, true},
        {"taxi stationary airborne", FlightSituation::taxi, SimState::active, false, 10, 0.0, 12, true, 0, false, 0, false},
        {"taxi near", FlightSituation::taxi, SimState::active, false, 10, 0.0001, 12, false, 0, true, 0, true},
        {"taxi moving", FlightSituation::taxi, SimState::active, false, 10, 0.001, 12, false, 0, true, 12, false},
        {"taxi moving speed 0", FlightSituation::taxi, SimState::active, false, 10, 0.001, 0, false, 0, true, 0, false},
        {"flying near", FlightSituation::flying, SimState::active, true, 300, 0.0001, 300, true, 0, false, 0, false},
        {"flying speed 0, last slow", FlightSituation::flying, SimState::active, true, 40, 0.01, 0, true, 0, true, 0, false},
        {"flying speed 0, last fast", FlightSituation::flying, SimState::active, true, 300, 0.01, 0, true, 0, false, 0, false},
        {"flying no speed", FlightSituation::flying, SimState::active, true, 300, 0.01, kNan, true, 0, true, kNan, false},
        {"roll same position", FlightSituation::takeoff_roll, SimState::active, false, 60, 0.0, 50, false, 20, false, 0, false},
        {"roll ahead, speed raised", FlightSituation::takeoff_roll, SimState::active, false, 60, 0.001, 50, false, 20, true, 60, false},
        {"roll behind", FlightSituation::takeoff_roll, SimState::active, false, 60, 0.001, 70, false, -11, false, 0, false},
        {"parking within 200 m", FlightSituation::parking, SimState::active, false, 3, 0.0015, 3, false, 0, false, 0, false},
        {"parking beyond 200 m", FlightSituation::parking, SimState::active, false, 3, 0.0025, 3, false, 0, true, 3, false},
        {"parking not created", FlightSituation::parking, SimState::adding2sim, false, 3, 0.0025, 3, false, 0, false, 0, false},
        {"landing behind", FlightSituation::landing, SimState::active, true, 140, 0.001, 130, true, -21, false, 0, false},
        {"landing ahead", FlightSituation::landing, SimState::active, true, 140, 0.001, 130, true, 30, true, 130, false},
        {"landing ground faster", FlightSituation::landing, SimState::active, true, 100, 0.001, 130, false, 30, true, 100, false},
        {"roll-out 15 m behind", FlightSituation::landing_roll, SimState::active, false, 60, 0.001, 50, false, -15, true, 50, false},
        {"pushing back", FlightSituation::pushing_back, SimState::active, false, 2, 0.001, 2, false, 0, false, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state.live.clear();
        LiveAircraft& a = ground(c.situation);
        a.simState = c.simState;
        a.onGround = c.airborneAircraft ? 0 : 1;
        a.standLat = 50.0;
        a.standLon = 8.5;
        StreamSample& last = a.samples.front();
        last.groundSpeedKt = c.lastSpeed;
        last.airborne = c.airborneAircraft ? 1 : 0;
        motion.relative.alongTrackM = c.alongM;
        motion.relative.distanceM = 100.0;
        StreamSample next = moved(last, c.dLat, c.speed, 500);
        next.airborne = c.airborneSample ? 1 : 0;
        live.decodeExisting(state, a, next);
        const LiveAircraft& b = state.live[0];
        ASSERT_EQ(b.samples.size(), c.accepted ? 2u : 1u);
        if (c.accepted) {
            const StreamSample& stored = b.samples.back();
            if (std::isnan(c.storedSpeed)) {
                EXPECT_TRUE(std::isnan(stored.groundSpeedKt));
            } else {
                EXPECT_DOUBLE_EQ(stored.groundSpeedKt, c.storedSpeed);
            }
            EXPECT_EQ(stored.stationary != 0, c.storedStationary);
        }
    }
}

TEST_F(LiveUpdateTest, TheGeneralFilterDuringATakeoffRoll) {
    struct Case {
        const char* name;
        double lastSpeed;
        double dLat;
        double speed;
        bool accepted;
        double storedSpeed;
    };
    const Case cases[] = {
        {"stationary, last 35", 35, 0.0, 5, false, 0},
        {"stationary, last 25", 25, 0.0, 5, true, 0},
        {"stationary, no speed", 35, 0.0, -1, true, 0},
        {"near, last 60", 60, 0.0001, 5, false, 0},
        {"near, last 45", 45, 0.0001, 5, true, 0},
        {"speed 0, last 60", 60, 0.001, 0, false, 0},
        {"speed 0, last 40", 40, 0.001, 0, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state.live.clear();
        LiveAircraft& a = ground(FlightSituation::takeoff_roll);
        a.samples.front().groundSpeedKt = c.lastSpeed;
        StreamSample next = moved(a.samples.front(), c.dLat, c.speed, 500);
        EXPECT_EQ(live.lf_acceptNewSample(state, a, next), c.accepted);
        if (c.accepted) {
            EXPECT_DOUBLE_EQ(next.groundSpeedKt, c.storedSpeed);
        }
    }
}

TEST_F(LiveUpdateTest, ABirthSampleJoinsOnlyANonEmptyStream) {
    LiveAircraft& a = addLive(0x3C1001, SimState::buffer);
    const StreamSample first = a.samples.front();
    a.samples.clear();
    live.decodeExisting(state, a, first);
    EXPECT_TRUE(state.live[0].samples.empty());
    state.live[0].samples.push_back(first);
    StreamSample next = moved(first, 0.01, 300.0, -5); // earlier than the last: one tick after it
    live.decodeExisting(state, state.live[0], next);
    ASSERT_EQ(state.live[0].samples.size(), 2u);
    EXPECT_EQ(state.live[0].samples.back().deliveryTick, first.deliveryTick + 1);
}

TEST_F(LiveUpdateTest, AStationaryPairMakesTheFrontDueAtTheNextTick) {
    state.tickCount = 5000;
    LiveAircraft& a = ground(FlightSituation::taxi);
    a.samples.front().stationary = 1;
    a.samples.front().deliveryTick = 9000;
    StreamSample same = a.samples.front();
    same.groundSpeedKt = 3.0;
    same.deliveryTick = 9500;
    live.decodeExisting(state, a, same);
    const LiveAircraft& b = state.live[0];
    ASSERT_EQ(b.samples.size(), 2u);
    EXPECT_EQ(b.samples[0].deliveryTick, 5001);
    EXPECT_DOUBLE_EQ(b.samples[0].groundSpeedKt, 0.0); // the second one's speed, stored as 0
    EXPECT_EQ(b.samples[1].stationary, 1);
}

TEST_F(LiveUpdateTest, AStationaryStreamIsCutToItsFirstSample) {
    LiveAircraft& a = ground(FlightSituation::taxi);
    a.samples.front().stationary = 1;
    StreamSample same = a.samples.front();
    same.deliveryTick = 100;
    a.samples.push_back(same);
    same.deliveryTick = 200;
    a.samples.push_back(same);
    same.deliveryTick = 300;
    live.decodeExisting(state, a, same);
    EXPECT_EQ(state.live[0].samples.size(), 2u);
}

TEST_F(LiveUpdateTest, AStationaryTailBehindASlowMoveIsCut) {
    struct Case {
        const char* name;
        std::int32_t newDue;
        double dLat; // of the new sample from the moving one
        std::size_t size;
    };
    // Stream: moving at ticks 0 and 50, stationary at 100 and 200; the new sample moves on.
    const Case cases[] = {
        {"slow and soon: cut", 1050, 0.0003, 3}, // 0.018 NM in 10 s = 6.5 kt
        {"too fast: kept", 1050, 0.002, 5},      // 0.12 NM in 10 s = 43 kt
        {"too late: kept", 2350, 0.0003, 5},     // 23 s
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state.live.clear();
        LiveAircraft& a = ground(FlightSituation::taxi);
        const StreamSample moving = moved(a.samples.front(), 0.00005, 5.0, 50);
        a.samples.push_back(moving);
        StreamSample still = moved(moving, 0.00001, 0.0, 100);
        still.stationary = 1;
        a.samples.push_back(still);
        still.deliveryTick = 200;
        a.samples.push_back(still);
        live.decodeExisting(state, a, moved(moving, c.dLat, 5.0, c.newDue));
        EXPECT_EQ(state.live[0].samples.size(), c.size);
    }
}

TEST_F(LiveUpdateTest, TakeoffTransitions) {
    struct Case {
        const char* name;
        FlightSituation situation;
        FlightSituation previous;
        bool afterLanding;
        double lastSpeed;
        double speed;
        bool lastAirborne;
        bool airborne;
        double climbFt;
        bool rolls;       // our own take-off roll
        bool motionRolls; // the motion's take-off roll
    };
    const Case cases[] = {
        {"both 43 kt", FlightSituation::taxi, FlightSituation::parked, false, 43, 43, false, false, 0, true, false},
        {"one at 42 kt", FlightSituation::taxi, FlightSituation::parked, false, 42, 60, false, false, 0, false, false},
        {"airborne sample", FlightSituation::taxi, FlightSituation::parked, false, 20, 20, false, true, 0, true, false},
        {"after landing, slow climb", FlightSituation::taxi, FlightSituation::landing_roll, true, 120, 130, true, true, 20, false, false},
        {"after landing, climbing", FlightSituation::taxi, FlightSituation::landing_roll, true, 120, 130, true, true, 60, false, true},
        {"after landing, ground fast", FlightSituation::taxi, FlightSituation::landing_roll, true, 60, 60, false, false, 0, false, false},
        {"landing roll, both airborne", FlightSituation::landing_roll, FlightSituation::landing, false, 120, 130, true, true, 0, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state.live.clear();
        link.allLights.clear();
        motion.takeoffRolls.clear();
        LiveAircraft& a = ground(c.situation);
        a.previousSituation = c.previous;
        a.afterLanding = c.afterLanding ? 1 : 0;
        a.holdTicks1 = 900;
        StreamSample& last = a.samples.front();
        last.groundSpeedKt = c.lastSpeed;
        last.airborne = c.lastAirborne ? 1 : 0;
        motion.relative.alongTrackM = 100.0;
        StreamSample next = moved(last, 0.01, c.speed, 500);
        next.airborne = c.airborne ? 1 : 0;
        next.altitudeFt = last.altitudeFt + c.climbFt;
        live.decodeExisting(state, a, next);
        const LiveAircraft& b = state.live[0];
        EXPECT_EQ(b.situation == FlightSituation::takeoff_roll, c.rolls);
        EXPECT_EQ(!motion.takeoffRolls.empty(), c.motionRolls);
        if (c.rolls) {
            ASSERT_EQ(link.allLights.size(), 1u);
            EXPECT_EQ(link.allLights[0].second, (LightSet{1, 1, 1, 1, 1, 1, 0}));
            EXPECT_EQ(b.holdTicks1, 2700);
            EXPECT_EQ(b.holdTicks2, 4500);
            EXPECT_EQ(b.previousSituation, FlightSituation::taxi);
            EXPECT_EQ(b.flapsIndex, 1u);
        }
    }
}

TEST_F(LiveUpdateTest, LandingDropsAtMostTwoSamplesBehind) {
    for (const std::size_t size : {2u, 3u, 4u}) {
        SCOPED_TRACE(size);
        state.live.clear();
        LiveAircraft& a = ground(FlightSituation::landing_roll);
        const StreamSample first = a.samples.front();
        for (std::size_t i = 1; i < size; ++i) {
            a.samples.push_back(moved(first, 0.001 * static_cast<double>(i), 60.0, static_cast<std::int32_t>(i) * 100));
        }
        motion.relative.alongTrackM = -25.0; // behind every sample
        live.decodeExisting(state, a, moved(first, 0.0005, 50.0, 1000));
        // Two dropped at most, and the stream never loses its last sample.
        EXPECT_EQ(state.live[0].samples.size(), std::max<std::size_t>(size - 2, 1) + 1);
    }
}

TEST_F(LiveUpdateTest, DueTicksFollowTheStreamAndThePerformance) {
    LiveAircraft& a = addLive(0x3C1002, SimState::active, 10);
    a.situation = FlightSituation::flying;
    a.samples.front().deliveryTick = 1000;
    motion.takeoff.tooFast = 1;
    motion.takeoff.minimumTimeS = 0.1; // at least 25 ticks
    live.decodeExisting(state, a, moved(a.samples.front(), 0.01, 300.0, 1001));
    EXPECT_EQ(state.live[0].samples.back().deliveryTick, 1025);
    motion.takeoff.minimumTimeS = 3.001;
    live.decodeExisting(state, state.live[0], moved(state.live[0].samples.back(), 0.01, 300.0, 1030));
    EXPECT_EQ(state.live[0].samples.back().deliveryTick, 1025 + 301);
    motion.takeoff.tooFast = 0;
    live.decodeExisting(state, state.live[0], moved(state.live[0].samples.back(), 0.01, 300.0, 1400));
    EXPECT_EQ(state.live[0].samples.back().deliveryTick, 1400);
    ASSERT_TRUE(state.live[0].latestAirborneAltitude.has_value());
}

TEST_F(LiveUpdateTest, AHoldingTaxiAircraftFarFromItsStreamIsRemoved) {
    for (const double dLat : {0.002, 0.003}) { // 222 m and 333 m against 250 m
        state.live.clear();
        LiveAircraft& a = ground(FlightSituation::taxi);
        a.proximityCheck = 1;
        live.decodeExisting(state, a, moved(a.samples.front(), dLat, 10.0, 500));
        const bool far = dLat > 0.0025;
        EXPECT_EQ(state.live[0].simState == SimState::removingfromsim, far);
        EXPECT_EQ(state.live[0].proximityCheck, far ? 0 : 1);
    }
}

TEST_F(LiveUpdateTest, ALightAircraftTakingOffIsNotForcedBelowItsSpeed) {
    struct Case {
        const char* name;
        SizeClass sizeClass;
        double lastSpeed;
        double distanceM; // covered in 10 s
        bool reachable;
    };
    const Case cases[] = {
        {"light, needs 20 kt of 50", SizeClass::Light, 50.0, 103.0, false},
        {"light, needs 40 kt of 50", SizeClass::Light, 50.0, 206.0, true},
        {"light, slow reference", SizeClass::Light, 30.0, 50.0, true},
        {"light, needs 56 kt", SizeClass::Light, 120.0, 290.0, true},
        {"large, needs 60 of 110", SizeClass::Large, 110.0, 309.0, false},
        {"large, slow reference", SizeClass::Large, 90.0, 50.0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state.live.clear();
        LiveAircraft& a = addLive(0x3C1003, SimState::active, 10);
        a.info.sizeClass = c.sizeClass;
        a.situation = FlightSituation::takeoff;
        a.airborneExtension = 1;
        a.holdCount = 1;
        a.samples.front().groundSpeedKt = c.lastSpeed;
        motion.relative.distanceM = c.distanceM;
        motion.relative.alongTrackM = c.distanceM;
        StreamSample next = moved(a.samples.front(), 0.001, c.lastSpeed, 1000);
        EXPECT_EQ(live.lf_takeoffSampleReachable(state, a, next, 25.0), c.reachable);
    }
}

TEST_F(LiveUpdateTest, PerTickUpdatePublishesOnlyFinitePoses) {
    struct Case {
        const char* name;
        AiPose pose;
        bool published;
    };
    const Case cases[] = {
        {"finite", {50.0, 8.5, 2.0, -2.0, -0.5, 1000.0, 0.0, 0.0}, true},
        {"NaN latitude", {kNan, 8.5, 0, 0, 0, 1000, 0, 0}, false},
        {"infinite altitude", {50.0, 8.5, 0, 0, 0, std::numeric_limits<double>::infinity(), 0, 0}, false},
        {"NaN vertical speed", {50.0, 8.5, 0, 0, 0, 1000, kNan, 0}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state.live.clear();
        state.tickPoses.clear();
        LiveAircraft& a = addLive(0x3C1004, SimState::active, 15);
        a.samples.front().deliveryTick = 1'000'000; // not due
        a.pose = c.pose;
        EXPECT_FALSE(live.updateLiveAc(state, a));
        ASSERT_EQ(state.tickPoses.size(), c.published ? 1u : 0u);
        if (c.published) {
            const AiPose& p = state.tickPoses[0].second;
            EXPECT_EQ(state.tickPoses[0].first, 15u);
            EXPECT_DOUBLE_EQ(p.pitchRad, kPi / 2);
            EXPECT_DOUBLE_EQ(p.bankRad, -kPi / 2);
            EXPECT_NEAR(p.headingRad, 2 * kPi - 0.5, 1e-12);
        }
    }
}

TEST_F(LiveUpdateTest, PerTickUpdateRunsTheMotionWhenTheFrontIsDue) {
    state.tickCount = 100;
    LiveAircraft& a = addLive(0x3C1005, SimState::active, 16);
    a.samples.front().deliveryTick = 101;
    a.speedKt = 250.0;
    live.updateLiveAc(state, a);
    EXPECT_TRUE(motion.nextPosMainCalls.empty());
    EXPECT_EQ(motion.nextPosCurveCalls.size(), 1u);
    state.tickCount = 101;
    live.updateLiveAc(state, a);
    EXPECT_EQ(motion.nextPosMainCalls.size(), 1u);
    EXPECT_DOUBLE_EQ(state.live[0].pose.trueAirspeedKt, 250.0);
    // A stationary front sample: no curve step and no airspeed.
    state.live[0].samples.front().stationary = 1;
    live.updateLiveAc(state, state.live[0]);
    EXPECT_EQ(motion.nextPosCurveCalls.size(), 2u);
    EXPECT_DOUBLE_EQ(state.live[0].pose.trueAirspeedKt, 0.0);
}

TEST_F(LiveUpdateTest, PerTickUpdateRemovesAnAircraftWithoutStreamOrObject) {
    LiveAircraft& empty = addLive(0x3C1006, SimState::active, 17);
    empty.samples.clear();
    LiveAircraft& noObject = addLive(0x3C1007, SimState::active, 0);
    noObject.samples.front().deliveryTick = 1'000'000;
    live.updateLiveAc(state, state.live[0]);
    EXPECT_TRUE(live.updateLiveAc(state, state.live[1]));
    EXPECT_EQ(state.live[0].simState, SimState::removingfromsim);
    EXPECT_EQ(state.live[1].removed, 1);
    EXPECT_TRUE(state.tickPoses.empty());
}

TEST_F(LiveUpdateTest, ADeferredDepartureSampleIsReleasedAtItsTick) {
    struct Case {
        const char* name;
        FlightSituation situation;
        std::int32_t now;
        std::int32_t deferredDue;
        std::int32_t lastDue;
        bool released;
        std::int32_t storedDue;
    };
    // Release tick 500 throughout.
    const Case cases[] = {
        {"release reached, after the stream", FlightSituation::parked, 500, 450, 100, true, 450},
        {"release passed, behind the stream", FlightSituation::parked, 600, 300, 400, true, 401},
        {"release passed, level with the stream", FlightSituation::parked, 600, 400, 400, true, 401},
        {"one tick early", FlightSituation::parked, 499, 450, 100, false, 0},
        {"no longer parked", FlightSituation::taxi, 600, 450, 100, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state.live.clear();
        steps.calls.clear();
        state.tickCount = c.now;
        LiveAircraft& a = ground(c.situation, 0x3C1010);
        a.objectId = 20;
        a.samples.front().stationary = 1;
        a.samples.front().deliveryTick = c.lastDue;
        DepartureWatch& watch = a.standWork.departure;
        watch.deferred = 1;
        watch.releaseTick = 500;
        watch.deferredSample = moved(a.samples.front(), -0.002, 3.0, c.deferredDue);
        watch.deferredSample.stationary = 1;
        live.updateLiveAc(state, a);
        const LiveAircraft& b = state.live[0];
        const bool departs = std::find(steps.calls.begin(), steps.calls.end(),
                                       "lf_beginStandDeparture " + std::to_string(0x3C1010) + " 0") != steps.calls.end();
        EXPECT_EQ(departs, c.released);
        EXPECT_EQ(b.standWork.departure.deferred, c.released ? 0 : 1);
        ASSERT_EQ(b.samples.size(), c.released ? 2u : 1u);
        if (c.released) {
            EXPECT_DOUBLE_EQ(b.samples.back().latitude, b.samples.front().latitude - 0.002);
            EXPECT_EQ(b.samples.back().deliveryTick, c.storedDue);
        }
    }
}

TEST_F(LiveUpdateTest, SamplesWhilePushingBackSetTheReferenceTheEndIsJudgedFrom) {
    // The stand at (50, 8.5) faces north; the aircraft pushes back southwards.
    const auto south = [](const StreamSample& from, double metres, std::int32_t due) {
        StreamSample s = from;
        s.latitude -= metres / 1852.0 / 60.0;
        s.deliveryTick = due;
        s.stationary = 0;
        return s;
    };
    LiveAircraft& a = ground(FlightSituation::pushing_back);
    a.standLat = 50.0;
    a.standLon = 8.5;
    a.info.halfSpanNm = 0.005;
    a.standWork.pushback.confirmationSet = 1; // left over from an earlier look
    a.standWork.pushback.counter = 5;
    const StreamSample atStand = a.samples.front();
    for (const double metres : {20.0, 30.0}) {
        live.decodeExisting(state, a, south(atStand, metres, 100));
    }
    ASSERT_EQ(a.samples.size(), 1u) << "samples while pushing back never join the stream";
    const PushbackReference& pushback = a.standWork.pushback;
    EXPECT_EQ(pushback.referenceSet, 1);
    EXPECT_NEAR(pushback.reference.latitude, atStand.latitude - 30.0 / 1852.0 / 60.0, 1e-12);
    EXPECT_EQ(pushback.confirmationSet, 0);
    EXPECT_EQ(pushback.counter, 0);

    // Pushed back: the first sample 4 m beyond the reference already counts, so the third ends
    // the pushback.
    a.situation = FlightSituation::pushed_back;
    StandSteps stands;
    StreamSample confirmation = south(atStand, 40.0, 200);
    StreamSample first = south(atStand, 45.0, 300);
    StreamSample second = south(atStand, 56.0, 400);
    EXPECT_FALSE(stands.lf_checkPushedBack(state, a, confirmation));
    EXPECT_FALSE(stands.lf_checkPushedBack(state, a, first));
    EXPECT_TRUE(stands.lf_checkPushedBack(state, a, second));
    EXPECT_EQ(a.situation, FlightSituation::taxi);
}

TEST_F(LiveUpdateTest, SituationChangesKeepTheirHistory) {
    LiveAircraft& a = addLive(0x3C1008);
    a.situation = FlightSituation::landing;
    a.landingStage = 3;
    state.tickCount = 77;
    gf_setSituation(state, a, FlightSituation::landing_roll);
    gf_setSituation(state, a, FlightSituation::landing_roll);
    gf_setSituation(state, a, FlightSituation::taxi);
    EXPECT_EQ(a.situation, FlightSituation::taxi);
    EXPECT_EQ(a.previousSituation, FlightSituation::landing_roll);
    EXPECT_EQ(a.earlierSituation, FlightSituation::landing);
    EXPECT_EQ(a.situationTick, 77u);
    EXPECT_EQ(a.landingStage, 0u);
}

} // namespace
} // namespace kiv
