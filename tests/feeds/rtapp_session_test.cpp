// The emulated PSX server and the conversation with the RT App, against the RT App stand-in.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "rtapp_standin_fixture.h"

namespace kiv {
namespace {

using namespace std::chrono_literals;
using test_support::JsonLineProcess;

class RtAppSessionTest : public test_support::RtAppRoadTest {
protected:
    bool shellCalled(const std::string& call) const {
        const auto calls = shell.calls();
        return std::find(calls.begin(), calls.end(), call) != calls.end();
    }
    bool logged(const std::string& line) const {
        const auto lines = log.lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    void setUser(double latitude, double longitude, bool onGround) {
        UserAircraftState user;
        user.latitude = latitude;
        user.longitude = longitude;
        user.onGround = onGround;
        neighbours.setUser(user);
    }
};

TEST_F(RtAppSessionTest, HandshakeAsksForTheVersionAndTakesTheEdition) {
    auto standIn = connectedStandIn({"--version-mode", "level2"});
    EXPECT_EQ(nextReceived(*standIn), "Qs999=version\r\n");
    EXPECT_TRUE(flags.isRTAppConnected);
    EXPECT_TRUE(flags.isProfessionalEdition);
    const auto calls = shell.calls();
    EXPECT_EQ(calls.front(), "Message+log Waiting for the RealTraffic App to run ... (did you start it?)");
    EXPECT_TRUE(shellCalled("Source RT App 10.0.240 edition: prof"));
    EXPECT_EQ(calls.back(), "ClearMessage");
    EXPECT_TRUE(logged("RealTraffic connected"));
}

TEST_F(RtAppSessionTest, VersionReplyTable) {
    struct Case {
        std::string reply;
        bool professional;
        std::string shellCall;
    };
    const Case cases[] = {
        {R"({"version": "10.0.240", "level": 2})", true, "Source RT App 10.0.240 edition: prof"},
        {R"({"level": 1})", false, "Source RT App  edition: stnd"},
        {R"({"version": "9.1"})", false, "Source RT App 9.1 edition: stnd"},
        {R"([2])", false, "Source "},
        {R"({"version": 10.0)", false, "Source "},
        {R"({"version": "10", "level": "2"})", false, "Source "},
        {"", false, "Message+log No RealTraffic version received?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        shell.clear();
        flags.isProfessionalEdition = !c.professional;
        lf_processRTVersion(road, c.reply);
        EXPECT_EQ(flags.isProfessionalEdition, c.professional);
        EXPECT_EQ(shell.calls(), std::vector<std::string>{c.shellCall});
    }
    const auto lines = log.lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.starts_with("lf_processRTVersion: JSON parse failed: ");
    }));
}

TEST_F(RtAppSessionTest, VersionRepliesOverTheWire) {
    for (const char* mode : {"level1", "invalid"}) {
        SCOPED_TRACE(mode);
        flags.isProfessionalEdition = true;
        auto standIn = connectedStandIn({"--version-mode", mode});
        EXPECT_FALSE(flags.isProfessionalEdition);
        EXPECT_TRUE(flags.isRTAppConnected);
        road.server.close();
    }
}

// A client that hangs up at once is stale: the server listens again and takes the next one.
TEST_F(RtAppSessionTest, StaleClientIsDroppedAndTheServerListensAgain) {
    auto stale = startStandIn({"--version-mode", "close"});
    const std::uint16_t firstPort = road.server.port();
    std::thread handshake([&] { gf_connectRTApp(road); });
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while ((road.server.port() == firstPort || road.server.port() == 0) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(10ms);
    }
    auto fresh = startStandIn({"--version-mode", "level2"});
    handshake.join();
    EXPECT_TRUE(road.server.connected());
    EXPECT_TRUE(flags.isProfessionalEdition);
    EXPECT_TRUE(logged("RT App connection was stale, waiting for a new one ..."));
}

// Closing the server while the handshake waits for a reply that never comes ends the
// handshake, and the server stays closed.
TEST_F(RtAppSessionTest, ShutDownDuringTheVersionReadEndsTheHandshake) {
    auto silent = startStandIn({"--version-mode", "none"});
    std::atomic<bool> ended{false};
    std::thread handshake([&] {
        gf_connectRTApp(road);
        ended = true;
    });
    EXPECT_EQ(nextReceived(*silent), "Qs999=version\r\n");
    road.server.close();
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    while (!ended && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(10ms);
    }
    const bool endedByItself = ended;
    const bool listening = road.server.port() != 0;
    road.server.close(); // frees a handshake that listened again
    handshake.join();
    EXPECT_TRUE(endedByItself);
    EXPECT_FALSE(listening);
    EXPECT_FALSE(flags.isRTAppConnected);
}

TEST_F(RtAppSessionTest, ShutDownWhileWaitingForTheAppEndsTheHandshake) {
    road.server.listen("0");
    std::thread handshake([&] { gf_connectRTApp(road); });
    std::this_thread::sleep_for(50ms); // let it block in accept; the test passes either way
    road.server.close();
    handshake.join();
    EXPECT_FALSE(road.server.connected());
}

TEST_F(RtAppSessionTest, PoseAndTimeLinesHaveTheirExactBytes) {
    auto standIn = connectedStandIn();
    nextReceived(*standIn); // the version request
    UserAircraftState user;
    user.latitude = 47.458213;
    user.longitude = 8.548508;
    user.pitchRad = 0.05;
    user.bankRad = -0.1;
    user.headingRad = 1.234567;
    user.indicatedAltitudeFt = 4500.25;
    user.groundSpeedKt = 250.5;
    neighbours.setUser(user);
    gf_sendUserPoseToRTApp(road);
    EXPECT_EQ(nextReceived(*standIn), "Qs121=-5000;-10000;1.234567;4500250;250500;0.828302;0.149200\r\n");
    gf_sendQs123ToRTApp(road, 0); // no time: nothing
    gf_sendQs123ToRTApp(road, 1733750000);
    EXPECT_EQ(nextReceived(*standIn), "Qs123=1733750000000\r\n");
}

TEST_F(RtAppSessionTest, NoPoseWithoutAPositionOrWithoutThePsxServer) {
    auto standIn = connectedStandIn();
    nextReceived(*standIn);
    setUser(0.00005, -0.00005, true);
    gf_sendUserPoseToRTApp(road);
    RtAppConfig off = testConfig();
    off.psxServerHere = false;
    RtAppRoad noServer(off, neighbours, shell, flags, clock);
    setUser(47.0, 8.0, true);
    gf_sendUserPoseToRTApp(noServer);
    gf_sendQs123ToRTApp(road, 5); // a line that must be the next one received
    EXPECT_EQ(nextReceived(*standIn), "Qs123=5000\r\n");
}

TEST_F(RtAppSessionTest, BufferRequestBoxesTheTrafficRange) {
    auto standIn = connectedStandIn();
    nextReceived(*standIn);
    gf_setSettingsField(&SettingsSnapshot::rangeNm, 10.0);
    setUser(50.0, 8.0, false);
    EXPECT_TRUE(gf_requestRTAppBufferTraffic(road));
    EXPECT_EQ(nextReceived(*standIn), "Qs999=sendbuffer=5,6,49.833453,7.740714,50.166547,8.259286\n");
    EXPECT_FALSE(gf_requestRTAppBufferTraffic(road)); // one in flight
    gf_clearRTAppBufferRequest(road);
    setUser(0.0, 0.0, false);
    EXPECT_TRUE(gf_requestRTAppBufferTraffic(road));
    EXPECT_EQ(nextReceived(*standIn), "Qs999=sendbuffer=5,6\n");
}

TEST_F(RtAppSessionTest, FailedBufferRequestLeavesNoneInFlight) {
    EXPECT_FALSE(gf_requestRTAppBufferTraffic(road)); // no client
    EXPECT_FALSE(road.bufferRequest.inFlight);
}

TEST_F(RtAppSessionTest, ParkedRequestBoxesTheParkAirportOrTheUserOnTheGround) {
    auto standIn = connectedStandIn();
    nextReceived(*standIn);
    road.trafficReader.parkedReceived = true;
    neighbours.setParkAirport({"EDDF", 50.03, 8.57});
    gf_requestRTAppParkedTraffic(road);
    EXPECT_FALSE(road.trafficReader.parkedReceived);
    EXPECT_EQ(nextReceived(*standIn), "Qs999=sendparked,49.980036,8.492165,50.079964,8.647835\r\n");

    neighbours.setParkAirport({});
    setUser(50.03, 8.57, true);
    gf_requestRTAppParkedTraffic(road);
    EXPECT_EQ(nextReceived(*standIn), "Qs999=sendparked,49.980036,8.492165,50.079964,8.647835\r\n");

    setUser(50.03, 8.57, false); // airborne without a park airport: nothing
    gf_requestRTAppParkedTraffic(road);
    gf_sendQs123ToRTApp(road, 7);
    EXPECT_EQ(nextReceived(*standIn), "Qs123=7000\r\n");
}

TEST_F(RtAppSessionTest, LostAppAsksForARestart) {
    auto standIn = connectedStandIn();
    nextReceived(*standIn);
    setUser(47.0, 8.0, false);
    standIn->write("close");
    standIn->nextWith("ack");
    // The first pose after the app hung up fails to send or finds the server without client.
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!gf_pendingStopRequest() && std::chrono::steady_clock::now() < deadline) {
        gf_sendUserPoseToRTApp(road);
        std::this_thread::sleep_for(20ms);
    }
    const auto stop = gf_pendingStopRequest();
    ASSERT_TRUE(stop);
    EXPECT_EQ(stop->reason, ExitReason::new_settings);
    EXPECT_EQ(stop->delaySeconds, 0u);
    EXPECT_FALSE(flags.isRTAppConnected);
    const auto calls = shell.calls();
    EXPECT_TRUE(std::any_of(calls.begin(), calls.end(), [](const std::string& call) {
        return call.starts_with("Message+log ") && call.ends_with("RealTraffic App gone");
    }));
}

} // namespace
} // namespace kiv
