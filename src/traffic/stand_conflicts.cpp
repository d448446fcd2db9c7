// Stand conflicts: static parked aircraft make way for a live aircraft taking their stand or a
// neighbour stand, a taxiing live aircraft never drives through a static one, and a removal
// that waited for a jetway ends. The live aircraft always wins.
//
// Making way may erase static records (cancelled creations); every caller here holds hex ids
// across such calls and looks the static aircraft up again.
#include <algorithm>
#include <cmath>
#include <exception>

#include <fmt/format.h>

#include "foundation/log.h"
#include "traffic/aircraft_removal.h"
#include "traffic/aircraft_text.h"
#include "traffic/detail/geo.h"
#include "traffic/detail/stand_access.h"
#include "traffic/park_stands.h"
#include "traffic/stand_choice.h"
#include "traffic/stand_steps.h"
#include "traffic/traffic_exception.h"
#include "traffic/traffic_state.h"

namespace kiv {
namespace {

constexpr double kCandidateBoxNm = 0.035097192224622036; // 65 m
constexpr double kCandidateMetres = 65.0;
constexpr double kCollisionHeadingDeg = 45.0;
constexpr double kGoingInDirectDeg = 10.0;
constexpr double kGoingInCurvedDeg = 20.0;
constexpr double kStreamEndMaxKt = 6.0;
constexpr std::uint32_t kLowestRealObjectId = 3;

double wrappedDegrees(double radians) noexcept {
    double deg = std::remainder(radians, 2.0 * detail::kPi) / detail::kDegToRad;
    if (deg > 180.0) {
        deg -= 360.0;
    }
    return deg;
}

double metresBetween(double lat1, double lon1, double lat2, double lon2) {
    return detail::distanceNm(lat1, lon1, lat2, lon2) * detail::kMetresPerNm;
}

std::string standIdText(const TrafficState& state, std::uint32_t standId) {
    const Stand* stand = detail::standOf(state, standId);
    return stand == nullptr ? std::string{} : stand->id;
}

std::string standNameOf(const TrafficState& state, std::uint32_t standId) {
    return gf_standName(state, static_cast<std::int32_t>(standId));
}

bool sameLiveVersion(const StaticAircraft& parked, const LiveAircraft& live) {
    const auto& s = parked.info.head;
    const auto& l = live.info.head;
    return (!l.callsign.empty() && s.prevCallsign == l.callsign) ||
           (!l.registration.empty() && s.registration == l.registration);
}

// The stream's last sample lies still ahead in time with a taxi-in speed.
bool streamEndsSlowlyAhead(const TrafficState& state, const LiveAircraft& live) {
    if (live.holdCount >= 1 || live.samples.empty()) {
        return false;
    }
    const StreamSample& last = live.samples.back();
    return last.deliveryTick - state.tickCount.load() > 0 && std::isfinite(last.groundSpeedKt) &&
           last.groundSpeedKt >= 0.0 && last.groundSpeedKt <= kStreamEndMaxKt;
}

} // namespace

std::optional<std::uint32_t> StandSteps::lf_makeWayForLive(TrafficState& state, const LiveAircraft& aircraft,
                                                           std::uint32_t standId, bool allowPromotion) {
    std::optional<std::uint32_t> promotion;
    const auto first = std::find_if(state.statics.begin(), state.statics.end(),
                                     [standId](const StaticAircraft& s) { return s.standId == standId; });
    if (first != state.statics.end()) {
        StaticAircraft& parked = *first;
        const char* same = sameLiveVersion(parked, aircraft) ? " the same live version" : "";
        if (parked.simState == SimState::adding2sim) {
            if (gf_cancelCreationRequest(state.staticCreationQueue, parked.info.hexId)) {
                parked.creationCancelled = 1;
                gf_logLine(fmt::format("queued {:8}: {:8} {} makes way for{} {} {}", standIdText(state, standId),
                                       parked.info.head.callsign, parked.info.head.registration, same,
                                       aircraft.info.head.callsign, aircraft.info.head.registration));
                purgeCancelledStatics(state); // erases `parked`
            } else {
                parked.removePending = 1;
            }
        } else if (parked.simState == SimState::active) {
            if (allowPromotion && parked.objectId >= kLowestRealObjectId && parked.removePending == 0 &&
                !aircraft.info.head.registration.empty() &&
                aircraft.info.head.registration == parked.info.head.registration) {
                promotion = parked.info.hexId;
            } else {
                gf_logLine(fmt::format("{:14}: {:8} {} makes way for{} {} {}", standIdText(state, standId),
                                       parked.info.head.callsign, parked.info.head.registration, same,
                                       aircraft.info.head.callsign, aircraft.info.head.registration));
                removeAircraftFromSim(state, parked);
            }
        }
    }
    if (const Stand* stand = detail::standOf(state, standId)) {
        // A copy: the exclusion list is read while static records may change.
        const std::vector<std::uint32_t> excluded = stand->overlaps;
        for (std::uint32_t excludedId : excluded) {
            clearExcludedStand(state, aircraft, excludedId, standId);
        }
    }
    return promotion;
}

void StandSteps::clearExcludedStand(TrafficState& state, const LiveAircraft& aircraft, std::uint32_t excludedId,
                                    std::uint32_t chosenId) {
    const Stand* excluded = detail::standOf(state, excludedId);
    const Stand* chosen = detail::standOf(state, chosenId);
    if (chosen == nullptr) {
        return;
    }
    const double lat = excluded == nullptr ? 0.0 : excluded->latitude;
    const double lon = excluded == nullptr ? 0.0 : excluded->longitude;
    const double cosLat = std::cos(lat * detail::kDegToRad);
    const double distanceSquared = detail::flatDistanceSquaredNm(lat, lon, chosen->latitude, chosen->longitude, cosLat);
    for (StaticAircraft& parked : state.statics) {
        if (parked.simState != SimState::active || parked.standId != excludedId) {
            continue;
        }
        const double sum = parked.info.conflictHalfSpanNm + aircraft.info.conflictHalfSpanNm;
        if (!(sum > 0.0) || distanceSquared > sum * sum) {
            continue;
        }
        gf_logLine(fmt::format("{:14}: {:8} makes way for {} parking at excluded stand {}",
                               standNameOf(state, excludedId), parked.info.head.callsign, aircraft.info.head.callsign,
                               chosen->id));
        removeAircraftFromSim(state, parked);
        return;
    }
}

void StandSteps::collisionWithParked(TrafficState& state, LiveAircraft& live) {
    try {
        if (live.onGround == 0 || live.standWork.jetwayWait.pending != 0) {
            return;
        }
        LiveStandWork& work = live.standWork;
        work.lastCollisionCheck = detail::positionOf(live);
        work.collisionChecked = 1;
        const Lalo position = detail::positionOf(live);
        const double cosLat = std::cos(position.latitude * detail::kDegToRad);
        const bool candidateLog = live.situation == FlightSituation::taxi && !live.samples.empty() && live.holdCount < 1;

        std::uint32_t staticHexId = 0;
        std::uint32_t standId = 0;
        double headingDifferenceDeg = 0.0;
        for (const StaticAircraft& parked : state.statics) {
            if (parked.simState != SimState::active || parked.objectId == live.objectId) {
                continue;
            }
            const Stand* stand = detail::standOf(state, parked.standId);
            if (stand == nullptr) {
                continue;
            }
            if (candidateLog && stand->jetway && !work.loggedJetwayCandidates.contains(stand->number)) {
                const StreamSample& last = live.samples.back();
                const double dLat = std::fabs(stand->latitude - position.latitude) * 60.0;
                const double dLon = std::fabs(stand->longitude - position.longitude) * 60.0 * cosLat;
                const double radiusM = stand->radius * detail::kMetresPerNm;
                const double lastM = metresBetween(stand->latitude, stand->longitude, last.latitude, last.longitude);
                const double currentM =
                    metresBetween(stand->latitude, stand->longitude, position.latitude, position.longitude);
                if (dLat <= kCandidateBoxNm && dLon <= kCandidateBoxNm && lastM <= radiusM &&
                    currentM <= kCandidateMetres) {
                    work.loggedJetwayCandidates.insert(stand->number);
                    gf_logLine(fmt::format(
                        "{:14}: {} jetway RT endpoint candidate: current {:.1f} m, stream.back {:.1f} m (radius "
                        "{:.1f} m), delta hdg {:.1f} deg, speed {:.1f} kt, time offset {:+.1f} s, same {}, previous "
                        "state {}",
                        stand->id, live.info.head.callsign, currentM, lastM, radiusM,
                        std::fabs(wrappedDegrees(live.pose.headingRad - stand->heading)), last.groundSpeedKt,
                        (last.deliveryTick - state.tickCount.load()) / 100.0, last.stationary != 0 ? "yes" : "no",
                        gf_flightSituationName(live.previousSituation)));
                }
            }
            const double difference = wrappedDegrees(live.pose.headingRad - stand->heading);
            if (std::fabs(difference) <= kCollisionHeadingDeg &&
                state.ports.motion.gf_withinRadii(position, live.info.conflictHalfSpanNm,
                                                  {parked.standLat, parked.standLon}, parked.info.conflictHalfSpanNm)) {
                staticHexId = parked.info.hexId;
                standId = parked.standId;
                headingDifferenceDeg = difference;
                break;
            }
        }
        if (staticHexId == 0) {
            return;
        }
        const Stand* stand = detail::standOf(state, standId);
        bool goingIn = false;
        const double absDifference = std::fabs(headingDifferenceDeg);
        if (live.situation != FlightSituation::taxi || live.previousSituation == FlightSituation::pushed_back ||
            live.previousSituation == FlightSituation::parked) {
            goingIn = false;
        } else {
            if (absDifference <= kGoingInDirectDeg) {
                goingIn = true;
            } else if (absDifference <= kGoingInCurvedDeg) {
                const RelativePosition r =
                    state.ports.motion.gf_relativePosition({stand->latitude, stand->longitude}, stand->heading, position);
                const double projected =
                    std::tan(headingDifferenceDeg * detail::kDegToRad) * (-10.0 - r.alongTrackM) + r.crossTrackM;
                goingIn = std::fabs(r.crossTrackM) <= 3.0 && r.alongTrackM <= -15.0 && std::fabs(projected) <= 2.0 &&
                          std::fabs(projected) < std::fabs(r.crossTrackM);
            }
            if (!goingIn && streamEndsSlowlyAhead(state, live)) {
                const StreamSample& last = live.samples.back();
                double metres = 0.0;
                goingIn = state.ports.motion.gf_canApproachStand(detail::standPoseOf(*stand), stand->radius, position,
                                                                 live.pose.headingRad, detail::positionOf(last)) &&
                          kiv::gf_findNearestStand(state.parkStands, detail::positionOf(last), live.info, metres, false) ==
                              stand;
            }
        }
        StaticAircraft* parked = detail::findStatic(state, staticHexId);
        if (goingIn && parked != nullptr && parked->objectId >= kLowestRealObjectId) {
            if (lf_claimStandForLive(state, live, standId, true)) {
                return;
            }
            parked = detail::findStatic(state, staticHexId); // the claim may have changed the table
        }
        if (parked == nullptr) {
            return;
        }
        gf_logLine(fmt::format(
            "{:14}: {:8} removed for 'live vs parked' collision avoidance with {}, delta hdg:{:.0f}, jetway:{}, "
            "no wait: {}",
            standNameOf(state, standId), parked->info.head.callsign, live.info.head.callsign, headingDifferenceDeg, "no",
            "stand has no jetway"));
        removeAircraftFromSim(state, *parked);
        const bool leaving = parked->simState == SimState::removingfromsim;
        if (leaving && goingIn) {
            lf_claimStandForLive(state, live, standId, true);
        }
    } catch (...) {
        gf_reportTrafficException("collisionWithParked");
    }
}

void StandSteps::lf_finishJetwayWaitRemoval(TrafficState& state, LiveAircraft& live) {
    JetwayWait& wait = live.standWork.jetwayWait;
    if (wait.pending == 0) {
        return;
    }
    if (live.simState == SimState::active && state.tickCount.load() - wait.dueTick < 0) {
        return;
    }
    const auto standId = static_cast<std::uint32_t>(std::max(wait.standId, 0));
    const auto findWaited = [&]() -> StaticAircraft* {
        for (StaticAircraft& parked : state.statics) {
            if (parked.standId == standId && parked.objectId == wait.staticObjectId &&
                parked.info.hexId == wait.staticHexId) {
                return &parked;
            }
        }
        return nullptr;
    };
    try {
        StaticAircraft* parked = findWaited();
        const bool wasActive = parked != nullptr && parked->simState == SimState::active;
        if (live.simState == SimState::active) {
            const std::string staticCallsign = wasActive ? parked->info.head.callsign : std::string{};
            if (detail::standOf(state, standId) != nullptr) {
                lf_makeWayForLive(state, live, standId, false); // may erase static records
            } else if (wasActive) {
                removeAircraftFromSim(state, *parked);
            }
            if (wasActive) {
                gf_logLine(fmt::format("{:14}: {:8} removed for 'live vs parked' collision avoidance with {} after "
                                       "jetway wait",
                                       standNameOf(state, standId), live.info.head.callsign, staticCallsign));
            }
        } else if (wasActive) {
            state.ports.link.gf_setBeaconLights(parked->objectId, 0);
        }
    } catch (...) {
        gf_reportTrafficException("lf_finishJetwayWaitRemoval");
    }
    wait.pending = 0;
}

} // namespace kiv
