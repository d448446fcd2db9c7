// The per-second check that parks a slowly taxiing arrival in a free stand where it stands
// or where its traffic stream ends, or records why the stands nearby were rejected.
#include <algorithm>
#include <cmath>
#include <limits>

#include <fmt/format.h>

#include "foundation/log.h"
#include "traffic/detail/geo.h"
#include "traffic/detail/stand_access.h"
#include "traffic/stand_choice.h"
#include "traffic/stand_steps.h"
#include "traffic/traffic_state.h"

namespace kiv {
namespace {

constexpr double kCandidateBoxNm = 0.035097192224622036; // 65 m
constexpr double kCandidateMetres = 65.0;
constexpr double kAlongPathSquaredNm = 0.0010495920585532426; // (60 m)^2
constexpr double kAlongPathMetres = 60.0;
constexpr double kJudgeMinNm = 0.032397408207343416; // 60 m
constexpr double kMaxSpeedKt = 8.0;
constexpr double kSlowSpeedKt = 6.0;
constexpr double kConfirmGainM = 0.5;
constexpr double kHeadingWithinDeg = 15.0;

constexpr std::string_view kArrivalNotConfirmed = "arrival context not confirmed";
constexpr std::string_view kTooFast = "current speed exceeds 6 kt";
constexpr std::string_view kNoParkingType = "stand has no parking type";
constexpr std::string_view kBlocked = "stand blocked";
constexpr std::string_view kTypeMismatch = "aircraft type does not match stand";
constexpr std::string_view kDoesNotFit = "aircraft does not fit stand";
constexpr std::string_view kApproachNotConfirmed = "unknown route; stand approach not confirmed";
constexpr std::string_view kProtected = "stand protected, occupied or not reserved";

double metresBetween(double lat1, double lon1, double lat2, double lon2) {
    return detail::distanceNm(lat1, lon1, lat2, lon2) * detail::kMetresPerNm;
}

double wrappedDegrees(double radians) noexcept { return std::remainder(radians, 2.0 * detail::kPi) / detail::kDegToRad; }

bool holdsActiveStatic(const TrafficState& state, std::uint32_t standId) {
    return std::any_of(state.statics.begin(), state.statics.end(), [standId](const StaticAircraft& s) {
        return s.standId == standId && s.simState == SimState::active;
    });
}

bool positionKnown(const Lalo& position) noexcept { return position.latitude != 0.0 || position.longitude != 0.0; }

// The previous check position lay at least 0.5 m further from the stand than `metres`.
bool approachConfirmed(const Lalo& previous, const Stand& stand, double metres) {
    return positionKnown(previous) &&
           metresBetween(previous.latitude, previous.longitude, stand.latitude, stand.longitude) >=
               metres + kConfirmGainM;
}

} // namespace

void StandSteps::addRejectedStand(LiveAircraft& aircraft, const Stand& stand, std::string_view reason,
                                  double distanceMetres) {
    if (!(distanceMetres <= kAlongPathMetres)) {
        return;
    }
    auto& rejected = aircraft.standWork.rejectedStands;
    const bool listed = std::any_of(rejected.begin(), rejected.end(), [&](const RejectedStand& r) {
        return r.standId == stand.number && r.reason == reason;
    });
    if (!listed) {
        rejected.push_back({stand.number, std::string(reason)});
    }
}

void StandSteps::noteStandAlongPath(TrafficState& state, LiveAircraft& aircraft, std::string_view reason) {
    const Lalo position = detail::positionOf(aircraft);
    const double cosLat = std::cos(position.latitude * detail::kDegToRad);
    const Stand* nearest = nullptr;
    double nearestM = std::numeric_limits<double>::infinity();
    for (const Stand& stand : state.parkStands) {
        if (!gf_standUsableFor(stand, aircraft.info) ||
            detail::flatDistanceSquaredNm(stand.latitude, stand.longitude, position.latitude, position.longitude,
                                          cosLat) > kAlongPathSquaredNm) {
            continue;
        }
        const RelativePosition r =
            state.ports.motion.gf_relativePosition({stand.latitude, stand.longitude}, stand.heading, position);
        const double reachM = (stand.radius + aircraft.info.conflictHalfSpanNm) * detail::kMetresPerNm + 10.0;
        if (!(r.distanceM < kAlongPathMetres) || r.distanceM > reachM || r.alongTrackM > -5.0 ||
            std::fabs(r.crossTrackM) > 5.0 ||
            std::fabs(wrappedDegrees(aircraft.pose.headingRad - stand.heading)) > kHeadingWithinDeg) {
            continue;
        }
        if (r.distanceM < nearestM) {
            nearest = &stand;
            nearestM = r.distanceM;
        }
    }
    if (nearest != nullptr) {
        addRejectedStand(aircraft, *nearest, reason, nearestM);
    }
}

void StandSteps::logFreeStandCandidates(TrafficState& state, LiveAircraft& aircraft) {
    const Lalo position = detail::positionOf(aircraft);
    const double cosLat = std::cos(position.latitude * detail::kDegToRad);
    const StreamSample& last = aircraft.samples.back();
    auto& logged = aircraft.standWork.loggedFreeStandCandidates;
    for (const Stand& stand : state.parkStands) {
        if (!gf_standUsableFor(stand, aircraft.info) || logged.contains(stand.number)) {
            continue;
        }
        if (std::fabs(stand.latitude - position.latitude) * 60.0 > kCandidateBoxNm ||
            std::fabs(stand.longitude - position.longitude) * 60.0 * cosLat > kCandidateBoxNm) {
            continue;
        }
        const double radiusM = stand.radius * detail::kMetresPerNm;
        const double lastM = metresBetween(stand.latitude, stand.longitude, last.latitude, last.longitude);
        const double currentM = metresBetween(stand.latitude, stand.longitude, position.latitude, position.longitude);
        if (!std::isfinite(radiusM) || !(radiusM > 0.0) || !(lastM <= radiusM) || !(currentM <= kCandidateMetres) ||
            gf_standUseByOtherLive(state, stand.number, aircraft.info.hexId) != 0 ||
            holdsActiveStatic(state, stand.number)) {
            continue;
        }
        logged.insert(stand.number);
        gf_logLine(fmt::format(
            "{:14}: {} free stand RT endpoint candidate: current {:.1f} m, stream.back {:.1f} m (radius {:.1f} m), "
            "delta hdg {:.1f} deg, current speed {:.1f} kt, last RT speed {:.1f} kt, time offset {:+.1f} s, same {}, "
            "previous state {}",
            stand.id, aircraft.info.head.callsign, currentM, lastM, radiusM,
            std::fabs(wrappedDegrees(aircraft.pose.headingRad - stand.heading)), std::fabs(aircraft.speedKt),
            last.groundSpeedKt, (last.deliveryTick - state.tickCount.load()) / 100.0,
            last.stationary != 0 ? "yes" : "no", gf_flightSituationName(aircraft.previousSituation)));
    }
}

bool StandSteps::tryStreamEnd(TrafficState& state, LiveAircraft& aircraft, bool approachConfirmation,
                              const Lalo& previous) {
    if (aircraft.holdCount >= 1 || aircraft.samples.empty()) {
        return false;
    }
    const StreamSample& last = aircraft.samples.back();
    if (last.deliveryTick - state.tickCount.load() <= 0 || !std::isfinite(last.groundSpeedKt) ||
        last.groundSpeedKt < 0.0 || last.groundSpeedKt > kSlowSpeedKt) {
        return false;
    }
    double metres = 0.0;
    const Stand* stand = kiv::gf_findNearestStand(state.parkStands, detail::positionOf(last), aircraft.info, metres, false);
    if (stand == nullptr || gf_standUseByOtherLive(state, stand->number, aircraft.info.hexId) != 0 ||
        holdsActiveStatic(state, stand->number)) {
        return false;
    }
    const StandPose pose = detail::standPoseOf(*stand);
    const Lalo position = detail::positionOf(aircraft);
    MotionPort& motion = state.ports.motion;
    if (!motion.gf_canApproachStand(pose, stand->radius, position, aircraft.pose.headingRad,
                                    detail::positionOf(last))) {
        return false;
    }
    const StandApproachState approach = motion.gf_standApproachState(pose, position, aircraft.pose.headingRad);
    if (approach.rejected == 0 && std::fabs(approach.lateralM) < 1.0 &&
        !motion.gf_isDirectFinalToStand(pose, position, aircraft.pose.headingRad)) {
        return false;
    }
    if (approachConfirmation &&
        !approachConfirmed(previous, *stand,
                           metresBetween(position.latitude, position.longitude, stand->latitude, stand->longitude))) {
        return false;
    }
    if (!lf_claimStandForLive(state, aircraft, stand->number, true)) {
        return false;
    }
    aircraft.standWork.streamEndTaken = 1;
    return true;
}

void StandSteps::lf_checkFreeStandEndpoint(TrafficState& state, LiveAircraft& aircraft) {
    if (aircraft.onGround == 0 || aircraft.simState != SimState::active ||
        aircraft.situation != FlightSituation::taxi || aircraft.previousSituation == FlightSituation::pushed_back ||
        aircraft.previousSituation == FlightSituation::parked || aircraft.samples.empty()) {
        return;
    }
    if (aircraft.holdCount < 1 && !state.parkStands.empty()) {
        logFreeStandCandidates(state, aircraft);
    }
    LiveStandWork& work = aircraft.standWork;
    const Lalo previous = work.previousCheckPosition;
    const Lalo position = detail::positionOf(aircraft);
    work.previousCheckPosition = position;

    bool approachConfirmation = false;
    if (aircraft.parkArrival == 0 && aircraft.previousSituation != FlightSituation::landing_roll) {
        const Route& route = aircraft.info.head.route;
        if (route.origin.key != 0 || route.destination.key != 0) {
            noteStandAlongPath(state, aircraft, kArrivalNotConfirmed);
            return;
        }
        approachConfirmation = true;
    }
    const double speed = std::fabs(aircraft.speedKt);
    if (!std::isfinite(speed) || speed > kMaxSpeedKt) {
        noteStandAlongPath(state, aircraft, kTooFast);
        return;
    }
    if (speed > kSlowSpeedKt) {
        if (!tryStreamEnd(state, aircraft, approachConfirmation, previous)) {
            noteStandAlongPath(state, aircraft, kTooFast);
        }
        return;
    }

    const double cosLat = std::cos(position.latitude * detail::kDegToRad);
    const Stand* choice = nullptr;
    double choiceEntryM = std::numeric_limits<double>::infinity();
    const Stand* nearestJudged = nullptr;
    double nearestJudgedM = std::numeric_limits<double>::infinity();
    std::string nearestReason;
    for (const Stand& stand : state.parkStands) {
        const double withinNm = std::max(stand.radius + aircraft.info.conflictHalfSpanNm, kJudgeMinNm);
        const double squared = detail::flatDistanceSquaredNm(stand.latitude, stand.longitude, position.latitude,
                                                             position.longitude, cosLat);
        if (!(squared <= withinNm * withinNm)) {
            continue;
        }
        std::string reason;
        double entryM = 0.0;
        if (stand.type == gf_parkingTypeCode(ParkingType::none)) {
            reason = kNoParkingType;
        } else if (stand.blocked) {
            reason = kBlocked;
        } else if (stand.heli != (aircraft.info.sizeClass == SizeClass::Rotorcraft)) {
            reason = kTypeMismatch;
        } else if (!gf_standFitsSizeClass(stand, aircraft.info.sizeClass, aircraft.info.halfSpanNm)) {
            reason = kDoesNotFit;
        } else {
            const StandEntryCheck entry =
                state.ports.motion.gf_checkStandEntry(detail::standPoseOf(stand), stand.radius, position,
                                                      aircraft.pose.headingRad, aircraft.info.conflictHalfSpanNm);
            if (!entry.ok) {
                reason = entry.reason;
            } else if (approachConfirmation && !approachConfirmed(previous, stand, entry.distanceM)) {
                reason = kApproachNotConfirmed;
            } else {
                entryM = entry.distanceM;
            }
        }
        if (reason.empty() && entryM < choiceEntryM) {
            choice = &stand;
            choiceEntryM = entryM;
        }
        const double metres = std::sqrt(squared) * detail::kMetresPerNm;
        const double keepM =
            std::min((stand.radius + aircraft.info.conflictHalfSpanNm) * detail::kMetresPerNm + 10.0, kAlongPathMetres);
        if (metres <= keepM && metres < nearestJudgedM) {
            nearestJudged = &stand;
            nearestJudgedM = metres;
            nearestReason = reason;
        }
    }
    if (choice != nullptr) {
        if (lf_claimStandForLive(state, aircraft, choice->number, true)) {
            work.freeStandTaken = 1;
        } else {
            addRejectedStand(aircraft, *choice, kProtected, choiceEntryM);
        }
        return;
    }
    if (tryStreamEnd(state, aircraft, approachConfirmation, previous)) {
        return;
    }
    if (nearestJudged != nullptr && !nearestReason.empty()) {
        addRejectedStand(aircraft, *nearestJudged, nearestReason, nearestJudgedM);
    }
}

} // namespace kiv
