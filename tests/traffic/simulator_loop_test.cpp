#include <algorithm>
#include <set>

#include <gtest/gtest.h>

#include "test_support/log_capture.h"
#include "traffic/simulator_loop.h"
#include "traffic/traffic_mailbox.h"
#include "traffic_fakes.h"

namespace kiv {
namespace {

using test_support::FakeClock;
using test_support::TrafficFixture;

constexpr std::int64_t kMs = 1'000'000;

struct SimulatorLoopTest : TrafficFixture, ::testing::Test {
    bool has(const std::vector<std::string>& calls, const std::string& name) {
        return std::find(calls.begin(), calls.end(), name) != calls.end();
    }
    bool posted(const std::string& name) { return has(shell.posts, name); }
};

TEST_F(SimulatorLoopTest, SlowerStepsFollowTheSecondCount) {
    struct Expect {
        std::int32_t second;
        bool five;
        bool fifteen;
        bool thirty;
        bool sweep14;
        bool check61;
    };
    const Expect table[] = {
        {1, false, false, false, false, false},  {5, true, false, false, false, false},
        {14, false, false, false, true, false},  {15, true, true, false, false, false},
        {28, false, false, false, true, false},  {30, true, true, true, false, false},
        {42, false, false, false, true, false},  {56, false, false, false, true, false},
        {61, false, false, false, false, true},  {70, true, false, false, false, false},
        {84, false, false, false, true, false},  {122, false, false, false, false, true},
        {305, true, false, false, false, false}, {854, false, false, false, true, true},
    };
    std::map<std::int32_t, Expect> expected;
    for (const Expect& e : table) {
        expected[e.second] = e;
    }
    for (std::int32_t second = 1; second <= 854; ++second) {
        steps.calls.clear();
        feeds.calls.clear();
        shell.posts.clear();
        {
            // A request waits from the start, so every fifteen-second step shows itself.
            const std::lock_guard lock(state.parkingRequests.mutex);
            state.parkingRequests.parkingUpdateRequests = state.parkingRequests.parkingUpdatesHandled + 1;
        }
        state.waitingUpdate.waiting = false;
        state.secondSignal = true;
        ASSERT_TRUE(lf_simulatorTick(state));
        ASSERT_EQ(state.secondCount, second);
        auto it = expected.find(second);
        if (it == expected.end()) {
            continue;
        }
        const Expect& e = it->second;
        EXPECT_EQ(has(feeds.calls, "gf_setRTAPIQueryCentre"), e.five) << second;
        EXPECT_EQ(posted("gf_disableParkingControls"), e.fifteen) << second;
        EXPECT_EQ(posted("gf_updateAutoRange"), e.thirty) << second;
        EXPECT_EQ(has(steps.calls, "lf_parkAirportSweep"), e.sweep14) << second;
        EXPECT_EQ(has(steps.calls, "gf_checkForAllGndIfParkedVersionExistsAndRemove"), e.check61) << second;
    }
}

TEST_F(SimulatorLoopTest, WithoutTheSimulatorsSecondOnlyTheTickWorkRuns) {
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(lf_simulatorTick(state));
    }
    EXPECT_EQ(state.tickCount.load(), 1000);
    EXPECT_EQ(state.secondCount, 0);
    EXPECT_FALSE(posted("ExpireMessage"));
    EXPECT_EQ(steps.count("lf_drainSimEvents"), 1000);
    const auto userPolls =
        std::count_if(link.dataRequests.begin(), link.dataRequests.end(), [](const auto& r) { return r.kind == 3; });
    EXPECT_EQ(userPolls, 50);
    // A stop still ends the loop.
    shell.running = false;
    EXPECT_FALSE(lf_simulatorTick(state));
}

TEST_F(SimulatorLoopTest, LoopKeepsAbsoluteDeadlinesAndRebasesAfterAStall) {
    int ticks = 0;
    steps.onDrain = [&] {
        ++ticks;
        clock.now += 3 * kMs; // every tick's own work
        if (ticks == 6) {
            clock.now += 150 * kMs;
        }
        if (ticks == 10) {
            shell.running = false;
        }
    };
    const std::int64_t start = clock.now;
    gf_simulatorLoop(state);
    EXPECT_EQ(ticks, 10);
    ASSERT_EQ(clock.sleeps.size(), 9u); // one before every tick but the first
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(clock.sleeps[static_cast<std::size_t>(i)], start + (i + 1) * 10 * kMs) << i;
    }
    // Tick 6 ended 156 ms after its start: re-based 10 ms after that moment, then every 10 ms.
    const std::int64_t afterStall = start + 50 * kMs + 3 * kMs + 150 * kMs;
    EXPECT_EQ(clock.sleeps[5], afterStall + 10 * kMs);
    EXPECT_EQ(clock.sleeps[6], afterStall + 20 * kMs);
    EXPECT_EQ(clock.sleeps[7], afterStall + 30 * kMs);
    EXPECT_EQ(clock.sleeps[8], afterStall + 40 * kMs);
    EXPECT_TRUE(state.mailbox.deliveryEnabled);
    EXPECT_TRUE(posted("enableAircraftButton"));
}

