// The RT App road end to end: the stand-in (a separate process) plays the RT App, the real
// server, readers and conversions take its datagrams, and the traffic manager's real mailbox
// and intake put the aircraft into the traffic tables on a virtual clock. Only the traffic
// manager's other neighbours (simulator link, motion, airports, window, later steps) are fakes.
#include <chrono>
#include <cmath>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "feeds/feeds_fakes.h"
#include "feeds/feeds_service.h"
#include "feeds/rtapp_road.h"
#include "feeds/rtapp_session.h"
#include "feeds/traffic_neighbours.h"
#include "feeds/type_database_fixture.h"
#include "foundation/stop_request.h"
#include "models/interned_codes.h"
#include "models/models_service.h"
#include "settings/settings_reset.h"
#include "test_support/json_line_process.h"
#include "test_support/wait_until.h"
#include "traffic/traffic_fakes.h"

namespace kiv {
namespace {

using namespace std::chrono_literals;

class RtAppRoadEndToEnd : public testing::Test {
protected:
    RtAppRoadEndToEnd() {
        test_support::resetSettingsToDefaults();
        gf_publishTrafficSource(true);
        gf_resetRunStateForTests();
        test_support::installFeedsTypeDatabase();
        gf_initTraffic(state);
        UserAircraftState user;
        user.latitude = 50.05;
        user.longitude = 8.6;
        state.publishedUser.store(std::make_shared<const UserAircraftState>(user));
        feeds.attachRtApp(&road);
    }
    ~RtAppRoadEndToEnd() override {
        traffic.request_stop();
        weather.request_stop();
        road.server.close();
        if (traffic.joinable()) {
            traffic.join();
        }
        if (weather.joinable()) {
            weather.join();
        }
        feeds.attachRtApp(nullptr);
        gf_resetTraffic(state);
        test_support::resetSettingsToDefaults();
    }

    static RtAppConfig testConfig() {
        RtAppConfig config;
        config.trafficPort = 0;
        config.weatherPort = 0;
        config.serverPort = "0";
        config.versionSettle = 100ms;
        return config;
    }

    // The start-up of the RT App road in its order: listen, handshake, the range centre and
    // the readers (the traffic reader asks for the buffer), then the buffer is awaited.
    void startRoad(test_support::JsonLineProcess& standIn) {
        gf_connectRTApp(road);
        const UserAircraftState user = *state.publishedUser.load();
        feeds.setRTAppRangeCentre(user.latitude, user.longitude, std::cos(user.latitude * 0.017453292519943295));
        weather = std::jthread([this](std::stop_token token) { gf_weatherReader(road, token); });
        traffic = std::jthread([this](std::stop_token token) { gf_trafficReader(road, token); });
        ASSERT_TRUE(test_support::waitUntil(
            [&] { return road.trafficReader.boundPort() != 0 && road.qnhReader.boundPort() != 0; }));
        standIn.write("udp " + std::to_string(road.trafficReader.boundPort()) + " " +
                      std::to_string(road.qnhReader.boundPort()));
        ASSERT_TRUE(test_support::waitUntil([&] { return road.trafficReader.bufferReceived.load(); }));
    }

    test_support::FakeSimLink link;
    FeedFlags flags;
    FeedsService feeds{flags};
    test_support::FakeMotion motion;
    test_support::FakeAirports airports;
    ModelsService models;
    test_support::FakeShell shell;
    test_support::FakeSteps steps;
    test_support::FakeClock clock;
    TrafficState state{TrafficPorts{link, feeds, motion, airports, models, shell, steps, clock}};

    TrafficNeighbours neighbours{state, [] { return std::optional<std::int64_t>(); }};
    test_support::FakeFeedsShell feedsShell;
    SteadyLoopClock readerClock;
    RtAppRoad road{testConfig(), neighbours, feedsShell, flags, readerClock};
    std::jthread traffic;
    std::jthread weather;
};

TEST_F(RtAppRoadEndToEnd, BufferedAndLiveTrafficReachTheTrafficTables) {
    road.server.listen(road.config.serverPort);
    test_support::JsonLineProcess standIn(
        KIV_PYTHON3, {KIV_RTAPP_STANDIN, "--psx-port", std::to_string(road.server.port()), "--traffic-port", "0",
                      "--weather-port", "0", "--stdin-commands", "--no-live", "--rate", "20", "--speed", "10",
                      "--scene", KIV_TEST_DATA_DIR "/feeds/live_track.json"});
    standIn.nextWith("ready");
    startRoad(standIn);

    // The buffer was decoded as it came, before the loop owns the tables.
    const LiveAircraft* buffered = gf_findLive(state, 3957828);
    ASSERT_NE(buffered, nullptr);
    EXPECT_EQ(buffered->info.head.callsign, "DLH4AB");
    ASSERT_EQ(buffered->samples.size(), 2u);
    EXPECT_EQ(buffered->samples[1].deliveryTick - buffered->samples[0].deliveryTick, 600); // 6 s apart

    gf_mailboxLoopStarted(state);
    gf_resumeDelivery(state);
    standIn.write("live");
    ASSERT_TRUE(test_support::waitUntil([&] {
        lf_takeTrafficBatch(state); // the loop's take, on this thread
        const LiveAircraft* arriving = gf_findLive(state, 4921100);
        return arriving != nullptr && arriving->samples.size() >= 3;
    }));
    const LiveAircraft& arriving = *gf_findLive(state, 4921100);
    EXPECT_EQ(arriving.info.head.callsign, "EWG7AB");
    EXPECT_EQ(arriving.info.head.registration, "D-AEWA");
    EXPECT_EQ(gf_modelCode(arriving.info.head.liveryKey.modelId), "A320"); // "A32O" fixed by the database
    EXPECT_EQ(gf_airlineCode(arriving.info.head.liveryKey.airlineId), "EWG");
    EXPECT_EQ(arriving.info.head.route.origin.text(), "HAM");
    EXPECT_EQ(arriving.info.head.route.destination.text(), "FRA");
    EXPECT_EQ(arriving.simState, SimState::buffer);
    const StreamSample& last = arriving.samples.back();
    EXPECT_DOUBLE_EQ(last.latitude, 50.0);
    EXPECT_DOUBLE_EQ(last.longitude, 8.68);
    EXPECT_DOUBLE_EQ(last.altitudeFt, 5940.0); // QNH 1013 below 17,000 ft: as received
    EXPECT_EQ(last.airborne, 1);
    EXPECT_DOUBLE_EQ(last.trueAirspeedKt, 250.0); // estimated: the feed gave none
    EXPECT_EQ(flags.currentQnh, 1013);
}

} // namespace
} // namespace kiv
