#include "traffic/aircraft_removal.h"

#include <cmath>
#include <exception>

#include <fmt/format.h>

#include "foundation/log.h"
#include "traffic/aircraft_text.h"
#include "traffic/detail/geo.h"
#include "traffic/traffic_state.h"

namespace kiv {
namespace {

void startRemovalOfCreating(TrafficState& state, AircraftRecord& aircraft) {
    const std::uint32_t hexId = aircraft.info.hexId;
    const bool dropped = gf_cancelCreationRequest(state.liveCreationQueue, hexId) ||
                         gf_cancelCreationRequest(state.waitingCreationQueue, hexId) ||
                         gf_cancelCreationRequest(state.staticCreationQueue, hexId);
    if (dropped) {
        aircraft.creationCancelled = 1;
        if (hexId <= kHighestStaticHexId) {
            // A cancelled static record leaves its table with the removed ones.
            state.staticEraseSignal = true;
        }
    } else {
        // The request is with the simulator already: remove once the object id arrives.
        aircraft.removePending = 1;
    }
}

void removeSimObject(TrafficState& state, AircraftRecord& aircraft) {
    if (aircraft.objectId != 0) {
        state.removalQueue.push_back(aircraft.objectId);
        aircraft.simState = SimState::removingfromsim;
        return;
    }
    gf_logImportant(fmt::format("{} removing act {}, with objectid=0 ?", "removeAircraftFromSim", aircraft));
    if (aircraft.info.hexId <= kHighestStaticHexId) {
        state.staticEraseSignal = true;
    }
    aircraft.removed = 1;
}

void prepareRespawnSamples(TrafficState& state, LiveAircraft& aircraft) {
    StreamSample copy = aircraft.samples.front();
    if (aircraft.situation != FlightSituation::parked) {
        copy.latitude = aircraft.pose.latitude;
        copy.longitude = aircraft.pose.longitude;
        copy.altitudeFt = aircraft.pose.altitudeFt;
        copy.bankRad = aircraft.pose.bankRad;
        copy.respawnSample = 1;
        StreamSample& front = aircraft.samples.front();
        if (std::fabs(front.latitude - aircraft.pose.latitude) < 1e-8 &&
            std::fabs(front.longitude - aircraft.pose.longitude) < 1e-8) {
            front.atCurrentPose = 1;
        }
    } else {
        aircraft.samples.resize(1);
        StreamSample& front = aircraft.samples.front();
        front.atCurrentPose = 1;
        front.groundSpeedKt = 0.0;
        front.trueAirspeedKt = 0.0;
        front.trackDeg = aircraft.pose.headingRad / detail::kDegToRad;
        copy = front;
    }
    copy.deliveryTick = gf_ticksAfter(state.tickCount.load(), 1);
    aircraft.samples.push_front(copy);
}

} // namespace

void removeAircraftFromSim(TrafficState& state, AircraftRecord& aircraft) {
    const SimState simState = aircraft.simState;
    if (simState == SimState::removingfromsim) {
        gf_logImportant(fmt::format("{} {} duplicate remove blocked", aircraft.info.head.callsign,
                                    aircraft.info.head.registration));
        return;
    }
    if (simState == SimState::buffer) {
        aircraft.removed = 1;
        return;
    }
    if (aircraft.removePending != 0 && simState != SimState::active) {
        return;
    }
    if (simState == SimState::adding2sim) {
        startRemovalOfCreating(state, aircraft);
        return;
    }
    if (simState == SimState::active || simState == SimState::liveryrespawn) {
        removeSimObject(state, aircraft);
    }
}

bool gf_cancelCreationRequest(std::deque<CreateCommand>& queue, std::uint32_t hexId) {
    std::deque<CreateCommand> kept;
    bool dropped = false;
    while (!queue.empty()) {
        if (queue.front().hexId == hexId) {
            dropped = true;
        } else {
            kept.push_back(std::move(queue.front()));
        }
        queue.pop_front();
    }
    queue = std::move(kept);
    return dropped;
}

void liveryRespawn(TrafficState& state, LiveAircraft& aircraft) {
    try {
        if (!aircraft.samples.empty()) {
            prepareRespawnSamples(state, aircraft);
        }
        aircraft.simState = SimState::liveryrespawn;
        aircraft.respawnHeadingRad = aircraft.pose.headingRad;
        aircraft.respawnPose = 1;
        if (aircraft.objectId != 0) {
            state.removalQueue.push_back(aircraft.objectId);
        } else {
            gf_logImportant(fmt::format("{} removing act {} with objectid=0 ?", "liveryRespawn", aircraft));
        }
    } catch (const std::exception& e) {
        gf_logImportant(fmt::format("{}: {}", "liveryRespawn", e.what()));
    }
}

} // namespace kiv