TEST_F(SimulatorLoopTest, RebasesOnlyWhenMoreThan100MsLate) {
    struct Case {
        const char* name;
        std::int64_t firstTickNs;
        std::int64_t firstSleep; // after the start
        int ticksBeforeIt;
    };
    const Case cases[] = {
        {"on time", 3 * kMs, 10 * kMs, 1},
        // 100 ms late is not yet too late: the missed ticks run back to back up to the grid.
        {"100 ms late", 110 * kMs, 120 * kMs, 12},
        {"100 ms and 1 ns late", 110 * kMs + 1, 120 * kMs + 1, 1},
    };
    for (const Case& c : cases) {
        clock.sleeps.clear();
        shell.running = true;
        int ticks = 0;
        int ticksBeforeFirstSleep = 0;
        steps.onDrain = [&] {
            if (++ticks == 1) {
                clock.now += c.firstTickNs;
            }
        };
        clock.onSleep = [&](FakeClock&) {
            if (clock.sleeps.size() == 1) {
                ticksBeforeFirstSleep = ticks;
                shell.running = false;
            }
        };
        const std::int64_t start = clock.now;
        gf_simulatorLoop(state);
        ASSERT_FALSE(clock.sleeps.empty()) << c.name;
        EXPECT_EQ(clock.sleeps[0] - start, c.firstSleep) << c.name;
        EXPECT_EQ(ticksBeforeFirstSleep, c.ticksBeforeIt) << c.name;
    }
}

TEST_F(SimulatorLoopTest, WithTheSecondSignalTheNextDeadlineFollowsTheWakeUp) {
    // The simulator's second arrives while the loop sleeps, which wakes 3 ms late.
    struct Case {
        const char* name;
        bool signalDuringTheSleep;
        std::int64_t secondDeadline;
    };
    const Case cases[] = {
        {"second signalled: 10 ms after the late wake-up", true, 23 * kMs},
        {"no signal: on the grid", false, 20 * kMs},
    };
    for (const Case& c : cases) {
        clock.sleeps.clear();
        shell.running = true;
        steps.onDrain = [&] {
            if (clock.sleeps.size() == 2) {
                shell.running = false;
            }
        };
        clock.onSleep = [&](FakeClock& sleeping) {
            if (sleeping.sleeps.size() == 1) {
                sleeping.now += 3 * kMs;
                state.secondSignal = c.signalDuringTheSleep;
            }
        };
        const std::int64_t start = clock.now;
        gf_simulatorLoop(state);
        ASSERT_EQ(clock.sleeps.size(), 2u) << c.name;
        EXPECT_EQ(clock.sleeps[0] - start, 10 * kMs) << c.name;
        EXPECT_EQ(clock.sleeps[1] - start, c.secondDeadline) << c.name;
    }
}

TEST_F(SimulatorLoopTest, LoopStartRegeneratesParkingOrSaysThereIsNoFile) {
    airports.parkAirport = {"EDDF", 50.03, 8.57};
    shell.running = false;
    state.parkingRegenerationRequested = true;
    airports.fileExists = true;
    gf_simulatorLoop(state);
    EXPECT_EQ(steps.count("gf_regenerateParking"), 1);
    EXPECT_FALSE(state.parkingRegenerationRequested);

    airports.fileExists = false;
    gf_simulatorLoop(state);
    EXPECT_EQ(steps.count("gf_regenerateParking"), 1);
    ASSERT_EQ(shell.messages.size(), 1u);
    EXPECT_EQ(shell.messages[0], "User aircraft on the ground at EDDF, no airport file found");
}

