// The per-second step and the slower steps of the simulator loop.
#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "foundation/clock.h"
#include "foundation/log.h"
#include "traffic/aircraft_commands.h"
#include "traffic/detail/geo.h"
#include "traffic/detail/settings_access.h"
#include "traffic/live_sweeps.h"
#include "traffic/sim_queues.h"
#include "traffic/simulator_loop.h"
#include "traffic/traffic_mailbox.h"
#include "traffic/traffic_state.h"

namespace kiv {
namespace {

constexpr std::int32_t kNoLiveLimit = 500;
constexpr std::int32_t kSecondsPerDay = 86400;

void matchLearnedStand(TrafficState& state) {
    if (state.learnedStandMatchQueue.empty()) {
        return;
    }
    const std::uint32_t hexId = state.learnedStandMatchQueue.front();
    state.learnedStandMatchQueue.pop_front();
    LiveAircraft* aircraft = gf_findLive(state, hexId);
    if (aircraft == nullptr) {
        return;
    }
    if (!gf_matchMarkSet(aircraft->info)) {
        state.ports.steps.lf_matchSlotWindow(state, hexId);
        aircraft = gf_findLive(state, hexId);
        if (aircraft == nullptr) {
            return;
        }
        gf_setMatchMark(aircraft->info);
    }
    const bool onGround = aircraft->onGround != 0;
    std::optional<StandChoice> choice =
        state.ports.steps.lf_checkForStaticWithCallsignOrHexidAndRemove(state, hexId, onGround);
    aircraft = gf_findLive(state, hexId); // the step may have changed the tables
    if (choice && aircraft != nullptr) {
        aircraft->standChoice = choice;
    }
}

void applyMaxPark(TrafficState& state) {
    if (!state.maxParkChanged.exchange(false) || state.parkStands.empty()) {
        return;
    }
    const std::int32_t previous = state.maxParkCount;
    const auto settings = detail::settings();
    if (!settings->rtParkTrafficOnly) {
        state.ports.steps.gf_computeMaxPark(state);
    } else {
        const auto stands = static_cast<std::int64_t>(state.parkStands.size());
        const std::int64_t count = settings->maxParkSel < 1 ? 0 : std::min<std::int64_t>(settings->maxParkSel, stands);
        state.maxParkCount = static_cast<std::int32_t>(count);
        const auto percent =
            static_cast<std::uint32_t>(std::lround(static_cast<double>(count) * 100.0 / static_cast<double>(stands)));
        state.ports.shell.postMaxPark(static_cast<std::uint32_t>(count), percent);
    }
    if (state.maxParkCount < previous) {
        state.ports.steps.gf_limitParkedAircraft(state, 0);
    }
}

void applyMaxLive(TrafficState& state) {
    const std::int32_t limit = detail::settings()->maxLiveSel;
    if (!state.maxLiveChanged.exchange(false) || limit == kNoLiveLimit) {
        return;
    }
    const auto active = std::count_if(state.live.begin(), state.live.end(),
                                      [](const LiveAircraft& a) { return a.simState == SimState::active; });
    for (auto excess = active - limit; excess > 0; --excess) {
        lf_isThisTheFurthestLive(state, -1.0);
    }
}

void refillAircraftList(TrafficState& state) {
    if (!state.aircraftListRequest.exchange(false)) {
        return;
    }
    std::vector<std::string> entries = {"select an aircraft"};
    const std::vector<std::string> active = lf_listActiveAircraft(state);
    entries.insert(entries.end(), active.begin(), active.end());
    state.ports.shell.fillAircraftList(entries);
}

void checkUserAirborne(TrafficState& state) {
    const UserAircraftState& user = state.user;
    const bool high = std::isfinite(user.altitudeAboveGroundFt) && user.altitudeAboveGroundFt > 500.0;
    if ((!user.onGround || high) && detail::settings()->collisionUserAir) {
        state.ports.steps.lf_checkUserAirCollisions(state);
    }
}

void publishUserPosition(TrafficState& state) {
    FeedsPort& feeds = state.ports.feeds;
    const UserAircraftState& user = state.user;
    if (feeds.isRtDirect()) {
        feeds.gf_setRTAPIQueryCentre(user.latitude, user.longitude);
        feeds.gf_updateRTAPIQueryBox();
        return;
    }
    feeds.setRTAppRangeCentre(user.latitude, user.longitude, std::cos(user.latitude * detail::kDegToRad));
    if (std::optional<double> simTime = feeds.simulatorTime()) {
        feeds.gf_sendQs123ToRTApp(*simTime);
    }
}

void takeParkingRequest(TrafficState& state) {
    {
        ParkingRequests& requests = state.parkingRequests;
        const std::lock_guard lock(requests.mutex);
        if (requests.parkingUpdateRequests == requests.parkingUpdatesHandled) {
            return;
        }
        state.waitingUpdate = {true, requests.parkingUpdateRequests, requests.replaceAllRequests,
                               requests.replaceAllPending};
    }
    state.ports.shell.gf_disableParkingControls();
    state.ports.feeds.gf_clearReceivedTraffic();
}

void applyParkingRequest(TrafficState& state) {
    ShellPort& shell = state.ports.shell;
    shell.postClearError();
    if (shell.airportScanReportedProblem()) {
        shell.gf_showSupportHint();
    } else {
        shell.postClearMessage();
    }
    const WaitingParkingUpdate waiting = state.waitingUpdate;
    bool applied = false;
    if (!state.ports.airports.currentParkAirport().code.empty() && !state.parkStands.empty()) {
        state.parkingPlanInForce = true;
        shell.postRepaint(4);
        const std::int64_t start = state.ports.clock.nowNs();
        state.ports.steps.lf_applyParkingAdjustments(state, waiting.replaceAll);
        const std::int64_t ms = (state.ports.clock.nowNs() - start) / 1'000'000;
        if (ms >= 5) {
            // Keep the tick timers in step with the wall clock after a long plan.
            state.tickCount += static_cast<std::int32_t>((ms + 5) / 10);
        }
        applied = true;
    }
    {
        ParkingRequests& requests = state.parkingRequests;
        const std::lock_guard lock(requests.mutex);
        requests.parkingUpdatesHandled = std::max(requests.parkingUpdatesHandled, waiting.requests);
        if (applied && waiting.replaceAll && requests.replaceAllRequests == waiting.replaceAllRequests) {
            requests.replaceAllPending = false;
        }
    }
    state.waitingUpdate.waiting = false;
}

void countDownParking(TrafficState& state) {
    if (state.countdownRestarted) {
        state.countdownRestarted = false;
    } else {
        if (!state.ports.feeds.isRtDirect() && state.parkingCountdown == 2) {
            state.ports.feeds.gf_requestRTAppParkedTraffic();
        }
        if (--state.parkingCountdown < 1) {
            state.parkingCountdown = detail::settings()->parkingIntervalMinutes;
            bool idle = false;
            {
                const std::lock_guard lock(state.parkingRequests.mutex);
                idle = state.parkingRequests.parkingUpdateRequests == state.parkingRequests.parkingUpdatesHandled;
            }
            if (state.parkAirportFileRead && !state.parkingPlanInForce && idle) {
                gf_requestParkingUpdate(state);
            }
        }
    }
    state.ports.shell.postParkingCountdown(static_cast<std::uint32_t>(std::max(state.parkingCountdown, 0)));
}

LightSet lightsFor(std::uint32_t kind, const LiveAircraft& aircraft) {
    if (kind == 1) {
        return {1, 0, 0, 1, 0, 1, 1};
    }
    const std::uint32_t nav = detail::settings()->navLightsWhileParked ? 1 : 0;
    return {nav, 0, 0, 0, 0, 1, gf_parkedCabinLight(aircraft.cargoStand != 0)};
}

} // namespace

void gf_queueDelayedLightCommand(TrafficState& state, const DelayedLightCommand& command) {
    auto& queue = state.delayedLightCommands;
    const auto at = std::lower_bound(
        queue.begin(), queue.end(), command,
        [](const DelayedLightCommand& a, const DelayedLightCommand& b) { return a.dueTick > b.dueTick; });
    queue.insert(at, command);
}

void lf_runDelayedLightCommand(TrafficState& state) {
    auto& queue = state.delayedLightCommands;
    if (queue.empty() || state.tickCount.load() < queue.back().dueTick) {
        return;
    }
    const DelayedLightCommand command = queue.back();
    queue.pop_back();
    const LiveAircraft* aircraft = gf_findLive(state, command.hexId);
    if (aircraft == nullptr || aircraft->situation != FlightSituation::parked) {
        return;
    }
    if (command.kind == 0) {
        state.ports.link.gf_engineAutoShutdown(aircraft->objectId);
    } else if (command.kind == 1 || command.kind == 2) {
        state.ports.link.gf_setAllLights(aircraft->objectId, lightsFor(command.kind, *aircraft));
    }
}

void lf_perSecondWork(TrafficState& state) {
    const std::int32_t interval = state.parkingIntervalSignal.exchange(-1);
    if (interval >= 0) {
        state.parkingCountdown = interval;
        state.countdownRestarted = true;
    }
    if (state.pausedMark) {
        state.pausedMark = false;
        gf_logLine(fmt::format("{} Flight resumed", gf_timeText()));
        gf_resumeDelivery(state);
    }
    state.ports.shell.postExpireMessage();
    state.ports.shell.gf_updateGuiAircraftCounts();
    lf_runDelayedLightCommand(state);
    state.currentSlot = gf_weekdayAndSlot();
    if (!state.ports.feeds.isRtDirect() || detail::settings()->simTime) {
        state.ports.shell.gf_followSimTime();
    }
    ++state.secondCount;
    matchLearnedStand(state);
    applyMaxPark(state);
    applyMaxLive(state);
    if (state.removeAllStaticRequest.exchange(false)) {
        state.ports.steps.gf_removeAllStatic(state);
    }
    refillAircraftList(state);
    checkUserAirborne(state);
    state.ports.steps.gf_checkLiveWithParkedCollisions(state);
    if (state.blockRequest.exchange(false)) {
        gf_removeBlockedAc(state);
    }
    if (state.parkingPlanInForce) {
        state.ports.shell.postStaticExtra(state.ports.steps.pendingParkedAdditions(state));
    }
}

void lf_fiveSecondWork(TrafficState& state) {
    constexpr std::pair<ClassSwitch, SizeClass> switches[] = {{switchTwoProps, SizeClass::TwoProps},
                                                              {switchLight, SizeClass::Light},
                                                              {switchRotorcraft, SizeClass::Rotorcraft},
                                                              {switchHighPerf, SizeClass::HighPerf}};
    for (const auto& [signal, sizeClass] : switches) {
        if (!state.classSwitchSignals[signal].exchange(false)) {
            continue;
        }
        state.ports.steps.gf_removeLiveAircraftCategory(state, sizeClass);
        if (sizeClass == SizeClass::Rotorcraft) {
            state.ports.steps.gf_removeStaticAircraftCategory(state, sizeClass);
        }
    }
    publishUserPosition(state);
    if (std::optional<std::string> stand = state.ports.airports.gf_currentParkAirportStand()) {
        state.ports.steps.gf_clearUserDestGate(state, *stand);
    }
    if (state.secondCount % 15 == 0) {
        lf_fifteenSecondWork(state, state.secondCount);
    }
}

void lf_fifteenSecondWork(TrafficState& state, std::int32_t secondCount) {
    gf_flushLog();
    if (!state.waitingUpdate.waiting) {
        takeParkingRequest(state);
    } else {
        applyParkingRequest(state);
    }
    if (secondCount % 30 == 0) {
        lf_thirtySecondWork(state);
    }
}

void lf_thirtySecondWork(TrafficState& state) {
    if (state.failedSpawnResetRequest.exchange(false)) {
        state.failedSpawnSet.clear();
    }
    FeedsPort& feeds = state.ports.feeds;
    if (feeds.sourceConnected()) {
        const std::uint32_t weather = feeds.weatherStatus();
        state.ports.shell.postReaderStatus(weather, feeds.trafficStatus());
    }
    if (detail::settings()->autoRange) {
        state.ports.shell.gf_updateAutoRange();
    }
    gf_removeTCASCoverageAcs(state);
    if (state.secondCount % 60 == 0) {
        countDownParking(state);
    }
    if (state.secondCount % 1200 == 0) {
        state.ports.models.gf_logNoMatchList(state.secondCount / 1200);
        if (state.secondCount % kSecondsPerDay == 0) {
            state.secondCount = 0;
            state.ports.models.gf_logLiveryMatchingSummary();
            state.ports.models.clearLiveryOfHexids();
        }
    }
}

} // namespace kiv
