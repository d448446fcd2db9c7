// An RT App road on fakes of its neighbours with the RT App stand-in (tools/rtapp-standin)
// as its client: the server listens on a port the system picks, the stand-in connects to it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "feeds/rtapp_road.h"
#include "feeds/rtapp_session.h"
#include "feeds_fakes.h"
#include "foundation/stop_request.h"
#include "settings/settings_reset.h"
#include "test_support/json_line_process.h"
#include "test_support/log_capture.h"

namespace kiv::test_support {

class RtAppRoadTest : public testing::Test {
protected:
    RtAppRoadTest() {
        resetSettingsToDefaults();
        gf_publishTrafficSource(true);
        gf_resetRunStateForTests();
    }
    ~RtAppRoadTest() override {
        road.server.close();
        gf_resetRunStateForTests();
        resetSettingsToDefaults();
    }

    static RtAppConfig testConfig() {
        RtAppConfig config;
        config.trafficPort = 0;
        config.weatherPort = 0;
        config.serverPort = "0";
        config.versionSettle = std::chrono::milliseconds(100);
        return config;
    }

    // Listens (when not yet listening) and starts a stand-in that connects to the server.
    std::unique_ptr<JsonLineProcess> startStandIn(std::vector<std::string> options = {}) {
        if (road.server.port() == 0) {
            road.server.listen(road.config.serverPort);
        }
        std::vector<std::string> arguments = {KIV_RTAPP_STANDIN,
                                              "--psx-port",
                                              std::to_string(road.server.port()),
                                              "--traffic-port",
                                              "0",
                                              "--weather-port",
                                              "0",
                                              "--stdin-commands"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        auto standIn = std::make_unique<JsonLineProcess>(KIV_PYTHON3, arguments);
        standIn->nextWith("ready");
        return standIn;
    }
    // A stand-in that answered the version request; the handshake is done.
    std::unique_ptr<JsonLineProcess> connectedStandIn(std::vector<std::string> options = {}) {
        auto standIn = startStandIn(std::move(options));
        gf_connectRTApp(road);
        EXPECT_TRUE(road.server.connected());
        return standIn;
    }
    // The next line the program sent, as the stand-in received it.
    static std::string nextReceived(JsonLineProcess& standIn) {
        return standIn.nextWith("received").value("received", "");
    }

    LogCapture log;
    FakeFeedsNeighbours neighbours;
    FakeFeedsShell shell;
    FeedFlags flags;
    SteadyLoopClock clock;
    RtAppRoad road{testConfig(), neighbours, shell, flags, clock};
};

} // namespace kiv::test_support
