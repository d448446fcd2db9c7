// A recording stand-in for the subsystems the main worker flow calls, and a fixture with a
// fresh "parameters.xml", a program folder with its "docs" folder, and a Gui whose window is
// attached on the test's thread (so every update is applied at once). Steps run on the test's
// thread.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/fake_window.h"
#include "app/main_flow.h"
#include "foundation/stop_request.h"
#include "settings/parameters_fixture.h"
#include "settings/settings_snapshot.h"
#include "test_support/fake_loop_clock.h"

namespace kiv::test_support {

class RecordingFlowSteps : public MainFlowSteps {
public:
    // Records the step, then runs the test's action for it (a throw, a stop request).
    void record(const std::string& step) {
        events.push_back(step);
        if (const auto action = actions.find(step); action != actions.end()) {
            action->second();
        }
    }

    void startNetworkLibrary() override { record("startNetworkLibrary"); }
    void readSettings() override { record("readSettings"); }
    void initControls() override { record("initControls"); }
    void findRtCredentials() override { record("findRtCredentials"); }
    bool checkForUpdates() override {
        record("checkForUpdates");
        return updatesOk;
    }
    void initTimeShiftControls() override { record("initTimeShiftControls"); }
    bool readTypeDatabase() override {
        record("readTypeDatabase");
        return typeDatabaseOk;
    }
    std::optional<std::string> readKnownAirports() override {
        record("readKnownAirports");
        return knownAirportsError;
    }
    bool detectSimInstallPath() override {
        record("detectSimInstallPath");
        return installPathFound;
    }
    void setScanRunning(bool running) override { record(running ? "setScanRunning 1" : "setScanRunning 0"); }
    void enablePrioritizeCheckBox(bool enable) override {
        record(enable ? "enablePrioritize 1" : "enablePrioritize 0");
    }
    void enableSkipLiveriesScanCheckBox(bool enable) override {
        record(enable ? "enableSkipLiveriesScan 1" : "enableSkipLiveriesScan 0");
    }
    void runAirportScan(const std::filesystem::path& stock) override {
        stockPathSeen = stock;
        record("runAirportScan");
    }
    void runLiveryScan() override { record("runLiveryScan"); }
    void processScannedLiveries() override { record("processScannedLiveries"); }
    std::optional<std::filesystem::path> flightPlanFolder() override {
        record("flightPlanFolder");
        return planFolder;
    }
    bool ensureFlightPlanFolder(const std::filesystem::path&) override {
        record("ensureFlightPlanFolder");
        return planFolderUsable;
    }
    bool readMyParkAirportsFile() override {
        record("readMyParkAirportsFile");
        return true;
    }
    std::optional<KnownAirport> findKnownAirport(const IcaoCode& code) override {
        record(fmt::format("findKnownAirport {}", code.text()));
        return knownAirport;
    }
    void setDestination(const KnownAirport& airport) override {
        record(fmt::format("setDestination {}", airport.icao.text()));
    }
    void clearRtAppConnected() override { record("clearRtAppConnected"); }
    void initTraffic() override { record("initTraffic"); }
    void enableRtChoiceComboBox() override { record("enableRtChoice"); }
    bool lf_startSimClient() override {
        record("lf_startSimClient");
        return simClientStarted;
    }
    bool lf_startRTAppReaders() override {
        record("lf_startRTAppReaders");
        return sourceStarted;
    }
    bool lf_startRTAPIReaders() override {
        record("lf_startRTAPIReaders");
        return sourceStarted;
    }
    bool userOnGround() override { return onGround; }
    Lalo userPosition() override { return position; }
    std::optional<KnownAirport> findNearestAirport(const Lalo&) override {
        record("findNearestAirport");
        return nearestAirport;
    }
    void setParkAirport(const KnownAirport& airport) override {
        record(fmt::format("setParkAirport {}", airport.icao.text()));
    }
    void runSimulatorLoop() override { record("runSimulatorLoop"); }
    void closingDown() override {
        const auto request = gf_pendingStopRequest();
        exitReason = request ? request->reason : ExitReason::not_yet_set;
        record("closingDown");
    }

    std::vector<std::string> events;
    std::map<std::string, std::function<void()>> actions;
    bool updatesOk = true;
    bool typeDatabaseOk = true;
    std::optional<std::string> knownAirportsError;
    bool installPathFound = true;
    std::optional<std::filesystem::path> planFolder = std::filesystem::path("orig_dest");
    bool planFolderUsable = true;
    std::optional<KnownAirport> knownAirport;
    bool simClientStarted = true;
    bool sourceStarted = true;
    bool onGround = false;
    Lalo position{52.3, 4.76};
    std::optional<KnownAirport> nearestAirport;
    std::filesystem::path stockPathSeen;
    std::optional<ExitReason> exitReason; // as closing-down found it
};

class MainFlowTest : public ParametersFileTest {
protected:
    void SetUp() override {
        ParametersFileTest::SetUp();
        gf_resetRunStateForTests();
        std::filesystem::create_directories(program.path() / "docs");
        gf_publishTrafficSource(true);
        gf_publishSettingsSnapshot();
        gui.beginWindowCreation();
        gui.attachWindow(window, 96);
    }
    void TearDown() override {
        gui.detachWindow();
        gf_resetRunStateForTests();
        ParametersFileTest::TearDown();
        gf_publishTrafficSource(false);
        gf_publishSettingsSnapshot();
    }

    // The log lines that start with `prefix`.
    std::vector<std::string> logLines(std::string_view prefix) {
        std::vector<std::string> found;
        for (const std::string& line : log_.lines()) {
            if (line.starts_with(prefix)) {
                found.push_back(line);
            }
        }
        return found;
    }

    TempFolder program;
    FakeClock clock;
    FakeWindow window;
    Gui gui{clock};
    RecordingFlowSteps steps;
    ShellFlags flags;
    MainFlow flow{{gui, steps, flags, program.path()}};
};

} // namespace kiv::test_support
