#include "simlink/command_queues.h"

namespace kiv {
namespace {

// Hands the emptied local array back unless commands arrived meanwhile; then the local one
// keeps its (larger) capacity for the next frame and the new commands stay where they are.
template <typename T> void swapBackIfEmpty(std::vector<T>& shared, std::vector<T>& local) {
    local.clear();
    if (shared.empty() && shared.capacity() < local.capacity()) {
        shared.swap(local);
    }
}

} // namespace

void CommandBatch::clear() {
    promoted.clear();
    dataRequests.clear();
    clientEvents.clear();
    flightPlans.clear();
    atcIds.clear();
    creates.clear();
    removals.clear();
    reverseThrust.clear();
}

bool CommandBatch::empty() const {
    return promoted.empty() && dataRequests.empty() && clientEvents.empty() && flightPlans.empty() && atcIds.empty() &&
           creates.empty() && removals.empty() && reverseThrust.empty();
}

void CommandQueues::prepare() {
    std::lock_guard lock(mutex_);
    queues_.clear();
    queues_.clientEvents.reserve(512);
    queues_.creates.reserve(256);
    queues_.removals.reserve(256);
    queues_.dataRequests.reserve(64);
    queues_.reverseThrust.reserve(128);
    queues_.flightPlans.reserve(64);
    queues_.atcIds.reserve(64);
    queues_.promoted.reserve(64);
}

void CommandQueues::clear() {
    std::lock_guard lock(mutex_);
    queues_.clear();
}

void CommandQueues::gf_engineAutoStart(std::uint32_t objectId) {
    queueClientEvent({objectId, kEventEngineAutoStart, 0});
}

void CommandQueues::gf_engineAutoShutdown(std::uint32_t objectId) {
    queueClientEvent({objectId, kEventEngineAutoShutdown, 0});
}

void CommandQueues::gf_setBeaconLights(std::uint32_t objectId, std::uint32_t value) {
    queueClientEvent({objectId, kEventBeaconLightsSet, value});
}

void CommandQueues::gf_setNavLights(std::uint32_t objectId, std::uint32_t value) {
    queueClientEvent({objectId, kEventNavLightsSet, value});
}

void CommandQueues::gf_setCabinLights(std::uint32_t objectId, std::uint32_t value) {
    queueClientEvent({objectId, kEventCabinLightsSet, value});
}

void CommandQueues::gf_setAllLights(std::uint32_t objectId, const LightSet& lights) {
    static constexpr std::uint32_t kOrder[7] = {kEventNavLightsSet,  kEventBeaconLightsSet, kEventLandingLightsSet,
                                                kEventTaxiLightsSet, kEventStrobesSet,      kEventLogoLightsSet,
                                                kEventCabinLightsSet};
    std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < lights.size(); ++i) {
        queues_.clientEvents.push_back({objectId, kOrder[i], lights[i]});
    }
}

void CommandQueues::gf_setReverseThrust(std::uint32_t objectId, std::uint8_t active, std::uint8_t reverse) {
    std::lock_guard lock(mutex_);
    queues_.reverseThrust.push_back({objectId, active, reverse});
}

void CommandQueues::gf_requestStaticCgAndPitch(std::uint32_t objectId) {
    queueDataRequest({kDataRequestStaticCgAndPitch, objectId});
}

void CommandQueues::gf_requestInitialPose(std::uint32_t objectId) {
    queueDataRequest({kDataRequestInitialPose, objectId});
}

void CommandQueues::gf_queueCreate(const CreateCommand& command) {
    std::lock_guard lock(mutex_);
    queues_.creates.push_back(command);
}

void CommandQueues::queueRemoval(std::uint32_t objectId) {
    std::lock_guard lock(mutex_);
    queues_.removals.push_back(objectId);
}

void CommandQueues::queueClientEvent(const ClientEventCommand& command) {
    std::lock_guard lock(mutex_);
    queues_.clientEvents.push_back(command);
}

void CommandQueues::queueDataRequest(const DataRequestCommand& command) {
    std::lock_guard lock(mutex_);
    queues_.dataRequests.push_back(command);
}

void CommandQueues::queueFlightPlan(const FlightPlanCommand& command) {
    std::lock_guard lock(mutex_);
    queues_.flightPlans.push_back(command);
}

void CommandQueues::queueAtcId(const AtcIdCommand& command) {
    std::lock_guard lock(mutex_);
    queues_.atcIds.push_back(command);
}

void CommandQueues::queuePromotedObject(std::uint32_t objectId) {
    std::lock_guard lock(mutex_);
    queues_.promoted.push_back(objectId);
}

void CommandQueues::takeAll(CommandBatch& batch) {
    std::lock_guard lock(mutex_);
    queues_.promoted.swap(batch.promoted);
    queues_.dataRequests.swap(batch.dataRequests);
    queues_.clientEvents.swap(batch.clientEvents);
    queues_.flightPlans.swap(batch.flightPlans);
    queues_.atcIds.swap(batch.atcIds);
    queues_.creates.swap(batch.creates);
    queues_.removals.swap(batch.removals);
    queues_.reverseThrust.swap(batch.reverseThrust);
}

void CommandQueues::giveBack(CommandBatch& batch) {
    std::lock_guard lock(mutex_);
    swapBackIfEmpty(queues_.promoted, batch.promoted);
    swapBackIfEmpty(queues_.dataRequests, batch.dataRequests);
    swapBackIfEmpty(queues_.clientEvents, batch.clientEvents);
    swapBackIfEmpty(queues_.flightPlans, batch.flightPlans);
    swapBackIfEmpty(queues_.atcIds, batch.atcIds);
    swapBackIfEmpty(queues_.creates, batch.creates);
    swapBackIfEmpty(queues_.removals, batch.removals);
    swapBackIfEmpty(queues_.reverseThrust, batch.reverseThrust);
}

} // namespace kiv