// The plan made at the loop's start learns and searches by weekday and half-hour slot; after a
// reset the traffic clock holds none, so it must be read before the plan.
TEST_F(SimulatorLoopTest, TheFirstParkingPlanSeesTheTrafficClock) {
    airports.parkAirport = {"EDDF", 50.03, 8.57};
    airports.fileExists = true;
    shell.running = false;
    state.currentSlot = 0;
    WeekdaySlot seen{0};
    steps.onRegenerateParking = [&] { seen = WeekdaySlot{state.currentSlot.load()}; };
    gf_simulatorLoop(state);
    EXPECT_GE(seen.weekday(), 1);
    EXPECT_LE(seen.weekday(), 7);
    EXPECT_GE(seen.slot(), 0);
    EXPECT_LE(seen.slot(), 47);
}

TEST_F(SimulatorLoopTest, ProximitySweepRemovesTheCheckedAircraftInConflict) {
    struct Case {
        const char* name;
        FlightSituation otherSituation;
        std::uint8_t otherOnGround;
        double otherMetresNorth;
        FlightSituation ownSituation;
        bool removed;
        std::int32_t holdTicks2;
    };
    const Case cases[] = {
        {"taxiing neighbour within the spans", FlightSituation::taxi, 1, 30.0, FlightSituation::taxi, true, 2700},
        {"own take-off roll", FlightSituation::landing_roll, 1, 30.0, FlightSituation::takeoff_roll, true, 4500},
        {"neighbour beyond the spans", FlightSituation::taxi, 1, 40.0, FlightSituation::taxi, false, 900},
        {"parked neighbour", FlightSituation::parked, 1, 30.0, FlightSituation::taxi, false, 900},
        {"neighbour in the air", FlightSituation::taxi, 0, 30.0, FlightSituation::taxi, false, 900},
    };
    for (const Case& c : cases) {
        state.live.clear();
        state.removalQueue.clear();
        LiveAircraft& a = addLive(800001, SimState::active, 11);
        a.pose.latitude = 50.0;
        a.pose.longitude = 8.0;
        a.situation = c.ownSituation;
        a.proximityCheck = 1;
        a.info.conflictHalfSpanNm = 18.0 / 1852.0;
        LiveAircraft& b = addLive(800002, SimState::active, 12);
        b.pose.latitude = 50.0 + c.otherMetresNorth / 1852.0 / 60.0;
        b.pose.longitude = 8.0;
        b.situation = c.otherSituation;
        b.onGround = c.otherOnGround;
        b.info.conflictHalfSpanNm = 17.0 / 1852.0;
        lf_proximitySweep(state);
        const LiveAircraft& checked = state.live[0];
        EXPECT_EQ(checked.simState == SimState::removingfromsim, c.removed) << c.name;
        EXPECT_EQ(checked.holdTicks2, c.holdTicks2) << c.name;
        EXPECT_EQ(checked.holdTicks1, c.removed ? 2700 : 900) << c.name;
        EXPECT_EQ(checked.proximityCheck, c.removed ? 0 : 1) << c.name;
        EXPECT_EQ(state.live[1].simState, SimState::active) << c.name;
    }
}

TEST_F(SimulatorLoopTest, PausedFlightStopsDeliveryAndResumesOnTheNextSecond) {
    test_support::LogCapture log;
    gf_resumeDelivery(state);
    link.state = 3;
    for (int i = 0; i < 250; ++i) {
        ASSERT_TRUE(lf_simulatorTick(state));
    }
    EXPECT_FALSE(state.mailbox.deliveryEnabled);
    EXPECT_EQ(link.poseDrops, 1);
    EXPECT_EQ(state.tickCount.load(), 0);
    EXPECT_EQ(steps.count("lf_drainSimEvents"), 250);
    EXPECT_EQ(std::count(feeds.calls.begin(), feeds.calls.end(), "gf_updateRTAPIQueryBox"),
              2); // every 100 paused ticks

    link.state = 2;
    ASSERT_TRUE(lf_simulatorTick(state));
    EXPECT_FALSE(state.mailbox.deliveryEnabled); // only the per-second step resumes
    state.secondSignal = true;
    ASSERT_TRUE(lf_simulatorTick(state));
    EXPECT_TRUE(state.mailbox.deliveryEnabled);
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find(" Flight not running"), std::string::npos);
    EXPECT_NE(lines[1].find(" Flight resumed"), std::string::npos);
}

