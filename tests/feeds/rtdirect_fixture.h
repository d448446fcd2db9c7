// An RT Direct road on fakes of its neighbours, talking to the service stand-in over TLS.
// The reader threads it starts are stopped and joined when the test ends.
#pragma once

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "feeds/rtdirect_road.h"
#include "feeds_fakes.h"
#include "foundation/stop_request.h"
#include "rtapi_standin.h"
#include "settings/settings_reset.h"
#include "test_support/log_capture.h"
#include "test_support/wait_until.h"
#include "type_database_fixture.h"

namespace kiv::test_support {

class RtDirectTest : public testing::Test {
protected:
    RtDirectTest() {
        resetSettingsToDefaults();
        gf_publishTrafficSource(false);
        gf_resetRunStateForTests();
        installFeedsTypeDatabase();
        // Short waits keep the tests quick; each test sets what it looks at.
        standIn.set("auth", quickLogin());
    }
    ~RtDirectTest() override {
        if (road) {
            road->requestStop();
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        gf_resetRunStateForTests();
        resetSettingsToDefaults();
    }

    static nlohmann::json quickLogin() {
        return {{"status", 200}, {"server", "standin"}, {"rrl", 250}, {"wrrl", 250}, {"type", 1}};
    }

    RtDirectRoad& makeRoad(const std::string& credential = "LICENSE-KEY-1") {
        road = std::make_unique<RtDirectRoad>(RtDirectConfig{standIn.endpoint(), credential}, neighbours, shell, flags,
                                              clock);
        return *road;
    }
    // A road that logged in; the login request is taken from the stand-in's list.
    RtDirectRoad& loggedInRoad() {
        makeRoad();
        std::int32_t status = 0;
        EXPECT_TRUE(authenticate(*road, status));
        standIn.nextRequestOf("auth");
        return *road;
    }
    void startTrafficReader() {
        threads.emplace_back([this] { gf_RTAPITrafficReader(*road); });
    }
    void startWeatherReader() {
        threads.emplace_back([this] { gf_RTAPIWeatherReader(*road); });
    }
    void joinReaders() {
        for (std::thread& thread : threads) {
            thread.join();
        }
        threads.clear();
    }
    void setUser(double latitude, double longitude) {
        UserAircraftState user;
        user.latitude = latitude;
        user.longitude = longitude;
        neighbours.setUser(user);
    }

    bool logged(const std::string& line) const {
        const auto lines = log.lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    bool logMentions(const std::string& text) const {
        const auto lines = log.lines();
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& line) { return line.find(text) != std::string::npos; });
    }
    bool shellCalled(const std::string& call) const {
        const auto calls = shell.calls();
        return std::find(calls.begin(), calls.end(), call) != calls.end();
    }

    LogCapture log;
    RTAPIStandIn standIn;
    FakeFeedsNeighbours neighbours;
    FakeFeedsShell shell;
    FeedFlags flags;
    SteadyLoopClock clock;
    std::unique_ptr<RtDirectRoad> road;
    std::vector<std::thread> threads;
};

} // namespace kiv::test_support
