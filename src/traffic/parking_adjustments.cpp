#include "traffic/parking_adjustments.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <set>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "foundation/clock.h"
#include "foundation/log.h"
#include "traffic/aircraft_removal.h"
#include "traffic/detail/settings_access.h"
#include "traffic/park_stands.h"
#include "traffic/parking_planner.h"
#include "traffic/stand_helpers.h"
#include "traffic/static_placement.h"
#include "traffic/traffic_exception.h"
#include "traffic/traffic_state.h"

namespace kiv {
namespace {

constexpr std::int64_t k100nsPerMinute = 60LL * 10'000'000;
constexpr std::int32_t kSlotsPerDay = 48;
constexpr std::int32_t kSlotsPerWeek = 7 * kSlotsPerDay;

bool sameLivery(const LiveryKey& a, const LiveryKey& b) {
    return a.airlineId == b.airlineId && a.operatorId == b.operatorId && a.modelId == b.modelId && a.cargo == b.cargo;
}

std::int32_t nextWeekday(std::int32_t weekday) { return weekday >= 7 ? 1 : weekday + 1; }

// The k entries with the smallest key first; all of them sorted when k is the whole list.
template <typename T, typename Less>
void chooseFirst(std::vector<T*>& list, std::size_t k, Less less) {
    if (k == list.size()) {
        std::sort(list.begin(), list.end(), less);
    } else {
        std::nth_element(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(k), list.end(), less);
    }
    list.resize(k);
}

void removeReporting(TrafficState& state, AircraftRecord& aircraft, const char* name) {
    try {
        removeAircraftFromSim(state, aircraft);
    } catch (...) {
        gf_reportTrafficException(name);
    }
}

void setRtOnlyMaxPark(TrafficState& state, std::int32_t maxParkSel) {
    const auto n = static_cast<std::int64_t>(state.parkStands.size());
    const std::int64_t maxPark = maxParkSel < 1 ? 0 : std::min<std::int64_t>(maxParkSel, n);
    state.maxParkCount = static_cast<std::int32_t>(maxPark);
    const std::int64_t percent =
        n == 0 ? 0 : std::llround(static_cast<double>(maxPark) * 100.0 / static_cast<double>(n));
    state.ports.shell.postMaxPark(static_cast<std::uint32_t>(maxPark), static_cast<std::uint32_t>(percent));
}

bool flightGoesOn(const Stand& stand, const FlightOption& option, WeekdaySlot now) {
    const std::int32_t next = now.slot() + 1;
    if (next < kSlotsPerDay) {
        return option.hh.test(static_cast<std::size_t>(next));
    }
    const auto day = static_cast<std::uint32_t>(nextWeekday(now.weekday()));
    return std::any_of(stand.options.begin(), stand.options.end(), [&](const FlightOption& o) {
        return o.seq >= 1 && o.day == day && sameLivery(o.key, option.key) && o.hh.test(0);
    });
}

void placeParkedRecords(TrafficState& state, std::int32_t needed) {
    state.ports.feeds.gf_requestRTAPIParkedTraffic(
        needed, [&state](std::vector<ParkedRecord>& list, std::int32_t count) {
            gf_placeRTParkedAircraft(state, list, count);
        });
}

} // namespace

void gf_clearReceivedParkedTraffic(TrafficState& state) { state.ports.feeds.clearReceivedParkedTraffic(); }

void gf_renumberStandOptions(TrafficState& state) {
    for (Stand& stand : state.parkStands) {
        stand.filled = false;
        stand.blocked = false;
        for (std::size_t i = 0; i < stand.options.size(); ++i) {
            FlightOption& option = stand.options[i];
            option.planSkip = false;
            if (option.seq != 0) {
                option.seq = static_cast<std::uint32_t>(i + 1);
            }
        }
    }
}

void lf_applyParkingAdjustments(TrafficState& state, ParkingData& data, bool replaceAll) {
    const WeekdaySlot now = lf_logParkingTime(state);
    const auto settings = detail::settings();
    const bool rtOnly = settings->rtParkTrafficOnly;
    ShellPort& shell = state.ports.shell;
    lf_resetParkingPlan(state);
    if (replaceAll) {
        for (const StaticAircraft& aircraft : state.statics) {
            if (aircraft.simState == SimState::active && aircraft.source == 1) {
                lf_addStaticRemoval(state, aircraft, aircraft.standId);
            }
        }
    }
    if (!rtOnly) {
        gf_computeMaxPark(state, {settings->parkingPercentage, settings->maxParkSel});
    } else {
        setRtOnlyMaxPark(state, settings->maxParkSel);
    }
    const std::int32_t maxPark = state.maxParkCount;
    lf_collectLiveStayers(state);
    const auto stayers = static_cast<std::int64_t>(state.liveStayers.size());
    if (!rtOnly && stayers > maxPark) {
        shell.showMessage(fmt::format("Parking adjustments: {} more live ac than wanted", stayers - maxPark), true);
        lf_removeNOldestLiveParked(state, stayers - maxPark, true);
        state.liveStayers.clear();
        lf_collectLiveStayers(state);
    }
    for (const LiveStayer& stayer : state.liveStayers) {
        gf_fillStand(state, stayer.standId, maxPark);
    }
    placeParkedRecords(state, maxPark);
    if (!rtOnly) {
        const auto filled = std::count_if(state.parkStands.begin(), state.parkStands.end(),
                                          [](const Stand& s) { return s.filled; });
        if (filled < maxPark) {
            lf_runParkingSearches(state, data, now, maxPark);
        }
        lf_clearKeptJetwayWaits(state);
        for (const StaticAircraft& aircraft : state.statics) {
            if (aircraft.stayMark == 0) {
                lf_addStaticRemoval(state, aircraft, aircraft.standId);
            }
        }
        lf_switchStaticCallsigns(state, now);
        lf_cancelOutRemovalsAndAdds(state);
        gf_sortParkedAdds(state.pendingParkedAdds);
        gf_logLine("");
        shell.showMessage(fmt::format("Parking adjustments: {} to be removed, {} to be added\n",
                                      state.staticRemovals.size(), state.pendingParkedAdds.size()),
                          true);
        lf_removeRemovals(state);
        gf_flushLog();
        return;
    }
    lf_clearKeptJetwayWaits(state);
    if (!replaceAll) {
        for (const StaticAircraft& aircraft : state.statics) {
            if (aircraft.stayMark == 0) {
                lf_addStaticRemoval(state, aircraft, aircraft.standId);
            }
        }
    }
    shell.showMessage(fmt::format("RT Parking changes: {} to be removed, {} to be added", state.staticRemovals.size(),
                                  state.pendingParkedAdds.size()),
                      true);
    lf_removeRemovals(state);
}

void lf_collectLiveStayers(TrafficState& state) {
    const std::int64_t now = gf_systemUtcSeconds() * 10'000'000;
    state.liveStayers.clear();
    state.liveStayers.reserve(state.live.size());
    for (LiveAircraft& aircraft : state.live) {
        if (aircraft.situation != FlightSituation::parked || aircraft.simState != SimState::active ||
            aircraft.jetwayRemovalToken != 0) {
            continue;
        }
        const TrafficRecordHead& head = aircraft.info.head;
        const auto standId = static_cast<std::int32_t>(aircraft.standId);
        if (aircraft.atStandChecked != 0) {
            state.liveStayers.push_back({head.callsign, head.registration, 0, standId, 0});
            continue;
        }
        const std::int64_t minutes = (now - aircraft.parkedSinceTime) / k100nsPerMinute;
        const std::int64_t limit = aircraft.info.sizeClass == SizeClass::Heavy ? 180 : 90;
        if (minutes > limit) {
            removeReporting(state, aircraft, "lf_collectLiveStayers");
        } else {
            state.liveStayers.push_back({head.callsign, head.registration, 0, standId,
                                         static_cast<std::int32_t>(minutes)});
        }
    }
    std::stable_sort(state.liveStayers.begin(), state.liveStayers.end(),
                     [](const LiveStayer& a, const LiveStayer& b) { return a.minutesParked < b.minutesParked; });
}

void lf_removeNOldestLiveParked(TrafficState& state, std::int64_t n, bool spareJetwayWaits) {
    if (n < 1) {
        return;
    }
    std::vector<LiveAircraft*> parked;
    parked.reserve(128);
    for (LiveAircraft& aircraft : state.live) {
        if (aircraft.simState == SimState::active && aircraft.situation == FlightSituation::parked &&
            !(spareJetwayWaits && aircraft.jetwayRemovalToken != 0)) {
            parked.push_back(&aircraft);
        }
    }
    const auto k = static_cast<std::size_t>(std::min<std::int64_t>(n, static_cast<std::int64_t>(parked.size())));
    chooseFirst(parked, k,
                [](const LiveAircraft* a, const LiveAircraft* b) { return a->parkedSinceTime < b->parkedSinceTime; });
    for (LiveAircraft* aircraft : parked) {
        gf_logLine(fmt::format("{:14}: live parked {} removed",
                               gf_standName(state, static_cast<std::int32_t>(aircraft->standId)),
                               aircraft->info.head.callsign));
        removeReporting(state, *aircraft, "lf_removeNOldestLiveParked");
    }
}

void lf_removeNOldestStaticParked(TrafficState& state, std::int64_t n) {
    if (n < 1) {
        return;
    }
    const WeekdaySlot now{state.currentSlot.load()};
    std::vector<StaticAircraft*> active;
    active.reserve(128);
    for (StaticAircraft& aircraft : state.statics) {
        if (aircraft.simState == SimState::active) {
            active.push_back(&aircraft);
        }
    }
    const auto age = [&now](const StaticAircraft* aircraft) {
        std::int64_t slots = (static_cast<std::int64_t>(now.weekday()) - aircraft->parkedSlot.weekday()) * kSlotsPerDay -
                             aircraft->parkedSlot.slot() + now.slot();
        return slots < 0 ? slots + kSlotsPerWeek : slots;
    };
    const auto k = static_cast<std::size_t>(std::min<std::int64_t>(n, static_cast<std::int64_t>(active.size())));
    chooseFirst(active, k, [&](const StaticAircraft* a, const StaticAircraft* b) { return age(a) > age(b); });
    for (StaticAircraft* aircraft : active) {
        gf_logLine(fmt::format("{:14}: static parked {} removed",
                               gf_standName(state, static_cast<std::int32_t>(aircraft->standId)),
                               aircraft->info.head.callsign));
        removeReporting(state, *aircraft, "lf_removeNOldestStaticParked");
    }
}

void lf_removeRemovals(TrafficState& state) {
    for (const StaticRemoval& removal : state.staticRemovals) {
        auto it = std::find_if(state.statics.begin(), state.statics.end(),
                               [&](const StaticAircraft& a) { return a.standId == removal.standId; });
        if (it == state.statics.end() ||
            (it->simState != SimState::active && it->simState != SimState::removingfromsim)) {
            continue;
        }
        gf_logLine(fmt::format("{:14}: {:8} static parked removed, no longer within your specs",
                               gf_standName(state, static_cast<std::int32_t>(it->standId)), it->info.head.callsign));
        removeReporting(state, *it, "lf_removeRemovals");
    }
    state.staticRemovals.clear();
}

void lf_resetParkingPlan(TrafficState& state) {
    gf_refreshLiveFeedIds(state);
    state.staticFitHidden = false;
    state.ports.shell.setStaticFitHidden(false);
    state.staticRemovals.clear();
    state.liveStayers.clear();
    state.pendingParkedAdds.clear();
    state.deferredParkedAdds.clear();
    gf_renumberStandOptions(state);
    for (StaticAircraft& aircraft : state.statics) {
        aircraft.stayMark = 0;
    }
    lf_blockUserStands(state);
}

void lf_clearKeptJetwayWaits(TrafficState& state) {
    for (StaticAircraft& aircraft : state.statics) {
        if (aircraft.stayMark != 0 && aircraft.jetwayRemovalToken != 0 && aircraft.jetwayRemovalWord != 0) {
            state.ports.link.gf_setBeaconLights(aircraft.objectId, 0);
            aircraft.jetwayRemovalToken = 0;
            aircraft.jetwayRemovalWord = 0;
        }
    }
}

void lf_switchStaticCallsigns(TrafficState& state, WeekdaySlot now) {
    for (StaticAircraft& aircraft : state.statics) {
        TrafficRecordHead& head = aircraft.info.head;
        if (aircraft.source == 0 || aircraft.stayMark == 0 || head.thirdText.empty() ||
            head.callsign != head.prevCallsign) {
            continue;
        }
        const Stand* stand = gf_standById(state, static_cast<std::int32_t>(aircraft.standId));
        if (stand == nullptr) {
            continue;
        }
        auto option = std::find_if(stand->options.begin(), stand->options.end(), [&](const FlightOption& o) {
            return o.seq >= 1 && static_cast<std::int64_t>(o.day) == now.weekday() && o.cs == head.prevCallsign &&
                   sameLivery(o.key, head.liveryKey);
        });
        if (option == stand->options.end() || flightGoesOn(*stand, *option, now)) {
            continue;
        }
        head.callsign = head.thirdText;
    }
}

void lf_cancelOutRemovalsAndAdds(TrafficState& state) {
    std::set<std::pair<std::int64_t, std::string>> cancelled;
    for (const StaticRemoval& removal : state.staticRemovals) {
        for (const StaticCandidate& add : state.pendingParkedAdds) {
            if (add.standId == static_cast<std::int64_t>(removal.standId) && add.callsign1 == removal.callsign) {
                cancelled.emplace(add.standId, add.callsign1);
            }
        }
    }
    std::erase_if(state.staticRemovals, [&](const StaticRemoval& r) {
        return cancelled.contains({static_cast<std::int64_t>(r.standId), r.callsign});
    });
    std::erase_if(state.pendingParkedAdds, [&](const StaticCandidate& a) {
        return cancelled.contains({a.standId, a.callsign1});
    });
    std::set<std::int64_t> shared;
    for (const StaticRemoval& removal : state.staticRemovals) {
        for (const StaticCandidate& add : state.pendingParkedAdds) {
            if (add.standId == static_cast<std::int64_t>(removal.standId)) {
                shared.insert(add.standId);
            }
        }
    }
    if (shared.empty()) {
        return;
    }
    std::stable_partition(state.staticRemovals.begin(), state.staticRemovals.end(),
                          [&](const StaticRemoval& r) { return shared.contains(r.standId); });
    std::stable_partition(state.pendingParkedAdds.begin(), state.pendingParkedAdds.end(),
                          [&](const StaticCandidate& a) { return shared.contains(a.standId); });
}

void gf_regenerateParking(TrafficState& state, ParkingData& data) {
    const std::string error = lf_readParkedFile(state, data);
    if (!error.empty()) {
        state.ports.shell.gf_enableParkingControls();
        state.ports.shell.showMessage(error, true);
        lf_resetParkingState(state, data);
        return;
    }
    state.ports.shell.gf_resetParkingCountdown();
    const std::int64_t start = state.ports.clock.nowNs();
    lf_autoPark(state, data);
    const std::int64_t ms = (state.ports.clock.nowNs() - start) / 1'000'000;
    if (ms >= 5) {
        // The ticks the plan took are counted, so that tick timers do not fall behind.
        state.tickCount += static_cast<std::int32_t>((ms + 5) / 10);
    }
}

void gf_clearParking(TrafficState& state, ParkingData& data) {
    state.pendingParkedAdds.clear();
    state.deferredParkedAdds.clear();
    state.ports.steps.lf_removeAllStaticAndLiveAtAirport(state);
    lf_resetParkingState(state, data);
}

void lf_resetParkingState(TrafficState& state, ParkingData& data) {
    AirportsPort& airports = state.ports.airports;
    ShellPort& shell = state.ports.shell;
    if (state.learnedDataChanged) {
        airports.gf_saveLearned(state.parkStands, data.handmadeFile);
        airports.gf_applyParkSettings();
    }
    state.learnedDataChanged = false;
    data.handmadeFile = false;
    shell.disableParkButtons();
    {
        const std::lock_guard lock(state.parkingRequests.mutex);
        state.parkingRequests.parkingUpdatesHandled = 0;
    }
    airports.clearCurrentParkAirport();
    shell.postParkAirport(0);
    gf_clearReceivedParkedTraffic(state);
    shell.postParkingUpdates(0);
    state.staticRemovals.clear();
    state.pendingParkedAdds.clear();
    state.parkStands.clear();
    state.standNameIndex.clear();
    state.parkAirportFileRead = false;
    gf_publishParkStands(state);
    shell.setParkAirportInfo(false, "");
    shell.setPublisher("", false);
}

void lf_parkAirportSweep(TrafficState& state, ParkingData& data) {
    if (state.parkingPlanInForce && state.pendingParkedAdds.empty()) {
        state.ports.shell.gf_enableParkingControls();
        gf_countStaticParked(state, true);
        state.ports.steps.gf_countLiveParked(state, true);
    }
    if (state.parkingRegenerationRequested.exchange(false)) {
        gf_regenerateParking(state, data);
        return;
    }
    const UserAircraftState& user = state.user;
    if (std::fabs(user.latitude) <= 0.0001 && std::fabs(user.longitude) <= 0.0001) {
        return;
    }
    AirportsPort& airports = state.ports.airports;
    const auto settings = detail::settings();
    if (settings->destination.empty() && !user.onGround &&
        static_cast<double>(settings->airpHeight) > user.altitudeAboveGroundFt) {
        airports.gf_selectNearestParkAirport(user.latitude, user.longitude);
    }
    const ParkAirportInfo airport = airports.currentParkAirport();
    if (!airport.code.empty() && gf_isValidLalo(airport.latitude, airport.longitude)) {
        airports.gf_checkParkAirportReach(user.latitude, user.longitude);
    } else {
        airports.gf_parkAirportOnGround(user.latitude, user.longitude);
    }
}

} // namespace kiv
