#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "app/main_flow_fakes.h"
#include "foundation/program_paths.h"
#include "foundation/user_related_exception.h"
#include "settings/settings_table.h"

namespace kiv {
namespace {

using test_support::MainFlowTest;
using Events = std::vector<std::string>;

const Events kDataFileSteps = {"readSettings",     "initControls",      "checkForUpdates",
                               "initTimeShiftControls", "readTypeDatabase", "readKnownAirports"};
const Events kScanSteps = {"enablePrioritize 0",   "runAirportScan",    "runLiveryScan",
                           "processScannedLiveries", "setScanRunning 0", "enablePrioritize 1",
                           "enableSkipLiveriesScan 1"};
const Events kBeforeSimulator = {"flightPlanFolder", "ensureFlightPlanFolder", "readMyParkAirportsFile",
                                 "clearRtAppConnected", "initTraffic", "enableRtChoice"};

Events concat(std::initializer_list<Events> parts) {
    Events all;
    for (const Events& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

TEST_F(MainFlowTest, AStartRunsEveryStepInOrderThenTheLoopAndClosingDown) {
    param::SIM_INSTALL_PATH.value = u"/opt/P3D";
    flow.lf_main();

    EXPECT_EQ(steps.events, concat({{"startNetworkLibrary"}, kDataFileSteps, kScanSteps, kBeforeSimulator,
                                    {"lf_startSimClient", "lf_startRTAppReaders", "runSimulatorLoop", "closingDown"}}));
    EXPECT_EQ(steps.exitReason, ExitReason::not_yet_set);
    EXPECT_EQ(steps.stockPathSeen, std::filesystem::path("/opt/P3D/Scenery"));
    EXPECT_EQ(logLines("Stock airports path"),
              Events{"Stock airports path does not exist: /opt/P3D/Scenery"});
    EXPECT_NE(flow.startTime(), 0u);
    // The eleven data folders exist beside the program.
    const ProgramPaths& paths = gf_paths();
    for (const auto* folder : {&paths.outputInfoFolder, &paths.outputErrorsFolder, &paths.learnedStock,
                               &paths.learnedSimaddon, &paths.learnedThirdparty, &paths.userSimaddonAirports,
                               &paths.userThirdpartyAirports, &paths.userRegCodes}) {
        EXPECT_TRUE(std::filesystem::is_directory(program.path() / *folder)) << *folder;
    }
}

TEST_F(MainFlowTest, RtDirectReadsTheCredentialAndStartsItsOwnReaders) {
    gf_publishTrafficSource(false);
    param::SIM_INSTALL_PATH.value = u"/opt/P3D";
    flow.lf_main();
    const Events& e = steps.events;
    EXPECT_EQ(std::count(e.begin(), e.end(), "findRtCredentials"), 1);
    EXPECT_LT(std::find(e.begin(), e.end(), "findRtCredentials"), std::find(e.begin(), e.end(), "checkForUpdates"));
    EXPECT_NE(std::find(e.begin(), e.end(), "lf_startRTAPIReaders"), e.end());
    EXPECT_EQ(std::find(e.begin(), e.end(), "lf_startRTAppReaders"), e.end());
}

TEST_F(MainFlowTest, TheWrongFolderEndsWithError41AndCreatesNothing) {
    std::filesystem::remove(program.path() / "docs");
    flow.lf_main();

    EXPECT_EQ(steps.events, (Events{"startNetworkLibrary", "closingDown"}));
    EXPECT_EQ(steps.exitReason, ExitReason::system_error);
    EXPECT_EQ(gui.status().errorLine, "41: VELT_P3D must be run from the VELT_P3D folder!");
    EXPECT_TRUE(std::filesystem::is_empty(program.path()));
}

TEST_F(MainFlowTest, ARestartSkipsTheUpdateCheckAndTheTypeDatabaseButRereadsTheRest) {
    gf_publishTrafficSource(false);
    param::SIM_INSTALL_PATH.value = u"/opt/P3D";
    flow.lf_main();
    ASSERT_TRUE(flow.dataFilesRead());

    steps.events.clear();
    flags.restart.store(true);
    param::SIM_INSTALL_PATH.value.clear();
    flow.lf_main();
    const Events& e = steps.events;
    for (const char* skipped : {"checkForUpdates", "readTypeDatabase"}) {
        EXPECT_EQ(std::find(e.begin(), e.end(), skipped), e.end()) << skipped;
    }
    for (const char* again : {"readSettings", "findRtCredentials", "readKnownAirports", "detectSimInstallPath",
                              "initTimeShiftControls", "runSimulatorLoop"}) {
        EXPECT_NE(std::find(e.begin(), e.end(), again), e.end()) << again;
    }
}

TEST_F(MainFlowTest, TheLiveryScanRunsUnlessSkippedWithAStoredResult) {
    struct Case {
        bool skip;
        bool stored;
        bool scans;
    };
    const Case cases[] = {{false, false, true}, {false, true, true}, {true, false, true}, {true, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(fmt::format("skip {} stored {}", c.skip, c.stored));
        gf_updateSettings([&](SettingsSnapshot& s) { s.skipLiveriesScan = c.skip; });
        const auto store = program.path() / gf_paths().liveriesScanned;
        std::filesystem::create_directories(store.parent_path());
        if (c.stored) {
            std::ofstream(store) << "<liveries/>";
        } else {
            std::filesystem::remove(store);
        }
        steps.events.clear();
        flow.lf_runScans();
        const bool scanned = std::find(steps.events.begin(), steps.events.end(), "runLiveryScan") != steps.events.end();
        EXPECT_EQ(scanned, c.scans);
        EXPECT_EQ(steps.events.back(), "enableSkipLiveriesScan 1");
    }
}

TEST_F(MainFlowTest, AStopOrAFailedStepEndsTheStartAtThatPoint) {
    struct Case {
        const char* name;
        std::function<void(test_support::RecordingFlowSteps&)> arrange;
        const char* lastStep; // the last step before closing-down
        ExitReason reason;
    };
    const auto stopAt = [](const char* step) {
        return [step](test_support::RecordingFlowSteps& s) {
            s.actions[step] = [] { gf_installStopRequest(ExitReason::user_closed_sim, 0); };
        };
    };
    const Case cases[] = {
        {"update check refuses", [](auto& s) { s.updatesOk = false; }, "checkForUpdates", ExitReason::not_yet_set},
        {"no install path", [](auto& s) { s.installPathFound = false; }, "detectSimInstallPath",
         ExitReason::install_path_missing},
        {"stop in the airport scan", stopAt("runAirportScan"), "enableSkipLiveriesScan 1", ExitReason::user_closed_sim},
        {"stop in the livery scan", stopAt("runLiveryScan"), "enableSkipLiveriesScan 1", ExitReason::user_closed_sim},
        {"unusable flight-plan folder", [](auto& s) { s.planFolderUsable = false; }, "ensureFlightPlanFolder",
         ExitReason::not_yet_set},
        {"simulator wait stopped", [](auto& s) { s.simClientStarted = false; }, "lf_startSimClient",
         ExitReason::not_yet_set},
        {"source wait stopped", [](auto& s) { s.sourceStarted = false; }, "lf_startRTAppReaders",
         ExitReason::not_yet_set},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gf_resetRunStateForTests();
        test_support::RecordingFlowSteps fresh;
        steps = fresh;
        c.arrange(steps);
        flow.lf_main();
        ASSERT_GE(steps.events.size(), 2u);
        EXPECT_EQ(steps.events.back(), "closingDown");
        EXPECT_EQ(steps.events[steps.events.size() - 2], c.lastStep);
        EXPECT_EQ(steps.exitReason, c.reason);
        if (c.reason == ExitReason::user_closed_sim) {
            // The scan controls come back however the scans ended; nothing after them runs.
            EXPECT_EQ(std::count(steps.events.begin(), steps.events.end(), "enablePrioritize 1"), 1);
            EXPECT_EQ(std::find(steps.events.begin(), steps.events.end(), "flightPlanFolder"), steps.events.end());
        }
        if (std::string(c.name) == "stop in the airport scan") {
            EXPECT_EQ(std::find(steps.events.begin(), steps.events.end(), "runLiveryScan"), steps.events.end());
        }
    }
}

TEST_F(MainFlowTest, NoFlightPlanFolderIsNoReasonToStop) {
    steps.planFolder.reset();
    param::SIM_INSTALL_PATH.value = u"/opt/P3D";
    flow.lf_main();
    EXPECT_EQ(std::find(steps.events.begin(), steps.events.end(), "ensureFlightPlanFolder"), steps.events.end());
    EXPECT_NE(std::find(steps.events.begin(), steps.events.end(), "runSimulatorLoop"), steps.events.end());
}

TEST_F(MainFlowTest, TheDestinationAndTheParkAirportAreTakenFromTheKnownAirports) {
    param::SIM_INSTALL_PATH.value = u"/opt/P3D";
    param::DESTINATION.value = "ehrd";
    const KnownAirport rotterdam{IcaoCode("EHRD"), {}, 51.95, 4.44, -15};
    const KnownAirport schiphol{IcaoCode("EHAM"), {}, 52.31, 4.76, -11};
    steps.knownAirport = rotterdam;
    steps.nearestAirport = schiphol;
    steps.onGround = true;
    flow.lf_main();
    const Events& e = steps.events;
    EXPECT_NE(std::find(e.begin(), e.end(), "setDestination EHRD"), e.end());
    const auto park = std::find(e.begin(), e.end(), "setParkAirport EHAM");
    ASSERT_NE(park, e.end());
    EXPECT_GT(park, std::find(e.begin(), e.end(), "lf_startSimClient"));
    EXPECT_LT(park, std::find(e.begin(), e.end(), "lf_startRTAppReaders"));
    EXPECT_EQ(gui.status().parkAirport, IcaoCode("EHAM"));
    EXPECT_EQ(logLines("User aircraft on the ground"), Events{"User aircraft on the ground at EHAM"});
    EXPECT_EQ(logLines("The park airport"), Events{"The park airport is EHAM"});

    // Airborne: no park airport at start.
    test_support::RecordingFlowSteps airborne;
    steps = airborne;
    steps.nearestAirport = schiphol;
    gf_resetRunStateForTests();
    flow.lf_main();
    EXPECT_EQ(std::find(steps.events.begin(), steps.events.end(), "setParkAirport EHAM"), steps.events.end());
}

TEST_F(MainFlowTest, EachFailureBecomesItsMessageAndASystemErrorStop) {
    struct Case {
        const char* name;
        std::function<void()> raise;
        Events errorLines; // the log's error lines, in order
    };
    const Case cases[] = {
        {"user related", [] { throw UserRelatedException(402, "licence expired"); }, {"Error 402: licence expired"}},
        {"format", [] { throw fmt::format_error("bad template"); },
         {"Error std::format error: bad template", "Error bad template"}},
        {"allocation", [] { throw std::bad_alloc(); }, {"Error std::bad_alloc"}},
        {"standard", [] { throw std::runtime_error("WSAStartup failed, error: 10091"); },
         {"Error WSAStartup failed, error: 10091"}},
        {"unknown", [] { throw 7; }, {"Error Unknown exception"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gf_resetRunStateForTests();
        gui.enqueueUpdate(gui_update::ClearError{});
        steps.events.clear();
        steps.actions = {{"startNetworkLibrary", c.raise}};
        const std::size_t before = logLines("Error ").size();
        flow.lf_main();
        EXPECT_EQ(steps.events, (Events{"startNetworkLibrary", "closingDown"}));
        EXPECT_EQ(steps.exitReason, ExitReason::system_error);
        const Events errors = logLines("Error ");
        EXPECT_EQ(Events(errors.begin() + static_cast<std::ptrdiff_t>(before), errors.end()), c.errorLines);
    }
}

TEST_F(MainFlowTest, DataFileFailuresStopWithTheirText) {
    struct Case {
        const char* name;
        std::function<void(test_support::RecordingFlowSteps&)> arrange;
        std::string error;
    };
    const Case cases[] = {
        {"type database", [](auto& s) { s.typeDatabaseOk = false; }, "reading data files failed!"},
        {"known airports", [](auto& s) { s.knownAirportsError = "input/airports.enc: cannot open"; },
         "input/airports.enc: cannot open"},
        {"invalid destination", [](auto&) { param::DESTINATION.value = "E-1"; }, "'E-1' IcaoCode: invalid string"},
    };
    param::SIM_INSTALL_PATH.value = u"/opt/P3D";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gf_resetRunStateForTests();
        gui.enqueueUpdate(gui_update::ClearError{});
        param::DESTINATION.value.clear();
        test_support::RecordingFlowSteps fresh;
        steps = fresh;
        c.arrange(steps);
        MainFlow firstStart({gui, steps, flags, program.path()});
        firstStart.lf_main();
        EXPECT_EQ(steps.exitReason, ExitReason::system_error);
        EXPECT_EQ(gui.status().errorLine, c.error);
        EXPECT_EQ(std::find(steps.events.begin(), steps.events.end(), "lf_startSimClient"), steps.events.end());
    }
}

TEST_F(MainFlowTest, ACommandLineJobEndsAfterTheDataFilesWithItsExitCode) {
    struct Case {
        const char* name;
        std::function<void(test_support::RecordingFlowSteps&)> arrange;
        std::int32_t exitCode;
        bool jobLogged;
    };
    const Case cases[] = {
        {"success", [](auto&) {}, 0, true},
        {"wrong folder", [this](auto&) { std::filesystem::remove(program.path() / "docs"); }, 1, false},
        {"update check refuses", [](auto& s) { s.updatesOk = false; }, 1, false},
        {"maintenance", [](auto& s) { s.actions["checkForUpdates"] = [] { throw UserRelatedException(2026, "m"); }; },
         1, false},
        {"type database", [](auto& s) { s.typeDatabaseOk = false; }, 1, false},
        {"known airports", [](auto& s) { s.knownAirportsError = "bad"; }, 1, false},
        {"no install path", [](auto& s) { s.installPathFound = false; }, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gf_resetRunStateForTests();
        std::filesystem::create_directories(program.path() / "docs");
        param::SIM_INSTALL_PATH.value.clear();
        test_support::RecordingFlowSteps fresh;
        steps = fresh;
        c.arrange(steps);
        flags.production.store(true);
        flags.exitCode.store(1); // as the entry leaves it for a job
        const std::size_t before = logLines("Command line job:").size();
        MainFlow job({gui, steps, flags, program.path()});
        job.lf_main();
        EXPECT_EQ(flags.exitCode.load(), c.exitCode);
        EXPECT_EQ(logLines("Command line job:").size() - before, c.jobLogged ? 1u : 0u);
        // No scan, no simulator connection.
        EXPECT_EQ(std::find(steps.events.begin(), steps.events.end(), "runAirportScan"), steps.events.end());
        EXPECT_EQ(steps.events.back(), "closingDown");
        if (c.jobLogged) {
            EXPECT_EQ(steps.exitReason, ExitReason::not_yet_set);
        }
    }
}

} // namespace
} // namespace kiv
