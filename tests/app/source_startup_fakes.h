// A scripted stand-in for what the start of the simulator connection and of the traffic
// source calls: plain fields the test sets (and changes from the clock's sleep hook), each
// call recorded by name. Threads it starts end when asked to stop. The test's thread only,
// except the started threads, which touch nothing here.
#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <fmt/format.h>

#include "app/source_startup_steps.h"
#include "simlink/link_commands.h"

namespace kiv::test_support {

class ScriptedStartupSteps : public SourceStartupSteps {
public:
    void record(std::string call) { calls.push_back(std::move(call)); }
    bool called(std::string_view call) const {
        for (const std::string& c : calls) {
            if (c == call) {
                return true;
            }
        }
        return false;
    }
    static std::jthread idleThread() {
        return std::jthread([](std::stop_token stop) {
            while (!stop.stop_requested()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
    }

    void prepareSimClient(std::int32_t version) override { record(fmt::format("prepareSimClient {}", version)); }
    std::jthread startSimClientThread() override {
        record("startSimClientThread");
        return idleThread();
    }
    std::uint32_t simulatorState() override { return state; }
    void queueUserDataRequest(std::uint32_t kind) override {
        record(fmt::format("request {}", kind));
        ++requests[kind];
        if (kind == kDataRequestUserTitleAndModel) {
            replyBits |= repliesOnRequest;
        }
    }
    std::uint8_t userOnGroundState() override { return onGround; }
    Lalo refreshUserAircraft() override {
        ++refreshes;
        if (positionAfterRefreshes && refreshes >= *positionAfterRefreshes) {
            position = reportedPosition;
        }
        return position;
    }
    Lalo userPosition() override { return position; }
    void clearUserReplyBits() override {
        record("clearUserReplyBits");
        replyBits = 0;
    }
    std::uint8_t userReplyBits() override { return replyBits; }
    std::optional<std::int64_t> simZuluTime() override { return zulu; }

    void applyAutoRange() override { record("applyAutoRange"); }
    void resetTrafficMailbox() override { record("resetTrafficMailbox"); }
    bool professionalEdition() override { return professional; }
    void setProfessionalEdition(bool p) override {
        record(fmt::format("setProfessionalEdition {}", p));
        professional = p;
    }
    void waitForFirstTraffic() override { record("waitForFirstTraffic"); }

    void setRtAppConnected() override { record("setRtAppConnected"); }
    void listenRtAppServer(const std::string& port) override {
        record("listen " + port);
        if (listenFails) {
            throw std::runtime_error("bind: Address already in use");
        }
    }
    void connectRtApp() override { record("connectRtApp"); }
    void sendQs123ToRtApp(double seconds) override { record(fmt::format("Qs123 {}", seconds)); }
    void sendUserPoseToRtApp() override { record("sendUserPose"); }
    std::jthread startWeatherReader() override {
        record("startWeatherReader");
        return idleThread();
    }
    std::jthread startTrafficReader() override {
        record("startTrafficReader");
        return idleThread();
    }
    void setUdpReaderPosition(const Lalo& p, double cosLatitude) override {
        record(fmt::format("udpPosition {:.2f},{:.2f} {:.3f}", p.latitude, p.longitude, cosLatitude));
    }
    bool bufferTrafficReceived() override { return bufferReceived; }
    bool parkedTrafficReceived() override { return parkedReceived; }
    std::optional<Lalo> parkAirportPosition() override { return parkAirport; }
    void requestRtAppParkedTraffic() override { record("requestParked"); }

    void updateRtApiQueryBox() override { record("updateRtApiQueryBox"); }
    void holdForRtApiCooldown() override { record("holdForRtApiCooldown"); }
    void authenticate() override { record("authenticate"); }
    void enableTimeShiftControls(bool enable) override { record(fmt::format("enableTimeShift {}", enable)); }
    void applyTimeShift(std::int32_t minutes) override { record(fmt::format("applyTimeShift {}", minutes)); }
    void switchOffKeepSimTime() override { record("switchOffKeepSimTime"); }
    bool rtApiHasSession() override { return session; }
    void setTimeShiftRtDirect(std::int32_t minutes) override { record(fmt::format("timeShiftRtDirect {}", minutes)); }
    void setLastSimTime(std::int64_t seconds) override { record(fmt::format("lastSimTime {}", seconds)); }
    std::jthread startRtApiWeatherReader() override {
        record("startRtApiWeatherReader");
        return idleThread();
    }
    std::jthread startRtApiTrafficReader() override {
        record("startRtApiTrafficReader");
        return idleThread();
    }
    void setRtApiQueryCentre(const Lalo& p) override {
        record(fmt::format("queryCentre {:.2f},{:.2f}", p.latitude, p.longitude));
    }
    bool rtApiReceiving() override { return receiving; }

    std::vector<std::string> calls;
    std::uint32_t state = 2;
    std::uint8_t onGround = 1;
    Lalo position{52.31, 4.76};
    // When set, the position stays at 0 until that many refreshes have happened.
    std::optional<int> positionAfterRefreshes;
    Lalo reportedPosition{52.31, 4.76};
    int refreshes = 0;
    std::map<std::uint32_t, int> requests;
    std::uint8_t replyBits = 0;
    std::uint8_t repliesOnRequest = 3; // the title and model replies a request brings
    std::optional<std::int64_t> zulu;
    bool professional = true;
    bool listenFails = false;
    bool bufferReceived = true;
    bool parkedReceived = true;
    std::optional<Lalo> parkAirport = Lalo{52.31, 4.76};
    bool session = true;
    bool receiving = true;
};

} // namespace kiv::test_support
