// The program as one object: the composition root that owns, for the process's life, every
// subsystem object and the adapters that connect them, built in dependency order. Reading
// this file shows every connection of the running program; the behaviour lives in the
// subsystems. The GUI thread builds it and runs the window; the main worker runs the start-up
// steps, the simulator loop and closing-down over it; each member documents its own threads.
#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>
#include <string>
#include <thread>

#include "app/closing_down.h"
#include "app/command_line_job.h"
#include "app/gui.h"
#include "app/gui_airports_shell.h"
#include "app/gui_feeds_shell.h"
#include "app/gui_link_shell.h"
#include "app/gui_models_shell.h"
#include "app/gui_scan_shell.h"
#include "app/gui_shell_port.h"
#include "app/init_instance.h"
#include "app/main_flow.h"
#include "app/parking_band_flags.h"
#include "app/program_closing_down_steps.h"
#include "app/program_link_neighbours.h"
#include "app/program_main_flow_steps.h"
#include "app/program_parking_neighbours.h"
#include "app/program_source_startup_steps.h"
#include "app/program_window_ports.h"
#include "app/shell_flags.h"
#include "app/source_startup.h"
#include "app/window_credential_prompt.h"
#include "app/window_procedure.h"
#include "app/worker_threads.h"
#include "airports/airports_service.h"
#include "feeds/feed_flags.h"
#include "feeds/feeds_service.h"
#include "feeds/rtapp_road.h"
#include "feeds/rtdirect_road.h"
#include "feeds/traffic_neighbours.h"
#include "models/models_service.h"
#include "motion/motion_service.h"
#include "platform/main_window.h"
#include "simlink/sim_client.h"
#include "simlink/sim_link.h"
#include "traffic/loop_clock.h"
#include "traffic/traffic_state.h"
#include "traffic/traffic_step_set.h"

namespace kiv {

// What the window toolkit gives the program: the display, the main window, its dialogs and
// the message loop. The program uses FLTK (program_window.h); tests pass a headless one.
struct WindowToolkit {
    // Opens the display; false with the reason when there is none.
    std::function<bool(std::string& error)> openDisplay;
    MainWindowFactory makeWindow;
    std::function<std::unique_ptr<platform::WindowDialogs>()> makeDialogs;
    // Runs until the main window quits; returns the quit code.
    std::function<int()> runMessageLoop;
};

// The process's steady clock.
LoopClock& gf_steadyLoopClock();

class Program {
public:
    // `programFolder` is the folder the program runs from (the working folder); `clock` times
    // the traffic side, the link's poses and the start-up's waits.
    explicit Program(std::filesystem::path programFolder, ShellFlags& flags = gf_shellFlags(), Gui& gui = gf_gui(),
                     WorkerThreads& threads = gf_workerThreads(), LoopClock& clock = gf_steadyLoopClock());
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // GUI thread: the main window with its controls and dialogs; false when it cannot be made.
    bool createMainWindow(const WindowToolkit& toolkit);
    bool hasMainWindow() const { return window != nullptr; }
    void postStart();

    // The window's start and exit messages: the main worker runs MainFlow::lf_main.
    void startMainWorker();
    void joinMainWorker();

    // Main worker: the run's traffic road for the source in force, attached to the feeds.
    void beginSourceRun();
    // Main worker, once the road's threads have ended: the road detached and retired.
    void endSourceRun();
    RtAppRoad& rtAppRoad();
    RtDirectRoad& rtDirectRoad();
    // Main worker: a new SimClient (the previous thread stopped and joined first) on its thread.
    std::jthread startSimClientThread();

    // Shared state of the process.
    const std::filesystem::path programFolder;
    ShellFlags& flags;
    Gui& gui;
    WorkerThreads& threads;
    LoopClock& clock;
    // Set while the start-up's scans run (the simulator link holds back meanwhile).
    std::atomic<bool> scanRunning{false};

    // Subsystems, in dependency order.
    SimLink simLink;
    FeedFlags feedFlags;
    FeedsService feeds{feedFlags};
    MotionService motion;
    AirportsService airports;
    ModelsService models;
    TrafficStepSet trafficSteps;
    ParkingBandFlags parkingBand;

    // The window's ports and context (the window itself comes later, on the GUI thread).
    JobAwareDialogs dialogs{flags};
    WindowCredentialPrompt credentialPrompt{dialogs};
    ProgramWindowPorts windowPorts;
    WindowContext windowContext{gui, windowPorts, &dialogs};

    // The traffic manager with its shell port.
    GuiShellPort shellPort;
    TrafficState traffic;
    TrafficLiveryViews liveryViews{traffic};

    // The shells and neighbours of the subsystems.
    TrafficNeighbours feedNeighbours;
    GuiFeedsShell feedsShell{gui};
    GuiLinkShell linkShell{gui};
    ProgramLinkNeighbours linkNeighbours;
    GuiScanShell scanShell{gui};
    GuiModelsShell modelsShell{gui};
    GuiAirportsShell airportsShell{gui, windowPorts};
    ProgramParkingNeighbours parkingNeighbours;

    // Per run: the traffic road of the source in force, and the simulator session. The RT App
    // road's UDP ports and handshake pause come from `rtAppBase`, its server from the settings.
    RtAppConfig rtAppBase;
    std::string rtCredential;
    std::unique_ptr<RtAppRoad> rtApp;
    std::unique_ptr<RtDirectRoad> rtDirect;
    // Roads of earlier runs, kept until the process ends: the window's thread may have read a
    // road's pointer from the feeds just before it was detached (a restart is rare, a road small).
    std::vector<std::unique_ptr<RtAppRoad>> retiredRtApp;
    std::vector<std::unique_ptr<RtDirectRoad>> retiredRtDirect;
    std::unique_ptr<SimConnectCalls> simCalls;
    std::unique_ptr<SimClient> simClient;

    // The start-up, the loop and closing-down.
    ProgramMainFlowSteps mainSteps{*this};
    ProgramSourceStartupSteps sourceSteps{*this};
    ProgramClosingDownSteps closingSteps{*this};
    SourceStartup sourceStartup{SourceStartupContext{gui, sourceSteps, clock, threads}};
    ClosingDown closingDown{ShellContext{gui, closingSteps, clock, threads, flags}};
    MainFlow mainFlow{MainFlowContext{gui, mainSteps, flags, programFolder}};

    // The window (GUI thread).
    MainWindowProcedure procedure;
    std::unique_ptr<platform::WindowDialogs> windowDialogs;
    std::unique_ptr<platform::MainWindow> window;

private:
    PaintFacts paintFacts() const;
    void stopWorkerThreads();

    std::jthread mainWorker_;
};

} // namespace kiv
