#include <exception>
#include <stdexcept>

#include <fmt/format.h>

#include "feeds/rtapp_road.h"
#include "feeds/rtapp_session.h"
#include "foundation/clock.h"
#include "foundation/log.h"
#include "foundation/stop_request.h"
#include "platform/thread_name.h"

namespace kiv {
namespace {

constexpr std::string_view kTrafficReaderName = "Traffic Reader";
constexpr std::string_view kQnhReaderName = "QNH Reader";
constexpr std::int64_t kReconnectStepNs = 100'000'000;
constexpr int kReconnectSteps = 20; // 2 s

void runTrafficReader(RtAppRoad& road) {
    TrafficReader& reader = road.trafficReader;
    reader.create();
    reader.bindToPort(road.config.trafficPort);
    road.shell.postTrafficReaderStatus(ReaderStatus::receiving);
    gf_logLine(fmt::format("{} connected", kTrafficReaderName));
    if (reader.qnh == 0) {
        reader.qnh = kStandardQnhHpa;
        road.flags.currentQnh.exchange(kStandardQnhHpa);
        road.shell.postQnh(kStandardQnhHpa);
    }
    road.shell.showMessage(fmt::format("{} Requesting buffer traffic ...", gf_timeText()), true);
    reader.startBufferCycle();
    reader.clearReceivedTraffic();
    if (!gf_requestRTAppBufferTraffic(road)) {
        gf_logImportant("Receiving buffer traffic failed");
    }
    reader.receive();
}

// Waits 2 s in steps; false when the program stopped meanwhile.
bool waitBeforeReconnect(RtAppRoad& road) {
    for (int step = 0; step < kReconnectSteps; ++step) {
        if (!gf_isRunning() || road.qnhReader.stop) {
            return false;
        }
        road.clock.sleepUntilNs(road.clock.nowNs() + kReconnectStepNs);
    }
    return gf_isRunning() && !road.qnhReader.stop;
}

void exitWeatherReader(RtAppRoad& road) {
    road.qnhReader.closeSocket();
    road.shell.postWeatherReaderStatus(ReaderStatus::not_running);
    gf_logLine(fmt::format("{} disconnected", kQnhReaderName));
}

} // namespace

RtAppRoad::RtAppRoad(RtAppConfig config, FeedsNeighbours& neighbours, FeedsShell& shell, FeedFlags& flags,
                     LoopClock& clock)
    : config(std::move(config)), neighbours(neighbours), shell(shell), flags(flags), clock(clock),
      trafficReader(neighbours, shell, bufferRequest), qnhReader(shell, flags, trafficReader.qnh, clock) {}

void gf_trafficReader(RtAppRoad& road, std::stop_token stopToken) {
    platform::setCurrentThreadName(kTrafficReaderName);
    const std::stop_callback onStop(stopToken, [&road] { road.trafficReader.stop = true; });
    try {
        runTrafficReader(road);
    } catch (const std::exception& error) {
        gf_logImportant(fmt::format("{} exception: {}", "gf_trafficReader", error.what()));
        road.shell.reportRTAppReaderStopped(std::string(kTrafficReaderName), error.what());
    } catch (...) {
        road.shell.reportRTAppReaderStopped(std::string(kTrafficReaderName), "Unknown exception");
    }
    gf_clearRTAppBufferRequest(road);
    road.trafficReader.closeSocket();
    gf_logLine(fmt::format("{} disconnected", kTrafficReaderName));
}

void gf_weatherReader(RtAppRoad& road, std::stop_token stopToken) {
    platform::setCurrentThreadName(kQnhReaderName);
    QnhReader& reader = road.qnhReader;
    const std::stop_callback onStop(stopToken, [&reader] { reader.stop = true; });
    for (;;) {
        try {
            reader.create();
            reader.bindToPort(road.config.weatherPort);
            road.shell.postWeatherReaderStatus(ReaderStatus::receiving);
            gf_logLine(fmt::format("{} connected", kQnhReaderName));
            reader.receive();
            break;
        } catch (const std::exception& error) {
            reader.closeSocket();
            if (!gf_isRunning() || reader.stop) {
                break;
            }
            reader.forgetWeather();
            road.shell.postWeatherReaderStatus(ReaderStatus::not_running);
            gf_logImportant(fmt::format("{} exception: {}; reconnecting ...", "gf_weatherReader", error.what()));
            if (!waitBeforeReconnect(road)) {
                break;
            }
        } catch (...) {
            road.shell.reportRTAppReaderStopped(std::string(kQnhReaderName), "Unknown exception");
            break;
        }
    }
    exitWeatherReader(road);
}

void gf_resetWeatherReader(RtAppRoad& road) { road.qnhReader.reset(); }

} // namespace kiv
