// The main worker flow's steps over the program's real subsystems: each call goes to the
// settings, models, airports, simulator link, traffic or window function that does the work.
// Main worker thread only (window changes are handed to the GUI thread).
#pragma once

#include "app/main_flow_steps.h"

namespace kiv {

class Program;

class ProgramMainFlowSteps final : public MainFlowSteps {
public:
    explicit ProgramMainFlowSteps(Program& program) : p_(program) {}

    void startNetworkLibrary() override;
    void readSettings() override;
    void initControls() override;
    void findRtCredentials() override;
    bool checkForUpdates() override;
    void initTimeShiftControls() override;
    bool readTypeDatabase() override;
    std::optional<std::string> readKnownAirports() override;
    bool detectSimInstallPath() override;

    void setScanRunning(bool running) override;
    void enablePrioritizeCheckBox(bool enable) override;
    void enableSkipLiveriesScanCheckBox(bool enable) override;
    void runAirportScan(const std::filesystem::path& stockAirportsPath) override;
    void runLiveryScan() override;
    void processScannedLiveries() override;

    std::optional<std::filesystem::path> flightPlanFolder() override;
    bool ensureFlightPlanFolder(const std::filesystem::path& folder) override;
    bool readMyParkAirportsFile() override;
    std::optional<KnownAirport> findKnownAirport(const IcaoCode& code) override;
    void setDestination(const KnownAirport& airport) override;
    void clearRtAppConnected() override;
    void initTraffic() override;
    void enableRtChoiceComboBox() override;

    bool lf_startSimClient() override;
    bool lf_startRTAppReaders() override;
    bool lf_startRTAPIReaders() override;

    bool userOnGround() override;
    Lalo userPosition() override;
    std::optional<KnownAirport> findNearestAirport(const Lalo& position) override;
    void setParkAirport(const KnownAirport& airport) override;

    void runSimulatorLoop() override;
    void closingDown() override;

private:
    Program& p_;
};

} // namespace kiv
