// A recording stand-in for the subsystems closing-down calls, and a fixture with a fresh
// "parameters.xml", a Gui on a virtual clock with a fake window, and empty stop state.
// The event list is shared with the worker threads the tests put into the slots.
#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/closing_down.h"
#include "app/fake_window.h"
#include "foundation/stop_request.h"
#include "settings/parameters_fixture.h"
#include "settings/settings_snapshot.h"
#include "test_support/fake_loop_clock.h"

namespace kiv::test_support {

class RecordingSteps : public ClosingDownSteps {
public:
    void record(const std::string& event) {
        std::lock_guard lock(mutex_);
        events_.push_back(event);
        if (event == throwAt) {
            throw std::runtime_error("boom");
        }
    }
    std::vector<std::string> events() {
        std::lock_guard lock(mutex_);
        return events_;
    }

    void resetTrafficMailbox() override { record("resetTrafficMailbox"); }
    void stopRtAppReaders() override {
        record("stopRtAppReaders");
        readersAsked.store(true);
    }
    void stopRtApiReaders() override {
        record("stopRtApiReaders");
        readersAsked.store(true);
    }
    bool rtApiHasSession() override {
        record("rtApiHasSession");
        return hasSession;
    }
    void deauthenticate() override { record("deauthenticate"); }
    void clearRtApiSession() override { record("clearRtApiSession"); }
    void closeRtAppServer() override { record("closeRtAppServer"); }
    void releaseNetworkLibrary() override { record("releaseNetworkLibrary"); }
    bool hasParkAirport() override {
        record("hasParkAirport");
        return parkAirport;
    }
    void clearParking() override { record("clearParking"); }
    void clearUserAndParkState() override { record("clearUserAndParkState"); }
    void clearGhostCheckTable() override { record("clearGhostCheckTable"); }
    void removeFlightPlanFolder() override { record("removeFlightPlanFolder"); }
    void clearGhostCheckTexts() override { record("clearGhostCheckTexts"); }
    void logLiveryMatchingSummary() override { record("logLiveryMatchingSummary"); }
    void saveParkAirports() override { record("saveParkAirports"); }
    void logNoMatchList() override { record("logNoMatchList"); }
    void resetRtAppReaders() override { record("resetRtAppReaders"); }
    void renewRtApiClient() override { record("renewRtApiClient"); }
    void resetSimClientState(std::int32_t simulatorVersion) override {
        record("resetSimClientState " + std::to_string(simulatorVersion));
    }
    void resetTraffic() override { record("resetTraffic"); }
    void resetRunState() override { record("resetRunState"); }

    bool hasSession = true;
    bool parkAirport = true;
    std::string throwAt;
    std::atomic<bool> readersAsked{false};

private:
    std::mutex mutex_;
    std::vector<std::string> events_;
};

class ClosingDownTest : public ParametersFileTest {
protected:
    void SetUp() override {
        ParametersFileTest::SetUp();
        gf_resetRunStateForTests();
        gf_publishTrafficSource(false);
        gf_publishSettingsSnapshot();
        gui.attachWindow(window, 96);
    }
    void TearDown() override {
        gui.detachWindow();
        gf_resetRunStateForTests();
        gf_publishTrafficSource(false);
        ParametersFileTest::TearDown();
        gf_publishSettingsSnapshot();
    }

    // A SimClient thread that runs until asked to stop through its token.
    void startSimClient() {
        threads.simClient = std::jthread([this](std::stop_token stop) {
            while (!stop.stop_requested()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            steps.record("SimClient ended");
        });
    }
    // A reader that runs until the neighbour's stop call reaches it.
    void startReader(std::jthread& slot, std::string name) {
        slot = std::jthread([this, name] {
            while (!steps.readersAsked.load()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            steps.record(name + " ended");
        });
    }

    ClosingDown closingDown() { return ClosingDown({gui, steps, clock, threads, flags}); }

    // The window messages closing-down posted (the GUI update wake-ups left out).
    std::vector<platform::WindowMessage> windowMessages() {
        std::vector<platform::WindowMessage> posted;
        for (platform::WindowMessage message : window.messages()) {
            if (message != platform::WindowMessage::guiUpdate) {
                posted.push_back(message);
            }
        }
        return posted;
    }

    FakeClock clock;
    FakeWindow window;
    Gui gui{clock};
    RecordingSteps steps;
    WorkerThreads threads;
    ShellFlags flags;
};

} // namespace kiv::test_support
