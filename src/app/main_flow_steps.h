// What the main worker flow asks of the subsystems around the shell, one call per start-up
// step, in the order the flow makes them. The program's wiring implements it over the real
// subsystems; tests pass a recording fake. Main worker thread only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "airports/known_airports.h"
#include "foundation/icao_code.h"
#include "foundation/lalo.h"

namespace kiv {

class MainFlowSteps {
public:
    virtual ~MainFlowSteps() = default;

    // The network library's start-up; throws "WSAStartup failed, error: {}" when it fails.
    virtual void startNetworkLibrary() = 0;

    // Data files, in the order they are read.
    // Loads "parameters.xml", fixes the traffic source and publishes the settings snapshot.
    virtual void readSettings() = 0;
    // Every setting shown in its control, the controls enabled by the rules of a start.
    virtual void initControls() = 0;
    // Throws UserRelatedException when there is no service credential.
    virtual void findRtCredentials() = 0;
    // False: start-up ends here (a stop may have been installed).
    virtual bool checkForUpdates() = 0;
    virtual void initTimeShiftControls() = 0;
    // The aircraft type database; false when it cannot be read.
    virtual bool readTypeDatabase() = 0;
    // The known-airports table; the reader's error text when it cannot be read.
    virtual std::optional<std::string> readKnownAirports() = 0;
    // Detects or asks for the simulator's install path; false when there is none.
    virtual bool detectSimInstallPath() = 0;

    // Scans.
    virtual void setScanRunning(bool running) = 0;
    virtual void enablePrioritizeCheckBox(bool enable) = 0;
    virtual void enableSkipLiveriesScanCheckBox(bool enable) = 0;
    virtual void runAirportScan(const std::filesystem::path& stockAirportsPath) = 0;
    virtual void runLiveryScan() = 0;
    virtual void processScannedLiveries() = 0;

    // The folder for the AI flight plans; nothing when there is none.
    virtual std::optional<std::filesystem::path> flightPlanFolder() = 0;
    virtual bool ensureFlightPlanFolder(const std::filesystem::path& folder) = 0;
    virtual bool readMyParkAirportsFile() = 0;
    virtual std::optional<KnownAirport> findKnownAirport(const IcaoCode& code) = 0;
    virtual void setDestination(const KnownAirport& airport) = 0;
    // The RT App connected flag cleared for the new run.
    virtual void clearRtAppConnected() = 0;
    virtual void initTraffic() = 0;
    virtual void enableRtChoiceComboBox() = 0;

    // The simulator connection and the chosen traffic source (source_startup.h); false when a
    // stop was requested or the start failed.
    virtual bool lf_startSimClient() = 0;
    virtual bool lf_startRTAppReaders() = 0;
    virtual bool lf_startRTAPIReaders() = 0;

    // The user aircraft as the simulator link last reported it.
    virtual bool userOnGround() = 0;
    virtual Lalo userPosition() = 0;
    virtual std::optional<KnownAirport> findNearestAirport(const Lalo& position) = 0;
    // Stores the park airport under the lock of the user and park state.
    virtual void setParkAirport(const KnownAirport& airport) = 0;

    // Runs the simulator loop until a stop is requested.
    virtual void runSimulatorLoop() = 0;
    // Closing-down after the loop or a failed start (never throws).
    virtual void closingDown() = 0;
};

} // namespace kiv
