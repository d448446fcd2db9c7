#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/closing_down_fakes.h"
#include "app/stop_requests.h"
#include "platform/headless_control.h"
#include "settings/parameters_file.h"
#include "settings/settings_table.h"
#include "settings/startup_checks.h"

namespace kiv {
namespace {

using platform::WindowMessage;
using test_support::ClosingDownTest;

constexpr std::int64_t kSecond = 1'000'000'000;

// The log lines that start with `prefix`.
std::vector<std::string> linesStartingWith(const std::vector<std::string>& lines, std::string_view prefix) {
    std::vector<std::string> found;
    for (const std::string& line : lines) {
        if (line.starts_with(prefix)) {
            found.push_back(line);
        }
    }
    return found;
}

TEST_F(ClosingDownTest, QuittingStopsThreadsAndSourcesInOrderThenPostsExit) {
    ASSERT_TRUE(gf_isRTDirect());
    startSimClient();
    startReader(threads.weatherReader, "weather reader");
    startReader(threads.trafficReader, "traffic reader");
    gf_installStopRequest(ExitReason::sim_was_closed, 0);

    closingDown().closingDown();

    // The two readers end in either order once asked; the log shows the order of the joins.
    std::vector<std::string> events = steps.events();
    ASSERT_GE(events.size(), 5u);
    std::sort(events.begin() + 3, events.begin() + 5, std::greater<>());
    EXPECT_EQ(events,
              (std::vector<std::string>{
                  "resetTrafficMailbox",      "SimClient ended",       "stopRtApiReaders",       "weather reader ended",
                  "traffic reader ended",     "rtApiHasSession",       "deauthenticate",         "clearRtApiSession",
                  "closeRtAppServer",         "releaseNetworkLibrary", "hasParkAirport",         "clearParking",
                  "clearUserAndParkState",    "clearGhostCheckTable",  "removeFlightPlanFolder", "clearGhostCheckTexts",
                  "logLiveryMatchingSummary", "saveParkAirports",      "logNoMatchList",
              }));
    EXPECT_EQ(windowMessages(), std::vector<WindowMessage>{WindowMessage::exit});
    EXPECT_FALSE(flags.restart.load());
    EXPECT_EQ(linesStartingWith(log_.lines(), "Shutdown cleanup"),
              (std::vector<std::string>{
                  "Shutdown cleanup: waiting for SimClient", "Shutdown cleanup: SimClient stopped",
                  "Shutdown cleanup: stopping readers", "Shutdown cleanup: waiting for weather reader",
                  "Shutdown cleanup: weather reader stopped", "Shutdown cleanup: waiting for traffic reader",
                  "Shutdown cleanup: traffic reader stopped", "Shutdown cleanup: closing RT App server",
                  "Shutdown cleanup: RT App server closed", "Shutdown cleanup completed; posting MSG_EXIT"}));
    // The request stays in the slot on the way out.
    EXPECT_NE(gf_pendingStopRequest(), nullptr);
}

TEST_F(ClosingDownTest, ARestartResetsTheRtAppSideAndEveryPhaseThenPostsStart) {
    gf_publishTrafficSource(true);
    steps.parkAirport = false;
    gf_installStopRequest(ExitReason::new_settings, 0);
    gui.applyUpdate(gui_update::LiveCount{12});

    closingDown().closingDown();

    EXPECT_EQ(steps.events(),
              (std::vector<std::string>{
                  "resetTrafficMailbox", "stopRtAppReaders", "closeRtAppServer", "releaseNetworkLibrary",
                  "hasParkAirport", "clearUserAndParkState", "clearGhostCheckTable", "removeFlightPlanFolder",
                  "clearGhostCheckTexts", "logLiveryMatchingSummary", "saveParkAirports", "logNoMatchList",
                  "resetRtAppReaders", "resetSimClientState 5", "resetTraffic", "resetRunState"}));
    EXPECT_EQ(windowMessages(), std::vector<WindowMessage>{WindowMessage::start});
    EXPECT_TRUE(flags.restart.load());
    EXPECT_EQ(gf_pendingStopRequest(), nullptr);
    EXPECT_EQ(linesStartingWith(log_.lines(), "Restart phase"),
              (std::vector<std::string>{
                  "Restart phase: reinitializing SimConnect state", "Restart phase: reinitializing traffic state",
                  "Restart phase: reinitializing GUI state", "Restart phase: reinitializing main state",
                  "Restart phase: state reinitialization completed"}));
    gui.drainUpdates();
    EXPECT_EQ(linesStartingWith(log_.lines(), "Prepare"), std::vector<std::string>{"Prepare for a restart ..."});
    EXPECT_EQ(gui.status().liveCount, 0u);
    EXPECT_EQ(gui.status().messageLine, "");
}

TEST_F(ClosingDownTest, TheReasonAloneDecidesRestartOrExitAndTheDelay) {
    struct Row {
        const char* name;
        std::function<void()> install;
        bool restarts;
        std::int64_t countdownSeconds;
    };
    const std::vector<Row> rows = {
        {"no request", [] {}, false, 0},
        {"simulator lost", [] { gf_stopOnSimulatorLost(); }, false, 0},
        {"new flight", [] { gf_requestRestart(); }, true, 45},
        {"new settings", [] { gf_requestStop(ExitReason::new_settings, 0); }, true, 0},
        {"install path missing", [] { gf_requestStop(ExitReason::install_path_missing, 0); }, false, 0},
        {"simconnect error", [] { gf_requestStop(ExitReason::simconnect_error, 9); }, true, 9},
        {"RT App reader", [] { gf_reportRTAppReaderStopped("Traffic Reader", "gone"); }, true, 15},
        {"RT API reader, restart", [] { gf_reportRTAPIReaderStopped("Traffic RTAPIreader", true, 500); }, true, 15},
        {"RT API reader, no restart", [] { gf_reportRTAPIReaderStopped("Traffic RTAPIreader", false, 402); }, false, 0},
        {"new version", [] { gf_requestStop(ExitReason::new_version, 0); }, false, 0},
        {"mailbox stalled", [] { gf_requestStop(ExitReason::traffic_mailbox_stalled, 0); }, false, 0},
        {"second request dropped",
         [] {
             gf_requestStop(ExitReason::reader_error, 15);
             gf_requestStop(ExitReason::system_error, 0);
         },
         true, 15},
    };
    for (const Row& row : rows) {
        gf_resetRunStateForTests();
        test_support::FakeWindow rowWindow;
        gui.detachWindow();
        gui.attachWindow(rowWindow, 96);
        clock.sleeps.clear();
        const std::int64_t start = clock.now;
        row.install();
        const auto request = gf_pendingStopRequest();
        const bool systemError = request && request->reason == ExitReason::system_error;

        closingDown().closingDown();

        std::vector<WindowMessage> posted = rowWindow.messages();
        std::erase(posted, WindowMessage::guiUpdate);
        EXPECT_EQ(posted, std::vector<WindowMessage>{row.restarts ? WindowMessage::start : WindowMessage::exit})
            << row.name;
        const std::int64_t waited = clock.now - start;
        const std::int64_t expected = (systemError ? 25 : row.countdownSeconds) * kSecond;
        EXPECT_EQ(waited, expected) << row.name;
    }
}

struct Countdown {
    std::vector<std::string> shown;
    bool result = false;
};

class CountdownTest : public ClosingDownTest {
protected:
    // Runs the countdown; `atSleep` (1-based sleep number) may act before the next second.
    Countdown run(std::uint32_t seconds, std::function<void(std::size_t)> atSleep = {}) {
        Countdown countdown;
        clock.onSleep = [&](test_support::FakeClock& fake) {
            gui.drainUpdates();
            countdown.shown.push_back(gui.status().messageLine);
            if (atSleep) {
                atSleep(fake.sleeps.size());
            }
        };
        countdown.result = closingDown().restartCountdown(seconds);
        clock.onSleep = {};
        return countdown;
    }
};

TEST_F(CountdownTest, NineSecondsCountDownToOneSecondWithoutPlural) {
    const Countdown countdown = run(9);
    EXPECT_TRUE(countdown.result);
    ASSERT_EQ(countdown.shown.size(), 9u);
    EXPECT_EQ(countdown.shown.front(), "Restarting after 9 seconds");
    EXPECT_EQ(countdown.shown.back(), "Restarting after 1 second");
    EXPECT_EQ(linesStartingWith(log_.lines(), "Restart"),
              (std::vector<std::string>{"Restarting after 9 seconds", "Restart countdown finished"}));
}

TEST_F(CountdownTest, FifteenSecondsHaveNoUnblockSuffixButFortyFiveHave) {
    const Countdown fifteen = run(15);
    EXPECT_EQ(fifteen.shown.front(), "Restarting after 15 seconds");
    const Countdown fortyFive = run(45);
    ASSERT_EQ(fortyFive.shown.size(), 45u);
    EXPECT_EQ(fortyFive.shown.front(), "Restarting after 45 seconds              ( or push Unblock to re-start )");
}

TEST_F(CountdownTest, ALongCountdownEnablesUnblockWhichRestartsAtTheNextSecond) {
    platform::HeadlessControl unblock;
    unblock.setEnabled(false);
    param::BUTTON_UNBLOCK.window = &unblock;
    flags.unblockRestart.store(true); // left from an earlier press: cleared by the countdown
    const Countdown countdown = run(45, [&](std::size_t sleep) {
        if (sleep == 3) {
            std::jthread([this] { flags.unblockRestart.store(true); }); // the GUI thread's press
        }
    });
    param::BUTTON_UNBLOCK.window = nullptr;
    EXPECT_TRUE(unblock.isEnabled());
    EXPECT_TRUE(countdown.result);
    EXPECT_EQ(countdown.shown.size(), 3u);
}

TEST_F(CountdownTest, NoDelayRestartsAtOnceUnlessClosing) {
    EXPECT_TRUE(run(0).result);
    EXPECT_TRUE(run(0).shown.empty());
    gf_setClosing();
    EXPECT_FALSE(run(0).result);
}

TEST_F(ClosingDownTest, ClosingTheWindowDuringTheCountdownTurnsTheRestartIntoAnExit) {
    gf_installStopRequest(ExitReason::new_flight, 45);
    clock.onSleep = [](test_support::FakeClock& fake) {
        if (fake.sleeps.size() == 2) {
            gf_requestStop(ExitReason::user_closed_sim, 0);
        }
    };
    closingDown().closingDown();
    EXPECT_EQ(windowMessages(), std::vector<WindowMessage>{WindowMessage::exit});
    EXPECT_FALSE(flags.restart.load());
    EXPECT_EQ(clock.sleeps.size(), 2u);
    const auto events = steps.events();
    EXPECT_EQ(std::count(events.begin(), events.end(), "resetTraffic"), 0);
}

TEST_F(ClosingDownTest, TheSystemErrorHoldEndsAtOnceWhenTheWindowCloses) {
    gf_installStopRequest(ExitReason::system_error, 0);
    clock.onSleep = [](test_support::FakeClock& fake) {
        if (fake.sleeps.size() == 30) {
            gf_setClosing();
        }
    };
    const std::int64_t start = clock.now;
    closingDown().closingDown();
    EXPECT_EQ(clock.now - start, 3 * kSecond);
    EXPECT_EQ(windowMessages(), std::vector<WindowMessage>{WindowMessage::exit});
}

TEST_F(ClosingDownTest, QuittingClearsBlockAndDestinationAndATimeShiftOfRtDirect) {
    param::RT_CHOISE.value = std::string(kRtDirect);
    gf_readTrafficSource();
    param::DESTINATION.value = "EHAM";
    param::BLOCK_CALLSIGN.value = "KLM12_";
    param::BLOCK_HEXIDDEC.value = 4660;
    param::TIME_SHIFT_HOURS.value = 3;
    gf_setBlockCallsignUnderscore(true);
    gf_publishSettingsSnapshot();
    gf_installStopRequest(ExitReason::sim_was_closed, 0);

    closingDown().closingDown();

    EXPECT_EQ(fileValues("DESTINATION"), std::vector<std::string>{""});
    EXPECT_EQ(fileValues("BLOCK_CALLSIGN"), std::vector<std::string>{""});
    EXPECT_EQ(fileValues("BLOCK_HEXIDDEC"), std::vector<std::string>{"0"});
    EXPECT_EQ(fileValues("TIME_SHIFT_HOURS"), std::vector<std::string>{"0"});
    EXPECT_FALSE(gf_blockCallsignUnderscore());
    EXPECT_EQ(gf_settings()->block, BlockFilter{});
    EXPECT_EQ(gf_settings()->timeShiftHours, 0);
    EXPECT_EQ(gf_settings()->destination, "");
}

TEST_F(ClosingDownTest, ARestartKeepsTheTimeShiftAndTheBlockButClearsTheDestination) {
    param::RT_CHOISE.value = std::string(kRtDirect);
    gf_readTrafficSource();
    param::DESTINATION.value = "EHAM";
    param::BLOCK_CALLSIGN.value = "KLM12";
    param::TIME_SHIFT_HOURS.value = 3;
    gf_storeParameter(param::TIME_SHIFT_HOURS);
    gf_storeParameter(param::BLOCK_CALLSIGN);
    gf_publishSettingsSnapshot();
    gf_installStopRequest(ExitReason::new_settings, 0);

    closingDown().closingDown();

    EXPECT_EQ(fileValues("DESTINATION"), std::vector<std::string>{""});
    EXPECT_EQ(fileValues("TIME_SHIFT_HOURS"), std::vector<std::string>{"3"});
    EXPECT_EQ(fileValues("BLOCK_CALLSIGN"), std::vector<std::string>{"KLM12"});
    EXPECT_EQ(gf_settings()->timeShiftHours, 3);
}

TEST_F(ClosingDownTest, KeepSimTimeKeepsTheTimeShiftWhenQuitting) {
    param::RT_CHOISE.value = std::string(kRtDirect);
    gf_readTrafficSource();
    param::KEEP_SIM_TIME_PAR.value = true;
    param::TIME_SHIFT_MINS.value = 30;
    gf_storeParameter(param::TIME_SHIFT_MINS);
    gf_publishSettingsSnapshot();
    gf_installStopRequest(ExitReason::sim_was_closed, 0);
    closingDown().closingDown();
    EXPECT_EQ(fileValues("TIME_SHIFT_MINS"), std::vector<std::string>{"30"});
}

TEST_F(ClosingDownTest, AnExceptionIsReportedAndEndsInExitEvenForARestartReason) {
    steps.throwAt = "saveParkAirports";
    gf_installStopRequest(ExitReason::new_settings, 0);
    closingDown().closingDown();
    EXPECT_EQ(windowMessages(), std::vector<WindowMessage>{WindowMessage::exit});
    EXPECT_FALSE(flags.restart.load());
    EXPECT_EQ(linesStartingWith(log_.lines(), "==> lf_closingDown"),
              std::vector<std::string>{"==> lf_closingDown exception: boom"});
    gui.drainUpdates();
    EXPECT_EQ(gui.status().messageLine, "lf_closingDown exception: boom");
}

TEST_F(ClosingDownTest, ACommandLineJobOnlyLogsTheReasonAndPostsExit) {
    flags.production.store(true);
    gf_installStopRequest(ExitReason::new_settings, 0);
    param::DESTINATION.value = "EHAM";
    closingDown().closingDown();
    EXPECT_TRUE(steps.events().empty());
    EXPECT_EQ(windowMessages(), std::vector<WindowMessage>{WindowMessage::exit});
    EXPECT_EQ(param::DESTINATION.value, "EHAM");
    const auto lines = log_.lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines.front().ends_with(" Exiting: NEW SETTINGS")) << lines.front();
}

TEST_F(ClosingDownTest, ClosingTheWindowWakesTheRtAppServerButLeavesItOpenForClosingDown) {
    int wakes = 0;
    gf_setRtAppServerWaker([&] { ++wakes; });
    gf_publishTrafficSource(true);
    gf_installStopRequest(ExitReason::new_flight, 45);
    gf_requestStop(ExitReason::user_closed_sim, 0); // dropped as a request, still closes
    EXPECT_TRUE(gf_isClosing());
    EXPECT_EQ(wakes, 1);
    EXPECT_EQ(gf_pendingStopRequest()->reason, ExitReason::new_flight);
    gf_publishTrafficSource(false);
    param::RT_CHOISE.value = std::string(kRtDirect);
    gf_readTrafficSource();
    gf_requestStop(ExitReason::user_closed_sim, 0);
    EXPECT_EQ(wakes, 1);
    gf_setRtAppServerWaker({});
    // The server is closed only by closing-down, after the readers' joins.
    EXPECT_TRUE(steps.events().empty());
}

} // namespace
} // namespace kiv
