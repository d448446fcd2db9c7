#include "traffic/traffic_step_set.h"

#include <gtest/gtest.h>

#include "traffic/traffic_fakes.h"

namespace kiv {
namespace {

using namespace test_support;

// The program's step set on the recording neighbours: every call through the interface
// reaches the step class of its area and acts on the same state.
struct StepSetFixture {
    FakeSimLink link;
    FakeFeeds feeds;
    FakeMotion motion;
    FakeAirports airports;
    FakeModels models;
    FakeShell shell;
    TrafficStepSet stepSet;
    FakeClock clock;
    SettingsGuard settingsGuard;
    TrafficState state{TrafficPorts{link, feeds, motion, airports, models, shell, stepSet, clock}};

    StepSetFixture() { gf_initTraffic(state); }

    LiveAircraft& addParked(std::uint32_t hexId, std::uint32_t standId, std::uint32_t objectId) {
        TrafficRecord r = TrafficFixture::record(hexId, "CS" + std::to_string(hexId), 1000.0);
        AircraftInfo info = gf_makeAircraftInfo(models, r.head);
        info.hexId = hexId;
        state.live.emplace_back(r.sample, info, r.timestamp, WeekdaySlot{});
        LiveAircraft& aircraft = state.live.back();
        aircraft.simState = SimState::active;
        aircraft.objectId = objectId;
        aircraft.situation = FlightSituation::parked;
        aircraft.standId = standId;
        return aircraft;
    }
};

TEST(TrafficStepSet, EachAreaAnswersThroughTheInterfaceOnOneState) {
    StepSetFixture f;
    f.addParked(0x100, 5, 7);
    TrafficSteps& steps = f.state.ports.steps;

    EXPECT_EQ(steps.gf_standUseByOtherLive(f.state, 5, 0x200), 2U);
    EXPECT_EQ(steps.gf_standUseByOtherLive(f.state, 5, 0x100), 0U);
    EXPECT_TRUE(steps.gf_standClaimedByLive(f.state, 5, 0x100));
    EXPECT_EQ(steps.gf_countLiveParked(f.state, false), 1U);
    EXPECT_EQ(steps.pendingParkedAdditions(f.state), 0U);

    steps.lf_drainSimEvents(f.state);
    steps.lf_eraseLiveAircraft(f.state, 0x100);
    EXPECT_TRUE(f.state.live.empty());
    EXPECT_FALSE(steps.gf_standClaimedByLive(f.state, 5, 0x100));

    steps.clearStepState(f.state);
}

} // namespace
} // namespace kiv
