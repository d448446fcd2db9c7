#include <gtest/gtest.h>

#include "stand_fixture.h"
#include "traffic/aircraft_removal.h"
#include "traffic/sim_queues.h"

namespace kiv {
namespace {

using test_support::LogCapture;
using test_support::StandFixture;

class RemovalPoliciesTest : public ::testing::Test, public StandFixture {};

TrafficRecord groundRecord(std::uint32_t hexId, double time, double northM, std::uint8_t airborne = 0) {
    TrafficRecord r = test_support::TrafficFixture::record(hexId, "Q1", time);
    r.sample.latitude = test_support::kBaseLat + test_support::northDeg(northM);
    r.sample.longitude = test_support::kBaseLon;
    r.sample.airborne = airborne;
    return r;
}

TEST_F(RemovalPoliciesTest, JumpQuarantineReleasesOnTheThirdNearbyRecordOrAtOnceWhenAirborne) {
    struct Step {
        double time;
        double northM;
        std::uint8_t airborne;
        bool released;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"third record within 150 m", {{1010, 50, 0, false}, {1020, 100, 0, true}}},
        {"airborne at once", {{1010, 5000, 1, true}}},
        {"far record starts over", {{1010, 50, 0, false}, {1020, 400, 0, false}, {1030, 420, 0, false},
                                    {1040, 430, 0, true}}},
        {"more than 60 s starts over", {{1010, 50, 0, false}, {1071, 60, 0, false}, {1080, 70, 0, false},
                                        {1090, 75, 0, true}}},
        {"no time passed keeps the count", {{1000, 10, 0, false}, {1010, 20, 0, false}, {1020, 30, 0, true}}},
    };
    for (const Case& c : cases) {
        state.jumpQuarantine.clear();
        stand.enterJumpQuarantine(state, groundRecord(7001, 1000.0, 0.0));
        for (const Step& s : c.steps) {
            EXPECT_EQ(stand.lf_jumpQuarantineReleases(state, groundRecord(7001, s.time, s.northM, s.airborne)),
                      s.released)
                << c.name << " at " << s.time;
        }
        EXPECT_FALSE(state.jumpQuarantine.contains(7001)) << c.name;
    }
    EXPECT_TRUE(stand.lf_jumpQuarantineReleases(state, groundRecord(7002, 2000.0, 0.0))) << "never quarantined";
}

TEST_F(RemovalPoliciesTest, JumpQuarantineForgetsEntriesOlderThanItsWindow) {
    stand.enterJumpQuarantine(state, groundRecord(7001, 1000.0, 0.0));
    stand.enterJumpQuarantine(state, groundRecord(7002, 1050.0, 0.0));
    EXPECT_TRUE(stand.lf_jumpQuarantineReleases(state, groundRecord(7003, 1061.0, 0.0)));
    EXPECT_FALSE(state.jumpQuarantine.contains(7001)) << "61 s old";
    EXPECT_TRUE(state.jumpQuarantine.contains(7002)) << "11 s old";
    stand.clearStepState(state);
    EXPECT_TRUE(state.jumpQuarantine.empty());
}

TEST_F(RemovalPoliciesTest, GhostWithUnderscoreIsRemovedAndRemembered) {
    LogCapture log;
    addStand("A1", 0.0);
    LiveAircraft& ghost = addGroundLive(7001, "ABC123_");
    parkOn(ghost, 1);
    addGroundLive(7002, "XYZ9_");
    stand.lf_removeGhostWithUnderscoreIfPresent(state, "ABC123");
    stand.lf_removeGhostWithUnderscoreIfPresent(state, "XYZ9");
    stand.lf_removeGhostWithUnderscoreIfPresent(state, "");
    EXPECT_EQ(state.live[0].simState, SimState::removingfromsim);
    EXPECT_EQ(state.live[1].simState, SimState::removingfromsim);
    EXPECT_EQ(state.removedGhosts, (std::vector<std::string>{"ABC123_", "XYZ9_"}));
    const auto lines = log.lines();
    EXPECT_TRUE(anyLineHas(lines, "A1            : ABC123_  is a ghost and will be removed, continue with ABC123"));
    EXPECT_TRUE(anyLineHas(lines, "          XYZ9_    is a ghost and will be removed, continue with XYZ9"));
    // Once removing, it is not found again.
    stand.lf_removeGhostWithUnderscoreIfPresent(state, "ABC123");
    EXPECT_EQ(state.removedGhosts.size(), 2U);
}

TEST_F(RemovalPoliciesTest, LiveWithoutUnderscoreNeedsANonEmptyBase) {
    addGroundLive(7001, "ABC123");
    LiveAircraft& blank = addGroundLive(7002, "X");
    blank.info.head.callsign.clear();
    EXPECT_TRUE(stand.lf_liveWithoutUnderscoreExists(state, "ABC123_"));
    EXPECT_FALSE(stand.lf_liveWithoutUnderscoreExists(state, "ABC124_"));
    EXPECT_FALSE(stand.lf_liveWithoutUnderscoreExists(state, "_")) << "an empty base names nobody";
    EXPECT_FALSE(stand.lf_liveWithoutUnderscoreExists(state, ""));
    state.live[0].simState = SimState::removingfromsim;
    EXPECT_FALSE(stand.lf_liveWithoutUnderscoreExists(state, "ABC123_"));
}

TEST_F(RemovalPoliciesTest, StaticTwinOfANewLiveAircraftIsRemoved) {
    struct Case {
        const char* name;
        std::string liveCallsign, liveThird, liveReg;
        std::string staticPrev, staticThird, staticReg;
        bool removed;
    };
    const Case cases[] = {
        {"registration", "DLH1", "", "D-AIAB", "", "", "D-AIAB", true},
        {"callsign is the static's previous callsign", "DLH1", "", "", "DLH1", "", "", true},
        {"callsign is the static's third text", "DLH1", "", "", "", "DLH1", "", true},
        {"third text is the static's previous callsign", "DLH1", "LH1", "", "LH1", "", "", true},
        {"underscore ghost of the previous callsign", "DLH1_", "", "", "DLH1", "", "", true},
        {"empty texts never match", "DLH1", "", "", "", "", "", false},
        {"a lone underscore names nobody", "_", "", "", "", "", "", false},
        {"other registration", "DLH1", "", "D-AIAB", "", "", "D-AIAC", false},
    };
    for (const Case& c : cases) {
        state.live.clear();
        state.statics.clear();
        LiveAircraft& live = addGroundLive(7001, c.liveCallsign);
        live.info.head.thirdText = c.liveThird;
        live.info.head.registration = c.liveReg;
        addStatic(5, 0, SimState::adding2sim, 0, "S0", c.staticReg).info.head.prevCallsign = c.staticPrev;
        StaticAircraft& twin = addStatic(6, 0, SimState::active, 0, "S1", c.staticReg);
        twin.info.head.prevCallsign = c.staticPrev;
        twin.info.head.thirdText = c.staticThird;
        addStatic(7, 0, SimState::active, 0, "S2", c.staticReg).info.head.prevCallsign = c.staticPrev;
        EXPECT_FALSE(stand.lf_checkForStaticWithCallsignOrHexidAndRemove(state, 7001, true)) << c.name;
        EXPECT_EQ(state.statics[1].simState == SimState::removingfromsim, c.removed) << c.name;
        EXPECT_EQ(state.statics[0].simState, SimState::adding2sim) << c.name << ": only active ones";
        if (c.removed) {
            EXPECT_EQ(state.statics[2].simState, SimState::active) << c.name << ": the first match only";
        }
    }
    EXPECT_FALSE(stand.lf_checkForStaticWithCallsignOrHexidAndRemove(state, 9999, true)) << "vanished live";
}

TEST_F(RemovalPoliciesTest, ParkedTwinOfGroundTrafficOneRemovalPerRun) {
    addStand("A1", 0.0);
    LiveAircraft& live = addGroundLive(7001, "DLH1");
    live.info.head.registration = "D-AIAB";
    addStatic(5, 1, SimState::active, 0, "X", "D-AIAC").info.head.prevCallsign = "DLH1"; // both regs: must equal
    StaticAircraft& waited = addStatic(6, 1, SimState::active, 0, "Y", "D-AIAB");
    addStatic(7, 1, SimState::active, 0, "Z", "D-AIAB");
    live.standWork.jetwayWait = {1, 1, waited.objectId, 6, 0};

    stand.gf_checkForAllGndIfParkedVersionExistsAndRemove(state);
    EXPECT_EQ(state.statics[0].simState, SimState::active) << "registrations differ";
    EXPECT_EQ(state.statics[1].simState, SimState::active) << "named by the jetway wait";
    EXPECT_EQ(state.statics[2].simState, SimState::removingfromsim);

    // Without registrations the callsign decides; a flying aircraft is not looked at.
    state.statics.clear();
    state.live[0].info.head.registration.clear();
    addStatic(8, 1, SimState::active, 0, "P").info.head.thirdText = "DLH1";
    addStatic(9, 1, SimState::active, 0, "Q").info.head.thirdText = "DLH1";
    state.live[0].onGround = 0;
    stand.gf_checkForAllGndIfParkedVersionExistsAndRemove(state);
    EXPECT_EQ(state.statics[0].simState, SimState::active);
    state.live[0].onGround = 1;
    stand.gf_checkForAllGndIfParkedVersionExistsAndRemove(state);
    EXPECT_EQ(state.statics[0].simState, SimState::removingfromsim);
    EXPECT_EQ(state.statics[1].simState, SimState::active);
}

TEST_F(RemovalPoliciesTest, CollisionCheckMakesOneFullPassInSixtyCalls) {
    addStand("A1", 200.0);
    addStatic(5, 1);
    addGroundLive(7001, "DLH1");
    stand.gf_checkLiveWithParkedCollisions(state); // first look, and a new static set
    EXPECT_EQ(motion.withinRadiiCalls, 1);
    motion.withinRadiiCalls = 0;
    for (int call = 2; call <= 61; ++call) {
        stand.gf_checkLiveWithParkedCollisions(state);
    }
    EXPECT_EQ(motion.withinRadiiCalls, 1) << "the aircraft did not move: the 60th call alone looks";

    motion.withinRadiiCalls = 0;
    ++state.staticSetGeneration;
    stand.gf_checkLiveWithParkedCollisions(state);
    EXPECT_EQ(motion.withinRadiiCalls, 1) << "a new static set";

    motion.withinRadiiCalls = 0;
    state.live[0].pose.latitude += test_support::northDeg(6.0);
    stand.gf_checkLiveWithParkedCollisions(state);
    EXPECT_EQ(motion.withinRadiiCalls, 1) << "moved 6 m";
    state.live[0].pose.latitude += test_support::northDeg(5.0);
    stand.gf_checkLiveWithParkedCollisions(state);
    EXPECT_EQ(motion.withinRadiiCalls, 1) << "moved 5 m: below 0.003 NM";
}

TEST_F(RemovalPoliciesTest, SwitchedOffClassIsRemovedFromEveryList) {
    LogCapture log;
    models.classes[2] = SizeClass::Light;
    addStand("A1", 0.0);
    LiveAircraft& light = addGroundLive(7001, "DEABC");
    light.info.sizeClass = SizeClass::Light;
    light.info.head.liveryKey.modelId = 2;
    addGroundLive(7002, "DLH1");
    StaticAircraft& active = addStatic(5, 1, SimState::active, 0, "S5");
    active.info.sizeClass = SizeClass::Light;
    active.info.head.liveryKey.modelId = 2;
    addStatic(6, 1, SimState::adding2sim).info.sizeClass = SizeClass::Light; // queued
    addStatic(7, 1, SimState::adding2sim).info.sizeClass = SizeClass::Light; // with the simulator
    addStatic(8, 1, SimState::active);                                       // Large
    CreateCommand queued;
    queued.hexId = 6;
    state.staticCreationQueue.push_back(queued);
    StaticCandidate lightAdd;
    lightAdd.key.modelId = 2;
    StaticCandidate largeAdd;
    largeAdd.key.modelId = 1;
    state.pendingParkedAdds = {lightAdd, largeAdd};

    stand.gf_removeLiveAircraftCategory(state, SizeClass::Light);
    EXPECT_EQ(state.live[0].simState, SimState::removingfromsim);
    EXPECT_EQ(state.live[1].simState, SimState::active);

    stand.gf_removeStaticAircraftCategory(state, SizeClass::Light);
    ASSERT_EQ(state.statics.size(), 3U) << "the cancelled creation leaves the table";
    EXPECT_EQ(state.statics[0].simState, SimState::removingfromsim);
    EXPECT_EQ(state.statics[1].info.hexId, 7U);
    EXPECT_EQ(state.statics[1].removePending, 1);
    EXPECT_EQ(state.statics[2].simState, SimState::active);
    EXPECT_TRUE(state.staticCreationQueue.empty());
    EXPECT_EQ(steps.count("lf_dropSimCommands 6 0"), 1);
    ASSERT_EQ(state.pendingParkedAdds.size(), 1U);
    EXPECT_EQ(state.pendingParkedAdds[0].key.modelId, 1);
    EXPECT_TRUE(anyLineHas(log.lines(), "DEABC C172 removed because 'Light' no longer included category"));
}

TEST_F(RemovalPoliciesTest, RemoveAllStaticAndTheAirportsLiveTraffic) {
    LogCapture log;
    addStand("A1", 0.0);
    addStatic(5, 1, SimState::active, 0, "S5");
    addStatic(6, 1, SimState::adding2sim);
    CreateCommand queued;
    queued.hexId = 6;
    state.staticCreationQueue.push_back(queued);
    LiveAircraft& taxiing = addGroundLive(7001, "DLH1");
    parkOn(taxiing, 1);
    taxiing.situation = FlightSituation::taxi;
    addGroundLive(7002, "DLH2", 0, 0, FlightSituation::flying);
    addGroundLive(7003, "DLH3", 0, 0, FlightSituation::parked).simState = SimState::adding2sim;
    queued.hexId = 7003;
    state.liveCreationQueue.push_back(queued);

    stand.lf_removeAllStaticAndLiveAtAirport(state);
    ASSERT_EQ(state.statics.size(), 1U);
    EXPECT_EQ(state.statics[0].simState, SimState::removingfromsim);
    ASSERT_EQ(state.live.size(), 2U) << "the cancelled live creation leaves the table";
    EXPECT_EQ(state.live[0].simState, SimState::removingfromsim);
    EXPECT_EQ(state.live[0].standId, 0U);
    EXPECT_EQ(state.live[0].standLat, 0.0);
    EXPECT_EQ(state.live[1].simState, SimState::active) << "flying aircraft stay";
    EXPECT_TRUE(state.liveCreationQueue.empty());
    EXPECT_TRUE(anyLineHas(log.lines(), "A1            : S5       removed"));
}

TEST_F(RemovalPoliciesTest, UserDestinationStandRemovesStaticFirstThenLive) {
    addStand("A1", 0.0);
    addStand("A2", 100.0);
    LiveAircraft& live = addGroundLive(7001, "DLH1");
    parkOn(live, 1);
    addStatic(5, 2, SimState::active);
    addStatic(6, 1, SimState::adding2sim);
    addStatic(7, 1, SimState::active);
    stand.gf_clearUserDestGate(state, "B9");
    stand.gf_clearUserDestGate(state, "A1");
    EXPECT_EQ(state.statics[2].simState, SimState::removingfromsim);
    EXPECT_EQ(state.statics[0].simState, SimState::active);
    EXPECT_EQ(state.live[0].simState, SimState::active);
    state.statics[2].simState = SimState::removingfromsim;
    stand.gf_clearUserDestGate(state, "A1");
    EXPECT_EQ(state.live[0].simState, SimState::removingfromsim);
}

TEST_F(RemovalPoliciesTest, LiveFitIsTheMeanParkedTimeInHours) {
    auto slot = [](std::int32_t day, std::int32_t s) {
        return WeekdaySlot{static_cast<std::uint64_t>(day) | (static_cast<std::uint64_t>(s) << 32)};
    };
    struct Case {
        const char* name;
        std::vector<WeekdaySlot> parked;
        std::string post;
        std::uint64_t count;
    };
    const Case cases[] = {
        {"three slots", {slot(3, 7)}, "LiveFit 2.0", 1},
        {"over midnight", {slot(2, 46)}, "LiveFit 6.5", 1},         // 12 slots: 6 + 0.5
        {"over the week's end", {slot(7, 47)}, "LiveFit 54.0", 1}, // Sunday 23:30 to Wednesday 05:00: 107 slots
        {"this slot or later does not count", {slot(3, 10), slot(3, 11)}, "LiveFit 0.0", 2},
        {"no clock", {slot(-1, 0)}, "LiveFit 0.0", 1},
        {"nobody parked", {}, "LiveFit 0.0", 0},
    };
    state.currentSlot = slot(3, 10).packed;
    for (const Case& c : cases) {
        state.live.clear();
        shell.posts.clear();
        std::uint32_t hex = 7001;
        for (WeekdaySlot parked : c.parked) {
            LiveAircraft& a = addGroundLive(hex++, "P", 0, 0, FlightSituation::parked);
            a.parkedSlot = parked;
        }
        addGroundLive(hex, "T"); // taxiing: not parked
        EXPECT_EQ(stand.gf_countLiveParked(state, true), c.count) << c.name;
        ASSERT_EQ(shell.posts.size(), 1U) << c.name;
        EXPECT_EQ(shell.posts[0], c.post) << c.name;
    }
    shell.posts.clear();
    stand.gf_countLiveParked(state, false);
    EXPECT_TRUE(shell.posts.empty());
}

TEST_F(RemovalPoliciesTest, JetwayRemovalsRunWhenDueAndRetryAfterAFailure) {
    LogCapture log;
    addStand("A1", 0.0);
    StaticAircraft& parked = addStatic(5, 1, SimState::active, 0, "S5");
    parked.jetwayRemovalToken = 77;
    LiveAircraft& live = addGroundLive(7001, "DLH1");
    live.jetwayRemovalToken = 78;
    clock.now = 10'000'000'000;
    stand.queueJetwayRemoval({0, 12'000'000'000, parked.objectId, 5, 77, 0});
    stand.queueJetwayRemoval({0, 11'000'000'000, parked.objectId, 5, 99, 0}); // another token
    stand.queueJetwayRemoval({0, 11'000'000'000, live.objectId, 7001, 78, 1});

    stand.lf_processPendingAircraftRemovals(state);
    EXPECT_EQ(stand.pendingJetwayRemovals(), 3U) << "none due yet";
    clock.now = 11'000'000'000;
    stand.lf_processPendingAircraftRemovals(state);
    EXPECT_EQ(stand.pendingJetwayRemovals(), 1U);
    EXPECT_EQ(state.statics[0].simState, SimState::active) << "token differs";
    EXPECT_EQ(state.live[0].simState, SimState::active) << "a live aircraft that left its stand stays";
    EXPECT_EQ(state.live[0].jetwayRemovalToken, 0U);
    clock.now = 14'500'000'000;
    stand.lf_processPendingAircraftRemovals(state);
    EXPECT_EQ(state.statics[0].simState, SimState::removingfromsim);
    EXPECT_TRUE(anyLineHas(log.lines(), "A1            : S5       static jetway removal requested after 14 s"));
}

TEST_F(RemovalPoliciesTest, CancelledStaticCreationLeavesTheTableWithTheNextErase) {
    addStand("A1", 0.0);
    addStatic(5, 1, SimState::adding2sim);
    CreateCommand queued;
    queued.hexId = 5;
    state.staticCreationQueue.push_back(queued);
    removeAircraftFromSim(state, state.statics[0]);
    ASSERT_EQ(state.statics[0].creationCancelled, 1);
    lf_updateAllLiveAc(state);
    EXPECT_TRUE(state.statics.empty());
    EXPECT_EQ(steps.count("lf_cleanupCancelledStatic 5"), 1);
}

TEST_F(RemovalPoliciesTest, DeferredParkedAddsWaitForTheirStandAndTheLimit) {
    addStand("A1", 0.0);
    addStand("A2", 100.0, 30.0, ParkingType::gate_heavy, {3});
    addStand("A3", 200.0);
    addStand("A4", 300.0);
    addStatic(5, 2, SimState::removingfromsim); // A2 excludes A3
    addStatic(6, 4, SimState::active);
    auto add = [](std::int32_t standId) {
        StaticCandidate c;
        c.standId = standId;
        return c;
    };
    struct Case {
        const char* name;
        std::int32_t limit;
        std::size_t released;
    };
    const Case cases[] = {{"no limit", -1, 2}, {"room left", 3, 2}, {"limit reached", 2, 0}};
    for (const Case& c : cases) {
        state.maxParkCount = c.limit;
        state.pendingParkedAdds.clear();
        state.deferredParkedAdds = {add(1), add(2), add(3), add(4)};
        stand.lf_releaseDeferredParkedAdds(state);
        ASSERT_EQ(state.pendingParkedAdds.size(), c.released) << c.name;
        if (c.released == 2) {
            EXPECT_EQ(state.pendingParkedAdds[0].standId, 1) << c.name;
            EXPECT_EQ(state.pendingParkedAdds[1].standId, 4) << c.name;
            ASSERT_EQ(state.deferredParkedAdds.size(), 2U);
            EXPECT_EQ(state.deferredParkedAdds[0].standId, 2);
            EXPECT_EQ(state.deferredParkedAdds[1].standId, 3);
        }
    }
    EXPECT_EQ(stand.lf_countParkedAircraft(state), 2U);
}

TEST_F(RemovalPoliciesTest, LiveCreationWaitsWhileAStaticLeavesItsStand) {
    addStand("A1", 0.0, 30.0, ParkingType::gate_heavy, {2});
    addStand("A2", 100.0);
    LiveAircraft& live = addGroundLive(7001, "DLH1", 0, 0, FlightSituation::parked);
    parkOn(live, 1);
    live.simState = SimState::adding2sim;
    live.info.head.registration = "D-AIAB";
    StaticAircraft& twin = addStatic(5, 1, SimState::active, 0, "S5", "D-AIAB");
    CreateCommand request;
    request.hexId = 7001;
    request.latitude = live.pose.latitude;
    request.longitude = live.pose.longitude;

    EXPECT_TRUE(stand.lf_standHoldsStatic(state, request)) << "the twin is removed now and counts";
    EXPECT_EQ(twin.simState, SimState::removingfromsim);
    state.statics.clear();
    addStatic(6, 2, SimState::active); // on an excluded stand, not leaving
    EXPECT_FALSE(stand.lf_standHoldsStatic(state, request));
    state.statics[0].jetwayRemovalToken = 3;
    EXPECT_TRUE(stand.lf_standHoldsStatic(state, request));

    state.waitingCreationQueue = {request, request};
    state.waitingCreationQueue[1].hexId = 9999; // vanished
    stand.lf_recheckWaitingLiveCreations(state);
    EXPECT_EQ(state.waitingCreationQueue.size(), 1U);
    EXPECT_TRUE(state.liveCreationQueue.empty());
    state.statics[0].jetwayRemovalToken = 0;
    stand.lf_recheckWaitingLiveCreations(state);
    EXPECT_TRUE(state.waitingCreationQueue.empty());
    ASSERT_EQ(state.liveCreationQueue.size(), 1U);
    EXPECT_EQ(state.liveCreationQueue[0].hexId, 7001U);
}

TEST_F(RemovalPoliciesTest, CleanupDropsEveryReferenceToTheAircraft) {
    LiveAircraft& live = addGroundLive(7001, "DLH1");
    live.flightPlanQueued = 1;
    state.addingStack = {7001, 7002, 7001};
    state.learnedStandMatchQueue = {7002, 7001};
    state.delayedLightCommands = {{7001, 5, 0}, {7002, 6, 1}};
    CreateCommand request;
    request.hexId = 7001;
    state.waitingCreationQueue = {request};
    stand.lf_cleanupLiveAircraft(state, live);
    EXPECT_EQ(link.removedPlans, (std::vector<std::uint32_t>{live.objectId}));
    EXPECT_EQ(state.addingStack, (std::vector<std::uint32_t>{7002}));
    EXPECT_EQ(state.learnedStandMatchQueue, (std::deque<std::uint32_t>{7002}));
    ASSERT_EQ(state.delayedLightCommands.size(), 1U);
    EXPECT_EQ(state.delayedLightCommands[0].hexId, 7002U);
    EXPECT_TRUE(state.waitingCreationQueue.empty());
    EXPECT_EQ(steps.count("lf_dropSimCommands 7001 " + std::to_string(live.objectId)), 1);

    addGroundLive(7002, "DLH2");
    addGroundLive(7003, "DLH3");
    stand.lf_eraseLiveAircraft(state, 7001);
    ASSERT_EQ(state.live.size(), 2U);
    EXPECT_EQ(state.live[0].info.hexId, 7003U) << "the last record takes the erased one's place";
}

} // namespace
} // namespace kiv
