// The program's one set of the traffic manager's later steps: the live-aircraft update and
// simulator events, the stand choice and removal policies, and the parking steps, each
// behind the TrafficSteps calls of its area. Simulator-loop thread only, like the steps.
#pragma once

#include "traffic/live_update_steps.h"
#include "traffic/parking_steps.h"
#include "traffic/stand_helpers.h"
#include "traffic/stand_steps.h"
#include "traffic/traffic_steps.h"

namespace kiv {

class TrafficStepSet final : public TrafficSteps {
public:
    bool updateLiveAc(TrafficState& state, LiveAircraft& aircraft) override {
        return live_.updateLiveAc(state, aircraft);
    }
    void decodeExisting(TrafficState& state, LiveAircraft& aircraft, const StreamSample& sample) override {
        live_.decodeExisting(state, aircraft, sample);
    }
    bool lf_checkRespawn(TrafficState& state, LiveAircraft& aircraft, const TrafficRecord& record) override {
        return live_.lf_checkRespawn(state, aircraft, record);
    }
    void lf_drainSimEvents(TrafficState& state) override { live_.lf_drainSimEvents(state); }

    bool lf_jumpQuarantineReleases(TrafficState& state, const TrafficRecord& record) override {
        return stands_.lf_jumpQuarantineReleases(state, record);
    }
    void enterJumpQuarantine(TrafficState& state, const TrafficRecord& record) override {
        stands_.enterJumpQuarantine(state, record);
    }
    void lf_cleanupLiveAircraft(TrafficState& state, const LiveAircraft& aircraft) override {
        stands_.lf_cleanupLiveAircraft(state, aircraft);
    }
    void lf_cleanupCancelledStatic(TrafficState& state, std::uint32_t hexId, std::uint32_t objectId) override {
        stands_.lf_cleanupCancelledStatic(state, hexId, objectId);
    }
    void lf_releaseDeferredParkedAdds(TrafficState& state) override { stands_.lf_releaseDeferredParkedAdds(state); }
    void lf_processPendingAircraftRemovals(TrafficState& state) override {
        stands_.lf_processPendingAircraftRemovals(state);
    }
    void gf_checkForAllGndIfParkedVersionExistsAndRemove(TrafficState& state) override {
        stands_.gf_checkForAllGndIfParkedVersionExistsAndRemove(state);
    }
    std::optional<StandChoice> lf_checkForStaticWithCallsignOrHexidAndRemove(TrafficState& state, std::uint32_t hexId,
                                                                             bool onGround) override {
        return stands_.lf_checkForStaticWithCallsignOrHexidAndRemove(state, hexId, onGround);
    }
    void gf_removeAllStatic(TrafficState& state) override { stands_.gf_removeAllStatic(state); }
    void gf_checkLiveWithParkedCollisions(TrafficState& state) override {
        stands_.gf_checkLiveWithParkedCollisions(state);
    }
    void gf_removeLiveAircraftCategory(TrafficState& state, SizeClass sizeClass) override {
        stands_.gf_removeLiveAircraftCategory(state, sizeClass);
    }
    void gf_removeStaticAircraftCategory(TrafficState& state, SizeClass sizeClass) override {
        stands_.gf_removeStaticAircraftCategory(state, sizeClass);
    }
    void gf_clearUserDestGate(TrafficState& state, const std::string& standIdText) override {
        stands_.gf_clearUserDestGate(state, standIdText);
    }
    void lf_recheckWaitingLiveCreations(TrafficState& state) override { stands_.lf_recheckWaitingLiveCreations(state); }
    bool lf_standHoldsStatic(TrafficState& state, const CreateCommand& request) override {
        return stands_.lf_standHoldsStatic(state, request);
    }
    void try2Park(TrafficState& state, LiveAircraft& aircraft) override { stands_.try2Park(state, aircraft); }
    void noMoreNextPos(TrafficState& state, LiveAircraft& aircraft) override { live_.noMoreNextPos(state, aircraft); }
    std::uint32_t gf_standUseByOtherLive(const TrafficState& state, std::uint32_t standId,
                                         std::uint32_t ownHexId) const override {
        return stands_.gf_standUseByOtherLive(state, standId, ownHexId);
    }
    void gf_addRealStandOption(TrafficState& state, std::uint32_t standId, const LiveAircraft& aircraft,
                               std::uint8_t flag) override {
        parking_.gf_addRealStandOption(state, standId, aircraft, flag);
    }

