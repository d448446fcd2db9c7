// The traffic manager's own later steps (live-aircraft update, simulator events, removal
// policies, stand choice, spawning, learned stand use, parking) that the tick, the intake and
// the queues call. One implementation per program; tests pass recording fakes. Every call
// runs on the simulator-loop thread. A step may erase records: callers hold hex ids, never
// references, across a call.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "feeds/traffic_record.h"
#include "models/livery_key.h"
#include "simlink/link_commands.h"

namespace kiv {

class TrafficState;
struct AircraftInfo;
struct LiveAircraft;
struct Stand;
struct StandChoice;

class TrafficSteps {
public:
    virtual ~TrafficSteps() = default;

    // Live-aircraft update of one record; these three never add or erase live records
    // (removals only mark them). updateLiveAc is true when the erase pass is to run.
    virtual bool updateLiveAc(TrafficState& state, LiveAircraft& aircraft) = 0;
    virtual void decodeExisting(TrafficState& state, LiveAircraft& aircraft, const StreamSample& sample) = 0;
    virtual bool lf_checkRespawn(TrafficState& state, LiveAircraft& aircraft, const TrafficRecord& record) = 0;

    // Simulator events.
    virtual void lf_drainSimEvents(TrafficState& state) = 0;

    // Removal policies.
    virtual bool lf_jumpQuarantineReleases(TrafficState& state, const TrafficRecord& record) = 0;
    virtual void enterJumpQuarantine(TrafficState& state, const TrafficRecord& record) = 0;
    virtual void lf_cleanupLiveAircraft(TrafficState& state, const LiveAircraft& aircraft) = 0;
    virtual void lf_cleanupCancelledStatic(TrafficState& state, std::uint32_t hexId, std::uint32_t objectId) = 0;
    virtual void lf_releaseDeferredParkedAdds(TrafficState& state) = 0;
    virtual void lf_processPendingAircraftRemovals(TrafficState& state) = 0;
    virtual void gf_checkForAllGndIfParkedVersionExistsAndRemove(TrafficState& state) = 0;
    virtual std::optional<StandChoice>
    lf_checkForStaticWithCallsignOrHexidAndRemove(TrafficState& state, std::uint32_t hexId, bool onGround) = 0;
    virtual void gf_removeAllStatic(TrafficState& state) = 0;
    virtual void gf_checkLiveWithParkedCollisions(TrafficState& state) = 0;
    virtual void gf_removeLiveAircraftCategory(TrafficState& state, SizeClass sizeClass) = 0;
    virtual void gf_removeStaticAircraftCategory(TrafficState& state, SizeClass sizeClass) = 0;
    virtual void gf_clearUserDestGate(TrafficState& state, const std::string& standIdText) = 0;

    // Arrival parking and stands.
    virtual void lf_recheckWaitingLiveCreations(TrafficState& state) = 0;
    virtual bool lf_standHoldsStatic(TrafficState& state, const CreateCommand& request) = 0;
    // Steps that aircraft motion hands over to. try2Park looks for a stand at the stream's
    // last sample and starts the drive into it; noMoreNextPos removes an aircraft whose
    // stream cannot go on; gf_standUseByOtherLive answers 0 free, 1 claimed by another live
    // aircraft, 2 another live aircraft is parked there; gf_addRealStandOption learns the use
    // of a stand at an arrival.
    virtual void try2Park(TrafficState& state, LiveAircraft& aircraft) = 0;
    virtual void noMoreNextPos(TrafficState& state, LiveAircraft& aircraft) = 0;
    virtual std::uint32_t gf_standUseByOtherLive(const TrafficState& state, std::uint32_t standId,
                                                 std::uint32_t ownHexId) const = 0;
    virtual void gf_addRealStandOption(TrafficState& state, std::uint32_t standId, const LiveAircraft& aircraft,
                                       std::uint8_t flag) = 0;

    // Learned stand use.
    virtual void lf_matchSlotWindow(TrafficState& state, std::uint32_t hexId) = 0;

    // Parking: plans, adjustments and static placement.
    virtual void gf_regenerateParking(TrafficState& state) = 0;
    virtual void lf_parkAirportSweep(TrafficState& state) = 0;
    virtual void lf_applyParkingAdjustments(TrafficState& state, bool replaceAll) = 0;
    virtual void gf_computeMaxPark(TrafficState& state) = 0;
    virtual void gf_limitParkedAircraft(TrafficState& state, std::uint32_t extra) = 0;
    virtual std::uint64_t pendingParkedAdditions(const TrafficState& state) const = 0;
    virtual void lf_placeStaticAircraft(TrafficState& state) = 0;
    virtual void lf_checkUserAirCollisions(TrafficState& state) = 0;
    virtual void gf_checkUserAcGndCollisions(TrafficState& state) = 0;
    // Forgets the working state these steps keep beside the tables (start and reset).
    virtual void clearStepState(TrafficState& state) = 0;

    // Stand questions that the simulator events and the spawn ask of the stand steps.
    // A live aircraft with this hex id holds this stand (pushing back, pushed back, parking or parked).
    virtual bool gf_standClaimedByLive(const TrafficState& state, std::int32_t standId,
                                       std::uint32_t hexId) const = 0;
    // The stand id is valid, the hex id not 0, and no other live aircraft uses the stand.
    virtual bool lf_standFreeForLive(const TrafficState& state, std::int32_t standId, std::uint32_t hexId) const = 0;
    // Resolves another live aircraft's claim on the stand; true when the stand is then free.
    virtual bool lf_checkStandIsNotUsedByOtherLiveAircraftSub(TrafficState& state, std::uint32_t standId,
                                                              LiveAircraft& aircraft) = 0;
    // `other` holds the stand `standId` (one that `stand` excludes) and stands closer to the
    // stand than the two aircraft's clearance radii together.
    virtual bool lf_liveParkedConflict(const TrafficState& state, const LiveAircraft& other, std::int32_t standId,
                                       const LiveAircraft& aircraft, const Stand& stand) const = 0;
    // The nearest usable park stand to the position for the aircraft (null: none; the
    // distance is then 99999 m). The pointer is into state.parkStands.
    virtual const Stand* gf_findNearestStand(const TrafficState& state, double latitude, double longitude,
                                             const AircraftInfo& aircraft, double& distanceMetres,
                                             bool allowLearned) const = 0;
};

} // namespace kiv