TEST_F(SimulatorLoopTest, NavLightSignalReachesActiveStaticAndParkedLiveAircraft) {
    state.statics.emplace_back(AircraftInfo{}, 1, StandPose{}, false, "");
    state.statics.back().simState = SimState::active;
    state.statics.back().objectId = 21;
    addLive(900001, SimState::active, 22).situation = FlightSituation::parked;
    addLive(900002, SimState::active, 23).situation = FlightSituation::taxi;
    addLive(900003, SimState::adding2sim, 24).situation = FlightSituation::parked;
    state.navLightsSignal = 0;
    lf_simulatorTick(state);
    const std::vector<std::pair<std::uint32_t, bool>> expected = {{21, false}, {22, false}};
    EXPECT_EQ(link.navLights, expected);
    lf_simulatorTick(state);
    EXPECT_EQ(link.navLights.size(), 2u);
}

TEST_F(SimulatorLoopTest, DelayedLightCommandsRunWhenDueEvenBehindLaterEntries) {
    LiveAircraft& parked = addLive(900010, SimState::active, 31);
    parked.situation = FlightSituation::parked;
    parked.cargoStand = 1;
    // Arrival order differs from due order: the one due first must not wait behind the others.
    gf_queueDelayedLightCommand(state, {900010, 500, 2});
    gf_queueDelayedLightCommand(state, {900010, 100, 0});
    gf_queueDelayedLightCommand(state, {900010, 300, 1});
    gf_queueDelayedLightCommand(state, {900010, 300, 0});
    ASSERT_EQ(state.delayedLightCommands.back().dueTick, 100);

    struct Step {
        std::int32_t tick;
        std::size_t shutdowns;
        std::size_t lightSets;
    };
    const Step steps[] = {{99, 0, 0},  {100, 1, 0}, {200, 1, 0}, {300, 1, 1},
                          {301, 2, 1}, {499, 2, 1}, {500, 2, 2}, {600, 2, 2}};
    for (const Step& s : steps) {
        state.tickCount = s.tick;
        lf_runDelayedLightCommand(state);
        EXPECT_EQ(link.shutdowns.size(), s.shutdowns) << s.tick;
        EXPECT_EQ(link.allLights.size(), s.lightSets) << s.tick;
    }
    const LightSet arrival = {1, 0, 0, 1, 0, 1, 1};
    const LightSet parkedAtCargoStand = {1, 0, 0, 0, 0, 1, 0};
    EXPECT_EQ(link.allLights[0].second, arrival);
    EXPECT_EQ(link.allLights[1].second, parkedAtCargoStand);
}

TEST_F(SimulatorLoopTest, DelayedLightCommandOfAnAircraftNoLongerParkedIsDropped) {
    addLive(900011, SimState::active, 32).situation = FlightSituation::taxi;
    gf_queueDelayedLightCommand(state, {900011, 0, 0});
    lf_runDelayedLightCommand(state);
    EXPECT_TRUE(state.delayedLightCommands.empty());
    EXPECT_TRUE(link.shutdowns.empty());
}

TEST_F(SimulatorLoopTest, LearnedStandMatchTakesOneAircraftPerSecond) {
    addLive(900020);
    state.learnedStandMatchQueue = {900020, 123, 900020};
    steps.staticCheckAnswer = StandChoice{7, {0, 0, 0}};
    lf_perSecondWork(state);
    EXPECT_EQ(steps.count("lf_matchSlotWindow 900020"), 1);
    EXPECT_TRUE(gf_matchMarkSet(state.live[0].info));
    ASSERT_TRUE(state.live[0].standChoice.has_value());
    EXPECT_EQ(state.live[0].standChoice->standId, 7u);
    lf_perSecondWork(state); // unknown hexid: nothing
    lf_perSecondWork(state); // already matched: only the static check
    EXPECT_EQ(steps.count("lf_matchSlotWindow 900020"), 1);
    EXPECT_EQ(steps.count("lf_checkForStaticWithCallsignOrHexidAndRemove 900020"), 2);
    EXPECT_TRUE(state.learnedStandMatchQueue.empty());
}

TEST_F(SimulatorLoopTest, MaxLiveRemovesTheFurthestInExcess) {
    gf_updateSettings([](SettingsSnapshot& s) { s.maxLiveSel = 2; });
    for (std::uint32_t i = 0; i < 4; ++i) {
        LiveAircraft& a = addLive(910000 + i, SimState::active, 40 + i);
        a.pose.latitude = 50.0 + 0.1 * i;
        a.pose.longitude = 8.0;
    }
    state.user.latitude = 50.0;
    state.user.longitude = 8.0;
    state.maxLiveChanged = true;
    lf_perSecondWork(state);
    const std::vector<std::uint32_t> expected = {43, 42};
    EXPECT_EQ(std::vector<std::uint32_t>(state.removalQueue.begin(), state.removalQueue.end()), expected);
}

} // namespace
} // namespace kiv
