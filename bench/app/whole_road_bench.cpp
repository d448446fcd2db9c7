// The whole road under load: the program's real subsystems in one process (as velt_p3d
// assembles them, with a headless main window), fed by the RT App stand-in replaying the demo
// scene scaled up (1,000 live aircraft, 500 parked at a 512-stand Schiphol), against the
// simulator stand-in. The loop's clock times every tick of the simulator loop (the work
// between two of its sleeps); the process's CPU time and resident memory are read at the
// end of the measured span. Reports tick p50/p99/max (microseconds), CPU seconds per
// second, resident and peak memory (MB) and the aircraft in the tables.
//
// Needs the sample program folder (target velt_p3d_data) and Python 3 for the stand-ins.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "app/program.h"
#include "foundation/stop_request.h"
#include "platform/child_process.h"
#include "settings/data_folder.h"
#include "settings/settings_reset.h"
#include "test_support/queued_window.h"
#include "test_support/temp_folder.h"
#include "traffic/simulator_loop.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int kLive = 1000;
constexpr int kParked = 500;
constexpr int kStands = 512;
constexpr auto kWarmUp = 40s;  // start-up, the buffered history and the creations
constexpr auto kMeasured = 30s;

// The steady clock; the simulator loop's sleeps, told apart by their deadlines 10 ms apart,
// mark the ticks between them.
class TickTimingClock final : public LoopClock {
public:
    std::int64_t nowNs() const override { return steady_.nowNs(); }

    void sleepUntilNs(std::int64_t deadlineNs) override {
        const std::int64_t entry = steady_.nowNs();
        thread_local std::int64_t lastWake = 0;
        thread_local std::int64_t lastDeadline = 0;
        const std::int64_t step = deadlineNs - lastDeadline;
        if (measuring.load() && lastWake != 0 && step > 0 && step % kTickNs == 0 && step <= 10 * kTickNs) {
            record(entry - lastWake, step / kTickNs);
        }
        steady_.sleepUntilNs(deadlineNs);
        lastDeadline = deadlineNs;
        lastWake = steady_.nowNs();
    }

    // The loop thread, between two ticks: the tables are its own.
    void record(std::int64_t workNs, std::int64_t ticks) {
        const std::lock_guard lock(mutex_);
        ticksNs.push_back(workNs);
        if (ticks > 1) {
            ++overruns;
        }
        if (traffic != nullptr && ticksNs.size() % 100 == 1) {
            std::size_t active = 0;
            for (const LiveAircraft& aircraft : traffic->live) {
                active += aircraft.simState == SimState::active ? 1 : 0;
            }
            maxLive = std::max(maxLive, traffic->live.size());
            maxActive = std::max(maxActive, active);
            maxStatics = std::max(maxStatics, traffic->statics.size());
        }
    }

    std::atomic<bool> measuring{false};
    const TrafficState* traffic = nullptr;
    std::mutex mutex_;
    std::vector<std::int64_t> ticksNs;
    std::size_t overruns = 0;
    std::size_t maxLive = 0;
    std::size_t maxActive = 0;
    std::size_t maxStatics = 0;

private:
    SteadyLoopClock steady_;
};

double residentMb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) {
            return std::stod(line.substr(line.find(':') + 1)) / 1024.0; // kB
        }
    }
    return -1.0;
}

void runTool(const std::string& program, const std::vector<std::string>& arguments) {
    platform::ChildProcess child(program, arguments);
    while (child.readLine()) {
    }
    if (child.wait() != 0) {
        throw std::runtime_error(program + " failed");
    }
}

// Waits for the stand-in's first line (its readiness).
void awaitReady(platform::ChildProcess& child, const char* name) {
    const std::optional<std::string> line = child.readLine(20s);
    if (!line || line->find("ready") == std::string::npos) {
        throw std::runtime_error(std::string(name) + " did not start");
    }
}

struct Outcome {
    std::vector<std::int64_t> ticksNs;
    std::size_t overruns = 0;
    double cpuPerSecond = 0.0;
    double residentMb = 0.0;
    double peakMb = 0.0;
    std::size_t maxLive = 0;
    std::size_t maxActive = 0;
    std::size_t maxStatics = 0;
    int exitCode = -1;
};

