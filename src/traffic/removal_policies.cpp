// Removal policies: jetway removals, underscore ghosts, live and parked twins, live versus
// parked collisions, class switches, remove-all, the user's stand and the jump quarantine.
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
#include "traffic/stand_helpers.h"
#include "traffic/stand_steps.h"
#include "traffic/traffic_exception.h"
#include "traffic/traffic_state.h"

namespace kiv {
namespace {

constexpr std::int64_t kNsPerSecond = 1'000'000'000;
constexpr double kQuarantineWindowS = 60.0;
constexpr double kQuarantineRadiusM = 150.0;
constexpr std::uint32_t kQuarantineReleaseCount = 3;
constexpr std::uint32_t kFullCollisionPassCalls = 60;
constexpr double kCollisionMoveSquaredNm = 9e-6;
constexpr std::int32_t kSlotsPerDay = 48;
constexpr std::int32_t kSlotsPerWeek = 336;

// Removes the aircraft; an exception is reported under the policy's name and counts as done.
void removeReported(TrafficState& state, AircraftRecord& aircraft, std::string_view policy) {
    try {
        removeAircraftFromSim(state, aircraft);
    } catch (...) {
        gf_reportTrafficException(policy);
    }
}

bool equalNonEmpty(std::string_view a, std::string_view b) noexcept { return !a.empty() && a == b; }

// The live text equals the static's previous callsign or its third text.
bool namesStatic(std::string_view text, const StaticAircraft& aircraft) noexcept {
    return equalNonEmpty(text, aircraft.info.head.prevCallsign) || equalNonEmpty(text, aircraft.info.head.thirdText);
}

bool isStaticTwin(const LiveAircraft& live, const StaticAircraft& parked) noexcept {
    const auto& l = live.info.head;
    if (equalNonEmpty(l.registration, parked.info.head.registration)) {
        return true;
    }
    if (namesStatic(l.callsign, parked) || namesStatic(l.thirdText, parked)) {
        return true;
    }
    if (detail::endsWithUnderscore(l.callsign)) {
        return namesStatic(*detail::withoutLastCharacter(l.callsign), parked);
    }
    return false;
}

bool isParkedTwin(const LiveAircraft& live, const StaticAircraft& parked) noexcept {
    const std::string& liveReg = live.info.head.registration;
    const std::string& staticReg = parked.info.head.registration;
    if (!liveReg.empty() && !staticReg.empty()) {
        return liveReg == staticReg;
    }
    return namesStatic(live.info.head.callsign, parked);
}

bool namedByJetwayWait(const LiveAircraft& live, const StaticAircraft& parked) noexcept {
    const JetwayWait& wait = live.standWork.jetwayWait;
    return wait.pending != 0 && static_cast<std::uint32_t>(wait.standId) == parked.standId &&
           wait.staticObjectId == parked.objectId && wait.staticHexId == parked.info.hexId;
}

// Cancels a static creation still queued, else marks the record to be removed once created.
void cancelOrMarkStatic(TrafficState& state, StaticAircraft& aircraft) {
    if (gf_cancelCreationRequest(state.staticCreationQueue, aircraft.info.hexId)) {
        aircraft.creationCancelled = 1;
    } else {
        aircraft.removePending = 1;
    }
}

bool stoodBeforeNow(WeekdaySlot parked, WeekdaySlot now, std::int32_t& slots) noexcept {
    if (parked.weekday() < 1 || now.weekday() < 1) {
        return false;
    }
    if (parked.weekday() == now.weekday() && parked.slot() >= now.slot()) {
        return false;
    }
    slots = (now.weekday() - parked.weekday()) * kSlotsPerDay - parked.slot() + now.slot();
    if (slots < 0) {
        slots += kSlotsPerWeek;
    }
    return true;
}

} // namespace

// Jump quarantine.

bool StandSteps::lf_jumpQuarantineReleases(TrafficState& state, const TrafficRecord& record) {
    auto& map = state.jumpQuarantine;
    if (std::isfinite(record.timestamp) && record.timestamp > quarantineClock_) {
        quarantineClock_ = record.timestamp;
        // Entries whose last record lies beyond the window would start over anyway.
        std::erase_if(map, [this, &record](const auto& entry) {
            return entry.first != record.hexId && entry.second.time < quarantineClock_ - kQuarantineWindowS;
        });
    }
    const auto it = map.find(record.hexId);
    if (it == map.end()) {
        return true;
    }
    if (record.sample.airborne != 0) {
        map.erase(it);
        return true;
    }
    JumpQuarantineEntry& entry = it->second;
    std::uint32_t count = entry.count;
    if (entry.flag == 0) {
        const double dt = record.timestamp - entry.time;
        if (!std::isfinite(dt) || dt > kQuarantineWindowS) {
            count = 1;
        } else if (dt > 0.0) {
            const double metres = detail::distanceNm(entry.latitude, entry.longitude, record.sample.latitude,
                                                     record.sample.longitude) *
                                  detail::kMetresPerNm;
            count = std::isfinite(metres) && metres <= kQuarantineRadiusM ? count + 1 : 1;
        }
    }
    entry.latitude = record.sample.latitude;
    entry.longitude = record.sample.longitude;
    entry.time = record.timestamp;
    entry.count = count;
    if (count >= kQuarantineReleaseCount) {
        map.erase(it);
        return true;
    }
    return false;
}

void StandSteps::enterJumpQuarantine(TrafficState& state, const TrafficRecord& record) {
    state.jumpQuarantine[record.hexId] = {record.sample.latitude, record.sample.longitude, record.timestamp, 1, 0};
    if (std::isfinite(record.timestamp) && record.timestamp > quarantineClock_) {
        quarantineClock_ = record.timestamp;
    }
}

// Jetway removals.

void StandSteps::queueJetwayRemoval(const JetwayRemoval& removal) { jetwayRemovals_.push(removal); }

void StandSteps::lf_processPendingAircraftRemovals(TrafficState& state) {
    const std::int64_t now = state.ports.clock.nowNs();
    while (!jetwayRemovals_.empty() && jetwayRemovals_.top().dueNs <= now) {
        JetwayRemoval entry = jetwayRemovals_.top();
        jetwayRemovals_.pop();
        try {
            AircraftRecord* aircraft = nullptr;
            if (entry.live != 0) {
                for (LiveAircraft& live : state.live) {
                    if (live.objectId == entry.objectId && live.info.hexId == entry.hexId &&
                        live.jetwayRemovalToken == entry.token) {
                        aircraft = &live;
                        break;
                    }
                }
                if (aircraft == nullptr) {
                    continue;
                }
                if (static_cast<LiveAircraft*>(aircraft)->situation != FlightSituation::parked) {
                    aircraft->jetwayRemovalToken = 0;
                    aircraft->jetwayRemovalWord = 0;
                    lf_releaseDeferredParkedAdds(state);
                    continue;
                }
            } else {
                for (StaticAircraft& parked : state.statics) {
                    if (parked.objectId == entry.objectId && parked.info.hexId == entry.hexId &&
                        parked.jetwayRemovalToken == entry.token) {
                        aircraft = &parked;
                        break;
                    }
                }
                if (aircraft == nullptr) {
                    continue;
                }
            }
            if (aircraft->simState == SimState::active) {
                removeAircraftFromSim(state, *aircraft);
                gf_logLine(fmt::format("{:14}: {:8} {} jetway removal requested after {} s",
                                       gf_standName(state, static_cast<std::int32_t>(aircraft->standId)),
                                       aircraft->info.head.callsign, entry.live != 0 ? "live" : "static",
                                       (now - entry.requestNs) / kNsPerSecond));
            }
        } catch (...) {
            gf_reportTrafficException("lf_processPendingAircraftRemovals");
            entry.dueNs = now + kNsPerSecond;
            jetwayRemovals_.push(entry);
            return;
        }
    }
}

// Underscore ghosts.

void StandSteps::lf_removeGhostWithUnderscoreIfPresent(TrafficState& state, const std::string& callsign) {
    if (callsign.empty()) {
        return;
    }
    const std::string ghostCallsign = callsign + "_";
    for (LiveAircraft& ghost : state.live) {
        if (ghost.simState == SimState::removingfromsim || ghost.info.head.callsign != ghostCallsign) {
            continue;
        }
        try {
            if (ghost.situation == FlightSituation::parked) {
                gf_logLine(fmt::format("{:14}: {:8} is a ghost and will be removed, continue with {}",
                                       gf_standName(state, static_cast<std::int32_t>(ghost.standId)), ghostCallsign,
                                       callsign));
            } else {
                gf_logLine(fmt::format("          {:8} is a ghost and will be removed, continue with {}", ghostCallsign,
                                       callsign));
            }
            state.removedGhosts.push_back(ghostCallsign);
            removeAircraftFromSim(state, ghost);
        } catch (...) {
            gf_reportTrafficException("lf_removeGhostWithUnderscoreIfPresent");
        }
        return;
    }
}

bool StandSteps::lf_liveWithoutUnderscoreExists(const TrafficState& state, const std::string& callsign) const {
    const std::optional<std::string_view> base = detail::withoutLastCharacter(callsign);
    if (!base || base->empty()) {
        return false;
    }
    return std::any_of(state.live.begin(), state.live.end(), [&](const LiveAircraft& a) {
        return a.simState != SimState::removingfromsim && a.info.head.callsign == *base;
    });
}

// Twins.

std::optional<StandChoice> StandSteps::lf_checkForStaticWithCallsignOrHexidAndRemove(TrafficState& state,
                                                                                     std::uint32_t hexId,
                                                                                     bool /*onGround*/) {
    // The claim of a stand through the live hex id needs a static word that nothing fills;
    // without it no rule here claims a stand.
    const LiveAircraft* live = gf_findLive(state, hexId);
    if (live == nullptr || live->info.head.callsign.empty()) {
        return std::nullopt;
    }
    for (StaticAircraft& parked : state.statics) {
        if (parked.simState == SimState::active && isStaticTwin(*live, parked)) {
            removeReported(state, parked, "lf_checkForStaticWithCallsignOrHexidAndRemove");
            break;
        }
    }
    return std::nullopt;
}

void StandSteps::gf_checkForAllGndIfParkedVersionExistsAndRemove(TrafficState& state) {
    for (const LiveAircraft& live : state.live) {
        if (live.simState != SimState::active || live.onGround == 0) {
            continue;
        }
        for (StaticAircraft& parked : state.statics) {
            if (parked.simState != SimState::active || namedByJetwayWait(live, parked) || !isParkedTwin(live, parked)) {
                continue;
            }
            removeReported(state, parked, "gf_checkForAllGndIfParkedVersionExistsAndRemove");
            return;
        }
    }
}

// Live versus parked collisions.

void StandSteps::gf_checkLiveWithParkedCollisions(TrafficState& state) {
    bool full = false;
    if (state.staticSetGeneration != collisionGeneration_) {
        collisionGeneration_ = state.staticSetGeneration;
        full = true;
    }
    if (++collisionCalls_ >= kFullCollisionPassCalls) {
        collisionCalls_ = 0;
        full = true;
    }
    // By index: the checks below erase static records at most, never live ones.
    for (std::size_t i = 0; i < state.live.size(); ++i) {
        LiveAircraft& live = state.live[i];
        const bool taxi = live.situation == FlightSituation::taxi;
        if (live.simState != SimState::active || live.onGround == 0 ||
            (!taxi && live.situation != FlightSituation::parking)) {
            continue;
        }
        try {
            if (!state.statics.empty()) {
                const LiveStandWork& work = live.standWork;
                const double cosLat = std::cos(live.pose.latitude * detail::kDegToRad);
                const bool moved = work.collisionChecked == 0 ||
                                   detail::flatDistanceSquaredNm(live.pose.latitude, live.pose.longitude,
                                                                 work.lastCollisionCheck.latitude,
                                                                 work.lastCollisionCheck.longitude,
                                                                 cosLat) > kCollisionMoveSquaredNm;
                if (full || moved) {
                    collisionWithParked(state, live);
                }
            }
            if (taxi && live.situation == FlightSituation::taxi) {
                lf_checkFreeStandEndpoint(state, live);
            }
        } catch (...) {
            gf_reportTrafficException("gf_checkLiveWithParkedCollisions");
        }
    }
}

// Class switches and remove-all.

void StandSteps::gf_removeLiveAircraftCategory(TrafficState& state, SizeClass sizeClass) {
    for (LiveAircraft& live : state.live) {
        if (live.info.sizeClass != sizeClass || live.simState == SimState::removingfromsim) {
            continue;
        }
        gf_logLine(fmt::format("{} {} removed because '{}' no longer included category", live.info.head.callsign,
                               state.ports.models.modelCode(live.info.head.liveryKey.modelId),
                               gf_sizeClassName(sizeClass)));
        removeReported(state, live, "gf_removeLiveAircraftCategory");
    }
}

void StandSteps::removeStaticsOfClassOrAll(TrafficState& state, std::optional<SizeClass> sizeClass) {
    const std::string_view policy = sizeClass ? "gf_removeStaticAircraftCategory" : "gf_removeAllStatic";
    for (StaticAircraft& parked : state.statics) {
        if ((sizeClass && parked.info.sizeClass != *sizeClass) || parked.simState == SimState::removingfromsim) {
            continue;
        }
        try {
            if (parked.simState == SimState::active) {
                if (sizeClass) {
                    gf_logLine(fmt::format("{} {} removed because '{}' no longer included category",
                                           parked.info.head.callsign,
                                           state.ports.models.modelCode(parked.info.head.liveryKey.modelId),
                                           gf_sizeClassName(*sizeClass)));
                } else {
                    gf_logLine(fmt::format("{:14}: {:8} removed",
                                           gf_standName(state, static_cast<std::int32_t>(parked.standId)),
                                           parked.info.head.callsign));
                }
                removeAircraftFromSim(state, parked);
            } else if (parked.simState == SimState::adding2sim && parked.removePending == 0) {
                cancelOrMarkStatic(state, parked);
            }
        } catch (...) {
            gf_reportTrafficException(policy);
        }
    }
    purgeCancelledStatics(state);
}

void StandSteps::gf_removeStaticAircraftCategory(TrafficState& state, SizeClass sizeClass) {
    removeStaticsOfClassOrAll(state, sizeClass);
    ModelsPort& models = state.ports.models;
    std::erase_if(state.pendingParkedAdds, [&](const StaticCandidate& candidate) {
        return models.gf_sizeClassOfModel(candidate.key.modelId) == sizeClass;
    });
}

void StandSteps::gf_removeAllStatic(TrafficState& state) { removeStaticsOfClassOrAll(state, std::nullopt); }

void StandSteps::purgeCancelledStatics(TrafficState& state) {
    const std::size_t before = state.statics.size();
    std::vector<std::pair<std::uint32_t, std::uint32_t>> cancelled;
    for (const StaticAircraft& parked : state.statics) {
        if (parked.creationCancelled != 0) {
            cancelled.emplace_back(parked.info.hexId, parked.objectId);
        }
    }
    if (cancelled.empty()) {
        return;
    }
    for (const auto& [hexId, objectId] : cancelled) {
        lf_cleanupCancelledStatic(state, hexId, objectId);
    }
    std::erase_if(state.statics, [](const StaticAircraft& a) { return a.creationCancelled != 0; });
    if (state.statics.size() != before) {
        lf_recheckWaitingLiveCreations(state);
        lf_releaseDeferredParkedAdds(state);
    }
}

void StandSteps::lf_removeAllStaticAndLiveAtAirport(TrafficState& state) {
    gf_removeAllStatic(state);
    for (LiveAircraft& live : state.live) {
        switch (live.situation) {
        case FlightSituation::pushing_back:
        case FlightSituation::pushed_back:
        case FlightSituation::taxi:
        case FlightSituation::takeoff_roll:
        case FlightSituation::landing_roll:
        case FlightSituation::parked:
            break;
        default:
            continue;
        }
        try {
            live.standLat = 0.0;
            live.standLon = 0.0;
            live.standHeading = 0.0;
            live.standId = 0;
            live.cargoStand = 0;
            live.gateStand = 0;
            if (live.simState == SimState::active) {
                removeAircraftFromSim(state, live);
            } else if (live.simState == SimState::adding2sim && live.removePending == 0) {
                if (gf_cancelCreationRequest(state.liveCreationQueue, live.info.hexId) ||
                    gf_cancelCreationRequest(state.waitingCreationQueue, live.info.hexId)) {
                    live.creationCancelled = 1;
                } else {
                    live.removePending = 1;
                }
            }
        } catch (...) {
            gf_reportTrafficException("lf_removeAllStaticAndLiveAtAirport");
        }
    }
    for (const LiveAircraft& live : state.live) {
        if (live.creationCancelled != 0) {
            lf_cleanupLiveAircraft(state, live);
        }
    }
    std::erase_if(state.live, [](const LiveAircraft& a) { return a.creationCancelled != 0; });
}

// The user's stand.

void StandSteps::gf_clearUserDestGate(TrafficState& state, const std::string& standIdText) {
    const Stand* stand = gf_findParkStandByIdText(state, standIdText);
    if (stand == nullptr) {
        return;
    }
    const std::uint32_t standId = stand->number;
    for (StaticAircraft& parked : state.statics) {
        if (parked.simState == SimState::active && parked.standId == standId) {
            removeReported(state, parked, "gf_clearUserDestGate");
            return;
        }
    }
    for (LiveAircraft& live : state.live) {
        if (live.simState == SimState::active && live.situation == FlightSituation::parked &&
            live.standId == standId) {
            removeReported(state, live, "gf_clearUserDestGate");
            return;
        }
    }
}

// Parked statistics.

std::uint64_t StandSteps::gf_countLiveParked(TrafficState& state, bool post) {
    std::uint64_t parked = 0;
    std::int64_t slotSum = 0;
    std::int64_t counted = 0;
    const WeekdaySlot now{state.currentSlot.load()};
    for (const LiveAircraft& live : state.live) {
        if (live.situation != FlightSituation::parked || live.simState != SimState::active) {
            continue;
        }
        ++parked;
        std::int32_t slots = 0;
        if (post && stoodBeforeNow(live.parkedSlot, now, slots)) {
            slotSum += slots;
            ++counted;
        }
    }
    if (post) {
        const float fit =
            counted == 0 ? 0.0F
                         : static_cast<float>(static_cast<double>(slotSum) / (2.0 * static_cast<double>(counted)) + 0.5);
        state.ports.shell.setLiveFit(fit);
    }
    return parked;
}

void StandSteps::clearStepState(TrafficState& state) {
    state.jumpQuarantine.clear();
    jetwayRemovals_ = {};
    collisionCalls_ = 0;
    collisionGeneration_ = 0;
    quarantineClock_ = 0.0;
}

} // namespace kiv
