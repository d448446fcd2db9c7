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

    // Stand steps that the live update, the spawn, the simulator events and the parking call.
    // The departure watch of a parked aircraft and the end of a pushback judge a new sample
    // (true: it joins the stream); a departure starts with mode 0 (push back) or 1 (pull out).
    virtual bool checkAtStandSituations(TrafficState& state, LiveAircraft& aircraft, StreamSample& sample) = 0;
    virtual bool lf_checkPushedBack(TrafficState& state, LiveAircraft& aircraft, StreamSample& sample) = 0;
    virtual void lf_beginStandDeparture(TrafficState& state, LiveAircraft& aircraft, StreamSample& sample,
                                        std::uint32_t mode) = 0;
    // Ends a jetway wait that is due (first thing of every live update).
    virtual void lf_finishJetwayWaitRemoval(TrafficState& state, LiveAircraft& aircraft) = 0;
    // Ghosts: a live aircraft whose callsign is another's followed by '_'.
    virtual void lf_removeGhostWithUnderscoreIfPresent(TrafficState& state, const std::string& callsign) = 0;
    virtual bool lf_liveWithoutUnderscoreExists(const TrafficState& state, const std::string& callsign) const = 0;
    // Static aircraft on the stand and on stands it excludes make way for the live aircraft;
    // the result is the hex id of a static twin whose object the live aircraft may take over.
    // May erase static records.
    virtual std::optional<std::uint32_t> lf_makeWayForLive(TrafficState& state, const LiveAircraft& aircraft,
                                                           std::uint32_t standId, bool allowPromotion) = 0;
    // Cleans up and erases the live aircraft (the last record takes its place).
    virtual void lf_eraseLiveAircraft(TrafficState& state, std::uint32_t hexId) = 0;
    // Static and live parked aircraft that count against the parking limit.
    virtual std::uint64_t lf_countParkedAircraft(const TrafficState& state) const = 0;
    // Live aircraft parked at a stand; with post, their mean parked time goes to the window.
    virtual std::uint64_t gf_countLiveParked(TrafficState& state, bool post) = 0;
    virtual void lf_removeAllStaticAndLiveAtAirport(TrafficState& state) = 0;
    // Stand availability for an aircraft created on a stand or handed its object: whether the
    // live aircraft holds the stand; whether it is a valid stand no other live aircraft uses;
    // whether `other` holds the excluded stand close enough to the stand to collide; and the
    // settling of another live aircraft's claim (true when the stand is free then).
    virtual bool gf_standClaimedByLive(const TrafficState& state, std::uint32_t standId,
                                       std::uint32_t hexId) const = 0;
    virtual bool lf_standFreeForLive(const TrafficState& state, std::uint32_t standId, std::uint32_t hexId) const = 0;
    virtual bool lf_liveParkedConflict(const TrafficState& state, const LiveAircraft& other,
                                       std::uint32_t excludedStandId, const LiveAircraft& aircraft,
                                       std::uint32_t standId) const = 0;
    virtual bool lf_checkStandIsNotUsedByOtherLiveAircraftSub(TrafficState& state, std::uint32_t standId,
                                                              LiveAircraft& aircraft) = 0;

    // Simulator events, wanted by the stand steps: drops the delayed simulator commands of the
    // hex id, and those without a hex id of the object id (not 0).
    virtual void lf_dropSimCommands(TrafficState& state, std::uint32_t hexId, std::uint32_t objectId) = 0;

    // Live update and spawn: the nearest usable park stand to the position for the aircraft
    // (null: none; the distance is then 99999 m). The pointer is into state.parkStands.
    virtual const Stand* gf_findNearestStand(const TrafficState& state, double latitude, double longitude,
                                             const AircraftInfo& aircraft, double& distanceMetres,
                                             bool allowLearned) const = 0;
};

} // namespace kiv
