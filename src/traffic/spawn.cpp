// When and how a buffered live aircraft goes into the simulator: the spawn gate, the first
// situation and pose, the stand at birth, the take-over of a static aircraft's object; the
// respawn on a changed route or livery; and the touch-down and readback handlers.
#include <algorithm>
#include <cmath>
#include <numbers>

#include <fmt/format.h>

#include "airports/stand.h"
#include "foundation/clock.h"
#include "foundation/fnv1a.h"
#include "foundation/log.h"
#include "traffic/aircraft_commands.h"
#include "traffic/aircraft_removal.h"
#include "traffic/aircraft_text.h"
#include "traffic/detail/geo.h"
#include "traffic/detail/settings_access.h"
#include "traffic/live_update_steps.h"
#include "traffic/park_stands.h"
#include "traffic/sim_queues.h"
#include "traffic/stand_helpers.h"
#include "traffic/traffic_state.h"
#include "traffic/user_collisions.h"

namespace kiv {
namespace {

constexpr double kMetresPerNm = 1852.0;
constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kGroundPitchRad = 0.010471975511965976; // 0.6 degrees
constexpr std::int32_t kUnlimitedLive = 500;
constexpr std::size_t kMaxWaitingLiveCreations = 10;
constexpr double kFinalApproachFt = 700.0;
constexpr double kBirthStandSquaredNm = 0.0003571528532577005; // (35 m)^2

bool endsWithUnderscore(const std::string& text) { return !text.empty() && text.back() == '_'; }

bool reached(std::int32_t now, std::int32_t due) noexcept { return gf_ticksAfter(now, -due) >= 0; }

// The callsign without its last character has a live aircraft that is not being removed.
bool liveTwinExists(const TrafficState& state, const std::string& callsign, std::uint32_t ownHexId) {
    if (callsign.empty()) {
        return false;
    }
    const std::string_view twin(callsign.data(), callsign.size() - 1);
    return std::any_of(state.live.begin(), state.live.end(), [&](const LiveAircraft& other) {
        return other.info.hexId != ownHexId && other.simState != SimState::removingfromsim &&
               other.info.head.callsign == twin;
    });
}

ParkAirportInfo validParkAirport(const TrafficState& state) {
    ParkAirportInfo park = state.ports.airports.currentParkAirport();
    if (park.code.empty() || !gf_isValidLalo(park.latitude, park.longitude)) {
        return {};
    }
    return park;
}

IataCode parkIata(const TrafficState& state) {
    const ParkAirportInfo park = state.ports.airports.currentParkAirport();
    if (park.code.empty()) {
        return {};
    }
    const std::optional<KnownAirportInfo> known = state.ports.airports.gf_findKnownAirport(park.code);
    return known ? known->iata : IataCode{};
}

bool withinFiveNmOfPark(const ParkAirportInfo& park, double latitude, double longitude) {
    if (park.code.empty()) {
        return false;
    }
    const double cosPark = std::cos(park.latitude * detail::kDegToRad);
    return detail::flatDistanceSquaredNm(latitude, longitude, park.latitude, park.longitude, cosPark) <= 25.0;
}

double normalisedHeading(double headingRad) {
    if (!std::isfinite(headingRad)) {
        return 0.0;
    }
    double heading = std::fmod(headingRad, kTwoPi);
    if (heading < 0.0) {
        heading += kTwoPi;
    }
    return heading >= kTwoPi ? 0.0 : heading;
}

std::uint64_t spawnKey(const AircraftInfo& info) { return gf_fnv1a64(lf_printSpawnLine(info)); }

std::string routeText(const Route& route) {
    return fmt::format("{}>{}", route.origin.text(), route.destination.text());
}

bool respawnBlockedBySituation(FlightSituation situation) {
    switch (situation) {
    case FlightSituation::pushing_back:
    case FlightSituation::takeoff_roll:
    case FlightSituation::takeoff:
    case FlightSituation::landing:
    case FlightSituation::landing_roll:
    case FlightSituation::parking:
    case FlightSituation::parked:
        return true;
    default:
        return false;
    }
}

void setParkArrival(const TrafficState& state, LiveAircraft& aircraft) {
    const IataCode park = parkIata(state);
    const Route& route = aircraft.info.head.route;
    aircraft.parkArrival = park.key != 0 && route.destination == park && !(route.origin == park) ? 1 : 0;
}

bool validCgHeight(double heightFt) { return std::isfinite(heightFt) && heightFt >= -1.0 && heightFt <= 35.0 && heightFt != 0.0; }

} // namespace

void LiveUpdateSteps::lf_checkSpawnLiveAc(TrafficState& state, LiveAircraft& aircraft) {
    std::deque<StreamSample>& stream = aircraft.samples;
    if (stream.empty()) {
        aircraft.removed = 1;
        return;
    }
    if (!reached(state.tickCount.load(), stream.front().deliveryTick)) {
        return;
    }
    if (stream.size() == 1) {
        stream.pop_front();
        aircraft.removed = 1;
        return;
    }
    const std::string& callsign = aircraft.info.head.callsign;
    if (endsWithUnderscore(callsign) &&
        std::find(state.removedGhosts.begin(), state.removedGhosts.end(), callsign) != state.removedGhosts.end()) {
        aircraft.removed = 1;
        return;
    }
    if (aircraft.info.sizeClass != SizeClass::Rotorcraft &&
        std::any_of(stream.begin(), stream.end(), [](const StreamSample& s) { return s.airborne != 0; })) {
        const bool parkSet = !validParkAirport(state).code.empty();
        const double elevation = parkSet ? state.ports.airports.gf_parkAirportAltitude().value_or(0.0) : 0.0;
        if (stream.front().altitudeFt - elevation <= kFinalApproachFt) {
            stream.pop_front();
            return;
        }
    }
    if (lf_spawnBlockedByUser(state, aircraft)) {
        return;
    }
    if (state.liveCreationQueue.size() > kMaxWaitingLiveCreations && aircraft.situation == FlightSituation::birth) {
        stream.pop_front();
        return;
    }
    const auto settings = detail::settings();
    if (settings->maxLiveSel == 0) {
        aircraft.removed = 1;
        return;
    }
    if (settings->maxLiveSel != kUnlimitedLive) {
        const auto created = std::count_if(state.live.begin(), state.live.end(), [](const LiveAircraft& a) {
            return a.simState == SimState::adding2sim || a.simState == SimState::active;
        });
        if (created >= settings->maxLiveSel) {
            const StreamSample& front = stream.front();
            const double distance =
                detail::distanceNm(state.user.latitude, state.user.longitude, front.latitude, front.longitude);
            if (lf_isThisTheFurthestLive(state, distance)) {
                aircraft.removed = 1;
                return;
            }
        }
    }
    lf_completeLiveryKey(state, aircraft);
    if (callsign.empty()) {
        aircraft.removed = 1;
        return;
    }
    if (stream.front().altitudeFt <= settings->tcasFl * 100.0 &&
        state.failedSpawnSet.contains(spawnKey(aircraft.info))) {
        aircraft.removed = 1;
        return;
    }
    if (endsWithUnderscore(callsign) && liveTwinExists(state, callsign, aircraft.info.hexId)) {
        aircraft.removed = 1;
        return;
    }
    spawnLiveAc(state, aircraft);
}

bool LiveUpdateSteps::lf_spawnBlockedByUser(TrafficState& state, LiveAircraft& aircraft) {
    const UserAircraftState& user = state.user;
    StreamSample& front = aircraft.samples.front();
    const bool frontOnGround = front.airborne == 0;
    const auto settings = detail::settings();
    const bool userLow = !std::isfinite(user.altitudeAboveGroundFt) || user.altitudeAboveGroundFt <= 500.0;
    if (user.onGround && userLow) {
        if (aircraft.userHold != 0) {
            const double metres =
                detail::distanceNm(user.latitude, user.longitude, front.latitude, front.longitude) * kMetresPerNm;
            if (user.groundSpeedKt > 8.0 || (frontOnGround && (front.groundSpeedKt > 8.0 || metres < 500.0))) {
                aircraft.samples.pop_front();
                return true;
            }
        }
        if (frontOnGround && settings->collisionUserGnd &&
            state.ports.motion.gf_withinRadii({user.latitude, user.longitude}, lf_userGroundCollisionTermNm(state),
                                              {front.latitude, front.longitude}, aircraft.info.conflictHalfSpanNm)) {
            aircraft.samples.pop_front();
            return true;
        }
        return false;
    }
    if (!settings->collisionUserAir) {
        return false;
    }
    aircraft.pose.latitude = front.latitude;
    aircraft.pose.longitude = front.longitude;
    aircraft.pose.altitudeFt = front.altitudeFt;
    bool hit = false;
    if (!frontOnGround) {
        hit = checkUserAirCollision(state, aircraft, std::cos(user.latitude * detail::kDegToRad));
    } else if (userLow) {
        aircraft.onGround = 1;
        hit = checkUserAirGndCollision(state, aircraft);
    }
    if (!hit) {
        return false;
    }
    aircraft.userHold = 1;
    aircraft.samples.pop_front();
    return true;
}

void LiveUpdateSteps::lf_completeLiveryKey(TrafficState& state, LiveAircraft& aircraft) {
    LiveryKey& key = aircraft.info.head.liveryKey;
    if (key.present != 0) {
        return;
    }
    ModelsPort& models = state.ports.models;
    const std::string& registration = aircraft.info.head.registration;
    if (!registration.empty()) {
        if (const std::optional<LiveryKey> found = models.gf_lookupRegistration(registration)) {
            key = *found;
        }
    }
    if (key.airlineId == 0 && !models.gf_airlineCodeFromCallsign(aircraft.info.head.callsign, key)) {
        key.airlineId = models.gf_airlineId("PVT");
    }
    if (models.modelCode(key.modelId) == "B777" && models.gf_isCargo(key)) {
        key.modelId = models.gf_modelId("B77F");
        key.cargo = 1;
    }
}

void LiveUpdateSteps::spawnLiveAc(TrafficState& state, LiveAircraft& aircraft) {
    aircraft.promotionCandidate = 0;
    std::deque<StreamSample>& stream = aircraft.samples;
    if (stream.size() < 2) {
        gf_logImportant(fmt::format("{} sz:{}", "spawnLiveAc", stream.size()));
        return;
    }
    AircraftInfo& info = aircraft.info;
    if (info.head.registration.empty()) {
        info.head.registration = info.head.callsign;
    }
    if (stream[1].stationary != 0) {
        stream[0].stationary = 1;
        stream[0].groundSpeedKt = 0.0;
        stream[1].groundSpeedKt = 0.0;
        if (stream.size() >= 3 && stream[2].stationary != 0) {
            stream[2].groundSpeedKt = 0.0;
        }
    } else {
        stream[0].stationary = 0;
    }
    if (aircraft.situation == FlightSituation::birth) {
        if (!lf_chooseLiveryForLive(state, aircraft, stream.front().altitudeFt)) {
            aircraft.removed = 1;
            if (info.isCoverageOnly == 0 && !info.head.registration.empty()) {
                state.failedSpawnSet.insert(spawnKey(info));
                state.ports.models.addToNoMatchList(gf_aircraftText(info));
            }
            return;
        }
        if (stream.front().airborne != 0) {
            gf_setSituation(state, aircraft, FlightSituation::flying);
        } else if (const std::optional<Stand> stand = lf_findStandAtBirth(state, aircraft)) {
            gf_assignStand(aircraft, *stand);
            aircraft.parkArrival = 0;
            gf_setSituation(state, aircraft, FlightSituation::parked);
            aircraft.parkedSlot = WeekdaySlot{state.currentSlot.load()};
            aircraft.arrivalTime = 0;
            aircraft.parkedSinceTime = 0;
            aircraft.departurePending = 0;
            aircraft.pullOut = 0;
            aircraft.towed = 0;
            stream.resize(1);
            stream.front().latitude = stand->latitude;
            stream.front().longitude = stand->longitude;
            stream.front().trackDeg = stand->heading / detail::kDegToRad;
            state.ports.steps.gf_addRealStandOption(state, stand->number, aircraft, 1);
            if (aircraft.promotionCandidate == 0) {
                state.ports.steps.gf_limitParkedAircraft(state, 1);
            }
        } else if (aircraft.removed == 0) {
            const bool fast = std::any_of(stream.begin(), stream.end(),
                                          [](const StreamSample& s) { return s.groundSpeedKt > 30.0; });
            if (stream[1].stationary != 0 || fast) {
                stream.pop_front();
                return;
            }
            gf_setSituation(state, aircraft, FlightSituation::taxi);
            setParkArrival(state, aircraft);
        }
    }
    if (aircraft.removed != 0) {
        return;
    }
    lf_initPoseFromStream(state, aircraft);
    if (aircraft.promotionCandidate != 0 && lf_promoteStaticToLive(state, aircraft)) {
        return;
    }
    aircraft.simState = SimState::adding2sim;
    state.addingStack.push_back(info.hexId);
    if (!endsWithUnderscore(info.head.callsign)) {
        // By value: the removal may move records of the live table.
        const std::string callsign = info.head.callsign;
        state.ports.steps.lf_removeGhostWithUnderscoreIfPresent(state, callsign);
    }
}

std::optional<Stand> LiveUpdateSteps::lf_findStandAtBirth(TrafficState& state, LiveAircraft& aircraft) {
    const ParkAirportInfo park = validParkAirport(state);
    if (state.parkStands.empty() || park.code.empty()) {
        return std::nullopt;
    }
    const std::deque<StreamSample>& stream = aircraft.samples;
    const StreamSample& front = stream.front();
    if (!withinFiveNmOfPark(park, front.latitude, front.longitude)) {
        return std::nullopt;
    }
    if (front.stationary == 0) {
        const bool slow =
            std::all_of(stream.begin(), stream.end(), [](const StreamSample& s) { return s.groundSpeedKt <= 6.0; });
        const StreamSample& last = stream.back();
        const double cosFront = std::cos(front.latitude * detail::kDegToRad);
        if (!slow || detail::flatDistanceSquaredNm(front.latitude, front.longitude, last.latitude, last.longitude,
                                                   cosFront) > kBirthStandSquaredNm) {
            return std::nullopt;
        }
    }
    const StreamSample& search = front.stationary != 0 ? front : stream.back();
    if (aircraft.birthStandSearched != 0 && aircraft.birthStandFound == 0 &&
        std::fabs(search.latitude - aircraft.birthStandSearch.latitude) < 1e-8 &&
        std::fabs(search.longitude - aircraft.birthStandSearch.longitude) < 1e-8) {
        return std::nullopt;
    }
    aircraft.birthStandSearch = {search.latitude, search.longitude};
    aircraft.birthStandSearched = 1;
    TrafficSteps& steps = state.ports.steps;
    double distanceMetres = 0.0;
    const Stand* nearest =
        steps.gf_findNearestStand(state, search.latitude, search.longitude, aircraft.info, distanceMetres, true);
    if (nearest == nullptr) {
        aircraft.birthStandFound = 0;
        return std::nullopt;
    }
    aircraft.birthStandFound = 1;
    const Stand stand = *nearest; // a copy: the steps below may change the park stands
    if (gf_isUserOrReservedStand(state, stand)) {
        return std::nullopt;
    }
    const std::uint32_t hexId = aircraft.info.hexId;
    bool usable = steps.lf_checkStandIsNotUsedByOtherLiveAircraftSub(state, stand.number, aircraft);
    for (std::size_t i = 0; usable && i < state.live.size(); ++i) {
        const LiveAircraft& other = state.live[i];
        if (other.info.hexId == hexId) {
            continue;
        }
        for (const std::uint32_t excluded : stand.overlaps) {
            if (steps.lf_liveParkedConflict(state, other, excluded, aircraft, stand.number)) {
                usable = false;
                break;
            }
        }
    }
    if (!usable || !steps.lf_standFreeForLive(state, stand.number, hexId)) {
        aircraft.removed = 1;
        return std::nullopt;
    }
    if (const std::optional<std::uint32_t> twin = steps.lf_makeWayForLive(state, aircraft, stand.number, true)) {
        aircraft.promotionCandidate = *twin;
    }
    aircraft.samples.front().stationary = 1;
    aircraft.samples.front().groundSpeedKt = 0.0;
    return stand;
}

void LiveUpdateSteps::lf_initPoseFromStream(TrafficState& state, LiveAircraft& aircraft) {
    const StreamSample& front = aircraft.samples.front();
    MotionPort& motion = state.ports.motion;
    AiPose& pose = aircraft.pose;
    pose.latitude = front.latitude;
    pose.longitude = front.longitude;
    pose.altitudeFt = front.altitudeFt;
    pose.pitchRad = front.airborne != 0 ? motion.gf_climbDescentProfile(front, aircraft.info.sizeClass)
                                        : kGroundPitchRad;
    pose.bankRad = 0.0;
    if (front.bankRad && std::isfinite(*front.bankRad)) {
        const double height = front.altitudeFt - state.ports.airports.gf_parkAirportAltitude().value_or(0.0);
        const double limit = std::fabs(motion.gf_bankLimit(motion.gf_maxBankAngle(aircraft.info.sizeClass),
                                                           aircraft.situation == FlightSituation::landing, height));
        pose.bankRad = std::clamp(*front.bankRad, -limit, limit);
    }
    double heading = front.trackDeg * detail::kDegToRad;
    if (aircraft.respawnPose != 0) {
        heading = aircraft.respawnHeadingRad;
    } else if (aircraft.situation == FlightSituation::parked) {
        heading = aircraft.standHeading;
    } else if (aircraft.samples.size() >= 2) {
        const StreamSample& next = aircraft.samples[1];
        if (next.stationary == 0) {
            heading = detail::initialBearingRad(front.latitude, front.longitude, next.latitude, next.longitude);
        }
    }
    pose.headingRad = normalisedHeading(heading);
    state.learnedStandMatchQueue.push_back(aircraft.info.hexId);
}

bool LiveUpdateSteps::lf_promoteStaticToLive(TrafficState& state, LiveAircraft& aircraft) {
    const std::uint32_t staticHexId = aircraft.promotionCandidate;
    const std::uint32_t hexId = aircraft.info.hexId;
    auto found = std::find_if(state.statics.begin(), state.statics.end(),
                              [staticHexId](const StaticAircraft& s) { return s.info.hexId == staticHexId; });
    if (found == state.statics.end()) {
        return false;
    }
    const auto standId = static_cast<std::int32_t>(aircraft.standId);
    // Every precondition is checked before anything is withdrawn.
    if (found->simState != SimState::active || found->standId != aircraft.standId || found->objectId < 3 ||
        !state.ports.steps.gf_standClaimedByLive(state, aircraft.standId, hexId) ||
        state.ports.steps.gf_standUseByOtherLive(state, aircraft.standId, hexId) != 0) {
        return false;
    }
    const StaticAircraft taken = *found;
    state.statics.erase(found);
    lf_dropSimCommands(state, staticHexId, 0);
    std::erase(state.addingStack, staticHexId);
    std::erase(state.learnedStandMatchQueue, staticHexId);
    std::erase_if(state.delayedLightCommands,
                  [staticHexId](const DelayedLightCommand& c) { return c.hexId == staticHexId; });
    state.ports.steps.lf_recheckWaitingLiveCreations(state);
    if (!state.deferredParkedAdds.empty()) {
        state.ports.steps.lf_releaseDeferredParkedAdds(state);
    }

    ++promotions_;
    aircraft.info.liveryTitle = taken.info.liveryTitle;
    aircraft.info.isPackageLivery = taken.info.isPackageLivery;
    aircraft.simPose = taken.simPose;
    aircraft.simPoseKnown = taken.simPoseKnown;
    aircraft.cgKnown = taken.cgKnown;
    aircraft.info.classDistance = taken.info.classDistance;
    aircraft.info.cgFromSim = taken.info.cgFromSim;
    aircraft.info.staticPitchRad = taken.info.staticPitchRad;
    aircraft.promoted = 1;
    lf_applyPoseReadback(state, aircraft);

    const std::uint32_t objectId = taken.objectId;
    state.ports.link.queuePromotedObject(objectId);
    SimEvent assignment;
    assignment.objectId = objectId;
    assignment.key = hexId;
    assignment.kind = SimEventKind::liveAssigned;
    if (!lf_placeAssignedLive(state, aircraft, assignment, false)) {
        gf_logImportant(fmt::format("Promotion failed for {} object {}", aircraft.info.head.callsign, objectId));
        // The object belongs to nobody now: it leaves the simulator.
        state.removalQueue.push_back(objectId);
        aircraft.objectId = 0;
        aircraft.promoted = 0;
        return false;
    }
    if (aircraft.simPoseKnown == 0 || aircraft.cgKnown == 0) {
        aircraft.simState = SimState::adding2sim;
        SimEvent command;
        command.objectId = objectId;
        command.key = hexId;
        command.kind = static_cast<SimEventKind>(kPromotionCommandKind);
        commands_.push_back(command);
    } else {
        lf_activateLive(state, aircraft);
    }
    gf_logLine(fmt::format("{:14}: {:8} {} promoted to live {} {}", gf_standName(state, standId),
                           taken.info.head.callsign, taken.info.head.registration, aircraft.info.head.callsign,
                           aircraft.info.head.registration));
    return true;
}

void LiveUpdateSteps::lf_mergeBufferedRecord(LiveAircraft& aircraft, const TrafficRecord& record) {
    TrafficRecordHead& head = aircraft.info.head;
    const TrafficRecordHead& next = record.head;
    if (next.route.destination.key != 0 && !(next.route.destination == head.route.destination)) {
        head.route.destination = next.route.destination;
    }
    if (next.route.origin.key != 0 && !(next.route.origin == head.route.origin)) {
        head.route.origin = next.route.origin;
    }
    if (!next.callsign.empty() && next.callsign != head.callsign) {
        head.callsign = next.callsign;
    }
    if (!next.registration.empty() && next.registration != head.registration) {
        head.registration = next.registration;
    }
}

bool LiveUpdateSteps::lf_checkRespawn(TrafficState& state, LiveAircraft& aircraft, const TrafficRecord& record) {
    if (aircraft.simState == SimState::buffer) {
        lf_mergeBufferedRecord(aircraft, record);
        return true;
    }
    TrafficRecordHead& head = aircraft.info.head;
    const std::string& callsign = record.head.callsign;
    if (!callsign.empty() && callsign != head.callsign) {
        if (endsWithUnderscore(callsign) && liveTwinExists(state, callsign, aircraft.info.hexId)) {
            return false;
        }
        if (!endsWithUnderscore(callsign)) {
            state.ports.steps.lf_removeGhostWithUnderscoreIfPresent(state, callsign);
        }
        gf_logLine(fmt::format("{:16}callsign changed {} -> {}", "", head.callsign, callsign));
        head.callsign = callsign;
        head.prevCallsign = callsign;
        head.thirdText.clear();
        if (aircraft.objectId != 0) {
            state.ports.link.queueAtcId({aircraft.objectId, callsign});
        }
    }
    const std::string& registration = record.head.registration;
    if (!registration.empty() && registration != head.registration) {
        if (registration == head.callsign) {
            aircraft.registrationBecameKnown = 0;
        } else if (head.registration.empty() || head.registration == head.callsign) {
            aircraft.registrationBecameKnown = 1;
        }
        head.registration = registration;
    }
    if (aircraft.simState != SimState::active || respawnBlockedBySituation(aircraft.situation) ||
        aircraft.holdCount >= 1) {
        return true;
    }
    const auto settings = detail::settings();
    std::string reasons;
    if (!lf_routeUnchanged(state, aircraft, record)) {
        reasons = "orig-dest change";
    }
    std::optional<AircraftInfo> rechosen;
    if (settings->guidChanges && aircraft.registrationBecameKnown != 0) {
        AircraftInfo copy = aircraft.info;
        if (const std::optional<LiveryKey> key = state.ports.models.gf_lookupRegistration(head.registration)) {
            copy.head.liveryKey = *key;
        }
        copy.liveryTitle = {};
        state.ports.models.gf_chooseLivery(copy, aircraft.pose.altitudeFt, state.user.altitudeFt);
        if (!copy.liveryTitle.empty() && copy.liveryTitle != aircraft.info.liveryTitle) {
            reasons += reasons.empty() ? "regcode became known" : ", regcode became known";
            rechosen = copy;
        } else {
            head.liveryKey = copy.head.liveryKey;
            aircraft.registrationBecameKnown = 0;
        }
    }
    if (reasons.empty() || !settings->guidChanges) {
        return true;
    }
    gf_logLine(fmt::format("{:16}{} respawns because of {}", "",
                           fmt::format("{:8} {:12} {}", head.callsign, head.registration, head.route), reasons));
    liveryRespawn(state, aircraft);
    if (rechosen && aircraft.simState == SimState::liveryrespawn) {
        aircraft.info.head.liveryKey = rechosen->head.liveryKey;
        aircraft.info.liveryTitle = rechosen->liveryTitle;
        aircraft.info.isPackageLivery = rechosen->isPackageLivery;
        aircraft.info.isCoverageOnly = rechosen->isCoverageOnly;
        state.ports.models.gf_forgetLiveryOfHexid(aircraft.info.hexId);
        state.ports.models.rememberLiveryOfHexid(aircraft.info.hexId, aircraft.info.liveryTitle);
        gf_setSituation(state, aircraft, FlightSituation::birth);
        aircraft.registrationBecameKnown = 0;
    }
    return false;
}

bool LiveUpdateSteps::lf_routeUnchanged(TrafficState& state, LiveAircraft& aircraft, const TrafficRecord& record) {
    Route& route = aircraft.info.head.route;
    const Route old = route;
    const Route& next = record.head.route;
    bool result = true;
    if (route.destination.key == 0 && next.destination.key != 0) {
        route.destination = next.destination;
        result = false;
    }
    if (route.origin.key == 0 && next.origin.key != 0) {
        route.origin = next.origin;
        result = false;
    }
    const bool destinationChanged =
        old.destination.key != 0 && next.destination.key != 0 && !(old.destination == next.destination);
    const bool originChanged = old.origin.key != 0 && next.origin.key != 0 && !(old.origin == next.origin);
    const IataCode park = parkIata(state);
    const auto finish = [&](bool value) {
        if (!value && aircraft.onGround != 0 && aircraft.situation == FlightSituation::taxi) {
            setParkArrival(state, aircraft);
        }
        return value;
    };
    if (!destinationChanged && !originChanged) {
        aircraft.pendingRoute.clear();
        return finish(result);
    }
    const bool oldTouchesPark = park.key != 0 && (old.origin == park || old.destination == park);
    const bool newTouchesPark = park.key != 0 && (next.origin == park || next.destination == park);
    if (oldTouchesPark && !newTouchesPark) {
        aircraft.pendingRoute.clear();
        return true;
    }
    if (destinationChanged != originChanged) {
        aircraft.pendingRoute.clear();
        return finish(result);
    }
    if (park.key != 0 && next.destination == park && old.origin == park) {
        aircraft.pendingRoute.clear();
        return finish(result);
    }
    const std::string text = routeText(next);
    if (text == routeText(old) || text.empty()) {
        aircraft.pendingRoute.clear();
        return true;
    }
    if (text != aircraft.pendingRoute) {
        aircraft.pendingRoute = text;
        aircraft.pendingRouteCount = 1;
        return true;
    }
    if (++aircraft.pendingRouteCount < 3) {
        return true;
    }
    aircraft.pendingRoute.clear();
    aircraft.pendingRouteCount = 0;
    route = next;
    if (aircraft.onGround != 0 && !respawnBlockedBySituation(aircraft.situation)) {
        gf_setSituation(state, aircraft, FlightSituation::taxi);
    }
    return finish(false);
}

void LiveUpdateSteps::lf_reportTouchDown(TrafficState& state, LiveAircraft& aircraft) {
    aircraft.touchedDown = 1;
    state.fastPollFlag = false;
    const std::int32_t ticksActive = gf_ticksAfter(state.tickCount.load(), -aircraft.activationTick);
    const bool hoverLanding = aircraft.info.sizeClass == SizeClass::Rotorcraft && aircraft.activatedAirborne != 0 &&
                              ticksActive / 100 < 30;
    if (!hoverLanding) {
        const ParkAirportInfo park = validParkAirport(state);
        const bool atPark = withinFiveNmOfPark(park, aircraft.pose.latitude, aircraft.pose.longitude);
        const IataCode parkCode = atPark ? parkIata(state) : IataCode{};
        const std::string place = atPark ? fmt::format(" at {}", parkCode.text()) : std::string(" at ?");
        const IataCode origin = aircraft.info.head.route.origin;
        const std::string from =
            atPark && origin.key != 0 && !(origin == parkCode) ? fmt::format(" from {}", origin.text()) : std::string();
        const std::string text = fmt::format(
            "{} {} {} {} {} touch down{}{} ...", gf_dataTimeTextShort(), aircraft.info.head.callsign,
            aircraft.info.head.registration, state.ports.motion.gf_airlineCodesText(aircraft),
            state.ports.models.modelCode(aircraft.info.head.liveryKey.modelId), place, from);
        if (detail::settings()->flightMessages) {
            state.ports.shell.showMessage(text, false);
        }
    }
    aircraft.touchdownHeading = aircraft.pose.headingRad;
    gf_setSpoilers(state, aircraft, 1);
    if (aircraft.info.sizeClass != SizeClass::Light) {
        state.ports.link.gf_setReverseThrust(aircraft.objectId, 1, aircraft.info.isPackageLivery);
    }
    const std::uint32_t steps = aircraft.info.classValue2;
    if (steps == 0) {
        gf_logLine(fmt::format("{} ! onGround slots {:.1f}", aircraft.info.head.callsign, static_cast<double>(steps)));
        aircraft.pose.pitchRad = aircraft.info.staticPitchRad;
        aircraft.pitchChangePerTick = 0.0;
    } else {
        aircraft.pitchChangePerTick = (aircraft.info.staticPitchRad - aircraft.pose.pitchRad) / steps;
        aircraft.bankChangePerTick = -aircraft.pose.bankRad / steps;
    }
    state.learnedStandMatchQueue.push_back(aircraft.info.hexId);
}

void LiveUpdateSteps::lf_applyGroundReadback(TrafficState&, LiveAircraft& aircraft, const SimEvent& event) {
    const double groundFt = event.data[0];
    const double heightFt = event.data[1];
    aircraft.heightAboveGroundFt = heightFt;
    aircraft.heightReported = 1;
    if (aircraft.situation == FlightSituation::parked && std::isfinite(groundFt)) {
        aircraft.groundElevationFt = groundFt;
        aircraft.groundElevationKnown = 1;
        if (aircraft.promoted != 0 && aircraft.simPoseKnown != 0) {
            return;
        }
    }
    if (!std::isfinite(groundFt)) {
        return;
    }
    const double cgFt = aircraft.info.classDistance;
    const double staticPitch = aircraft.info.staticPitchRad;
    const double pitch = aircraft.pose.pitchRad;
    if (aircraft.onGround != 0) {
        if (aircraft.situation == FlightSituation::landing_roll && aircraft.heightLatched == 0) {
            double usable = heightFt;
            if (!validCgHeight(usable)) {
                usable = aircraft.pose.altitudeFt - groundFt;
            }
            if (validCgHeight(usable)) {
                aircraft.heightLatched = 1;
                aircraft.latchedHeightFt = usable;
                aircraft.latchedPitchRad = pitch;
            }
        }
        const bool cgValid = validCgHeight(cgFt);
        if (aircraft.heightLatched != 0 && !cgValid) {
            aircraft.pose.altitudeFt = groundFt + aircraft.latchedHeightFt;
        } else if (aircraft.heightLatched != 0 && std::isfinite(aircraft.latchedPitchRad) && std::isfinite(pitch) &&
                   std::isfinite(staticPitch) && std::fabs(aircraft.latchedPitchRad - staticPitch) > 1e-9) {
            const double share =
                std::clamp(std::fabs((pitch - staticPitch) / (aircraft.latchedPitchRad - staticPitch)), 0.0, 1.0);
            aircraft.pose.altitudeFt = groundFt + cgFt + (aircraft.latchedHeightFt - cgFt) * share;
        } else {
            aircraft.pose.altitudeFt = cgValid ? groundFt + cgFt : groundFt;
        }
        return;
    }
    if (aircraft.groundReports >= 2) {
        double lift = 0.0;
        if (std::isfinite(cgFt) && std::isfinite(staticPitch) && std::isfinite(pitch)) {
            const double spanFt = std::clamp(aircraft.info.halfSpanNm * 6076.11549 * 0.22, 4.0, 20.0);
            lift = std::sin(std::clamp(std::fabs(pitch - staticPitch), 0.0, 0.3490658503988659)) * spanFt;
        }
        aircraft.pose.altitudeFt = groundFt + cgFt + lift;
    }
}

void LiveUpdateSteps::lf_applyPoseReadback(TrafficState&, LiveAircraft& aircraft) {
    if (aircraft.situation != FlightSituation::parked || aircraft.simPoseKnown == 0) {
        return;
    }
    const AiPose& read = aircraft.simPose;
    aircraft.pose.latitude = read.latitude;
    aircraft.pose.longitude = read.longitude;
    aircraft.pose.altitudeFt = read.altitudeFt;
    aircraft.pose.pitchRad = read.pitchRad;
    aircraft.pose.bankRad = read.bankRad;
    aircraft.pose.headingRad = read.headingRad;
    if (!aircraft.samples.empty()) {
        StreamSample& front = aircraft.samples.front();
        front.latitude = read.latitude;
        front.longitude = read.longitude;
        front.trackDeg = read.headingRad / detail::kDegToRad;
        front.altitudeFt = read.altitudeFt;
    }
    aircraft.standHeading = read.headingRad;
    lf_applyParkedGroundAltitude(aircraft);
}

void LiveUpdateSteps::lf_applyParkedGroundAltitude(LiveAircraft& aircraft) {
    if (aircraft.situation != FlightSituation::parked || aircraft.promoted != 0 || aircraft.simPoseKnown == 0 ||
        aircraft.groundElevationKnown == 0 || aircraft.cgKnown == 0) {
        return;
    }
    aircraft.pose.altitudeFt = aircraft.groundElevationFt + aircraft.info.classDistance;
    if (!aircraft.samples.empty()) {
        aircraft.samples.front().altitudeFt = aircraft.pose.altitudeFt;
    }
}

} // namespace kiv
