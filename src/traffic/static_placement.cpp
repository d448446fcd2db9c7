#include "traffic/static_placement.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "foundation/log.h"
#include "settings/startup_checks.h"
#include "traffic/aircraft_removal.h"
#include "traffic/batch_intake.h"
#include "traffic/detail/geo.h"
#include "traffic/detail/settings_access.h"
#include "traffic/learned_stand_use.h"
#include "traffic/park_stands.h"
#include "traffic/parking_planner.h"
#include "traffic/stand_helpers.h"
#include "traffic/traffic_exception.h"
#include "traffic/traffic_state.h"
#include "traffic/user_collisions.h"

namespace kiv {
namespace {

constexpr std::uint32_t kSerialModulus = 10000;
constexpr double kRadToDeg = 57.29577951308232;
constexpr std::int32_t kSlotsPerDay = 48;

std::int64_t filledStands(const TrafficState& state) {
    return std::count_if(state.parkStands.begin(), state.parkStands.end(), [](const Stand& s) { return s.filled; });
}

bool removingOrPending(const AircraftRecord& aircraft) {
    return aircraft.removePending != 0 || aircraft.simState == SimState::removingfromsim;
}

bool atStandSituation(FlightSituation situation) {
    return situation == FlightSituation::pushing_back || situation == FlightSituation::pushed_back ||
           situation == FlightSituation::parking || situation == FlightSituation::parked;
}

WeekdaySlot parkedAt(WeekdaySlot now, std::int32_t offset) {
    std::int32_t weekday = now.weekday();
    std::int32_t slot = now.slot() - offset;
    while (slot < 0) {
        slot += kSlotsPerDay;
        weekday = weekday <= 1 ? 7 : weekday - 1;
    }
    return WeekdaySlot{static_cast<std::uint64_t>(static_cast<std::uint32_t>(weekday)) |
                       static_cast<std::uint64_t>(static_cast<std::uint32_t>(slot)) << 32};
}

// The candidate waits (true) while an aircraft on its stand, or on a stand excluding it, is
// being removed.
bool waitsForRemoval(const TrafficState& state, const StaticCandidate& candidate) {
    const auto blocks = [&](const AircraftRecord& a) {
        return removingOrPending(a) && gf_standExcludes(state, static_cast<std::int32_t>(a.standId), candidate.standId);
    };
    return std::any_of(state.statics.begin(), state.statics.end(), blocks) ||
           std::any_of(state.live.begin(), state.live.end(), blocks);
}

// Logs and returns true when a live or static aircraft holds the stand or a neighbour.
bool standHeld(TrafficState& state, const StaticCandidate& candidate, const std::string& standText) {
    for (const LiveAircraft& aircraft : state.live) {
        const auto standId = static_cast<std::int32_t>(aircraft.standId);
        if (atStandSituation(aircraft.situation) && gf_standExcludes(state, standId, candidate.standId)) {
            gf_logLine(standId != candidate.standId
                           ? fmt::format("{:14}: no static parking for {}, live aircraft {} is adjacent at {}, "
                                         "possibly colliding",
                                         standText, candidate.callsign1, aircraft.info.head.callsign,
                                         gf_standName(state, standId))
                           : fmt::format("{:14}: no static parking for {}, live aircraft {} standing here", standText,
                                         candidate.callsign1, aircraft.info.head.callsign));
            return true;
        }
    }
    for (const StaticAircraft& aircraft : state.statics) {
        const auto standId = static_cast<std::int32_t>(aircraft.standId);
        if (aircraft.simState != SimState::removingfromsim && gf_standExcludes(state, standId, candidate.standId)) {
            gf_logLine(standId != candidate.standId
                           ? fmt::format("{:14}: no static parking for {}, static aircraft {} is adjacent at {}, "
                                         "possibly colliding",
                                         standText, candidate.callsign1, aircraft.info.head.callsign,
                                         gf_standName(state, standId))
                           : fmt::format("{:14}: no static parking for {}, static aircraft {} standing here",
                                         standText, candidate.callsign1, aircraft.info.head.callsign));
            return true;
        }
    }
    if (state.ports.steps.gf_standUseByOtherLive(state, static_cast<std::uint32_t>(candidate.standId), 0) != 0) {
        gf_logLine(fmt::format("{:14}: no static parking for {}, live aircraft occupies the stand", standText,
                               candidate.callsign1));
        return true;
    }
    return false;
}

void createStatic(TrafficState& state, const StaticCandidate& candidate, const Stand& stand) {
    const std::uint32_t serial = gf_nextStaticSerial(state);
    TrafficRecordHead head;
    head.liveryKey = candidate.key;
    head.callsign = !candidate.callsign1.empty()
                        ? lf_determineStaticCallsign(candidate)
                        : fmt::format("{}{}", state.ports.models.airlineCode(candidate.key.airlineId), serial);
    head.prevCallsign = candidate.callsign1;
    head.thirdText = candidate.callsign2;
    head.registration = candidate.registration;
    AircraftInfo info = gf_makeAircraftInfo(state.ports.models, head);
    info.hexId = serial;
    if (!state.ports.models.gf_chooseStaticLivery(info, stand)) {
        return;
    }
    const std::string title(info.liveryTitle);
    const std::string callsign = info.head.callsign;
    state.statics.emplace_back(std::move(info), stand.number, StandPose{stand.latitude, stand.longitude, stand.heading},
                               stand.cargo, stand.id);
    StaticAircraft& aircraft = state.statics.back();
    aircraft.source = candidate.source;
    aircraft.serviceHexId = candidate.hexId;
    aircraft.parkedSlot = parkedAt(WeekdaySlot{state.currentSlot.load()}, candidate.offset);
    aircraft.simState = SimState::adding2sim;
    CreateCommand command;
    command.latitude = stand.latitude;
    command.longitude = stand.longitude;
    // Parked aircraft stand on the park airport's ground.
    command.altitudeFt = state.ports.airports.gf_parkAirportAltitude().value_or(0.0);
    command.headingDeg = stand.heading * kRadToDeg;
    command.onGround = 1;
    command.title = title;
    command.tailNumber = callsign;
    command.hexId = serial;
    state.staticCreationQueue.push_back(std::move(command));
}

} // namespace

std::uint32_t gf_nextStaticSerial(TrafficState& state) {
    for (std::uint32_t tries = 0; tries < kSerialModulus; ++tries) {
        state.staticSerial = (state.staticSerial + 1) % kSerialModulus;
        const std::uint32_t serial = state.staticSerial;
        if (serial == 0) {
            continue; // 0 means "no hex id"
        }
        const bool inUse = std::any_of(state.statics.begin(), state.statics.end(),
                                       [serial](const StaticAircraft& a) { return a.info.hexId == serial; });
        if (!inUse) {
            return serial;
        }
    }
    return state.staticSerial;
}

void lf_blockUserStands(TrafficState& state) {
    const std::optional<std::string> reserved = state.ports.airports.gf_currentParkAirportStand();
    if (reserved) {
        gf_blockUserStandForStatic(state, *reserved, "Reserved");
    }
    const UserAircraftState user = state.ports.link.gf_getUserAircraft();
    const std::optional<std::string> userStand = gf_findStandAtPosition(state, user.latitude, user.longitude);
    if (userStand && (!reserved || *reserved != *userStand)) {
        gf_blockUserStandForStatic(state, *userStand, "User");
    }
}

void lf_autoPark(TrafficState& state, ParkingData& data) {
    if (state.parkStands.empty()) {
        return;
    }
    ShellPort& shell = state.ports.shell;
    const WeekdaySlot now = lf_logParkingTime(state);
    shell.gf_disableParkingControls();
    shell.markGeneratingParking();
    shell.postRepaint(4);
    state.parkingPlanInForce = true;
    state.pendingParkedAdds.clear();
    state.deferredParkedAdds.clear();
    shell.setLiveFit(-1.0F);
    shell.postStaticFit(-1.0F);
    state.staticFitHidden = false;
    shell.setStaticFitHidden(false);
    gf_refreshLiveFeedIds(state);
    for (Stand& stand : state.parkStands) {
        stand.filled = false;
        stand.blocked = false;
        for (FlightOption& option : stand.options) {
            option.planSkip = false;
        }
    }
    lf_blockUserStands(state);
    const auto settings = detail::settings();
    const auto stands = static_cast<std::int64_t>(state.parkStands.size());
    std::int32_t needed = 0;
    if (!settings->rtParkTrafficOnly) {
        needed = gf_computeMaxPark(state, {settings->parkingPercentage, settings->maxParkSel});
    } else {
        needed = settings->maxParkSel < 1 ? 0 : static_cast<std::int32_t>(std::min<std::int64_t>(settings->maxParkSel, stands));
        state.maxParkCount = needed;
        shell.postMaxPark(static_cast<std::uint32_t>(needed),
                          static_cast<std::uint32_t>(std::llround(static_cast<double>(needed) * 100.0 /
                                                                  static_cast<double>(stands))));
    }
    if (needed > 0) {
        state.ports.feeds.gf_requestRTAPIParkedTraffic(
            needed, [&state](std::vector<ParkedRecord>& list, std::int32_t count) {
                gf_placeRTParkedAircraft(state, list, count);
            });
    }
    if (!settings->rtParkTrafficOnly && static_cast<std::int64_t>(state.pendingParkedAdds.size()) < needed) {
        lf_runParkingSearches(state, data, now, needed);
    }
    gf_sortParkedAdds(state.pendingParkedAdds);
    const std::int64_t filled = filledStands(state);
    if (filled == 0) {
        gf_logLine("no parking positions found");
        shell.gf_enableParkingControls();
        return;
    }
    const std::int64_t percent = std::llround(static_cast<double>(filled) * 100.0 / static_cast<double>(stands));
    if (!settings->rtParkTrafficOnly) {
        const std::string fit =
            settings->autoPark ? std::string(" auto park")
                               : fmt::format(", with Max fit={:.1F} hours", gf_maxFitValue(settings->maxFit));
        gf_logLineFlush(fmt::format("{} positions ({}% vs wanted {}%){}\n", filled, percent,
                                    settings->parkingPercentage, fit));
    } else {
        gf_logLineFlush(fmt::format("{} positions with RT Parked only\n", filled));
    }
}

void gf_placeRTParkedAircraft(TrafficState& state, std::vector<ParkedRecord>& records, std::int32_t needed) {
    if (needed < 1 || records.empty()) {
        return;
    }
    const std::int32_t maxFit = detail::settings()->maxFit;
    ModelsPort& models = state.ports.models;
    for (ParkedRecord& record : records) {
        if (record.ageHalfHours > maxFit) {
            return;
        }
        const std::string& callsign = record.head.callsign;
        if (callsign.empty() || !gf_isSizeClassIncluded(models.gf_sizeClassOfModel(record.head.liveryKey.modelId)) ||
            state.liveFeedHexIds.contains(record.hexId)) {
            continue;
        }
        auto standing = std::find_if(state.statics.begin(), state.statics.end(), [&](const StaticAircraft& a) {
            return a.source == 0 && a.serviceHexId == record.hexId;
        });
        if (standing != state.statics.end()) {
            const auto standId = static_cast<std::int32_t>(standing->standId);
            if (lf_standExcludedByOthers(state, standId)) {
                continue;
            }
            standing->stayMark = 1;
            if (gf_fillStand(state, standId, needed)) {
                return;
            }
            continue;
        }
        if (lf_isAlreadyPresent(state, record.head.registration, callsign, callsign) ||
            lf_callsignInLiveFeed(state, callsign) || lf_liveHasSameAircraft(state, record, callsign + "_")) {
            continue;
        }
        gf_fixParkedAirline(state, record);
        const AircraftInfo info = gf_makeAircraftInfo(models, record.head);
        const std::int32_t standId = gf_standOfParkedRecord(state, record, info);
        const Stand* stand = gf_standById(state, standId);
        if (stand == nullptr || stand->filled || stand->blocked) {
            continue;
        }
        StaticCandidate candidate;
        candidate.hexId = record.hexId;
        candidate.standId = standId;
        candidate.offset = record.ageHalfHours;
        candidate.key = info.head.liveryKey;
        candidate.callsign1 = callsign;
        candidate.registration = record.head.registration;
        candidate.staysNextSlot = 1;
        state.pendingParkedAdds.push_back(std::move(candidate));
        if (gf_fillStand(state, standId, needed)) {
            return;
        }
    }
}

void lf_placeStaticAircraft(TrafficState& state) {
    if (state.pendingParkedAdds.empty()) {
        return;
    }
    StaticCandidate candidate = std::move(state.pendingParkedAdds.back());
    state.pendingParkedAdds.pop_back();
    if (!gf_isSizeClassIncluded(state.ports.models.gf_sizeClassOfModel(candidate.key.modelId))) {
        return;
    }
    const Stand* stand = gf_standById(state, candidate.standId);
    if (stand == nullptr) {
        gf_logLine(fmt::format("stand with id {} not found", candidate.standId));
        return;
    }
    if (state.maxParkCount >= 0 &&
        state.ports.steps.lf_countParkedAircraft(state) >= static_cast<std::uint64_t>(state.maxParkCount)) {
        const bool removalUnderWay =
            std::any_of(state.statics.begin(), state.statics.end(), removingOrPending) ||
            std::any_of(state.live.begin(), state.live.end(), [](const LiveAircraft& a) {
                return a.situation == FlightSituation::parked && removingOrPending(a);
            });
        if (removalUnderWay) {
            state.deferredParkedAdds.push_back(std::move(candidate));
        }
        return;
    }
    if (waitsForRemoval(state, candidate)) {
        state.deferredParkedAdds.push_back(std::move(candidate));
        return;
    }
    if (standHeld(state, candidate, stand->id)) {
        return;
    }
    createStatic(state, candidate, *stand);
}

std::string lf_determineStaticCallsign(const StaticCandidate& candidate) {
    std::string text =
        candidate.staysNextSlot == 0 && !candidate.callsign2.empty() ? candidate.callsign2 : candidate.callsign1;
    while (!text.empty() && text.back() == '_') {
        text.pop_back();
    }
    return text;
}

void gf_checkUserAcGndCollisions(TrafficState& state) {
    const UserAircraftState& user = state.user;
    const double userRadius = lf_userGroundCollisionTermNm(state);
    const Lalo userPosition{user.latitude, user.longitude};
    for (LiveAircraft& aircraft : state.live) {
        if (aircraft.onGround == 0 || aircraft.simState != SimState::active ||
            !state.ports.motion.gf_withinRadii(userPosition, userRadius,
                                               Lalo{aircraft.pose.latitude, aircraft.pose.longitude},
                                               aircraft.info.radiusNm)) {
            continue;
        }
        try {
            removeAircraftFromSim(state, aircraft);
            return;
        } catch (...) {
            gf_reportTrafficException("gf_checkUserAcGndCollisions");
        }
    }
    const double cosLat = std::cos(user.latitude * detail::kDegToRad);
    for (StaticAircraft& aircraft : state.statics) {
        if (aircraft.simState != SimState::active) {
            continue;
        }
        const double reach = userRadius + aircraft.info.radiusNm;
        const double north = (aircraft.standLat - user.latitude) * 60.0;
        const double east = (aircraft.standLon - user.longitude) * 60.0 * cosLat;
        if (std::fabs(north) > reach || std::fabs(east) > reach || reach <= 0.0) {
            continue;
        }
        if (reach * reach >= east * east + north * north) {
            try {
                removeAircraftFromSim(state, aircraft);
            } catch (...) {
                gf_reportTrafficException("gf_checkUserAcGndCollisions");
            }
            return;
        }
    }
}

void lf_checkUserAirCollisions(TrafficState& state) {
    const double cosLat = std::cos(state.user.latitude * detail::kDegToRad);
    for (LiveAircraft& aircraft : state.live) {
        if (aircraft.simState != SimState::active) {
            continue;
        }
        if (state.user.altitudeAboveGroundFt <= 500.0 && aircraft.onGround != 0 &&
            checkUserAirGndCollision(state, aircraft)) {
            return;
        }
        if (!aircraft.samples.empty() && checkUserAirCollision(state, aircraft, cosLat)) {
            return;
        }
    }
}

} // namespace kiv
