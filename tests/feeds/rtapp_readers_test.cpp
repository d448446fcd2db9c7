// The two RT App reader threads on their UDP ports, fed by the RT App stand-in.
#include <atomic>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/datagram_socket.h"
#include "rtapp_standin_fixture.h"
#include "test_support/wait_until.h"
#include "type_database_fixture.h"

namespace kiv {
namespace {

using namespace std::chrono_literals;

class RtAppReadersTest : public test_support::RtAppRoadTest {
protected:
    RtAppReadersTest() {
        test_support::installFeedsTypeDatabase();
        UserAircraftState user;
        user.latitude = 50.033;
        user.longitude = 8.57;
        user.onGround = true;
        neighbours.setUser(user);
        neighbours.setParkAirport({"EDDF", 50.033, 8.57});
    }
    ~RtAppReadersTest() override { stopReaders(); }

    // Handshake first, then the readers, as the start-up does; the stand-in learns their ports.
    std::unique_ptr<test_support::JsonLineProcess> startRoad() {
        auto standIn = connectedStandIn({"--scene", KIV_TEST_DATA_DIR "/feeds/buffer_parked_weather.json"});
        road.trafficReader.setRangeCentre(50.033, 8.57, std::cos(50.033 * 0.017453292519943295));
        weather = std::jthread([this](std::stop_token token) { gf_weatherReader(road, token); });
        traffic = std::jthread([this](std::stop_token token) { gf_trafficReader(road, token); });
        EXPECT_TRUE(test_support::waitUntil(
            [&] { return road.trafficReader.boundPort() != 0 && road.qnhReader.boundPort() != 0; }));
        standIn->write("udp " + std::to_string(road.trafficReader.boundPort()) + " " +
                       std::to_string(road.qnhReader.boundPort()));
        return standIn;
    }
    void stopReaders() {
        traffic.request_stop();
        weather.request_stop();
        if (traffic.joinable()) {
            traffic.join();
        }
        if (weather.joinable()) {
            weather.join();
        }
    }

    std::jthread traffic;
    std::jthread weather;
};

TEST_F(RtAppReadersTest, BufferAskedForAtStartArrivesAsThreeSlicesSixSecondsApart) {
    auto standIn = startRoad();
    ASSERT_TRUE(test_support::waitUntil([&] { return road.trafficReader.bufferReceived.load(); }));
    const auto batches = neighbours.posted();
    ASSERT_EQ(batches.size(), 3u);
    for (std::size_t i = 0; i < batches.size(); ++i) {
        EXPECT_EQ(batches[i].kind, BatchKind::history);
        EXPECT_EQ(batches[i].delaySeconds, 6 * i);
        ASSERT_EQ(batches[i].records.size(), 1u);
        EXPECT_EQ(batches[i].records[0].head.callsign, "DLH4AB");
    }
    EXPECT_FALSE(road.bufferRequest.inFlight);
    EXPECT_EQ(flags.currentQnh, 1021); // the scene's weather report
    const auto calls = shell.calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "TrafficStatus 0"), calls.end());
    EXPECT_NE(std::find(calls.begin(), calls.end(), "Qnh 1021"), calls.end());
}

TEST_F(RtAppReadersTest, ParkedTrafficArrivesForTheParkAirport) {
    auto standIn = startRoad();
    ASSERT_TRUE(test_support::waitUntil([&] { return road.trafficReader.bufferReceived.load(); }));
    gf_requestRTAppParkedTraffic(road);
    ASSERT_TRUE(test_support::waitUntil([&] { return road.trafficReader.parkedReceived.load(); }));
    std::vector<std::string> stands;
    road.trafficReader.withPublishedParked([&](std::vector<ParkedRecord>& list) {
        for (const ParkedRecord& record : list) {
            stands.push_back(record.stand);
        }
    });
    EXPECT_EQ(stands, (std::vector<std::string>{"V101", "V102"}));
}

