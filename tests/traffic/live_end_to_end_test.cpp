// A live aircraft from its first records through spawn, creation, activation and movement
// to its removal, on the virtual clock, with the recording simulator link standing in for
// the simulator.
#include <algorithm>
#include <set>

#include <gtest/gtest.h>

#include "traffic/batch_intake.h"
#include "traffic/live_update_steps.h"
#include "traffic/simulator_loop.h"
#include "traffic_fakes.h"

namespace kiv {
namespace {

using namespace test_support;

// The recording steps, with the live-aircraft steps real.
class LiveSteps : public FakeSteps {
public:
    LiveUpdateSteps live;
    bool updateLiveAc(TrafficState& state, LiveAircraft& aircraft) override {
        return live.updateLiveAc(state, aircraft);
    }
    void decodeExisting(TrafficState& state, LiveAircraft& aircraft, const StreamSample& sample) override {
        live.decodeExisting(state, aircraft, sample);
    }
    bool lf_checkRespawn(TrafficState& state, LiveAircraft& aircraft, const TrafficRecord& record) override {
        return live.lf_checkRespawn(state, aircraft, record);
    }
    void lf_drainSimEvents(TrafficState& state) override { live.lf_drainSimEvents(state); }
    void noMoreNextPos(TrafficState& state, LiveAircraft& aircraft) override { live.noMoreNextPos(state, aircraft); }
};

// Moves an aircraft onto its front sample when it is due and consumes it; a dry stream ends
// in noMoreNextPos, as the motion does.
class StreamMotion : public FakeMotion {
public:
    void nextPosMain(TrafficState& state, LiveAircraft& aircraft) override {
        FakeMotion::nextPosMain(state, aircraft);
        if (aircraft.samples.size() < 2) {
            state.ports.steps.noMoreNextPos(state, aircraft);
            return;
        }
        aircraft.samples.pop_front();
        const StreamSample& next = aircraft.samples.front();
        aircraft.pose.latitude = next.latitude;
        aircraft.pose.longitude = next.longitude;
        aircraft.pose.altitudeFt = next.altitudeFt;
        aircraft.speedKt = next.groundSpeedKt;
    }
};

struct LiveEndToEnd : ::testing::Test {
    FakeSimLink link;
    FakeFeeds feeds;
    StreamMotion motion;
    FakeAirports airports;
    FakeModels models;
    FakeShell shell;
    LiveSteps steps;
    FakeClock clock;
    SettingsGuard settingsGuard;
    TrafficState state{TrafficPorts{link, feeds, motion, airports, models, shell, steps, clock}};

    std::uint32_t nextObjectId = 100;
    std::set<std::uint32_t> objects; // in the simulator
    std::size_t createsSeen = 0;
    std::size_t removalsSeen = 0;
    std::vector<std::int32_t> activeTicks;

    LiveEndToEnd() {
        gf_initTraffic(state);
        models.liveryTitles[1] = "Airline A320";
    }

    // The simulator: answers every creation with an object and every removal with its event.
    void simulate() {
        for (; createsSeen < link.creates.size(); ++createsSeen) {
            const std::uint32_t objectId = nextObjectId++;
            objects.insert(objectId);
            SimEvent assigned;
            assigned.kind = SimEventKind::liveAssigned;
            assigned.objectId = objectId;
            assigned.key = link.creates[createsSeen].hexId;
            link.pendingEvents.push_back(assigned);
        }
        for (; removalsSeen < link.removals.size(); ++removalsSeen) {
            const std::uint32_t objectId = link.removals[removalsSeen];
            if (objects.erase(objectId) == 1) {
                SimEvent removed;
                removed.kind = SimEventKind::removed;
                removed.objectId = objectId;
                link.pendingEvents.push_back(removed);
            }
        }
    }
    void run(int ticks) {
        for (int i = 0; i < ticks; ++i) {
            ASSERT_TRUE(lf_simulatorTick(state));
            simulate();
            if (!state.live.empty() && state.live[0].simState == SimState::active) {
                activeTicks.push_back(state.tickCount.load());
            }
        }
    }
};

TEST_F(LiveEndToEnd, ARecordedFlightIsCreatedFlownAndRemovedLeavingNoObject) {
    for (int i = 0; i < 6; ++i) {
        TrafficRecord r = TrafficFixture::record(0x3C3000, "DLH77", 1000.0 + 10.0 * i);
        r.sample.latitude = 50.0 + 0.02 * i;
        r.sample.deliveryTick = 100 + 300 * i;
        decodeMessage(state, r);
    }
    ASSERT_EQ(state.live.size(), 1u);
    ASSERT_EQ(state.live[0].samples.size(), 6u);
    EXPECT_EQ(state.live[0].simState, SimState::buffer);

    run(150);
    ASSERT_EQ(state.live.size(), 1u);
    EXPECT_EQ(state.live[0].simState, SimState::adding2sim);
    EXPECT_EQ(state.live[0].situation, FlightSituation::flying);
    run(400);
    ASSERT_EQ(link.creates.size(), 1u);
    EXPECT_EQ(link.creates[0].title, "Airline A320");
    ASSERT_EQ(state.live.size(), 1u);
    EXPECT_EQ(state.live[0].objectId, 100u);
    run(2000);
    ASSERT_FALSE(activeTicks.empty());
    EXPECT_FALSE(motion.nextPosMainCalls.empty());
    EXPECT_FALSE(link.poses[100].empty()); // the moving aircraft was published
    EXPECT_GT(link.poses[100].back().pose.latitude, 50.0);
    EXPECT_TRUE(state.live.empty());
    EXPECT_TRUE(objects.empty());
    EXPECT_EQ(link.removals, std::vector<std::uint32_t>{100});
}

} // namespace
} // namespace kiv
