// The traffic side's own steps, with the real link as their SimLinkPort, against the
// simulator stand-in: the creation queue, the tick's pose publication and the removal queue
// reach the simulator, and what it answers comes back as simulator events.
#include <gtest/gtest.h>

#include "link_end_to_end.h"
#include "traffic/loop_clock.h"
#include "traffic/sim_queues.h"
#include "traffic/traffic_fakes.h"
#include "traffic/traffic_state.h"

namespace kiv {
namespace {

using test_support::LinkEndToEnd;
using Json = nlohmann::json;

struct TrafficOnTheLink {
    LinkEndToEnd e;
    test_support::FakeFeeds feeds;
    test_support::FakeMotion motion;
    test_support::FakeAirports airports;
    test_support::FakeModels models;
    test_support::FakeShell shell;
    test_support::FakeSteps steps;
    SteadyLoopClock clock;
    TrafficState state{TrafficPorts{e.link, feeds, motion, airports, models, shell, steps, clock}};

    TrafficOnTheLink() { gf_initTraffic(state); }
    // The queues release one removal per 10 ticks and one creation per 20.
    void runQueues(int ticks) {
        for (int i = 0; i < ticks; ++i) {
            lf_runSimQueues(state);
        }
    }
};

TEST(TrafficOnTheLink, CreationPosesAndRemovalGoThroughTheRealQueues) {
    TrafficOnTheLink t;
    t.e.start();
    ASSERT_TRUE(t.e.waitForState(kSimulatorRunning));

    CreateCommand creation;
    creation.latitude = 47.46;
    creation.longitude = 8.55;
    creation.altitudeFt = 3000.0;
    creation.title = "Airbus A320 Swiss";
    creation.tailNumber = "SWR12";
    creation.hexId = 0x4B1815;
    t.state.liveCreationQueue.push_back(creation);
    t.runQueues(20);
    const auto assigned =
        t.e.waitForEvent([](const SimEvent& event) { return event.kind == SimEventKind::liveAssigned; });
    ASSERT_TRUE(assigned);
    EXPECT_EQ(assigned->key, 0x4B1815u);
    const std::uint32_t objectId = assigned->objectId;

    // Two ticks publish two poses; the frames write the newer one once the playback delay passed.
    for (const double latitude : {47.461, 47.462}) {
        t.state.tickPoses.push_back({objectId, AiPose{latitude, 8.55, 0.0, 0.0, 1.0, 3000.0, 0.0, 150.0}});
        lf_updateAllLiveAc(t.state);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const Json write = t.e.standIn->nextPacket("SetDataOnSimObject", [&](const Json& line) {
        return line.value("object_id", 0u) == objectId && line["values"][0].get<double>() == 47.462;
    });
    EXPECT_FALSE(write.is_null());

    t.state.removalQueue.push_back(objectId);
    t.runQueues(10);
    const auto removed = t.e.waitForEvent([](const SimEvent& event) { return event.kind == SimEventKind::removed; });
    ASSERT_TRUE(removed);
    EXPECT_EQ(removed->objectId, objectId);
}

} // namespace
} // namespace kiv
