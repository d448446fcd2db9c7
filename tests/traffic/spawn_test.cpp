#include <algorithm>
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "airports/stand.h"
#include "foundation/fnv1a.h"
#include "test_support/log_capture.h"
#include "traffic/aircraft_text.h"
#include "traffic/live_update_steps.h"
#include "traffic_fakes.h"

namespace kiv {
namespace {

using test_support::LogCapture;
using test_support::SettingsGuard;
using test_support::TrafficFixture;

IataCode iata(const char* text) {
    IataCode code;
    code.key = (static_cast<std::uint32_t>(text[0]) << 16) | (static_cast<std::uint32_t>(text[1]) << 8) |
               static_cast<std::uint32_t>(text[2]);
    std::copy(text, text + 3, code.chars);
    return code;
}

struct SpawnTest : TrafficFixture, ::testing::Test {
    LiveUpdateSteps live;

    SpawnTest() {
        models.liveryTitles[1] = "Airline A320";
        link.user.latitude = 51.0;
        link.user.longitude = 9.0;
        state.user.latitude = 51.0;
        state.user.longitude = 9.0;
        state.user.altitudeAboveGroundFt = 3000.0;
    }

    // A buffered aircraft with two airborne samples at 20000 ft, the first due now.
    LiveAircraft& buffered(std::uint32_t hexId = 0x3C2000, std::string callsign = "DLH123") {
        LiveAircraft& a = addLive(hexId, SimState::buffer, 0, std::move(callsign));
        StreamSample second = a.samples.front();
        second.latitude += 0.05;
        second.deliveryTick = 500;
        a.samples.push_back(second);
        return a;
    }
    void toGround(LiveAircraft& a, double speedKt) {
        for (StreamSample& s : a.samples) {
            s.airborne = 0;
            s.altitudeFt = 300.0;
            s.groundSpeedKt = speedKt;
        }
    }
    void setParkAirport() {
        airports.parkAirport = {"EDDF", 50.0, 8.5};
        airports.parkAltitude = 364.0;
        airports.knownByCode["EDDF"] = {"EDDF", iata("FRA"), 50.0, 8.5};
    }
    Stand& addStand(double latitude, double longitude) {
        Stand stand;
        stand.id = "A" + std::to_string(state.parkStands.size() + 1);
        stand.number = static_cast<std::uint32_t>(state.parkStands.size() + 1);
        stand.latitude = latitude;
        stand.longitude = longitude;
        stand.heading = 1.0;
        state.parkStands.push_back(stand);
        return state.parkStands.back();
    }
};

TEST_F(SpawnTest, TheGateStepByStep) {
    SettingsGuard guard;
    enum class Outcome { removed, spawned, waits, frontDropped };
    struct Case {
        const char* name;
        std::function<void(SpawnTest&, LiveAircraft&)> arrange;
        Outcome outcome;
    };
    const Case cases[] = {
        {"1 empty stream", [](SpawnTest&, LiveAircraft& a) { a.samples.clear(); }, Outcome::removed},
        {"2 not yet due", [](SpawnTest&, LiveAircraft& a) { a.samples.front().deliveryTick = 10; }, Outcome::waits},
        {"3 a single sample", [](SpawnTest&, LiveAircraft& a) { a.samples.pop_back(); }, Outcome::removed},
        {"4 a removed ghost",
         [](SpawnTest& t, LiveAircraft& a) {
             a.info.head.callsign = "DLH123_";
             t.state.removedGhosts.push_back("DLH123_");
         },
         Outcome::removed},
        {"4 a ghost not removed", [](SpawnTest&, LiveAircraft& a) { a.info.head.callsign = "DLH123_"; },
         Outcome::spawned},
        {"5 on final below 700 ft",
         [](SpawnTest& t, LiveAircraft& a) {
             t.setParkAirport();
             a.samples.front().altitudeFt = 364.0 + 700.0;
         },
         Outcome::frontDropped},
        {"5 on final above 700 ft",
         [](SpawnTest& t, LiveAircraft& a) {
             t.setParkAirport();
             a.samples.front().altitudeFt = 364.0 + 701.0;
         },
         Outcome::spawned},
        {"5 a low helicopter",
         [](SpawnTest& t, LiveAircraft& a) {
             t.setParkAirport();
             a.info.sizeClass = SizeClass::Rotorcraft;
             a.samples.front().altitudeFt = 400.0;
         },
         Outcome::spawned},
        {"6 on the ground near the user",
         [](SpawnTest& t, LiveAircraft& a) {
             t.toGround(a, 5.0);
             t.state.user.onGround = true;
             t.state.user.altitudeAboveGroundFt = 0.0;
             t.motion.withinRadii = true;
         },
         Outcome::frontDropped},
        {"7 ten creations waiting",
         [](SpawnTest& t, LiveAircraft&) { t.state.liveCreationQueue.resize(11); }, Outcome::frontDropped},
        {"7 ten creations waiting, not at birth",
         [](SpawnTest& t, LiveAircraft& a) {
             t.state.liveCreationQueue.resize(11);
             a.situation = FlightSituation::flying;
         },
         Outcome::spawned},
        {"8 no live aircraft wanted",
         [](SpawnTest&, LiveAircraft&) { gf_updateSettings([](SettingsSnapshot& s) { s.maxLiveSel = 0; }); },
         Outcome::removed},
        {"8 the limit reached, this one the furthest",
         [](SpawnTest& t, LiveAircraft&) {
             gf_updateSettings([](SettingsSnapshot& s) { s.maxLiveSel = 1; });
             LiveAircraft& near = t.addLive(0x3C2FFF, SimState::active, 40);
             near.pose.latitude = 51.0;
             near.pose.longitude = 9.0;
         },
         Outcome::removed},
        {"11 a failed spawn below the TCAS level",
         [](SpawnTest& t, LiveAircraft& a) {
             a.samples.front().altitudeFt = 18000.0;
             t.live.lf_completeLiveryKey(t.state, a);
             t.state.failedSpawnSet.insert(gf_fnv1a64(lf_printSpawnLine(a.info)));
         },
         Outcome::removed},
        {"11 a failed spawn above the TCAS level",
         [](SpawnTest& t, LiveAircraft& a) {
             a.samples.front().altitudeFt = 18001.0;
             t.live.lf_completeLiveryKey(t.state, a);
             t.state.failedSpawnSet.insert(gf_fnv1a64(lf_printSpawnLine(a.info)));
         },
         Outcome::spawned},
        {"12 a ghost of a live aircraft",
         [](SpawnTest& t, LiveAircraft& a) {
             a.info.head.callsign = "DLH123_";
             t.addLive(0x3C2FFE, SimState::active, 41, "DLH123");
         },
         Outcome::removed},
        {"12 a ghost of an aircraft being removed",
         [](SpawnTest& t, LiveAircraft& a) {
             a.info.head.callsign = "DLH123_";
             t.addLive(0x3C2FFE, SimState::removingfromsim, 41, "DLH123");
         },
         Outcome::spawned},
        {"no livery", [](SpawnTest& t, LiveAircraft&) { t.models.liveryTitles.clear(); }, Outcome::removed},
        {"all clear", [](SpawnTest&, LiveAircraft&) {}, Outcome::spawned},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsGuard each;
        state.live.clear();
        state.removedGhosts.clear();
        state.liveCreationQueue.clear();
        state.addingStack.clear();
        state.failedSpawnSet.clear();
        airports.parkAirport = {};
        motion.withinRadii = false;
        state.user.onGround = false;
        state.user.altitudeAboveGroundFt = 3000.0;
        models.liveryTitles[1] = "Airline A320";
        models.keptLiveries.clear();
        buffered();
        c.arrange(*this, state.live[0]);
        const std::ptrdiff_t index = gf_findLiveIndex(state, 0x3C2000);
        ASSERT_GE(index, 0);
        LiveAircraft& a = state.live[static_cast<std::size_t>(index)];
        const std::size_t before = a.samples.size();
        live.updateLiveAc(state, a);
        switch (c.outcome) {
        case Outcome::removed:
            EXPECT_EQ(a.removed, 1);
            EXPECT_TRUE(state.addingStack.empty());
            break;
        case Outcome::spawned:
            EXPECT_EQ(a.simState, SimState::adding2sim);
            EXPECT_EQ(state.addingStack, std::vector<std::uint32_t>{0x3C2000});
            break;
        case Outcome::waits:
            EXPECT_EQ(a.simState, SimState::buffer);
            EXPECT_EQ(a.removed, 0);
            EXPECT_EQ(a.samples.size(), before);
            break;
        case Outcome::frontDropped:
            EXPECT_EQ(a.simState, SimState::buffer);
            EXPECT_EQ(a.removed, 0);
            EXPECT_EQ(a.samples.size(), before - 1);
            break;
        }
    }
}

TEST_F(SpawnTest, ALiveryFailureIsRememberedForTheRegistration) {
    models.liveryTitles.clear();
    LiveAircraft& a = buffered();
    live.updateLiveAc(state, a);
    EXPECT_EQ(a.removed, 1);
    EXPECT_EQ(state.failedSpawnSet.size(), 1u);
    ASSERT_EQ(models.noMatches.size(), 1u);
    EXPECT_EQ(models.noMatches[0], gf_aircraftText(a.info));
    // Past the matching depth nothing is remembered.
    state.live.clear();
    state.failedSpawnSet.clear();
    models.noMatches.clear();
    LiveAircraft& b = buffered();
    b.info.isCoverageOnly = 1;
    live.updateLiveAc(state, b);
    EXPECT_TRUE(state.failedSpawnSet.empty());
    EXPECT_TRUE(models.noMatches.empty());
}

TEST_F(SpawnTest, TheLiveryKeyIsCompletedFromTheRegistrationOrTheCallsign) {
    LiveAircraft& a = buffered(0x3C2001, "N123AB");
    a.info.head.liveryKey = {};
    a.info.head.registration = "N123AB";
    live.lf_completeLiveryKey(state, a);
    EXPECT_EQ(a.info.head.liveryKey.airlineId, 90); // PVT
    LiveAircraft& b = buffered(0x3C2002, "DLH4X");
    b.info.head.liveryKey = {};
    live.lf_completeLiveryKey(state, b);
    EXPECT_EQ(b.info.head.liveryKey.airlineId, 7);
    LiveAircraft& c = buffered(0x3C2003, "DLH5");
    LiveryKey known;
    known.modelId = 6;
    known.airlineId = 3;
    known.present = 1;
    models.registrations["D-AIZZ"] = known;
    c.info.head.registration = "D-AIZZ";
    live.lf_completeLiveryKey(state, c);
    EXPECT_EQ(c.info.head.liveryKey.modelId, 6);
    EXPECT_EQ(c.info.head.liveryKey.airlineId, 3);
}

TEST_F(SpawnTest, AStandingAircraftAtTheParkAirportIsBornAtItsStand) {
    setParkAirport();
    addStand(50.01, 8.51);
    steps.nearestStandIndex = 0;
    LiveAircraft& a = buffered();
    toGround(a, 0.0);
    a.samples[0].latitude = a.samples[1].latitude = 50.0101;
    a.samples[0].longitude = a.samples[1].longitude = 8.5101;
    a.samples[1].stationary = 1;
    live.updateLiveAc(state, a);
    const LiveAircraft& b = state.live[0];
    EXPECT_EQ(b.situation, FlightSituation::parked);
    EXPECT_EQ(b.standId, 1u);
    ASSERT_EQ(b.samples.size(), 1u);
    EXPECT_DOUBLE_EQ(b.samples[0].latitude, 50.01);
    EXPECT_DOUBLE_EQ(b.pose.headingRad, 1.0);
    EXPECT_EQ(b.simState, SimState::adding2sim);
    EXPECT_EQ(steps.count("gf_addRealStandOption 1 " + std::to_string(0x3C2000) + " 1"), 1);
    EXPECT_EQ(steps.count("gf_limitParkedAircraft"), 1);
}

TEST_F(SpawnTest, AStandAtBirthOnlyForASlowShortStream) {
    struct Case {
        const char* name;
        double speedKt;
        double lastDLat; // how far the last sample lies from the front
        FlightSituation situation;
        std::size_t samples; // after the step
    };
    const Case cases[] = {
        {"creeping on the stand", 5.0, 0.0002, FlightSituation::parked, 1},    // 22 m
        {"moved 40 m", 5.0, 0.00036, FlightSituation::taxi, 2},                // 40 m
        {"faster than 6 kt", 7.0, 0.0002, FlightSituation::taxi, 2},
        {"faster than 30 kt: waits", 31.0, 0.0002, FlightSituation::birth, 1}, // front dropped
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state.live.clear();
        state.parkStands.clear();
        setParkAirport();
        addStand(50.01, 8.51);
        steps.nearestStandIndex = 0;
        LiveAircraft& a = buffered();
        toGround(a, c.speedKt);
        a.samples[0].latitude = 50.01;
        a.samples[0].longitude = 8.51;
        a.samples[1].latitude = 50.01 + c.lastDLat;
        a.samples[1].longitude = 8.51;
        live.updateLiveAc(state, a);
        EXPECT_EQ(state.live[0].situation, c.situation);
        EXPECT_EQ(state.live[0].samples.size(), c.samples);
    }
}

TEST_F(SpawnTest, AStandTakenByAnotherLiveAircraftRemovesTheNewcomer) {
    setParkAirport();
    addStand(50.01, 8.51).overlaps = {2};
    addStand(50.0102, 8.51);
    steps.nearestStandIndex = 0;
    LiveAircraft& neighbour = addLive(0x3C2FFD, SimState::active, 42);
    neighbour.situation = FlightSituation::parked;
    neighbour.standId = 2;
    steps.liveConflict = true;
    LiveAircraft& a = buffered();
    toGround(a, 0.0);
    a.samples[1] = a.samples[0];
    a.samples[1].stationary = 1;
    live.updateLiveAc(state, state.live[1]);
    EXPECT_EQ(state.live[1].removed, 1);
    // The same place again is not searched again while nothing was found there.
    steps.liveConflict = false;
    steps.nearestStandIndex.reset();
    state.live[1].removed = 0;
    EXPECT_FALSE(live.lf_findStandAtBirth(state, state.live[1]).has_value());
    EXPECT_EQ(state.live[1].birthStandFound, 0);
}

TEST_F(SpawnTest, TheUsersStandIsNoBirthStand) {
    setParkAirport();
    addStand(50.01, 8.51);
    steps.nearestStandIndex = 0;
    airports.userStand = "A1";
    LiveAircraft& a = buffered();
    toGround(a, 0.0);
    a.samples[1] = a.samples[0];
    a.samples[1].stationary = 1;
    EXPECT_FALSE(live.lf_findStandAtBirth(state, a).has_value());
    EXPECT_EQ(a.removed, 0);
}

struct PromotionTest : SpawnTest {
    StaticAircraft& parkedStatic(std::uint32_t objectId) {
        AircraftInfo info;
        info.hexId = 21;
        info.head.callsign = "STATIC1";
        info.head.registration = "D-ABCD";
        info.liveryTitle = "Static livery";
        state.statics.emplace_back(info, 1, StandPose{50.01, 8.51, 1.0}, false, "A1");
        StaticAircraft& s = state.statics.back();
        s.simState = SimState::active;
        s.objectId = objectId;
        return s;
    }
    LiveAircraft& bornAtStand() {
        setParkAirport();
        addStand(50.01, 8.51);
        steps.nearestStandIndex = 0;
        LiveAircraft& a = buffered();
        toGround(a, 0.0);
        a.samples[0].latitude = 50.01;
        a.samples[0].longitude = 8.51;
        a.samples[1] = a.samples[0];
        a.samples[1].stationary = 1;
        return a;
    }
};

TEST_F(PromotionTest, APromotionNeedsAnObjectIdOfAtLeastThree) {
    for (const std::uint32_t objectId : {2u, 3u}) {
        SCOPED_TRACE(objectId);
        state.live.clear();
        state.statics.clear();
        state.parkStands.clear();
        state.addingStack.clear();
        link.promoted.clear();
        parkedStatic(objectId);
        LiveAircraft& a = bornAtStand();
        steps.standClaims.insert({1, 0x3C2000});
        a.promotionCandidate = 21;
        a.standId = 1;
        a.situation = FlightSituation::parked;
        const bool promoted = live.lf_promoteStaticToLive(state, a);
        EXPECT_EQ(promoted, objectId >= 3);
        // A refused promotion withdraws nothing: the static keeps its record and object.
        EXPECT_EQ(state.statics.size(), promoted ? 0u : 1u);
        EXPECT_EQ(link.promoted.size(), promoted ? 1u : 0u);
        EXPECT_EQ(state.live[0].objectId, promoted ? objectId : 0u);
        EXPECT_TRUE(state.removalQueue.empty());
    }
}

TEST_F(PromotionTest, APromotionRefusedWithoutTheStandClaimLeavesTheStatic) {
    parkedStatic(30);
    LiveAircraft& a = bornAtStand();
    a.promotionCandidate = 21;
    a.standId = 1;
    EXPECT_FALSE(live.lf_promoteStaticToLive(state, a));
    steps.standClaims.insert({1, 0x3C2000});
    steps.standUse = 1;
    EXPECT_FALSE(live.lf_promoteStaticToLive(state, a));
    EXPECT_EQ(state.statics.size(), 1u);
    EXPECT_EQ(state.statics[0].objectId, 30u);
    EXPECT_EQ(live.promotionCount(), 0u);
}

TEST_F(PromotionTest, APromotedStaticEndsActiveNotStuck) {
    LogCapture log;
    parkedStatic(30);
    state.addingStack.push_back(21);
    state.learnedStandMatchQueue.push_back(21);
    state.delayedLightCommands.push_back({21, 500, 2});
    steps.promotionAnswer = 21;
    steps.standClaims.insert({1, 0x3C2000});
    LiveAircraft& a = bornAtStand();
    live.updateLiveAc(state, a);
    LiveAircraft& b = state.live[0];
    ASSERT_EQ(b.promoted, 1);
    EXPECT_EQ(b.objectId, 30u);
    EXPECT_EQ(b.info.liveryTitle, "Static livery");
    EXPECT_TRUE(state.statics.empty());
    EXPECT_EQ(std::count(state.addingStack.begin(), state.addingStack.end(), 21u), 0);
    EXPECT_EQ(std::count(state.learnedStandMatchQueue.begin(), state.learnedStandMatchQueue.end(), 21u), 0);
    EXPECT_TRUE(state.delayedLightCommands.empty());
    EXPECT_EQ(link.promoted, std::vector<std::uint32_t>{30});
    // Without readbacks it waits as a delayed command, then becomes active.
    EXPECT_EQ(b.simState, SimState::adding2sim);
    ASSERT_EQ(live.simCommands().size(), 1u);
    EXPECT_EQ(static_cast<std::uint32_t>(live.simCommands()[0].kind), kPromotionCommandKind);
    for (int i = 0; i < 501; ++i) {
        live.lf_drainSimEvents(state);
        ++state.tickCount;
    }
    EXPECT_EQ(state.live[0].simState, SimState::active);
    EXPECT_TRUE(live.simCommands().empty());
    EXPECT_EQ(live.promotionCount(), 1u);
    const auto lines = log.lines();
    EXPECT_NE(std::find_if(lines.begin(), lines.end(),
                           [](const std::string& l) {
                               return l.find("STATIC1  D-ABCD promoted to live DLH123 D-A352") != std::string::npos;
                           }),
              lines.end());
}

TEST_F(PromotionTest, APromotedStaticWithItsReadbacksIsActiveAtOnce) {
    StaticAircraft& s = parkedStatic(30);
    s.simPoseKnown = 1;
    s.simPose = {50.0101, 8.5101, 0.01, 0.0, 1.1, 380.0, 0.0, 0.0};
    s.cgKnown = 1;
    steps.promotionAnswer = 21;
    steps.standClaims.insert({1, 0x3C2000});
    live.updateLiveAc(state, bornAtStand());
    const LiveAircraft& b = state.live[0];
    EXPECT_EQ(b.simState, SimState::active);
    EXPECT_DOUBLE_EQ(b.pose.latitude, 50.0101);
    EXPECT_DOUBLE_EQ(b.pose.headingRad, 1.1);
    EXPECT_TRUE(live.simCommands().empty());
}

struct RespawnTest : SpawnTest {
    LiveAircraft& flying() {
        LiveAircraft& a = addLive(0x3C2100, SimState::active, 50, "DLH400");
        a.situation = FlightSituation::flying;
        a.info.head.route = {iata("FRA"), iata("JFK")};
        a.info.liveryTitle = "Airline A320";
        return a;
    }
    TrafficRecord next(const char* origin, const char* destination) {
        TrafficRecord r = record(0x3C2100, "DLH400", 2000.0);
        r.head.registration = state.live[0].info.head.registration;
        r.head.route = {origin ? iata(origin) : IataCode{}, destination ? iata(destination) : IataCode{}};
        return r;
    }
};

TEST_F(RespawnTest, ABothEndsRouteChangeRespawnsOnTheThirdSighting) {
    flying();
    EXPECT_TRUE(live.lf_checkRespawn(state, state.live[0], next("MUC", "LHR")));
    EXPECT_TRUE(live.lf_checkRespawn(state, state.live[0], next("MUC", "LHR")));
    EXPECT_EQ(state.live[0].simState, SimState::active);
    EXPECT_FALSE(live.lf_checkRespawn(state, state.live[0], next("MUC", "LHR")));
    EXPECT_EQ(state.live[0].simState, SimState::liveryrespawn);
    EXPECT_EQ(state.live[0].info.head.route.origin, iata("MUC"));
    EXPECT_EQ(state.removalQueue, std::deque<std::uint32_t>{50});
}

TEST_F(RespawnTest, ARouteChangeThatIsNotRepeatedOrOneEndedNeverRespawns) {
    flying();
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(live.lf_checkRespawn(state, state.live[0], next("FRA", "LHR")));
    }
    EXPECT_TRUE(live.lf_checkRespawn(state, state.live[0], next("MUC", "LHR")));
    EXPECT_TRUE(live.lf_checkRespawn(state, state.live[0], next("MUC", "BOS")));
    EXPECT_TRUE(live.lf_checkRespawn(state, state.live[0], next("MUC", "LHR")));
    EXPECT_TRUE(live.lf_checkRespawn(state, state.live[0], next("MUC", "LHR")));
    EXPECT_EQ(state.live[0].simState, SimState::active);
    EXPECT_EQ(state.live[0].info.head.route.destination, iata("JFK"));
}

TEST_F(RespawnTest, AFilledInRouteEndCountsAsAChange) {
    LiveAircraft& a = flying();
    a.info.head.route.destination = {};
    EXPECT_FALSE(live.lf_checkRespawn(state, a, next("FRA", "JFK")));
    EXPECT_EQ(state.live[0].info.head.route.destination, iata("JFK"));
}

TEST_F(RespawnTest, NoRespawnInTheSituationsThatForbidIt) {
    for (const FlightSituation situation :
         {FlightSituation::pushing_back, FlightSituation::takeoff_roll, FlightSituation::takeoff,
          FlightSituation::landing, FlightSituation::landing_roll, FlightSituation::parking,
          FlightSituation::parked}) {
        state.live.clear();
        flying().situation = situation;
        state.live[0].info.head.route.destination = {};
        EXPECT_TRUE(live.lf_checkRespawn(state, state.live[0], next("FRA", "JFK")));
        EXPECT_FALSE(state.live[0].info.head.route.destination.key != 0);
    }
}

TEST_F(RespawnTest, ARegistrationEqualToTheCallsignNeverCountsAsKnown) {
    struct Case {
        const char* name;
        const char* oldRegistration;
        const char* newRegistration;
        std::uint8_t known;
    };
    const Case cases[] = {
        {"from empty", "", "D-AIAB", 1},
        {"from the callsign", "DLH400", "D-AIAB", 1},
        {"to the callsign", "", "DLH400", 0},
        {"from another", "D-AIXX", "D-AIAB", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state.live.clear();
        LiveAircraft& a = flying();
        a.situation = FlightSituation::landing; // no respawn: only the flag is judged
        a.info.head.registration = c.oldRegistration;
        TrafficRecord r = next("FRA", "JFK");
        r.head.registration = c.newRegistration;
        live.lf_checkRespawn(state, a, r);
        EXPECT_EQ(state.live[0].registrationBecameKnown, c.known);
        EXPECT_EQ(state.live[0].info.head.registration, c.newRegistration);
    }
}

TEST_F(RespawnTest, AKnownRegistrationWithAnotherLiveryRespawnsAtBirth) {
    LiveAircraft& a = flying();
    a.info.head.registration = "";
    LiveryKey key;
    key.modelId = 6;
    key.present = 1;
    models.registrations["D-AIAB"] = key;
    models.liveryTitles[6] = "Airline B738";
    TrafficRecord r = next("FRA", "JFK");
    r.head.registration = "D-AIAB";
    EXPECT_FALSE(live.lf_checkRespawn(state, a, r));
    const LiveAircraft& b = state.live[0];
    EXPECT_EQ(b.simState, SimState::liveryrespawn);
    EXPECT_EQ(b.situation, FlightSituation::birth);
    EXPECT_EQ(b.info.liveryTitle, "Airline B738");
    EXPECT_EQ(b.info.head.liveryKey.modelId, 6);
    EXPECT_EQ(models.forgotten, std::vector<std::uint32_t>{0x3C2100});
    EXPECT_EQ(b.registrationBecameKnown, 0);
}

TEST_F(RespawnTest, ACallsignChangeIsMergedAndTheAtcIdFollows) {
    LogCapture log;
    LiveAircraft& a = flying();
    TrafficRecord r = next("FRA", "JFK");
    r.head.callsign = "DLH401";
    EXPECT_TRUE(live.lf_checkRespawn(state, a, r));
    EXPECT_EQ(state.live[0].info.head.callsign, "DLH401");
    ASSERT_EQ(link.atcIds.size(), 1u);
    EXPECT_EQ(link.atcIds[0].atcId, "DLH401");
    const auto lines = log.lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "                callsign changed DLH400 -> DLH401");
    // A ghost of a live aircraft is refused.
    addLive(0x3C2101, SimState::active, 51, "BAW9");
    r.head.callsign = "BAW9_";
    EXPECT_FALSE(live.lf_checkRespawn(state, state.live[0], r));
    EXPECT_EQ(state.live[0].info.head.callsign, "DLH401");
}

TEST_F(RespawnTest, ABufferedAircraftTakesTheNewIdentity) {
    LiveAircraft& a = buffered(0x3C2102, "OLD1");
    TrafficRecord r = record(0x3C2102, "NEW1", 2000.0);
    r.head.route = {iata("FRA"), {}};
    r.head.registration = "";
    EXPECT_TRUE(live.lf_checkRespawn(state, a, r));
    EXPECT_EQ(a.info.head.callsign, "NEW1");
    EXPECT_EQ(a.info.head.route.origin, iata("FRA"));
    EXPECT_FALSE(a.info.head.registration.empty());
}

} // namespace
} // namespace kiv