Outcome runWholeRoad() {
    test_support::TempFolder run;
    const fs::path program = run.path() / "program";
    const fs::path data = run.path() / "data";
    const fs::path runtime = run.path() / "xdg";
    fs::copy(KIV_PROGRAM_FOLDER, program, fs::copy_options::recursive);
    fs::create_directories(data);
    fs::create_directories(runtime);
    runTool(KIV_DEMO_SCENERY, {(program / "scenery/EHAM_demo/scenery/EHAM_demo.bgl").string(), std::to_string(kStands)});
    const fs::path scene = run.path() / "scene.json";
    runTool(KIV_PYTHON3, {KIV_DEMO_SCENE, "--out", scene.string(), "--live", std::to_string(kLive), "--parked",
                          std::to_string(kParked), "--stands", std::to_string(kStands), "--duration", "200"});

    platform::ChildProcess simulator(
        KIV_PYTHON3, {KIV_SIMCONNECT_STANDIN, "--pipe", (runtime / "Lockheed_Martin_Prepar3D_v5_SimConnect").string(),
                      "--quiet", "--frame-hz", "30", "--user-at", "52.30654,4.77620,-11,270"});
    awaitReady(simulator, "the simulator stand-in");

    const std::uint16_t psxPort = test_support::freeTcpPort();
    const std::uint16_t trafficPort = test_support::freeUdpPort();
    const std::uint16_t weatherPort = test_support::freeUdpPort();
    {
        std::ofstream file(data / "parameters.xml");
        file << "<?xml version=\"1.0\"?>\n<root><parameters>\n";
        const std::pair<const char*, std::string> values[] = {
            {"RT_CHOISE", "RT App"},
            {"PORT_NUMBER", std::to_string(psxPort)},
            {"P3D_VERSION", "5"},
            {"SIM_INSTALL_PATH", (program / "P3D").string()},
            {"lfolder0", (program / "liveries").string()},
            {"afolder0", (program / "scenery").string()},
            {"DOWNLOAD_SERVER", "http://127.0.0.1:1/"}};
        for (const auto& [name, value] : values) {
            file << "<parameter name=\"" << name << "\" value=\"" << value << "\"/>\n";
        }
        file << "</parameters></root>\n";
    }
    test_support::resetSettingsToDefaults();
    gf_resetRunStateForTests();
    gf_setDataFolderForTesting(data);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    const fs::path home = fs::current_path();
    fs::current_path(program);

    platform::ChildProcess rtApp(KIV_PYTHON3, {KIV_RTAPP_STANDIN, "--psx-port", std::to_string(psxPort),
                                               "--traffic-port", std::to_string(trafficPort), "--weather-port",
                                               std::to_string(weatherPort), "--scene", scene.string(),
                                               "--connect-timeout", "60"});

    Outcome outcome;
    TickTimingClock clock;
    {
        test_support::QueuedWindow* window = nullptr;
        ShellFlags flags;
        Program velt(".", flags, gf_gui(), gf_workerThreads(), clock);
        velt.rtAppBase.trafficPort = trafficPort;
        velt.rtAppBase.weatherPort = weatherPort;
        clock.traffic = &velt.traffic;
        if (!velt.createMainWindow(test_support::queuedWindowToolkit(window)) || window == nullptr) {
            throw std::runtime_error("no main window");
        }
        std::thread user([&] {
            std::this_thread::sleep_for(kWarmUp);
            const std::clock_t cpuStart = std::clock();
            const auto wallStart = std::chrono::steady_clock::now();
            clock.measuring = true;
            std::this_thread::sleep_for(kMeasured);
            clock.measuring = false;
            const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
            outcome.cpuPerSecond = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC / wall;
            outcome.residentMb = residentMb("VmRSS");
            outcome.peakMb = residentMb("VmHWM");
            window->close();
        });
        velt.postStart();
        outcome.exitCode = window->run(kWarmUp + kMeasured + 60s).value_or(-1);
        user.join();
    }
    fs::current_path(home);
    const std::lock_guard lock(clock.mutex_);
    outcome.ticksNs = clock.ticksNs;
    outcome.overruns = clock.overruns;
    outcome.maxLive = clock.maxLive;
    outcome.maxActive = clock.maxActive;
    outcome.maxStatics = clock.maxStatics;
    return outcome;
}

void BM_WholeRoadThousandLive(benchmark::State& bench) {
    Outcome outcome;
    for (auto _ : bench) {
        outcome = runWholeRoad();
    }
    // The run must have carried the load it claims to measure.
    const auto measuredSeconds = std::chrono::duration<double>(kMeasured).count();
    if (outcome.exitCode != 0 || outcome.ticksNs.size() < static_cast<std::size_t>(measuredSeconds * 50) ||
        outcome.maxActive < 400 || outcome.maxStatics < 100) {
        bench.SkipWithError(("the run did not carry the load: exit " + std::to_string(outcome.exitCode) + ", ticks " +
                             std::to_string(outcome.ticksNs.size()) + ", active live " +
                             std::to_string(outcome.maxActive) + ", statics " + std::to_string(outcome.maxStatics))
                                .c_str());
    }
    std::vector<std::int64_t> ticks = outcome.ticksNs;
    std::sort(ticks.begin(), ticks.end());
    const auto percentile = [&ticks](double p) {
        return ticks.empty() ? 0.0 : static_cast<double>(ticks[static_cast<std::size_t>(p * (ticks.size() - 1))]) / 1e3;
    };
    bench.counters["tick_p50_us"] = percentile(0.50);
    bench.counters["tick_p99_us"] = percentile(0.99);
    bench.counters["tick_max_us"] = percentile(1.0);
    bench.counters["ticks"] = static_cast<double>(ticks.size());
    bench.counters["late_ticks"] = static_cast<double>(outcome.overruns);
    bench.counters["cpu_s_per_s"] = outcome.cpuPerSecond;
    bench.counters["rss_mb"] = outcome.residentMb;
    bench.counters["peak_rss_mb"] = outcome.peakMb;
    bench.counters["live"] = static_cast<double>(outcome.maxLive);
    bench.counters["live_in_sim"] = static_cast<double>(outcome.maxActive);
    bench.counters["parked"] = static_cast<double>(outcome.maxStatics);
}
BENCHMARK(BM_WholeRoadThousandLive)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace
} // namespace kiv
