#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/fake_window.h"
#include "app/source_startup.h"
#include "app/source_startup_fakes.h"
#include "foundation/stop_request.h"
#include "settings/parameters_fixture.h"
#include "settings/settings_snapshot.h"
#include "settings/settings_table.h"
#include "test_support/fake_loop_clock.h"

namespace kiv {
namespace {

using test_support::FakeClock;
using test_support::FakeWindow;
using test_support::ScriptedStartupSteps;
using Calls = std::vector<std::string>;

constexpr std::int64_t kSecond = 1'000'000'000;
constexpr std::int64_t kUtcNow = 1'765'000'000;

std::int64_t fixedUtcNow() { return kUtcNow; }

class SourceStartupTest : public test_support::ParametersFileTest {
protected:
    void SetUp() override {
        ParametersFileTest::SetUp();
        gf_resetRunStateForTests();
        gf_publishSettingsSnapshot();
        gui.beginWindowCreation();
        gui.attachWindow(window, 96);
    }
    void TearDown() override {
        gui.detachWindow();
        gf_resetRunStateForTests();
        ParametersFileTest::TearDown();
        gf_publishSettingsSnapshot();
    }

    // Installs a stop once the waits have slept `sleeps` times.
    void stopAfterSleeps(std::size_t sleeps) {
        clock.onSleep = [sleeps](FakeClock& c) {
            if (c.sleeps.size() == sleeps) {
                gf_installStopRequest(ExitReason::user_closed_sim, 0);
            }
        };
    }
    std::int64_t elapsed() const { return clock.now - kStart; }
    std::vector<std::string> logLines(std::string_view part) {
        std::vector<std::string> found;
        for (const std::string& line : log_.lines()) {
            if (line.find(part) != std::string::npos) {
                found.push_back(line);
            }
        }
        return found;
    }