TEST_F(RtAppReadersTest, OversizedDatagramOnTheWireIsCountedAndDropped) {
    auto standIn = startRoad();
    ASSERT_TRUE(test_support::waitUntil([&] { return road.trafficReader.bufferReceived.load(); }));
    const std::uint32_t before = road.trafficReader.datagramCounter;
    platform::SocketError error;
    auto sender = platform::DatagramSocket::open(error);
    ASSERT_TRUE(sender);
    const std::string big(20000, 'R');
    sender->sendTo("", road.trafficReader.boundPort(), {reinterpret_cast<const std::uint8_t*>(big.data()), big.size()});
    ASSERT_TRUE(test_support::waitUntil([&] { return road.trafficReader.datagramCounter == before + 1; }));
    const auto lines = log.lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "UDP datagram exceeds 16384 bytes; discarded"), lines.end());
}

TEST_F(RtAppReadersTest, StoppedReadersSayGoodbyeAndFreeTheirPorts) {
    auto standIn = startRoad();
    const std::uint16_t port = road.trafficReader.boundPort();
    stopReaders();
    EXPECT_EQ(road.trafficReader.boundPort(), 0);
    const auto calls = shell.calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "TrafficStatus 2"), calls.end());
    EXPECT_NE(std::find(calls.begin(), calls.end(), "WeatherStatus 2"), calls.end());
    platform::SocketError error;
    auto again = platform::DatagramSocket::open(error);
    EXPECT_TRUE(again->bind("", port, error)) << error.text;
    const auto lines = log.lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Traffic Reader disconnected"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "QNH Reader disconnected"), lines.end());
}

// A stop asked for before the thread reached its receive loop must still end it.
TEST_F(RtAppReadersTest, StopBeforeTheLoopStartsEndsTheThread) {
    road.trafficReader.stop = true;
    std::atomic<bool> ended{false};
    std::thread reader([&] {
        gf_trafficReader(road);
        ended = true;
    });
    const bool endedByItself = test_support::waitUntil([&] { return ended.load(); }, 3s);
    road.trafficReader.stop = true; // frees a thread that lost the first stop
    reader.join();
    EXPECT_TRUE(endedByItself);
    EXPECT_EQ(road.trafficReader.boundPort(), 0);
}

TEST_F(RtAppReadersTest, TrafficReaderThatCannotBindAsksForARestart) {
    platform::SocketError error;
    auto holder = platform::DatagramSocket::open(error);
    ASSERT_TRUE(holder->bind("", 0, error));
    RtAppConfig config = testConfig();
    config.trafficPort = holder->localPort();
    RtAppRoad busy(config, neighbours, shell, flags, clock);
    gf_trafficReader(busy);
    const auto calls = shell.calls();
    EXPECT_TRUE(std::any_of(calls.begin(), calls.end(), [](const std::string& call) {
        return call.starts_with("Stopped Traffic Reader: bind failed, error: 10048");
    }));
}

TEST_F(RtAppReadersTest, WeatherReaderThatCannotBindRetriesUntilTheProgramStops) {
    platform::SocketError error;
    auto holder = platform::DatagramSocket::open(error);
    ASSERT_TRUE(holder->bind("", 0, error));
    RtAppConfig config = testConfig();
    config.weatherPort = holder->localPort();
    test_support::FakeFeedsClock virtualClock;
    RtAppRoad busy(config, neighbours, shell, flags, virtualClock);
    std::thread reader([&] { gf_weatherReader(busy); });
    ASSERT_TRUE(
        test_support::waitUntil([&] { return virtualClock.sleeps.load() >= 50; })); // 2 s waits, in 100 ms steps
    gf_installStopRequest(ExitReason::user_closed_sim, 0);
    reader.join();
    const auto lines = log.lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.starts_with("==> gf_weatherReader exception: bind failed, error: 10048");
    }));
    EXPECT_EQ(shell.calls().back(), "WeatherStatus 2");
}

} // namespace
} // namespace kiv
