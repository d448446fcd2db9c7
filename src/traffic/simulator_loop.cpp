#include "traffic/simulator_loop.h"

#include <cmath>

#include <fmt/format.h>

#include "foundation/clock.h"
#include "foundation/log.h"
#include "platform/timer_resolution.h"
#include "traffic/aircraft_removal.h"
#include "traffic/detail/geo.h"
#include "traffic/sim_queues.h"
#include "traffic/traffic_mailbox.h"
#include "traffic/traffic_state.h"

namespace kiv {
namespace {

constexpr std::int32_t kRunningSimulator = 2;
constexpr std::int32_t kTicksPerProximitySweep = 20;
constexpr std::int32_t kPausedTicksPerReport = 100;

class TimerResolutionGuard {
public:
    TimerResolutionGuard() : granted_(platform::beginTimerResolution1ms()) {}
    ~TimerResolutionGuard() {
        if (granted_) {
            platform::endTimerResolution1ms();
        }
    }
    TimerResolutionGuard(const TimerResolutionGuard&) = delete;
    TimerResolutionGuard& operator=(const TimerResolutionGuard&) = delete;

private:
    bool granted_;
};

void startParking(TrafficState& state) {
    const ParkAirportInfo airport = state.ports.airports.currentParkAirport();
    if (airport.code.empty() || !gf_isValidLalo(airport.latitude, airport.longitude)) {
        return;
    }
    if (state.ports.airports.gf_airportFileExists(airport.code)) {
        state.parkingRegenerationRequested = false;
        state.ports.steps.gf_regenerateParking(state);
    } else {
        state.ports.shell.showMessage(
            fmt::format("User aircraft on the ground at {}", airport.code) + ", no airport file found", true);
    }
}

void sendParkedNavLights(TrafficState& state) {
    const std::int8_t value = state.navLightsSignal.exchange(-1);
    if (value < 0) {
        return;
    }
    for (const StaticAircraft& aircraft : state.statics) {
        if (aircraft.simState == SimState::active) {
            state.ports.link.gf_setNavLights(aircraft.objectId, value != 0);
        }
    }
    for (const LiveAircraft& aircraft : state.live) {
        if (aircraft.simState == SimState::active && aircraft.situation == FlightSituation::parked) {
            state.ports.link.gf_setNavLights(aircraft.objectId, value != 0);
        }
    }
}

bool isRunwayOrTaxiway(FlightSituation situation) {
    return situation == FlightSituation::taxi || situation == FlightSituation::takeoff_roll ||
           situation == FlightSituation::landing_roll;
}

bool inConflict(const LiveAircraft& a, const LiveAircraft& b, double cosLat) {
    const double span = a.info.conflictHalfSpanNm + b.info.conflictHalfSpanNm;
    return span > 0.0 && span * span >= detail::flatDistanceSquaredNm(a.pose.latitude, a.pose.longitude,
                                                                      b.pose.latitude, b.pose.longitude, cosLat);
}

void holdAndRemove(TrafficState& state, LiveAircraft& aircraft) {
    aircraft.holdCount = 0;
    aircraft.holdTicks1 = 2700;
    aircraft.holdTicks2 = aircraft.situation == FlightSituation::takeoff_roll ? 4500 : 2700;
    aircraft.proximityCompanion = 0;
    aircraft.proximityCheck = 0;
    removeAircraftFromSim(state, aircraft);
}

void runSlowerSteps(TrafficState& state) {
    const std::int32_t second = state.secondCount;
    if (second % 5 == 0) {
        lf_fiveSecondWork(state);
        return;
    }
    if (second % 14 == 0 && !state.waitingUpdate.waiting) {
        state.ports.steps.lf_parkAirportSweep(state);
    }
    if (second % 61 == 0) {
        state.ports.steps.gf_checkForAllGndIfParkedVersionExistsAndRemove(state);
    }
}

} // namespace

void gf_simulatorLoop(TrafficState& state) {
    // From here on the tables are this thread's: the parking work below already uses them, so a
    // history buffer posted meanwhile must wait for the first tick.
    gf_mailboxLoopStarted(state);
    // The first plan already reads the traffic clock: after a reset it holds no weekday.
    state.currentSlot = gf_weekdayAndSlot();
    startParking(state);
    LoopClock& clock = state.ports.clock;
    state.secondCount = 0;
    std::int64_t deadline = clock.nowNs() + kTickNs;
    gf_resumeDelivery(state);
    state.ports.shell.enableAircraftButton();
    const TimerResolutionGuard timerResolution;

    bool running = lf_simulatorTick(state);
    while (running) {
        std::int64_t now = clock.nowNs();
        if (now - deadline > kLateRebaseNs) {
            // Far behind: start afresh rather than run the missed ticks back to back.
            deadline = now + kTickNs;
        }
        if (deadline - now >= 1'000'000) {
            clock.sleepUntilNs(deadline);
        }
        deadline = state.secondSignal.load() ? clock.nowNs() + kTickNs : deadline + kTickNs;
        running = lf_simulatorTick(state);
    }
}

bool lf_simulatorTick(TrafficState& state) {
    if (state.ports.link.simulatorState() != kRunningSimulator) {
        lf_flightNotRunning(state);
        return state.ports.shell.gf_isRunning();
    }
    sendParkedNavLights(state);
    state.ports.steps.lf_drainSimEvents(state);
    lf_updateAllLiveAc(state);
    lf_runSimQueues(state);
    lf_takeTrafficBatch(state);
    lf_handleAddingStack(state);
    lf_pollUserAircraft(state);
    if (++state.proximityCounter >= kTicksPerProximitySweep) {
        state.proximityCounter = 0;
        lf_proximitySweep(state);
    }
    ++state.tickCount;
    if (!state.secondSignal.exchange(false)) {
        // Without the simulator's second there is no per-second work, but a stop must still end the loop.
        return state.ports.shell.gf_isRunning();
    }
    lf_perSecondWork(state);
    if (!state.ports.shell.gf_isRunning()) {
        return false;
    }
    runSlowerSteps(state);
    return true;
}

void lf_proximitySweep(TrafficState& state) {
    for (std::size_t i = 0; i < state.live.size(); ++i) {
        LiveAircraft& a = state.live[i];
        if (a.proximityCheck == 0) {
            continue;
        }
        const double cosLat = std::cos(a.pose.latitude * detail::kDegToRad);
        for (std::size_t j = 0; j < state.live.size(); ++j) {
            const LiveAircraft& b = state.live[j];
            if (j == i || b.simState != SimState::active || b.onGround == 0 || b.objectId == a.objectId ||
                !isRunwayOrTaxiway(b.situation)) {
                continue;
            }
            if (inConflict(a, b, cosLat)) {
                holdAndRemove(state, a);
                break;
            }
        }
    }
}

void lf_flightNotRunning(TrafficState& state) {
    if (!state.pausedMark) {
        gf_pauseDelivery(state);
        state.pausedMark = true;
        state.pauseCountdown = kPausedTicksPerReport;
        state.tickPoses.clear();
        state.ports.link.dropAllPoseStreams();
        gf_logLine(fmt::format("{} Flight not running", gf_timeText()));
    }
    state.ports.steps.lf_drainSimEvents(state);
    --state.pauseCountdown;
    if (state.pauseCountdown % kPausedTicksPerReport == 0) {
        if (state.ports.feeds.isRtDirect()) {
            state.ports.feeds.gf_updateRTAPIQueryBox();
        } else {
            state.ports.feeds.gf_sendUserPoseToRTApp();
        }
    }
    if (state.pauseCountdown < 1) {
        state.pauseCountdown = kPausedTicksPerReport;
        state.ports.shell.gf_updateGuiAircraftCounts();
        state.currentSlot = gf_weekdayAndSlot();
    }
}

} // namespace kiv
