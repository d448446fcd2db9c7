// A simulator stand-in and the SimClient thread on the real client and transport, reaching
// it over its pipe (a Unix-domain socket), with fakes for the shell and the other
// neighbours; the test's thread waits for what the link reports. The run state (stop slot)
// is emptied before and after.
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "foundation/stop_request.h"
#include "link_fakes.h"
#include "message_builders.h"
#include "simlink/sim_client.h"
#include "simlink/simconnect/test_peer.h"
#include "standin_driver.h"
#include "test_support/log_capture.h"

namespace kiv::test_support {

class LinkEndToEnd {
public:
    using Json = nlohmann::json;

    explicit LinkEndToEnd(std::vector<std::string> standInOptions = {}, bool withStandIn = true)
        : options_(std::move(standInOptions)) {
        gf_resetRunStateForTests();
        link.gf_prepareSimClient(5);
        if (withStandIn) {
            startStandIn();
        }
    }
    ~LinkEndToEnd() {
        stop();
        gf_resetRunStateForTests();
    }
    LinkEndToEnd(const LinkEndToEnd&) = delete;
    LinkEndToEnd& operator=(const LinkEndToEnd&) = delete;

    void startStandIn() {
        std::vector<std::string> options = {"--raw"};
        options.insert(options.end(), options_.begin(), options_.end());
        standIn.emplace(options, env.defaultPipePath());
    }
    void start() {
        thread_ = std::jthread([this](std::stop_token stop) { client.run(stop); });
    }
    void stop() {
        if (thread_.joinable()) {
            thread_.request_stop();
            thread_.join();
        }
    }
    // Polls until `condition` holds (true) or 10 s have passed (false).
    static bool waitUntil(const std::function<bool()>& condition,
                          std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }
    bool waitForState(std::uint32_t state) {
        return waitUntil([&] { return link.simulatorState() == static_cast<std::int32_t>(state); });
    }
    // The first event (drained so far or later) that satisfies `wanted`.
    std::optional<SimEvent> waitForEvent(const std::function<bool(const SimEvent&)>& wanted) {
        std::optional<SimEvent> found;
        waitUntil([&] {
            std::vector<SimEvent> drained;
            link.drainSimEvents(drained);
            events.insert(events.end(), drained.begin(), drained.end());
            const auto it = std::find_if(events.begin(), events.end(), wanted);
            if (it != events.end()) {
                found = *it;
            }
            return found.has_value();
        });
        return found;
    }
    // Creates an aircraft and waits for its object id.
    std::uint32_t create(std::uint32_t hexId, const std::string& tail) {
        CreateCommand command;
        command.latitude = 47.46;
        command.longitude = 8.55;
        command.altitudeFt = 1416.0;
        command.headingDeg = 90.0;
        command.onGround = 1;
        command.title = "Airbus A320 Swiss";
        command.tailNumber = tail;
        command.hexId = hexId;
        link.gf_queueCreate(command);
        const auto assigned = waitForEvent([&](const SimEvent& e) {
            return (e.kind == SimEventKind::liveAssigned || e.kind == SimEventKind::staticAssigned) && e.key == hexId;
        });
        EXPECT_TRUE(assigned) << "no object id for " << hexId;
        return assigned ? assigned->objectId : 0;
    }
    // Starts the link, waits for the simulation to run and creates one live aircraft: its
    // object id, or 0 when any step failed.
    std::uint32_t startWithOneAircraft() {
        start();
        return waitForState(kSimulatorRunning) ? create(0x4B1815, "SWR12") : 0;
    }
    bool logged(const std::string& part) const {
        const auto lines = log.lines();
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& line) { return line.find(part) != std::string::npos; });
    }

    simconnect::testing::TestEnvironment env;
    test_support::LogCapture log;
    std::optional<SimConnectStandIn> standIn;
    SimLink link;
    SessionCalls calls{realClock(env.environment())};
    test_support::RecordingLinkShell shell;
    test_support::FakeLinkNeighbours neighbours;
    SimClient client{link, calls, shell, neighbours,
                     SimClientOptions{{}, std::chrono::milliseconds(0), std::chrono::seconds(2)}};
    std::vector<SimEvent> events;

private:
    static simconnect::ConnectEnvironment realClock(simconnect::ConnectEnvironment environment) {
        environment.clock = [] { return std::chrono::steady_clock::now(); };
        environment.onAttempt = nullptr;
        return environment;
    }
    std::vector<std::string> options_;
    std::jthread thread_;
};

} // namespace kiv::test_support