    void lf_matchSlotWindow(TrafficState& state, std::uint32_t hexId) override {
        parking_.lf_matchSlotWindow(state, hexId);
    }
    void gf_regenerateParking(TrafficState& state) override { parking_.gf_regenerateParking(state); }
    void lf_parkAirportSweep(TrafficState& state) override { parking_.lf_parkAirportSweep(state); }
    void lf_applyParkingAdjustments(TrafficState& state, bool replaceAll) override {
        parking_.lf_applyParkingAdjustments(state, replaceAll);
    }
    void gf_computeMaxPark(TrafficState& state) override { parking_.gf_computeMaxPark(state); }
    void gf_limitParkedAircraft(TrafficState& state, std::uint32_t extra) override {
        parking_.gf_limitParkedAircraft(state, extra);
    }
    std::uint64_t pendingParkedAdditions(const TrafficState& state) const override {
        return parking_.pendingParkedAdditions(state);
    }
    void lf_placeStaticAircraft(TrafficState& state) override { parking_.lf_placeStaticAircraft(state); }
    void lf_checkUserAirCollisions(TrafficState& state) override { parking_.lf_checkUserAirCollisions(state); }
    void gf_checkUserAcGndCollisions(TrafficState& state) override { parking_.gf_checkUserAcGndCollisions(state); }

    void clearStepState(TrafficState& state) override {
        live_.clearStepState(state);
        stands_.clearStepState(state);
        parking_.clearStepState(state);
    }

    bool checkAtStandSituations(TrafficState& state, LiveAircraft& aircraft, StreamSample& sample) override {
        return stands_.checkAtStandSituations(state, aircraft, sample);
    }
    bool lf_checkPushedBack(TrafficState& state, LiveAircraft& aircraft, StreamSample& sample) override {
        return stands_.lf_checkPushedBack(state, aircraft, sample);
    }
    void lf_beginStandDeparture(TrafficState& state, LiveAircraft& aircraft, StreamSample& sample,
                                std::uint32_t mode) override {
        stands_.lf_beginStandDeparture(state, aircraft, sample, mode);
    }
    void lf_finishJetwayWaitRemoval(TrafficState& state, LiveAircraft& aircraft) override {
        stands_.lf_finishJetwayWaitRemoval(state, aircraft);
    }
    void lf_removeGhostWithUnderscoreIfPresent(TrafficState& state, const std::string& callsign) override {
        stands_.lf_removeGhostWithUnderscoreIfPresent(state, callsign);
    }
    bool lf_liveWithoutUnderscoreExists(const TrafficState& state, const std::string& callsign) const override {
        return stands_.lf_liveWithoutUnderscoreExists(state, callsign);
    }
    std::optional<std::uint32_t> lf_makeWayForLive(TrafficState& state, const LiveAircraft& aircraft,
                                                   std::uint32_t standId, bool allowPromotion) override {
        return stands_.lf_makeWayForLive(state, aircraft, standId, allowPromotion);
    }
    void lf_eraseLiveAircraft(TrafficState& state, std::uint32_t hexId) override {
        stands_.lf_eraseLiveAircraft(state, hexId);
    }
    std::uint64_t lf_countParkedAircraft(const TrafficState& state) const override {
        return stands_.lf_countParkedAircraft(state);
    }
    std::uint64_t gf_countLiveParked(TrafficState& state, bool post) override {
        return stands_.gf_countLiveParked(state, post);
    }
    void lf_removeAllStaticAndLiveAtAirport(TrafficState& state) override {
        stands_.lf_removeAllStaticAndLiveAtAirport(state);
    }
    void lf_dropSimCommands(TrafficState& state, std::uint32_t hexId, std::uint32_t objectId) override {
        live_.lf_dropSimCommands(state, hexId, objectId);
    }
    // The stand steps number stands as signed ids and take the stand itself for the conflict
    // test; an id past the signed range is no stand.
    bool gf_standClaimedByLive(const TrafficState& state, std::uint32_t standId, std::uint32_t hexId) const override {
        return stands_.gf_standClaimedByLive(state, static_cast<std::int32_t>(standId), hexId);
    }
    bool lf_standFreeForLive(const TrafficState& state, std::uint32_t standId, std::uint32_t hexId) const override {
        return stands_.lf_standFreeForLive(state, static_cast<std::int32_t>(standId), hexId);
    }
    bool lf_checkStandIsNotUsedByOtherLiveAircraftSub(TrafficState& state, std::uint32_t standId,
                                                      LiveAircraft& aircraft) override {
        return stands_.lf_checkStandIsNotUsedByOtherLiveAircraftSub(state, standId, aircraft);
    }
    bool lf_liveParkedConflict(const TrafficState& state, const LiveAircraft& other, std::uint32_t excludedStandId,
                               const LiveAircraft& aircraft, std::uint32_t standId) const override {
        const Stand* stand = gf_standById(state, static_cast<std::int32_t>(standId));
        return stand != nullptr && stands_.lf_liveParkedConflict(state, other, static_cast<std::int32_t>(excludedStandId),
                                                                 aircraft, *stand);
    }
    const Stand* gf_findNearestStand(const TrafficState& state, double latitude, double longitude,
                                     const AircraftInfo& aircraft, double& distanceMetres,
                                     bool allowLearned) const override {
        return stands_.gf_findNearestStand(state, latitude, longitude, aircraft, distanceMetres, allowLearned);
    }

    // The parking steps' own calls beyond TrafficSteps (clearing the parking at shut-down).
    ParkingSteps& parking() noexcept { return parking_; }

private:
    LiveUpdateSteps live_;
    StandSteps stands_;
    ParkingSteps parking_;
};

} // namespace kiv
