#include "simlink/sim_link.h"

#include <limits>

#include "simlink/flight_plan_files.h"

namespace kiv {
namespace {

// The simulator's time and its valid flag travel as one atomic value.
constexpr std::int64_t kNoSimulatorTime = std::numeric_limits<std::int64_t>::min();
constexpr std::size_t kEventCapacity = 256;

} // namespace

SimLink::SimLink() : simulatorUtcSeconds_(kNoSimulatorTime) { events_.reserve(kEventCapacity); }

void SimLink::gf_prepareSimClient(std::uint32_t majorVersion) {
    majorVersion_.store(majorVersion);
    poses_.prepare();
    commands_.prepare();
    state_.store(kSimulatorNone);
}

void SimLink::gf_resetSimClientState(std::uint32_t majorVersion) {
    gf_prepareSimClient(majorVersion);
    {
        std::lock_guard lock(eventMutex_);
        events_.clear();
    }
    {
        std::lock_guard lock(userMutex_);
        user_ = UserAircraftState{};
        identity_ = UserAircraftIdentity{};
    }
    userReplies_.store(0);
    userOnGround_.store(kUserOnGroundUnknown);
    simulatorUtcSeconds_.store(kNoSimulatorTime);
}

void SimLink::gf_postSimEvent(const SimEvent& event) {
    std::lock_guard lock(eventMutex_);
    events_.push_back(event);
}

void SimLink::drainSimEvents(std::vector<SimEvent>& events) {
    events.clear();
    std::lock_guard lock(eventMutex_);
    events_.swap(events);
}

void SimLink::storeUserAircraft(const UserAircraftState& state) {
    std::lock_guard lock(userMutex_);
    const bool onGround = user_.onGround;
    user_ = state;
    user_.onGround = onGround;
}

void SimLink::storeUserOnGround(bool onGround) {
    {
        std::lock_guard lock(userMutex_);
        user_.onGround = onGround;
    }
    userOnGround_.store(onGround ? 1 : 0);
}

void SimLink::storeUserIdentity(const UserAircraftIdentity& identity) {
    std::lock_guard lock(userMutex_);
    identity_ = identity;
}

UserAircraftState SimLink::gf_getUserAircraft() const {
    std::lock_guard lock(userMutex_);
    return user_;
}

UserAircraftIdentity SimLink::userAircraftIdentity() const {
    std::lock_guard lock(userMutex_);
    return identity_;
}

void SimLink::setSimulatorUtcSeconds(std::optional<std::int64_t> seconds) {
    simulatorUtcSeconds_.store(seconds.value_or(kNoSimulatorTime));
}

std::optional<std::int64_t> SimLink::simulatorUtcSeconds() const {
    const std::int64_t seconds = simulatorUtcSeconds_.load();
    return seconds == kNoSimulatorTime ? std::nullopt : std::optional<std::int64_t>(seconds);
}

void SimLink::gf_setNavLights(std::uint32_t objectId, bool on) { commands_.gf_setNavLights(objectId, on ? 1 : 0); }
void SimLink::gf_engineAutoShutdown(std::uint32_t objectId) { commands_.gf_engineAutoShutdown(objectId); }
void SimLink::gf_setAllLights(std::uint32_t objectId, const LightSet& lights) {
    commands_.gf_setAllLights(objectId, lights);
}

void SimLink::gf_queueRemoveObject(std::uint32_t objectId) {
    poses_.dropObject(objectId);
    commands_.queueRemoval(objectId);
}

void SimLink::gf_queueCreate(const CreateCommand& command) { commands_.gf_queueCreate(command); }
void SimLink::queueClientEvent(const ClientEventCommand& command) { commands_.queueClientEvent(command); }
void SimLink::queueDataRequest(const DataRequestCommand& command) { commands_.queueDataRequest(command); }
void SimLink::withPublishedPoses(const std::function<void(PublishedPoseMap&)>& change) { poses_.withPublished(change); }
void SimLink::dropAllPoseStreams() { poses_.dropAll(); }
void SimLink::gf_engineAutoStart(std::uint32_t objectId) { commands_.gf_engineAutoStart(objectId); }
void SimLink::gf_setBeaconLights(std::uint32_t objectId, std::uint32_t value) {
    commands_.gf_setBeaconLights(objectId, value);
}
void SimLink::gf_setCabinLights(std::uint32_t objectId, std::uint32_t value) {
    commands_.gf_setCabinLights(objectId, value);
}
void SimLink::gf_setReverseThrust(std::uint32_t objectId, std::uint8_t active, std::uint8_t reverse) {
    commands_.gf_setReverseThrust(objectId, active, reverse);
}
void SimLink::gf_requestStaticCgAndPitch(std::uint32_t objectId) { commands_.gf_requestStaticCgAndPitch(objectId); }
void SimLink::gf_requestInitialPose(std::uint32_t objectId) { commands_.gf_requestInitialPose(objectId); }
void SimLink::queueFlightPlan(const FlightPlanCommand& command) { commands_.queueFlightPlan(command); }
void SimLink::queueAtcId(const AtcIdCommand& command) { commands_.queueAtcId(command); }
void SimLink::queuePromotedObject(std::uint32_t objectId) { commands_.queuePromotedObject(objectId); }

std::optional<std::filesystem::path> SimLink::gf_flightPlanFolder() const { return kiv::gf_flightPlanFolder(); }
bool SimLink::gf_ensureFlightPlanFolder(const std::filesystem::path& folder) {
    return kiv::gf_ensureFlightPlanFolder(folder);
}
std::string SimLink::gf_flightPlanFileName(std::uint32_t objectId) const {
    return kiv::gf_flightPlanFileName(objectId);
}
bool SimLink::gf_writeFlightPlan(const std::filesystem::path& path, const Route& route, SizeClass sizeClass) {
    return kiv::gf_writeFlightPlan(path, route, sizeClass);
}
void SimLink::gf_removeFlightPlan(std::uint32_t objectId) { kiv::gf_removeFlightPlan(objectId); }

} // namespace kiv
