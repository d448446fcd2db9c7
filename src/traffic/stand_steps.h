// The stand steps of the traffic manager: the removal policies (jetway removals, ghosts,
// twins, collisions, class switches, remove-all, the jump quarantine), the stand choice and
// arrival parking of live aircraft, the departure from a stand and the stand conflicts with
// static parked aircraft. Simulator-loop thread only.
//
// Steps that may erase records take hex ids or stand ids where the caller would otherwise
// hold a reference into a table across the call; a live aircraft passed by reference stays
// valid across every step here (only static records and, in the named steps, live records
// are erased).
#pragma once

#include <cstdint>
#include <optional>
#include <queue>
#include <string>
#include <string_view>
#include <vector>

#include "feeds/traffic_record.h"
#include "foundation/lalo.h"
#include "models/livery_key.h"
#include "simlink/link_commands.h"

namespace kiv {

class TrafficState;
struct AircraftInfo;
struct LiveAircraft;
struct StaticAircraft;
struct Stand;
struct StandChoice;

// A removal that waits for a jetway to retract. Times are steady-clock nanoseconds.
struct JetwayRemoval {
    std::int64_t requestNs = 0;
    std::int64_t dueNs = 0;
    std::uint32_t objectId = 0;
    std::uint32_t hexId = 0;
    std::uint64_t token = 0;
    std::uint8_t live = 0;
};

class StandSteps {
public:
    // Removal policies.
    bool lf_jumpQuarantineReleases(TrafficState& state, const TrafficRecord& record);
    void enterJumpQuarantine(TrafficState& state, const TrafficRecord& record);
    void lf_cleanupLiveAircraft(TrafficState& state, const LiveAircraft& aircraft);
    void lf_cleanupCancelledStatic(TrafficState& state, std::uint32_t hexId, std::uint32_t objectId);
    void lf_releaseDeferredParkedAdds(TrafficState& state);
    void lf_processPendingAircraftRemovals(TrafficState& state);
    void gf_checkForAllGndIfParkedVersionExistsAndRemove(TrafficState& state);
    std::optional<StandChoice> lf_checkForStaticWithCallsignOrHexidAndRemove(TrafficState& state,
                                                                             std::uint32_t hexId, bool onGround);
    void gf_removeAllStatic(TrafficState& state);
    void gf_checkLiveWithParkedCollisions(TrafficState& state);
    void gf_removeLiveAircraftCategory(TrafficState& state, SizeClass sizeClass);
    void gf_removeStaticAircraftCategory(TrafficState& state, SizeClass sizeClass);
    void gf_clearUserDestGate(TrafficState& state, const std::string& standIdText);
    void lf_removeGhostWithUnderscoreIfPresent(TrafficState& state, const std::string& callsign);
    bool lf_liveWithoutUnderscoreExists(const TrafficState& state, const std::string& callsign) const;
    void lf_removeAllStaticAndLiveAtAirport(TrafficState& state);
    std::uint64_t gf_countLiveParked(TrafficState& state, bool post);

    // Arrival parking and stand availability.
    void lf_recheckWaitingLiveCreations(TrafficState& state);
    bool lf_standHoldsStatic(TrafficState& state, const CreateCommand& request);
    void try2Park(TrafficState& state, LiveAircraft& aircraft);
    bool lf_claimStandForLive(TrafficState& state, LiveAircraft& aircraft, std::uint32_t standId, bool forced);
    std::uint32_t gf_standUseByOtherLive(const TrafficState& state, std::uint32_t standId,
                                         std::uint32_t ownHexId) const;
    bool lf_standFreeForLive(const TrafficState& state, std::int32_t standId, std::uint32_t hexId) const;
    bool gf_standClaimedByLive(const TrafficState& state, std::int32_t standId, std::uint32_t hexId) const;
    // `other` holds the excluded stand and stands within both clearance radii of `stand`.
    bool lf_liveParkedConflict(const TrafficState& state, const LiveAircraft& other, std::int32_t excludedStandId,
                               const LiveAircraft& aircraft, const Stand& stand) const;
    const Stand* gf_findNearestStand(const TrafficState& state, double latitude, double longitude,
                                     const AircraftInfo& aircraft, double& distanceMetres, bool allowLearned) const;
    bool lf_checkStandIsNotUsedByOtherLiveAircraftSub(TrafficState& state, std::uint32_t standId,
                                                      LiveAircraft& aircraft);
    void lf_eraseLiveAircraft(TrafficState& state, std::uint32_t hexId);
    std::uint64_t lf_countParkedAircraft(const TrafficState& state) const;

    // Stand choice: the per-second check that parks a slow arrival where its stream ends.
    void lf_checkFreeStandEndpoint(TrafficState& state, LiveAircraft& aircraft);

    // Departure from a stand.
    bool checkAtStandSituations(TrafficState& state, LiveAircraft& aircraft, StreamSample& sample);
    bool lf_checkPushedBack(TrafficState& state, LiveAircraft& aircraft, StreamSample& sample);
    void lf_beginStandDeparture(TrafficState& state, LiveAircraft& aircraft, StreamSample& sample,
                                std::uint32_t mode);

    // Stand conflicts with static parked aircraft.
    std::optional<std::uint32_t> lf_makeWayForLive(TrafficState& state, const LiveAircraft& aircraft,
                                                   std::uint32_t standId, bool allowPromotion);
    void collisionWithParked(TrafficState& state, LiveAircraft& aircraft);
    void lf_finishJetwayWaitRemoval(TrafficState& state, LiveAircraft& aircraft);

    void clearStepState(TrafficState& state);

    // The jetway removal queue has no producer of its own yet: whoever removes an aircraft
    // after a jetway wait queues the request here, with the record's removal token.
    void queueJetwayRemoval(const JetwayRemoval& removal);
    std::size_t pendingJetwayRemovals() const noexcept { return jetwayRemovals_.size(); }

private:
    struct LaterDue {
        bool operator()(const JetwayRemoval& a, const JetwayRemoval& b) const noexcept { return a.dueNs > b.dueNs; }
    };

    // Removals that leave records marked creationCancelled erase them here (keeping the order),
    // each after its clean-up; the follow-up runs when the count changed.
    void purgeCancelledStatics(TrafficState& state);
    void removeStaticsOfClassOrAll(TrafficState& state, std::optional<SizeClass> sizeClass);
    bool checkStandOrExcludedIsOccupiedByLiveParked(TrafficState& state, std::uint32_t standId,
                                                    LiveAircraft& aircraft);
    bool checkExcludedStandIsAvailable(TrafficState& state, std::uint32_t excludedId, LiveAircraft& aircraft,
                                       std::uint32_t standId);
    void clearExcludedStand(TrafficState& state, const LiveAircraft& aircraft, std::uint32_t excludedId,
                            std::uint32_t chosenId);
    void noteStandAlongPath(TrafficState& state, LiveAircraft& aircraft, std::string_view reason);
    void addRejectedStand(LiveAircraft& aircraft, const Stand& stand, std::string_view reason,
                          double distanceMetres);
    bool tryStreamEnd(TrafficState& state, LiveAircraft& aircraft, bool approachConfirmation, const Lalo& previous);
    void logFreeStandCandidates(TrafficState& state, LiveAircraft& aircraft);

    std::priority_queue<JetwayRemoval, std::vector<JetwayRemoval>, LaterDue> jetwayRemovals_;
    std::uint32_t collisionCalls_ = 0;
    std::uint32_t collisionGeneration_ = 0;
    double quarantineClock_ = 0.0; // newest record time the quarantine has seen
};

} // namespace kiv
