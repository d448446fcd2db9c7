// The command queues between the traffic side and the SimClient thread, under one command
// mutex. Any thread appends (holding the mutex only for the append); the SimClient thread
// moves every queue out once per frame and hands the emptied arrays back, so that their
// capacity is reused and a steady stream of commands allocates nothing.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "simlink/link_commands.h"

namespace kiv {

// All queues at once; the pump's local copy and the shared queues have this shape.
struct CommandBatch {
    std::vector<std::uint32_t> promoted;
    std::vector<DataRequestCommand> dataRequests;
    std::vector<ClientEventCommand> clientEvents;
    std::vector<FlightPlanCommand> flightPlans;
    std::vector<AtcIdCommand> atcIds;
    std::vector<CreateCommand> creates;
    std::vector<std::uint32_t> removals;
    std::vector<ReverseThrustCommand> reverseThrust;

    void clear();
    bool empty() const;
};

class CommandQueues {
public:
    // Empties every queue and reserves the working capacities.
    void prepare();
    void clear();

    void gf_engineAutoStart(std::uint32_t objectId);
    void gf_engineAutoShutdown(std::uint32_t objectId);
    void gf_setBeaconLights(std::uint32_t objectId, std::uint32_t value);
    void gf_setNavLights(std::uint32_t objectId, std::uint32_t value);
    void gf_setCabinLights(std::uint32_t objectId, std::uint32_t value);
    // Seven events under one lock: nav, beacon, landing, taxi, strobes, logo, cabin.
    void gf_setAllLights(std::uint32_t objectId, const LightSet& lights);
    void gf_setReverseThrust(std::uint32_t objectId, std::uint8_t active, std::uint8_t reverse);
    void gf_requestStaticCgAndPitch(std::uint32_t objectId);
    void gf_requestInitialPose(std::uint32_t objectId);
    void gf_queueCreate(const CreateCommand& command);
    void queueRemoval(std::uint32_t objectId);
    void queueClientEvent(const ClientEventCommand& command);
    void queueDataRequest(const DataRequestCommand& command);
    void queueFlightPlan(const FlightPlanCommand& command);
    void queueAtcId(const AtcIdCommand& command);
    void queuePromotedObject(std::uint32_t objectId);

    // SimClient thread: swaps every queue with `batch` (which must be empty).
    void takeAll(CommandBatch& batch);
    // SimClient thread: clears `batch` and swaps it back where the shared queues are still
    // empty, so that the next frame's commands land in arrays that already have room.
    void giveBack(CommandBatch& batch);

private:
    std::mutex mutex_;
    CommandBatch queues_;
};

} // namespace kiv
