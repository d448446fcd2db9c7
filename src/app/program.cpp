#include "app/program.h"

#include <stdexcept>
#include <utility>

#include "airports/airports_shell.h"
#include "airports/park_airports.h"
#include "app/shell_open.h"
#include "app/stop_requests.h"
#include "foundation/log.h"
#include "foundation/stop_request.h"
#include "foundation/program_identity.h"
#include "platform/thread_name.h"
#include "settings/settings_snapshot.h"
#include "settings/settings_table.h"
#include "simlink/simconnect/connector.h"

namespace kiv {

LoopClock& gf_steadyLoopClock() {
    static SteadyLoopClock clock;
    return clock;
}

Program::Program(std::filesystem::path folder, ShellFlags& shellFlags, Gui& programGui, WorkerThreads& workerThreads,
                 LoopClock& loopClock)
    : programFolder(std::move(folder)),
      flags(shellFlags),
      gui(programGui),
      threads(workerThreads),
      clock(loopClock),
      windowPorts(traffic, parkingBand, feeds, simLink,
                  ShellCallbacks{[this] { startMainWorker(); }, [this] { joinMainWorker(); },
                                 [this] { return static_cast<int>(flags.exitCode.load()); },
                                 [](const std::filesystem::path& file) { return gf_shellOpen(file); }}),
      shellPort(gui, windowPorts, traffic, parkingBand),
      traffic(TrafficPorts{simLink, feeds, motion, airports, models, shellPort, trafficSteps, clock}),
      feedNeighbours(traffic, [this] { return simLink.simulatorUtcSeconds(); }),
      linkNeighbours(gui, traffic, feedFlags, models),
      parkingNeighbours(traffic, trafficSteps.parking(), feeds, shellPort, simLink),
      procedure(windowContext, [this] { return paintFacts(); }) {
    gf_routeSharedPostsTo(gui);
    // The user's close must also end a wait for the RT App to connect, which no stop flag reaches.
    gf_setRtAppServerWaker([this] { feeds.closeRtAppServer(); });
    gf_setAirportsShell(&airportsShell);
    gf_setParkingNeighbours(&parkingNeighbours);
}

Program::~Program() {
    // A main worker still running (the window went without an exit message) is stopped first.
    if (mainWorker_.joinable()) {
        gf_requestStop(ExitReason::user_closed_sim, 0);
    }
    joinMainWorker();
    gf_setRtAppServerWaker({});
    stopWorkerThreads();
    endSourceRun();
    gf_setParkingNeighbours(nullptr);
    gf_setAirportsShell(nullptr);
    dialogs.attach(nullptr);
    if (window != nullptr) {
        gui.detachWindow();
        // The controls go with the window: no setting may reach them afterwards.
        for (const ControlEntry& entry : gf_controlTable()) {
            entry.owner->window = nullptr;
        }
        gf_mainWindowState() = MainWindowState{};
        window.reset();
    }
}

bool Program::createMainWindow(const WindowToolkit& toolkit) {
    std::string error;
    if (!toolkit.openDisplay(error)) {
        gf_logImportant(fmt::format("No display for the main window: {}", error));
        return false;
    }
    window = initInstance(procedure, toolkit.makeWindow);
    if (window == nullptr) {
        return false;
    }
    windowDialogs = toolkit.makeDialogs();
    dialogs.attach(windowDialogs.get());
    return true;
}

void Program::postStart() { gui.postWindowMessage(platform::WindowMessage::start); }

void Program::startMainWorker() {
    joinMainWorker();
    mainWorker_ = std::jthread([this] {
        platform::setCurrentThreadName("lf_main");
        mainFlow.lf_main();
    });
}

void Program::joinMainWorker() {
    if (mainWorker_.joinable()) {
        mainWorker_.join();
    }
}

void Program::beginSourceRun() {
    endSourceRun();
    if (gf_isRTDirect()) {
        rtDirect = std::make_unique<RtDirectRoad>(gf_rtDirectConfigFromSettings(rtCredential), feedNeighbours,
                                                  feedsShell, feedFlags, clock);
        feeds.attachRtDirect(rtDirect.get());
        return;
    }
    RtAppConfig config = rtAppBase;
    config.serverPort = param::PORT_NUMBER.value;
    config.psxServerHere = param::PSX_SERVER_HERE.value;
    rtApp = std::make_unique<RtAppRoad>(config, feedNeighbours, feedsShell, feedFlags, clock);
    feeds.attachRtApp(rtApp.get());
}

void Program::endSourceRun() {
    feeds.attachRtApp(nullptr);
    feeds.attachRtDirect(nullptr);
    if (rtApp != nullptr) {
        retiredRtApp.push_back(std::move(rtApp));
    }
    if (rtDirect != nullptr) {
        retiredRtDirect.push_back(std::move(rtDirect));
    }
}

RtAppRoad& Program::rtAppRoad() {
    if (rtApp == nullptr) {
        throw std::logic_error("the RT App road is not in use");
    }
    return *rtApp;
}

RtDirectRoad& Program::rtDirectRoad() {
    if (rtDirect == nullptr) {
        throw std::logic_error("the RT Direct road is not in use");
    }
    return *rtDirect;
}

std::jthread Program::startSimClientThread() {
    if (threads.simClient.joinable()) {
        threads.simClient.request_stop();
        threads.simClient.join();
    }
    simClient.reset();
    simCalls = std::make_unique<SessionCalls>(simconnect::ConnectEnvironment::standard());
    SimClientOptions options;
    options.nowNs = [this] { return clock.nowNs(); };
    simClient = std::make_unique<SimClient>(simLink, *simCalls, linkShell, linkNeighbours, std::move(options));
    SimClient& client = *simClient;
    return std::jthread([&client](std::stop_token stop) { client.run(std::move(stop)); });
}

PaintFacts Program::paintFacts() const {
    PaintFacts facts;
    facts.programVersion = std::string(kProgramVersionText);
    facts.sourceConnected = feeds.sourceConnected();
    // A simulator shutting down (3) shows as connected, not running.
    const std::int32_t linkState = simLink.simulatorState();
    facts.simLinkState = static_cast<std::uint8_t>(linkState > 2 ? 1 : linkState);
    facts.rtDirect = gf_isRTDirect();
    facts.aerowinx = param::AEROWINX.value;
    facts.parkingGenerating = parkingBand.generating.load();
    facts.parkingActive = parkingBand.active.load();
    facts.reservedUserStand = gf_currentParkAirportStand().value_or("");
    return facts;
}

void Program::stopWorkerThreads() {
    for (std::jthread* slot : {&threads.trafficReader, &threads.weatherReader, &threads.simClient}) {
        if (slot->joinable()) {
            slot->request_stop();
        }
    }
    if (rtApp != nullptr) {
        rtApp->trafficReader.stop.store(true);
        rtApp->qnhReader.stop.store(true);
        rtApp->server.close();
    }
    if (rtDirect != nullptr) {
        rtDirect->requestStop();
    }
    for (std::jthread* slot : {&threads.trafficReader, &threads.weatherReader, &threads.simClient}) {
        if (slot->joinable()) {
            slot->join();
        }
    }
}

} // namespace kiv
