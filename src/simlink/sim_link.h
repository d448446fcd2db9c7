// The simulator link's shared state, one object for the program: the command queues, the
// pose exchange, the simulator events for the traffic side, the user aircraft's snapshot and
// the atomics other threads read (simulator state, user replies, simulator time). It is the
// traffic side's SimLinkPort. Queues, poses, events and the snapshot have a mutex each; the
// SimClient thread (sim_client.h) is the only one that talks to the simulator.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "simlink/command_queues.h"
#include "simlink/link_commands.h"
#include "simlink/pose_exchange.h"
#include "traffic/neighbour_ports.h"

namespace kiv {

inline constexpr std::uint8_t kUserOnGroundUnknown = 255;
inline constexpr std::uint8_t kUserReplyTitle = 1;
inline constexpr std::uint8_t kUserReplyModel = 2;

class SimLink final : public SimLinkPort {
public:
    SimLink();

    // Before the SimClient thread starts: the simulator's major version (5 or 6), empty
    // queues with their working capacities, empty pose maps, state 0.
    void gf_prepareSimClient(std::uint32_t majorVersion);
    // Restart phase (the SimClient thread has ended): as preparation, and the user aircraft's
    // snapshot, replies and time are forgotten.
    void gf_resetSimClientState(std::uint32_t majorVersion);

    std::uint32_t majorVersion() const { return majorVersion_.load(); }
    void setSimulatorState(std::uint32_t state) { state_.store(state); }

    // SimClient thread: one event for the traffic side.
    void gf_postSimEvent(const SimEvent& event);

    // The user aircraft (written by the SimClient thread).
    void storeUserAircraft(const UserAircraftState& state); // keeps the on-ground flag
    void storeUserOnGround(bool onGround);
    void storeUserIdentity(const UserAircraftIdentity& identity);
    void addUserReply(std::uint8_t bit) { userReplies_.fetch_or(bit); }
    // Forgets the replies of those bits, before they are asked for again.
    void clearUserReplies(std::uint8_t bits) { userReplies_.fetch_and(static_cast<std::uint8_t>(~bits)); }
    std::uint8_t userReplyBits() const { return userReplies_.load(); }
    std::uint8_t userOnGroundState() const { return userOnGround_.load(); }
    void setSimulatorUtcSeconds(std::optional<std::int64_t> seconds);
    // The simulator's UTC time in seconds since 1970, while it is known.
    std::optional<std::int64_t> simulatorUtcSeconds() const;

    // The next request id of an AI creation.
    std::uint32_t nextCreateRequestId() { return createRequests_.fetch_add(1) + 1; }

    CommandQueues& commands() { return commands_; }
    PoseExchange& poses() { return poses_; }

    // SimLinkPort
    std::int32_t simulatorState() const override { return static_cast<std::int32_t>(state_.load()); }
    void gf_setNavLights(std::uint32_t objectId, bool on) override;
    void gf_engineAutoShutdown(std::uint32_t objectId) override;
    void gf_setAllLights(std::uint32_t objectId, const LightSet& lights) override;
    void gf_queueRemoveObject(std::uint32_t objectId) override;
    void gf_queueCreate(const CreateCommand& command) override;
    void queueClientEvent(const ClientEventCommand& command) override;
    void queueDataRequest(const DataRequestCommand& command) override;
    UserAircraftState gf_getUserAircraft() const override;
    void withPublishedPoses(const std::function<void(PublishedPoseMap&)>& change) override;
    void dropAllPoseStreams() override;
    void gf_engineAutoStart(std::uint32_t objectId) override;
    void gf_setBeaconLights(std::uint32_t objectId, std::uint32_t value) override;
    void gf_setCabinLights(std::uint32_t objectId, std::uint32_t value) override;
    void gf_setReverseThrust(std::uint32_t objectId, std::uint8_t active, std::uint8_t reverse) override;
    void gf_requestStaticCgAndPitch(std::uint32_t objectId) override;
    void gf_requestInitialPose(std::uint32_t objectId) override;
    void queueFlightPlan(const FlightPlanCommand& command) override;
    void queueAtcId(const AtcIdCommand& command) override;
    void queuePromotedObject(std::uint32_t objectId) override;
    void drainSimEvents(std::vector<SimEvent>& events) override;
    UserAircraftIdentity userAircraftIdentity() const override;
    std::optional<std::filesystem::path> gf_flightPlanFolder() const override;
    bool gf_ensureFlightPlanFolder(const std::filesystem::path& folder) override;
    std::string gf_flightPlanFileName(std::uint32_t objectId) const override;
    bool gf_writeFlightPlan(const std::filesystem::path& path, const Route& route, SizeClass sizeClass) override;
    void gf_removeFlightPlan(std::uint32_t objectId) override;

private:
    CommandQueues commands_;
    PoseExchange poses_;

    std::mutex eventMutex_;
    std::vector<SimEvent> events_;

    mutable std::mutex userMutex_;
    UserAircraftState user_;
    UserAircraftIdentity identity_;

    std::atomic<std::uint32_t> state_{kSimulatorNone};
    std::atomic<std::uint32_t> majorVersion_{5};
    std::atomic<std::uint32_t> createRequests_{0};
    std::atomic<std::uint8_t> userReplies_{0};
    std::atomic<std::uint8_t> userOnGround_{kUserOnGroundUnknown};
    std::atomic<std::int64_t> simulatorUtcSeconds_; // kNoSimulatorTime while unknown
};

} // namespace kiv
