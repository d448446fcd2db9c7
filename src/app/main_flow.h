// The main worker flow: the body of the main worker thread, started by the window at every
// start message. It brings the system up in a fixed order (network, folder check, settings
// and data files, scans, simulator connection, park airport, traffic source), runs the
// simulator loop until a stop is requested, and always ends with closing-down. Every
// failure on the way becomes a stop request. One object for the program's life (it keeps
// what a restart must not redo); lf_main runs on the main worker thread, one run at a time.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>

#include "app/gui.h"
#include "app/main_flow_steps.h"
#include "app/shell_flags.h"

namespace kiv {

inline constexpr std::string_view kWrongFolderMessage = "{} must be run from the {} folder!";

struct MainFlowContext {
    Gui& gui;
    MainFlowSteps& steps;
    ShellFlags& flags;
    // The program's own folder (the working folder in the program; a temp folder in tests).
    std::filesystem::path programFolder = ".";
};

class MainFlow {
public:
    explicit MainFlow(MainFlowContext context) : c_(std::move(context)) {}

    // The thread body: start-up, the simulator loop, closing-down. Never throws.
    void lf_main() noexcept;

    // Steps, public for the tests that drive them one by one.
    // Settings, controls, folders, credential, update check, data files, install path; false
    // when start-up must end here.
    bool lf_readDataFiles();
    void lf_createDataFolders();
    void gf_stockAirportsPath();
    // The airport and livery scans with the scan controls disabled while they run.
    void lf_runScans();
    // Maps an exception of the start-up or the loop to its message and stop request.
    void lf_handleMainException(std::exception_ptr failure) noexcept;

    // The weekday and half-hour slot of the last start; 0 before the first.
    std::uint64_t startTime() const { return startTime_.load(); }
    const std::filesystem::path& stockAirportsPath() const { return stockAirportsPath_; }
    bool dataFilesRead() const { return dataFilesRead_.load(); }

private:
    // Steps 1 to 17; false as soon as one step ends the start-up.
    void runToLoop();
    bool startUpToSimulator();
    void selectParkAirport();
    std::filesystem::path inProgramFolder(const std::filesystem::path& relative) const;

    MainFlowContext c_;
    std::atomic<bool> dataFilesRead_{false};
    std::atomic<std::uint64_t> startTime_{0};
    std::filesystem::path stockAirportsPath_;
};

} // namespace kiv