    static constexpr std::int64_t kStart = 1'000'000'000;
    FakeClock clock;
    FakeWindow window;
    Gui gui{clock};
    ScriptedStartupSteps steps;
    WorkerThreads threads;
    SourceStartup startup{{gui, steps, clock, threads, &fixedUtcNow}};
};

TEST_F(SourceStartupTest, TheSimulatorSessionIsReadyOnceTheFlightRunsAndTheUserIsKnown) {
    param::P3D_VERSION.value = 6;
    steps.state = 1;
    steps.onGround = 255;
    steps.position = {};
    steps.positionAfterRefreshes = 2;
    clock.onSleep = [&](FakeClock& c) {
        if (c.sleeps.size() == 3) {
            steps.state = 2; // the flight is loaded
        }
        if (steps.refreshes == 1) {
            steps.onGround = 1;
        }
    };
    ASSERT_TRUE(startup.lf_startSimClient());
    EXPECT_TRUE(threads.simClient.joinable());
    EXPECT_EQ(steps.calls, (Calls{"prepareSimClient 6", "startSimClientThread", "request 2", "request 3", "request 3",
                                  "clearUserReplyBits", "request 1"}));
    // Three 100 ms polls for the flight, two 500 ms polls for the position.
    EXPECT_EQ(elapsed(), 3 * kSimulatorPollNs + 2 * kUserPositionPollNs);
}

TEST_F(SourceStartupTest, EveryWaitEndsAtItsNextPollOnceAStopIsRequested) {
    struct Case {
        const char* name;
        std::function<void(ScriptedStartupSteps&)> arrange;
        std::function<bool(SourceStartup&)> run;
    };
    const auto simulator = [](SourceStartup& s) { return s.lf_startSimClient(); };
    const auto rtApp = [](SourceStartup& s) { return s.lf_startRTAppReaders(); };
    const auto rtDirect = [](SourceStartup& s) { return s.lf_startRTAPIReaders(); };
    const Case cases[] = {
        {"no flight", [](auto& s) { s.state = 1; }, simulator},
        {"on-ground state unknown", [](auto& s) { s.onGround = 255; }, simulator},
        {"no user position", [](auto& s) { s.position = {}; }, simulator},
        {"no title and model", [](auto& s) { s.repliesOnRequest = 1; }, simulator},
        {"no buffered traffic", [](auto& s) { s.bufferReceived = false; }, rtApp},
        {"no parked traffic", [](auto& s) { s.parkedReceived = false; }, rtApp},
        {"RT Direct: no user position", [](auto& s) { s.position = {}; }, rtDirect},
        {"RT Direct: no login", [](auto& s) { s.session = false; }, rtDirect},
        {"RT Direct: no simulator time", [](auto& s) { s.zulu.reset(); }, rtDirect},
    };
    gf_updateSettings([](SettingsSnapshot& s) { s.simTime = true; });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gf_resetRunStateForTests();
        steps = ScriptedStartupSteps();
        c.arrange(steps);
        clock.sleeps.clear();
        stopAfterSleeps(3);
        EXPECT_FALSE(c.run(startup));
        EXPECT_EQ(clock.sleeps.size(), 3u); // not one poll more
        EXPECT_EQ(gf_pendingStopRequest()->reason, ExitReason::user_closed_sim);
        EXPECT_FALSE(steps.called("waitForFirstTraffic"));
        EXPECT_FALSE(steps.called("startRtApiTrafficReader"));
    }
    EXPECT_EQ(logLines("waiting for user aircraft position interrupted, program is stopping").size(), 1u);
    EXPECT_TRUE(logLines("Time out:").empty());
}

TEST_F(SourceStartupTest, TheRepliesWaitEndsWhenTheSimulatorGoesAway) {
    for (const std::uint32_t gone : {0u, 3u}) {
        SCOPED_TRACE(gone);
        steps = ScriptedStartupSteps();
        steps.repliesOnRequest = 2; // the model reply alone
        clock.sleeps.clear();
        clock.onSleep = [&](FakeClock& c) {
            if (c.sleeps.size() == 5) {
                steps.state = gone;
            }
        };
        EXPECT_FALSE(startup.lf_awaitSimulatorSession());
        EXPECT_EQ(clock.sleeps.size(), 5u);
        EXPECT_TRUE(gf_isRunning());
    }
}

TEST_F(SourceStartupTest, TheRtAppRoadOpensTheServerGreetsTheAppAndStartsBothReaders) {
    steps.zulu = 1'765'000'000;
    ASSERT_TRUE(startup.lf_startRTAppReaders());
    EXPECT_EQ(steps.calls, (Calls{"applyAutoRange", "listen 10747", "connectRtApp", "Qs123 1765000000",
                                  "resetTrafficMailbox", "sendUserPose", "startWeatherReader",
                                  "udpPosition 52.31,4.76 0.611", "startTrafficReader", "requestParked",
                                  "waitForFirstTraffic"}));
    EXPECT_TRUE(threads.weatherReader.joinable());
    EXPECT_TRUE(threads.trafficReader.joinable());
    EXPECT_FALSE(gui.status().trafficSourceNotStarted);
    EXPECT_FALSE(gui.status().timeShiftEditable);
    EXPECT_EQ(logLines("Requesting RT parked traffic ...").size(), 1u);
}

TEST_F(SourceStartupTest, ServerSettingsDecideWhetherToListenAndGreet) {
    struct Case {
        bool psxServerHere;
        bool aerowinx;
        bool professional;
        Calls wanted;
        Calls unwanted;
    };
    const Case cases[] = {
        // No server: nothing to greet and no line to send the time on.
        {false, false, true, {"setRtAppConnected"}, {"listen 10747", "connectRtApp", "Qs123 1765000000"}},
        {true, false, true, {"listen 10747", "connectRtApp", "Qs123 1765000000"}, {"setRtAppConnected"}},
        {true, true, true, {"setProfessionalEdition false"}, {"listen 10747", "connectRtApp", "Qs123 1765000000"}},
        {true, false, false, {"listen 10747", "connectRtApp"}, {"Qs123 1765000000", "setRtAppConnected"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(fmt::format("here {} aerowinx {}", c.psxServerHere, c.aerowinx));
        steps = ScriptedStartupSteps();
        steps.zulu = 1'765'000'000;
        steps.professional = c.professional;
        param::PSX_SERVER_HERE.value = c.psxServerHere;
        param::AEROWINX.value = c.aerowinx;
        EXPECT_TRUE(startup.lf_startRTAppReaders());
        for (const std::string& call : c.wanted) {
            EXPECT_TRUE(steps.called(call)) << call;
        }
        for (const std::string& call : c.unwanted) {
            EXPECT_FALSE(steps.called(call)) << call;
        }
    }
}

TEST_F(SourceStartupTest, WithoutAParkAirportNoParkedTrafficIsAskedFor) {
    struct Case {
        const char* name;
        std::uint8_t onGround;
        std::optional<Lalo> parkAirport;
    };
    const Case cases[] = {
        {"airborne", 0, Lalo{52.31, 4.76}},
        {"no park airport", 1, std::nullopt},
        {"park airport without a position", 1, Lalo{0.0, 0.0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        steps = ScriptedStartupSteps();
        steps.onGround = c.onGround;
        steps.parkAirport = c.parkAirport;
        EXPECT_TRUE(startup.lf_startRTAppReaders());
        EXPECT_FALSE(steps.called("requestParked"));
    }
    EXPECT_EQ(logLines("user not at an airport, no RT parked Traffic needed").size(), 3u);
}

TEST_F(SourceStartupTest, TrafficThatNeverComesIsOnlyLoggedAfterItsTimeLimit) {
    struct Case {
        bool buffer;
        bool parked;
        std::int64_t waited;
        const char* line;
    };
    const Case cases[] = {
        {false, true, 30 * kSecond, "==> Time out: no buffer traffic received?"},
        {true, false, 10 * kSecond, "==> Time out: no parked traffic received?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        steps = ScriptedStartupSteps();
        steps.bufferReceived = c.buffer;
        steps.parkedReceived = c.parked;
        const std::int64_t before = clock.now;
        EXPECT_TRUE(startup.lf_startRTAppReaders());
        EXPECT_TRUE(steps.called("waitForFirstTraffic"));
        // The flag waits, then the 100 ms before the first-traffic wait.
        EXPECT_EQ(clock.now - before, c.waited + kSimulatorPollNs);
        EXPECT_EQ(logLines(c.line).size(), 1u);
    }
}

TEST_F(SourceStartupTest, AServerThatCannotListenFailsTheStart) {
    steps.listenFails = true;
    EXPECT_THROW(startup.lf_startRTAppReaders(), std::runtime_error);
    EXPECT_FALSE(threads.trafficReader.joinable());
}

TEST_F(SourceStartupTest, TheRtDirectRoadLogsInAndStartsBothReaders) {
    ASSERT_TRUE(startup.lf_startRTAPIReaders());
    EXPECT_EQ(steps.calls,
              (Calls{"applyAutoRange", "resetTrafficMailbox", "updateRtApiQueryBox", "holdForRtApiCooldown",
                     "authenticate", "enableTimeShift true", "startRtApiWeatherReader", "startRtApiTrafficReader",
                     "queryCentre 52.31,4.76", "waitForFirstTraffic"}));
    EXPECT_EQ(gui.status().trafficReaderStatus, kReaderWaiting);
    EXPECT_EQ(gui.status().weatherReaderStatus, kReaderWaiting);
    EXPECT_TRUE(gf_isRunning());
}

TEST_F(SourceStartupTest, WithoutTheProfessionalEditionTheTimeShiftIsLockedAtZero) {
    steps.professional = false;
    gf_updateSettings([](SettingsSnapshot& s) {
        s.keepSimTimePar = true;
        s.simTime = true; // needs the professional edition: no Zulu wait
    });
    ASSERT_TRUE(startup.lf_startRTAPIReaders());
    for (const char* call : {"enableTimeShift false", "applyTimeShift 0", "switchOffKeepSimTime"}) {
        EXPECT_TRUE(steps.called(call)) << call;
    }
    EXPECT_FALSE(steps.called("request 3"));
    EXPECT_FALSE(gui.status().timeShiftEditable);
}

TEST_F(SourceStartupTest, AMissingUserPositionIsWaitedForSixtySecondsThenTheStartGoesOn) {
    steps.position = {};
    ASSERT_TRUE(startup.lf_startRTAPIReaders());
    EXPECT_TRUE(steps.called("authenticate"));
    EXPECT_EQ(logLines("user aircraft position still not valid after 60 seconds, continuing aborted").size(), 1u);
    // Polled every 500 ms up to just past the minute, then the 300 ms before the query centre.
    EXPECT_EQ(clock.sleeps.front() - kStart, kRtApiPositionPollNs);
    EXPECT_EQ(logLines("waiting for the user aircraft position ...").size(), 1u);
    EXPECT_GT(elapsed(), 60 * kSecond);
    EXPECT_LE(elapsed(), 60 * kSecond + kRtApiPositionPollNs + 3 * kSimulatorPollNs);
}

TEST_F(SourceStartupTest, SimulatorTimeSetsTheTimeShiftOrAsksForARestartWhenMissing) {
    gf_updateSettings([](SettingsSnapshot& s) { s.simTime = true; });
    struct Case {
        std::optional<std::int64_t> zulu;
        std::optional<std::int32_t> shift; // nothing: READER ERROR
    };
    const Case cases[] = {
        {kUtcNow - 3 * 3600 - 59, 180}, // truncated to whole minutes
        {kUtcNow + 600, 0},             // a simulator ahead of real time: no shift
        {std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.zulu.value_or(0));
        gf_resetRunStateForTests();
        steps = ScriptedStartupSteps();
        steps.zulu = c.zulu;
        const std::int64_t before = clock.now;
        const bool started = startup.lf_startRTAPIReaders();
        EXPECT_TRUE(steps.called("request 3"));
        if (c.shift) {
            EXPECT_TRUE(started);
            EXPECT_TRUE(steps.called(fmt::format("timeShiftRtDirect {}", *c.shift)));
            EXPECT_TRUE(steps.called(fmt::format("lastSimTime {}", *c.zulu)));
            EXPECT_TRUE(gf_isRunning());
        } else {
            EXPECT_FALSE(started);
            EXPECT_FALSE(steps.called("startRtApiWeatherReader"));
            const auto request = gf_pendingStopRequest();
            ASSERT_NE(request, nullptr);
            EXPECT_EQ(request->reason, ExitReason::reader_error);
            EXPECT_EQ(request->delaySeconds, 15u);
            EXPECT_EQ(clock.now - before, 10 * kSecond);
            EXPECT_EQ(logLines("==> Sim Time startup: no valid simulator Zulu time before requesting traffic").size(),
                      1u);
        }
    }
}

TEST_F(SourceStartupTest, ASilentTrafficReaderAsksForARestartButTheStartCountsAsDone) {
    steps.receiving = false;
    const std::int64_t before = clock.now;
    EXPECT_TRUE(startup.lf_startRTAPIReaders());
    const auto request = gf_pendingStopRequest();
    ASSERT_NE(request, nullptr);
    EXPECT_EQ(request->reason, ExitReason::reader_error);
    EXPECT_EQ(request->delaySeconds, 15u);
    EXPECT_EQ(logLines("RTAPI TrafficReader receiving timed out after 10 seconds?").size(), 1u);
    // 300 ms before the query centre, then polls until just past 10 s.
    EXPECT_GT(clock.now - before, 3 * kSimulatorPollNs + 10 * kSecond);
    EXPECT_LE(clock.now - before, 3 * kSimulatorPollNs + 10 * kSecond + kRtApiReceivingPollNs);
}

TEST_F(SourceStartupTest, AReaderStartReplacesTheThreadInItsSlot) {
    steps.zulu.reset();
    std::atomic<bool> oldStopped{false};
    threads.trafficReader = std::jthread([&](std::stop_token stop) {
        while (!stop.stop_requested()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        oldStopped.store(true);
    });
    ASSERT_TRUE(startup.lf_startRTAppReaders());
    EXPECT_TRUE(oldStopped.load());
    EXPECT_TRUE(threads.trafficReader.joinable());
}

} // namespace
} // namespace kiv
