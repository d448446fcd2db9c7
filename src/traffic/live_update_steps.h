// The live-aircraft steps of the traffic manager: the drain of the simulator's events with
// the delayed commands that wait for an object's readbacks, the per-tick update and the
// sample intake of a live aircraft, the spawn gate with the promotion of a static aircraft,
// and the respawn on a changed route or livery. Simulator-loop thread only; the commands and
// counters kept here are this thread's too.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "airports/stand.h"
#include "feeds/traffic_record.h"
#include "simlink/link_commands.h"
#include "traffic/live_motion_state.h"

namespace kiv {

class TrafficState;
struct AircraftRecord;
struct LiveAircraft;
struct StaticAircraft;

// The kind of the delayed command that completes a promotion; it completes like a live one.
inline constexpr std::uint32_t kPromotionCommandKind = 200;

class LiveUpdateSteps {
public:
    // Per tick, for every live aircraft: true when the aircraft is removed or its creation
    // cancelled (the erase pass is to run).
    bool updateLiveAc(TrafficState& state, LiveAircraft& aircraft);
    // A new sample of an aircraft already in the live table.
    void decodeExisting(TrafficState& state, LiveAircraft& aircraft, const StreamSample& sample);
    // False when the aircraft respawns (the record is not to be decoded for it).
    bool lf_checkRespawn(TrafficState& state, LiveAircraft& aircraft, const TrafficRecord& record);
    // Applies the simulator's events posted since the last tick and runs the delayed commands.
    void lf_drainSimEvents(TrafficState& state);
    // The stream ran dry: the aircraft leaves the simulator.
    void noMoreNextPos(TrafficState& state, LiveAircraft& aircraft);
    // Forgets the delayed commands and the counters (start and reset).
    void clearStepState(TrafficState& state);
    // Drops the delayed commands of the hex id, and those without a hex id of the object id (not 0).
    void lf_dropSimCommands(TrafficState& state, std::uint32_t hexId, std::uint32_t objectId);

    // Simulator events.
    // An object id for a live aircraft; true when a delayed command is to follow.
    bool lf_placeAssignedLive(TrafficState& state, LiveAircraft& aircraft, const SimEvent& event, bool quiet);
    // One wait step of a delayed command; true when it is finished.
    bool lf_dispatchSimCommand(TrafficState& state, SimEvent& command);
    bool lf_completeLiveCommand(TrafficState& state, SimEvent& command);
    bool lf_completeStaticCommand(TrafficState& state, SimEvent& command);
    // The first commands to a new live object; SimState active.
    void lf_activateLive(TrafficState& state, LiveAircraft& aircraft);

    // Live update helpers.
    bool checkExtendingSituations(TrafficState& state, LiveAircraft& aircraft, StreamSample& sample);
    bool checkNewPosDuringLanding(TrafficState& state, LiveAircraft& aircraft, StreamSample& sample);
    bool checkNewPosDuringTakeoff(TrafficState& state, LiveAircraft& aircraft, StreamSample& sample);
    bool lf_acceptNewSample(TrafficState& state, LiveAircraft& aircraft, StreamSample& sample);
    bool lf_takeoffSampleReachable(TrafficState& state, const LiveAircraft& aircraft, const StreamSample& sample,
                                   double limitM);
    void lf_queueFlightPlan(TrafficState& state, LiveAircraft& aircraft);
    void lf_settleCreatedOnGround(TrafficState& state, LiveAircraft& aircraft, bool quiet);
    bool lf_chooseLiveryForLive(TrafficState& state, LiveAircraft& aircraft, double altitudeFt);

    // Spawn, promotion and respawn.
    void lf_checkSpawnLiveAc(TrafficState& state, LiveAircraft& aircraft);
    void spawnLiveAc(TrafficState& state, LiveAircraft& aircraft);
    std::optional<Stand> lf_findStandAtBirth(TrafficState& state, LiveAircraft& aircraft);
    bool lf_spawnBlockedByUser(TrafficState& state, LiveAircraft& aircraft);
    void lf_completeLiveryKey(TrafficState& state, LiveAircraft& aircraft);
    void lf_initPoseFromStream(TrafficState& state, LiveAircraft& aircraft);
    bool lf_promoteStaticToLive(TrafficState& state, LiveAircraft& aircraft);
    bool lf_routeUnchanged(TrafficState& state, LiveAircraft& aircraft, const TrafficRecord& record);
    void lf_mergeBufferedRecord(LiveAircraft& aircraft, const TrafficRecord& record);

    // Handlers of the simulator events.
    void lf_reportTouchDown(TrafficState& state, LiveAircraft& aircraft);
    void lf_applyGroundReadback(TrafficState& state, LiveAircraft& aircraft, const SimEvent& event);
    void lf_applyPoseReadback(TrafficState& state, LiveAircraft& aircraft);
    void lf_applyParkedGroundAltitude(LiveAircraft& aircraft);

    const std::vector<SimEvent>& simCommands() const noexcept { return commands_; }
    std::uint32_t promotionCount() const noexcept { return promotions_; }

private:
    void applyEvent(TrafficState& state, const SimEvent& event);
    void eraseStaticAt(TrafficState& state, std::size_t index);
    void eraseLiveAt(TrafficState& state, std::size_t index);
    void logWaitingCreations(TrafficState& state);

    std::vector<SimEvent> events_;   // the drained events; keeps its capacity
    std::vector<SimEvent> commands_; // delayed commands waiting for their objects
    std::uint32_t promotions_ = 0;
    std::int32_t waitingLogTick_ = 0;
};

// Sets the situation: the old one goes to the history, the tick is stored, and leaving a
// landing clears the landing data.
void gf_setSituation(TrafficState& state, LiveAircraft& aircraft, FlightSituation situation);
// The hold reset of the sample intake.
void gf_resetHold(LiveAircraft& aircraft);

} // namespace kiv
