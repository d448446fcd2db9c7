#include "traffic/traffic_state.h"

#include "traffic/park_stands.h"

namespace kiv {
namespace {

void clearQueues(TrafficState& state) {
    state.removalQueue = {};
    state.liveCreationQueue = {};
    state.waitingCreationQueue = {};
    state.staticCreationQueue = {};
}

void clearParkStands(TrafficState& state) {
    state.parkStands.clear();
    state.standNameIndex.clear();
    state.plannerFlag = false;
    gf_publishParkStands(state);
}

void reserveRoom(TrafficState& state) {
    state.live.reserve(512);
    state.statics.reserve(256);
    state.parkStands.reserve(512);
    state.addingStack.reserve(64);
    state.staticRemovals.reserve(256);
    state.pendingParkedAdds.reserve(512);
    state.liveStayers.reserve(64);
    state.removedGhosts.reserve(64);
    state.delayedLightCommands.reserve(24);
}

void setLoopOwnsTables(TrafficState& state, bool owned) {
    const std::lock_guard lock(state.mailbox.startupDecodeMutex);
    state.mailbox.loopOwnsTables = owned;
}

} // namespace

void gf_initTraffic(TrafficState& state) {
    state.ports.steps.clearStepState(state);
    state.liveStayers.clear();
    state.live.clear();
    state.jumpQuarantine.clear();
    state.statics.clear();
    state.waitingCreationQueue = {};
    clearParkStands(state);
    state.addingStack.clear();
    state.pendingParkedAdds.clear();
    state.deferredParkedAdds.clear();
    state.staticRemovals.clear();
    state.removedGhosts.clear();
    state.delayedLightCommands.clear();
    state.staticEraseSignal = false;
    reserveRoom(state);
}

void gf_resetTraffic(TrafficState& state) {
    // Waits for a history decode still running on a feed thread, and queues any posted while
    // the tables are being emptied, so that no decode overlaps the reset.
    setLoopOwnsTables(state, true);
    state.ports.airports.clearCurrentParkAirport();
    state.ports.feeds.clearParkValue();
    state.ports.shell.postLiveCount(0);
    state.ports.shell.postParkCounts(0, 0);

    state.ports.steps.clearStepState(state);
    state.removedGhosts.clear();
    state.ports.models.clearLiveryOfHexids();
    state.ports.models.clearNoMatchList();
    state.addingStack.clear();
    clearQueues(state);
    state.pendingParkedAdds.clear();
    state.deferredParkedAdds.clear();
    state.liveStayers.clear();
    state.staticRemovals.clear();
    state.statics.clear();
    {
        const std::lock_guard lock(state.mailbox.mutex);
        state.mailbox.slot.clear();
        state.mailbox.historyBatches.clear();
        state.mailbox.clearStatistics();
        state.mailbox.deliveryStopped = false;
    }
    state.delayedLightCommands.clear();
    state.fastPollFlag = false;
    state.staticEraseSignal = false;
    state.parkingPlanInForce = false;
    state.ports.shell.postRepaint(2);

    state.parkingRegenerationRequested = false;
    state.live.clear();
    clearParkStands(state);
    state.ports.feeds.resetQnh();
    state.loadedAirportFileName.clear();
    state.learnedDataChanged = false;
    state.currentSlot = 0;
    state.failedSpawnSet.clear();
    {
        // History posted during the reset belongs to the run that ended.
        const std::lock_guard lock(state.mailbox.mutex);
        state.mailbox.historyBatches.clear();
    }
    setLoopOwnsTables(state, false);
}

void gf_requestParkingUpdate(TrafficState& state) {
    const std::lock_guard lock(state.parkingRequests.mutex);
    ++state.parkingRequests.parkingUpdateRequests;
}

std::ptrdiff_t gf_findLiveIndex(const TrafficState& state, std::uint32_t hexId) noexcept {
    for (std::size_t i = 0; i < state.live.size(); ++i) {
        if (state.live[i].info.hexId == hexId) {
            return static_cast<std::ptrdiff_t>(i);
        }
    }
    return -1;
}

LiveAircraft* gf_findLive(TrafficState& state, std::uint32_t hexId) noexcept {
    const std::ptrdiff_t index = gf_findLiveIndex(state, hexId);
    return index < 0 ? nullptr : &state.live[static_cast<std::size_t>(index)];
}

} // namespace kiv
