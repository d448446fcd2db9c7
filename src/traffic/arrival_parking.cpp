// Arrival parking: whether a stand is free of other live aircraft, who yields when two want
// it, taking a stand, and the bookkeeping when aircraft leave the tables.
#include <algorithm>
#include <cmath>
#include <exception>

#include <fmt/format.h>

#include "foundation/log.h"
#include "traffic/aircraft_commands.h"
#include "traffic/aircraft_removal.h"
#include "traffic/aircraft_text.h"
#include "traffic/detail/geo.h"
#include "traffic/detail/stand_access.h"
#include "traffic/park_stands.h"
#include "traffic/stand_choice.h"
#include "traffic/stand_helpers.h"
#include "traffic/stand_steps.h"
#include "traffic/traffic_exception.h"
#include "traffic/traffic_state.h"

namespace kiv {
namespace {

constexpr double kClaimMaxDistanceM = 40.0;
constexpr double kClaimMaxLateralM = 10.0;
constexpr double kClaimMaxHeadingDeg = 45.0;
constexpr double kClaimPastAlongM = 3.0;
constexpr double kClaimPastMaxDistanceM = 5.0;
constexpr double kSamePlaceDeg = 1e-8;

std::string_view standIdText(const TrafficState& state, std::uint32_t standId) {
    const Stand* stand = detail::standOf(state, standId);
    return stand == nullptr ? std::string_view{} : std::string_view{stand->id};
}

std::string standNameOf(const TrafficState& state, std::uint32_t standId) {
    return gf_standName(state, static_cast<std::int32_t>(standId));
}

bool samePlace(double lat1, double lon1, double lat2, double lon2) noexcept {
    return std::fabs(lat1 - lat2) < kSamePlaceDeg && std::fabs(lon1 - lon2) < kSamePlaceDeg;
}

bool approachAllowsClaim(const StandApproachState& approach) noexcept {
    if (!std::isfinite(approach.distanceM) || !std::isfinite(approach.lateralM) ||
        !std::isfinite(approach.headingDifferenceDeg)) {
        return false;
    }
    if (approach.distanceM > kClaimMaxDistanceM || std::fabs(approach.lateralM) > kClaimMaxLateralM ||
        std::fabs(approach.headingDifferenceDeg) > kClaimMaxHeadingDeg) {
        return false;
    }
    return !(approach.alongM > kClaimPastAlongM && approach.distanceM > kClaimPastMaxDistanceM);
}

bool routeMissing(const Route& route) noexcept { return route.origin.key == 0 && route.destination.key == 0; }

} // namespace

// Stand use by live aircraft.

std::uint32_t StandSteps::gf_standUseByOtherLive(const TrafficState& state, std::uint32_t standId,
                                                 std::uint32_t ownHexId) const {
    if (standId < 1) {
        return 0;
    }
    std::uint32_t use = 0;
    for (const LiveAircraft& other : state.live) {
        if (other.standId != standId || other.info.hexId == ownHexId) {
            continue;
        }
        if (other.situation == FlightSituation::parked && other.objectId > 2) {
            return 2;
        }
        if (detail::holdsStand(other.situation)) {
            use = 1;
        }
    }
    return use;
}

bool StandSteps::lf_standFreeForLive(const TrafficState& state, std::int32_t standId, std::uint32_t hexId) const {
    if (standId < 1) {
        return false;
    }
    const auto id = static_cast<std::uint32_t>(standId);
    return detail::standOf(state, id) != nullptr && hexId != 0 && gf_standUseByOtherLive(state, id, hexId) == 0;
}

bool StandSteps::gf_standClaimedByLive(const TrafficState& state, std::int32_t standId, std::uint32_t hexId) const {
    if (standId < 1) {
        return false;
    }
    return std::any_of(state.live.begin(), state.live.end(), [&](const LiveAircraft& a) {
        return a.info.hexId == hexId && a.standId == static_cast<std::uint32_t>(standId) &&
               detail::holdsStand(a.situation);
    });
}

const Stand* StandSteps::gf_findNearestStand(const TrafficState& state, double latitude, double longitude,
                                             const AircraftInfo& aircraft, double& distanceMetres,
                                             bool allowLearned) const {
    return kiv::gf_findNearestStand(state.parkStands, Lalo{latitude, longitude}, aircraft, distanceMetres,
                                    allowLearned);
}

bool StandSteps::lf_checkStandIsNotUsedByOtherLiveAircraftSub(TrafficState& state, std::uint32_t standId,
                                                              LiveAircraft& aircraft) {
    const std::uint32_t hexId = aircraft.info.hexId;
    const auto other = std::find_if(state.live.begin(), state.live.end(), [&](const LiveAircraft& a) {
        return a.info.hexId != hexId && a.standId == standId && detail::holdsStand(a.situation);
    });
    if (other == state.live.end()) {
        return true;
    }
    const std::string& mine = aircraft.info.head.callsign;
    const std::string& theirs = other->info.head.callsign;
    const std::optional<std::string_view> mineBase = detail::withoutLastCharacter(mine);
    const std::optional<std::string_view> theirsBase = detail::withoutLastCharacter(theirs);
    const std::string name = standNameOf(state, standId);
    std::string line;
    if (!mine.empty() && mine == theirs) {
        line = fmt::format("{:14}: {:8} ac with same callsign {} wants it, remove existing ... ", name, theirs, mine);
    } else if (mineBase && !mineBase->empty() && *mineBase == theirs) {
        return false; // the newcomer is the ghost
    } else if (theirsBase && !theirsBase->empty() && *theirsBase == mine) {
        line = fmt::format("{:14}: {:8} ghost, replace by {}", name, theirs, mine);
    } else if (detail::endsWithUnderscore(theirs) && !detail::endsWithUnderscore(mine)) {
        line = fmt::format("{:14}: {:8} ghost, replace by {}", name, theirs, mine);
    } else if (detail::endsWithUnderscore(mine) && !detail::endsWithUnderscore(theirs)) {
        return false;
    } else if (other->atStandChecked == 0) {
        line = fmt::format("{:14}: {:8} removed because another live {} wants the stand ...", name, theirs, mine);
    } else {
        return false;
    }
    try {
        gf_logLine(line);
        removeAircraftFromSim(state, *other);
    } catch (...) {
        gf_reportTrafficException("lf_checkStandIsNotUsedByOtherLiveAircraftSub");
        return false;
    }
    return gf_standUseByOtherLive(state, standId, 0) == 0;
}

bool StandSteps::lf_liveParkedConflict(const TrafficState& state, const LiveAircraft& other,
                                       std::int32_t excludedStandId, const LiveAircraft& aircraft,
                                       const Stand& stand) const {
    if (excludedStandId < 1 || other.info.hexId == aircraft.info.hexId ||
        other.standId != static_cast<std::uint32_t>(excludedStandId) || !detail::holdsStand(other.situation)) {
        return false;
    }
    const Stand* excluded = detail::standOf(state, static_cast<std::uint32_t>(excludedStandId));
    const Stand* wanted = &stand;
    if (excluded == nullptr || (excluded->latitude == 0.0 && excluded->longitude == 0.0)) {
        return false;
    }
    const double sum = other.info.conflictHalfSpanNm + aircraft.info.conflictHalfSpanNm;
    if (!(sum > 0.0)) {
        return false;
    }
    const double cosLat = std::cos(excluded->latitude * detail::kDegToRad);
    return detail::flatDistanceSquaredNm(excluded->latitude, excluded->longitude, wanted->latitude, wanted->longitude,
                                         cosLat) <= sum * sum;
}

bool StandSteps::checkExcludedStandIsAvailable(TrafficState& state, std::uint32_t excludedId, LiveAircraft& aircraft,
                                               std::uint32_t standId) {
    for (LiveAircraft& other : state.live) {
        const Stand* wanted = detail::standOf(state, standId);
        if (wanted == nullptr || !lf_liveParkedConflict(state, other, static_cast<std::int32_t>(excludedId), aircraft,
                                                        *wanted)) {
            continue;
        }
        if (other.simState != SimState::active || other.situation == FlightSituation::pushed_back) {
            return false;
        }
        try {
            gf_logLine(fmt::format("{:14}: {:8} removed by parking {} at colliding adjacent stand {}",
                                   standNameOf(state, excludedId), other.info.head.callsign,
                                   aircraft.info.head.callsign, standIdText(state, standId)));
            removeAircraftFromSim(state, other);
        } catch (...) {
            gf_reportTrafficException("lf_checkExcludedStandIsAvailableForLiveParkingTry");
        }
        return false;
    }
    return true;
}

bool StandSteps::checkStandOrExcludedIsOccupiedByLiveParked(TrafficState& state, std::uint32_t standId,
                                                            LiveAircraft& aircraft) {
    LiveAircraft* parked = nullptr;
    for (LiveAircraft& other : state.live) {
        if (other.standId != standId || other.info.hexId == aircraft.info.hexId) {
            continue;
        }
        if (other.situation == FlightSituation::parking ||
            static_cast<std::int32_t>(other.situation) < static_cast<std::int32_t>(FlightSituation::taxi)) {
            return false;
        }
        if (other.situation == FlightSituation::parked) {
            parked = &other;
            break;
        }
    }
    if (parked != nullptr) {
        if (parked->simState != SimState::active) {
            return false;
        }
        try {
            gf_logLine(fmt::format("{:14}: {:8} removed, {} wants to park there", standNameOf(state, standId),
                                   parked->info.head.callsign, aircraft.info.head.callsign));
            removeAircraftFromSim(state, *parked);
        } catch (...) {
            gf_reportTrafficException("lf_checkStandOrExcludedIsOccupiedByLiveParkedTry");
        }
        return false;
    }
    const Stand* stand = detail::standOf(state, standId);
    if (stand == nullptr) {
        return false;
    }
    for (std::uint32_t excludedId : stand->overlaps) {
        if (!checkExcludedStandIsAvailable(state, excludedId, aircraft, standId)) {
            return false;
        }
    }
    return true;
}

// Parking attempts.

void StandSteps::try2Park(TrafficState& state, LiveAircraft& aircraft) {
    if (aircraft.samples.empty()) {
        gf_logLine(fmt::format("{} empty sz?", "try2Park"));
        return;
    }
    const bool landed = aircraft.afterLanding != 0 || aircraft.previousSituation == FlightSituation::landing_roll;
    if (!landed && !routeMissing(aircraft.info.head.route)) {
        return;
    }
    double distanceMetres = 0.0;
    const Stand* stand = kiv::gf_findNearestStand(state.parkStands, detail::positionOf(aircraft.samples.back()),
                                             aircraft.info, distanceMetres, true);
    if (stand == nullptr) {
        return;
    }
    const StandPose pose = detail::standPoseOf(*stand);
    const Lalo position = detail::positionOf(aircraft);
    const StandEntryCheck entry = state.ports.motion.gf_checkStandEntry(
        pose, stand->radius, position, aircraft.pose.headingRad, aircraft.info.conflictHalfSpanNm);
    if (!entry.ok && !state.ports.motion.gf_canApproachStand(pose, stand->radius, position, aircraft.pose.headingRad,
                                                             detail::positionOf(aircraft.samples.back()))) {
        return;
    }
    lf_claimStandForLive(state, aircraft, stand->number, false);
}

bool StandSteps::lf_claimStandForLive(TrafficState& state, LiveAircraft& aircraft, std::uint32_t standId,
                                      bool forced) {
    // The stand list is not changed by anything below, so the pointer stays valid.
    const Stand* stand = detail::standOf(state, standId);
    if (stand == nullptr) {
        return false;
    }
    const StandPose pose = detail::standPoseOf(*stand);
    const StandApproachState approach =
        state.ports.motion.gf_standApproachState(pose, detail::positionOf(aircraft), aircraft.pose.headingRad);
    if (!approachAllowsClaim(approach) || aircraft.samples.empty() || stand->blocked ||
        stand->heli != (aircraft.info.sizeClass == SizeClass::Rotorcraft) ||
        !gf_standFitsSizeClass(*stand, aircraft.info.sizeClass, aircraft.info.halfSpanNm)) {
        return false;
    }
    if (gf_isUserOrReservedStand(state, *stand) || !checkStandOrExcludedIsOccupiedByLiveParked(state, standId, aircraft) ||
        !lf_standFreeForLive(state, static_cast<std::int32_t>(standId), aircraft.info.hexId)) {
        return false;
    }
    lf_makeWayForLive(state, aircraft, standId, false);
    aircraft.standWork.departure = {};
    gf_assignStand(aircraft, *stand);
    aircraft.samples.resize(1);
    StreamSample& front = aircraft.samples.front();
    const bool frontOnStand = samePlace(front.latitude, front.longitude, stand->latitude, stand->longitude);
    const bool aircraftOnStand =
        samePlace(aircraft.pose.latitude, aircraft.pose.longitude, stand->latitude, stand->longitude);
    if ((frontOnStand && !aircraftOnStand) || forced) {
        front.latitude = aircraft.pose.latitude;
        front.longitude = aircraft.pose.longitude;
        front.deliveryTick = state.tickCount.load();
        front.stationary = 0;
    }
    aircraft.driveIn = 0;
    detail::setSituation(state, aircraft, FlightSituation::parking);
    state.ports.motion.drive2Stand(state, aircraft, pose, forced, false);
    auto& samples = aircraft.samples;
    if (samples.size() >= 2 && samples[1].stationary == 0 &&
        samePlace(samples[0].latitude, samples[0].longitude, samples[1].latitude, samples[1].longitude)) {
        samples[1].stationary = 1;
    }
    return true;
}

// Waiting creations and static aircraft still on a stand.

bool StandSteps::lf_standHoldsStatic(TrafficState& state, const CreateCommand& request) {
    const LiveAircraft* live = gf_findLive(state, request.hexId);
    if (live == nullptr) {
        return false;
    }
    const std::uint32_t liveStand = live->standId;
    const double halfSpan = live->info.conflictHalfSpanNm;
    const std::string registration = live->info.head.registration;
    const Stand* stand = detail::standOf(state, liveStand);
    const double cosLat = std::cos(request.latitude * detail::kDegToRad);
    bool holds = false;
    for (StaticAircraft& parked : state.statics) {
        if (parked.simState != SimState::active && parked.simState != SimState::removingfromsim) {
            continue;
        }
        bool matches = liveStand != 0 && parked.standId == liveStand;
        if (!matches && stand != nullptr) {
            matches = std::find(stand->overlaps.begin(), stand->overlaps.end(), parked.standId) != stand->overlaps.end();
        }
        if (!matches) {
            const double sum = halfSpan + parked.info.conflictHalfSpanNm;
            matches = sum > 0.0 && detail::flatDistanceSquaredNm(parked.standLat, parked.standLon, request.latitude,
                                                                 request.longitude, cosLat) <= sum * sum;
        }
        if (!matches) {
            continue;
        }
        if (parked.simState == SimState::active && parked.jetwayRemovalToken == 0 && !registration.empty() &&
            registration == parked.info.head.registration) {
            try {
                removeAircraftFromSim(state, parked);
            } catch (...) {
                gf_reportTrafficException("lf_standHoldsStatic");
            }
        }
        if (parked.jetwayRemovalToken != 0 || parked.simState == SimState::removingfromsim) {
            holds = true;
        }
    }
    return holds;
}

void StandSteps::lf_recheckWaitingLiveCreations(TrafficState& state) {
    for (std::size_t n = state.waitingCreationQueue.size(); n > 0 && !state.waitingCreationQueue.empty(); --n) {
        CreateCommand request = std::move(state.waitingCreationQueue.front());
        state.waitingCreationQueue.pop_front();
        const LiveAircraft* live = gf_findLive(state, request.hexId);
        if (live == nullptr || live->simState != SimState::adding2sim) {
            continue;
        }
        if (lf_standHoldsStatic(state, request)) {
            state.waitingCreationQueue.push_back(std::move(request));
        } else {
            state.liveCreationQueue.push_back(std::move(request));
        }
    }
}

// Leaving the tables.

void StandSteps::lf_cleanupCancelledStatic(TrafficState& state, std::uint32_t hexId, std::uint32_t objectId) {
    state.ports.steps.lf_dropSimCommands(state, hexId, objectId);
    std::erase(state.addingStack, hexId);
    std::erase(state.learnedStandMatchQueue, hexId);
    std::erase_if(state.delayedLightCommands, [hexId](const DelayedLightCommand& c) { return c.hexId == hexId; });
}

void StandSteps::lf_cleanupLiveAircraft(TrafficState& state, const LiveAircraft& aircraft) {
    if (aircraft.flightPlanQueued != 0 && aircraft.objectId != 0) {
        try {
            state.ports.link.gf_removeFlightPlan(aircraft.objectId);
        } catch (const std::exception& e) {
            gf_logLine(fmt::format("{}: removing flight plan for {} failed: {}", "lf_cleanupLiveAircraft",
                                   aircraft.info.head.callsign, e.what()));
        } catch (...) {
            gf_logLine(fmt::format("{}: removing flight plan for {} failed with an unknown exception",
                                   "lf_cleanupLiveAircraft", aircraft.info.head.callsign));
        }
    }
    try {
        const std::uint32_t hexId = aircraft.info.hexId;
        lf_cleanupCancelledStatic(state, hexId, aircraft.objectId);
        gf_cancelCreationRequest(state.waitingCreationQueue, hexId);
    } catch (...) {
        gf_reportTrafficException("lf_cleanupLiveAircraft");
    }
}

void StandSteps::lf_eraseLiveAircraft(TrafficState& state, std::uint32_t hexId) {
    const std::ptrdiff_t index = gf_findLiveIndex(state, hexId);
    if (index < 0) {
        return;
    }
    const auto at = static_cast<std::size_t>(index);
    lf_cleanupLiveAircraft(state, state.live[at]);
    if (at + 1 != state.live.size()) {
        state.live[at] = std::move(state.live.back());
    }
    state.live.pop_back();
    if (!state.deferredParkedAdds.empty()) {
        lf_releaseDeferredParkedAdds(state);
    }
}

// Parking limit and deferred parked adds.

std::uint64_t StandSteps::lf_countParkedAircraft(const TrafficState& state) const {
    const auto counts = [](SimState s) {
        return s == SimState::adding2sim || s == SimState::active || s == SimState::removingfromsim;
    };
    std::uint64_t count = 0;
    for (const StaticAircraft& parked : state.statics) {
        count += counts(parked.simState) ? 1 : 0;
    }
    for (const LiveAircraft& live : state.live) {
        count += live.situation == FlightSituation::parked && counts(live.simState) ? 1 : 0;
    }
    return count;
}

void StandSteps::lf_releaseDeferredParkedAdds(TrafficState& state) {
    if (state.deferredParkedAdds.empty()) {
        return;
    }
    const std::int32_t limit = state.maxParkCount;
    if (limit >= 0 && static_cast<std::uint64_t>(limit) <= lf_countParkedAircraft(state)) {
        return;
    }
    const auto leaving = [](const AircraftRecord& a) {
        return a.jetwayRemovalToken != 0 || a.simState == SimState::removingfromsim;
    };
    const auto standBusy = [&](std::int32_t candidateStand) {
        for (const StaticAircraft& parked : state.statics) {
            if (leaving(parked) && parked.standId != 0 && gf_standExcludes(state, static_cast<std::int32_t>(parked.standId), candidateStand)) {
                return true;
            }
        }
        for (const LiveAircraft& live : state.live) {
            if (leaving(live) && live.standId != 0 && gf_standExcludes(state, static_cast<std::int32_t>(live.standId), candidateStand)) {
                return true;
            }
        }
        return false;
    };
    std::vector<StaticCandidate> waiting;
    for (StaticCandidate& candidate : state.deferredParkedAdds) {
        if (standBusy(candidate.standId)) {
            waiting.push_back(std::move(candidate));
        } else {
            state.pendingParkedAdds.push_back(std::move(candidate));
        }
    }
    state.deferredParkedAdds = std::move(waiting);
}

} // namespace kiv
