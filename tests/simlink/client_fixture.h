// A SimClient on recording fakes, with the log captured and the stop slot emptied before and
// after, driven one message or frame at a time from the test's thread.
#pragma once

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "foundation/stop_request.h"
#include "link_fakes.h"
#include "message_builders.h"
#include "simlink/sim_client.h"
#include "test_support/log_capture.h"

namespace kiv::test_support {

struct ClientFixture {
    LogCapture log;
    SimLink link;
    FakeSimConnectCalls calls;
    RecordingLinkShell shell;
    FakeLinkNeighbours neighbours;
    std::int64_t nowNs = 10'000'000'000;
    SimClient client{
        link, calls, shell, neighbours,
        SimClientOptions{[this] { return nowNs; }, std::chrono::milliseconds(0), std::chrono::milliseconds(50)}};

    ClientFixture() {
        gf_resetRunStateForTests();
        link.gf_prepareSimClient(5);
        link.setSimulatorState(kSimulatorRunning);
    }
    ~ClientFixture() { gf_resetRunStateForTests(); }
    ClientFixture(const ClientFixture&) = delete;
    ClientFixture& operator=(const ClientFixture&) = delete;

    void dispatch(const std::vector<std::uint8_t>& message) { client.lf_simClientDispatch(message); }
    std::vector<SimEvent> events() {
        std::vector<SimEvent> drained;
        link.drainSimEvents(drained);
        return drained;
    }
    bool logged(const std::string& part) const {
        const auto lines = log.lines();
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& line) { return line.find(part) != std::string::npos; });
    }
    // Queues a creation and pumps it: the pending create that an assignment will match.
    std::uint32_t createPending(std::uint32_t hexId, const std::string& tail = "DLH4AB") {
        CreateCommand command;
        command.title = "Airbus A320 Lufthansa";
        command.tailNumber = tail;
        command.hexId = hexId;
        link.gf_queueCreate(command);
        client.lf_pumpCommands();
        return calls.named("AICreateNonATCAircraft").back().args[0];
    }
    static PoseSample sample(std::int64_t timeNs, double latitude = 47.0, double longitude = 8.0,
                             double altitudeFt = 1000.0, double headingRad = 1.0) {
        PoseSample s;
        s.timeNs = timeNs;
        s.pose = {latitude, longitude, 0.05, 0.0, headingRad, altitudeFt, 0.0, 150.0};
        return s;
    }
    void publish(std::uint32_t objectId, const std::vector<PoseSample>& samples) {
        link.withPublishedPoses([&](PublishedPoseMap& published) {
            auto& list = published[objectId];
            list.insert(list.end(), samples.begin(), samples.end());
        });
    }
};

} // namespace kiv::test_support
