#include "traffic/parking_planner.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <utility>

#include <fmt/format.h>

#include "foundation/clock.h"
#include "foundation/log.h"
#include "traffic/batch_intake.h"
#include "traffic/detail/geo.h"
#include "traffic/detail/settings_access.h"
#include "traffic/learned_stand_use.h"
#include "traffic/park_stands.h"
#include "traffic/parking_adjustments.h"
#include "traffic/stand_helpers.h"
#include "traffic/traffic_state.h"

namespace kiv {
namespace {

constexpr std::int32_t kSlotsPerDay = 48;

std::int32_t previousWeekday(std::int32_t weekday) { return weekday <= 1 ? 7 : weekday - 1; }
std::int32_t nextWeekday(std::int32_t weekday) { return weekday >= 7 ? 1 : weekday + 1; }

std::int64_t filledStands(const TrafficState& state) {
    return std::count_if(state.parkStands.begin(), state.parkStands.end(), [](const Stand& s) { return s.filled; });
}

bool sameLivery(const LiveryKey& a, const LiveryKey& b) {
    return a.airlineId == b.airlineId && a.operatorId == b.operatorId && a.modelId == b.modelId && a.cargo == b.cargo;
}

bool excludes(const TrafficState& state, std::uint32_t otherStandId, std::int32_t standId) {
    if (otherStandId == static_cast<std::uint32_t>(standId)) {
        return false;
    }
    const Stand* other = gf_standById(state, static_cast<std::int32_t>(otherStandId));
    return other != nullptr && std::find(other->overlaps.begin(), other->overlaps.end(),
                                         static_cast<std::uint32_t>(standId)) != other->overlaps.end();
}

std::string plural(std::int64_t count) { return count == 1 ? "" : "s"; }

void logResults(const TrafficState& state, const ParkingData& data, const char* mode, WeekdaySlot now,
                std::int32_t needed) {
    const auto settings = detail::settings();
    gf_logLine(fmt::format("\nResults for {} search (total needed: {}):", mode, needed));
    const SearchCounters& c = data.counters;
    if (c.rtPositions > 0) {
        gf_logLine(fmt::format("{} RT park position{}", c.rtPositions, plural(c.rtPositions)));
    }
    if (c.mayStay > 0) {
        gf_logLine(fmt::format("{} live and/or static aircraft may stay (compliant with airport file info)",
                               c.mayStay));
    }
    if (c.filePositions >= 1) {
        const std::string fit =
            settings->autoPark ? std::string("auto park")
                               : fmt::format(", with Max fit={:.1F} hours",
                                             (std::clamp(settings->maxFit, 0, 47) + 1) * 0.5);
        gf_logLine(fmt::format("{} airport file position{} {}{}", c.filePositions, plural(c.filePositions), fit,
                               fmt::format(", day {}", now.weekday())));
    }
    static_cast<void>(state);
}

// The nearest stand that fits the aircraft, learned uses allowed; 0 for none.
std::int32_t nearestFittingStand(const TrafficState& state, const double position[2], const AircraftInfo& info) {
    double distanceMetres = 0.0;
    const Stand* stand =
        state.ports.steps.gf_findNearestStand(state, position[0], position[1], info, distanceMetres, true);
    return stand == nullptr ? 0 : static_cast<std::int32_t>(stand->number);
}

bool staysNextSlot(const Stand& stand, const FlightOption& option, WeekdaySlot now) {
    if (option.cs2.empty()) {
        return true;
    }
    const std::int32_t next = now.slot() + 1;
    if (next < kSlotsPerDay) {
        return option.hh.test(static_cast<std::size_t>(next));
    }
    const auto day = static_cast<std::uint32_t>(nextWeekday(now.weekday()));
    return std::any_of(stand.options.begin(), stand.options.end(), [&](const FlightOption& o) {
        return o.seq >= 1 && o.day == day && sameLivery(o.key, option.key) && o.hh.test(0);
    });
}

bool lf_searchStandOptions(TrafficState& state, ParkingData& data, Stand& stand, WeekdaySlot now,
                           std::int32_t searchDay, std::int32_t searchSlot, std::int32_t offset, bool sameDay,
                           bool real, std::int32_t needed) {
    const auto settings = detail::settings();
    const auto standId = static_cast<std::int32_t>(stand.number);
    if (stand.filled || stand.blocked || (stand.heli && !settings->helicopters)) {
        return false;
    }
    std::vector<FlightOption*> collected;
    const auto slotBit = static_cast<std::size_t>(searchSlot);
    for (FlightOption& option : stand.options) {
        if (option.seq != 0 && !option.planSkip &&
            gf_isSizeClassIncluded(state.ports.models.gf_sizeClassOfModel(option.key.modelId)) &&
            (!sameDay || static_cast<std::int64_t>(option.day) == searchDay) &&
            (real ? option.real != 0 : option.real != 1) && option.hh.test(slotBit)) {
            collected.push_back(&option);
        }
    }
    // The exclusion test is the dear one: asked only of a stand with a use at the slot.
    if (collected.empty() || (standId >= 1 && lf_standExcludedByOthers(state, standId))) {
        return false;
    }
    if (collected.size() >= 2 && settings->random) {
        for (std::size_t i = 1; i < collected.size(); ++i) {
            std::swap(collected[i], collected[detail::uniformBelow(static_cast<unsigned>(i + 1))]);
        }
    }
    FlightOption* chosen = nullptr;
    for (FlightOption* option : collected) {
        if (lf_isAlreadyPresent(state, option->reg, option->cs, option->cs2)) {
            // Passed over for this plan only: the option keeps its number and its data.
            option->planSkip = true;
            continue;
        }
        chosen = option;
        break;
    }
    if (chosen == nullptr) {
        return false;
    }
    StaticCandidate candidate;
    candidate.hexId = 0;
    candidate.source = 1;
    candidate.standId = standId;
    candidate.offset = offset;
    candidate.key = chosen->key;
    candidate.callsign1 = chosen->cs;
    candidate.callsign2 = chosen->cs2;
    candidate.registration = chosen->reg;
    candidate.staysNextSlot = staysNextSlot(stand, *chosen, now) ? 1 : 0;
    state.pendingParkedAdds.push_back(std::move(candidate));
    ++data.counters.filePositions;
    return gf_fillStand(state, standId, needed);
}

bool placeServiceRecord(TrafficState& state, ParkingData& data, ParkedRecord& record, std::int32_t age,
                        std::int32_t needed, bool& endPass) {
    ModelsPort& models = state.ports.models;
    if (!gf_isSizeClassIncluded(models.gf_sizeClassOfModel(record.head.liveryKey.modelId)) ||
        state.liveFeedHexIds.contains(record.hexId)) {
        return false;
    }
    for (StaticAircraft& aircraft : state.statics) {
        if (aircraft.source != 0 || aircraft.serviceHexId != record.hexId) {
            continue;
        }
        const auto standId = static_cast<std::int32_t>(aircraft.standId);
        const Stand* stand = gf_standById(state, standId);
        if ((stand != nullptr && stand->filled) || lf_standExcludedByOthers(state, standId)) {
            endPass = true;
            return true;
        }
        aircraft.stayMark = 1;
        ++data.counters.mayStay;
        if (gf_fillStand(state, standId, needed)) {
            endPass = true;
            return true;
        }
        return false;
    }
    const std::string& callsign = record.head.callsign;
    if (lf_isAlreadyPresent(state, record.head.registration, callsign, callsign)) {
        return false;
    }
    gf_fixParkedAirline(state, record);
    if (lf_callsignInLiveFeed(state, callsign) || lf_liveHasSameAircraft(state, record, callsign + "_")) {
        return false;
    }
    const AircraftInfo info = gf_makeAircraftInfo(models, record.head);
    const std::int32_t standId = gf_standOfParkedRecord(state, record, info);
    const Stand* stand = gf_standById(state, standId);
    if (stand == nullptr || stand->filled || stand->blocked) {
        return false;
    }
    if (lf_standExcludedByOthers(state, standId)) {
        endPass = true;
        return false;
    }
    StaticCandidate candidate;
    candidate.hexId = record.hexId;
    candidate.source = 0;
    candidate.standId = standId;
    candidate.offset = age;
    candidate.key = info.head.liveryKey;
    candidate.callsign1 = callsign;
    candidate.registration = record.head.registration;
    candidate.staysNextSlot = 1;
    state.pendingParkedAdds.push_back(std::move(candidate));
    ++data.counters.rtPositions;
    if (gf_fillStand(state, standId, needed)) {
        endPass = true;
        return true;
    }
    return false;
}

} // namespace

// The stand of a service record: its stand text near its position, else the nearest fitting
// stand.
std::int32_t gf_standOfParkedRecord(TrafficState& state, const ParkedRecord& record, const AircraftInfo& info) {
    const double position[2] = {record.latitude, record.longitude};
    const std::int32_t byWord = lf_findWordNear(state.parkStands, record.stand, position);
    if (gf_standById(state, byWord) != nullptr) {
        return byWord;
    }
    return nearestFittingStand(state, position, info);
}

std::string lf_readParkedFile(TrafficState& state, ParkingData& data) {
    AirportsPort& airports = state.ports.airports;
    const ParkAirportInfo airport = airports.currentParkAirport();
    const std::optional<std::filesystem::path> path = airports.gf_findAirportFilePath(airport.code);
    if (!path) {
        return fmt::format("{} {} not found", "lf_readParkedFile", airport.code);
    }
    ParkAirportFile file = airports.readAndApplyAirportFile(*path);
    if (!file.error.empty()) {
        return file.error;
    }
    data.airportName = file.airportName;
    data.qfReal = file.qfReal;
    data.qfSoft = file.qfSoft;
    data.handmadeFile = file.handmade;
    state.parkStands = std::move(file.stands);
    for (std::size_t i = 0; i < state.parkStands.size(); ++i) {
        state.parkStands[i].number = static_cast<std::uint32_t>(i + 1);
        state.parkStands[i].filled = false;
        state.parkStands[i].blocked = false;
    }
    gf_rebuildStandIndex(state);
    gf_publishParkStands(state);
    for (const Stand& stand : state.parkStands) {
        if (!stand.overlaps.empty()) {
            gf_logLine(lf_printStandExclusions(state, stand.overlaps, static_cast<std::int32_t>(stand.number)));
        }
    }
    if (state.user.onGround) {
        const std::optional<std::string> userStand =
            gf_findStandAtPosition(state, state.user.latitude, state.user.longitude);
        gf_logLine(userStand ? fmt::format("\nUser aircraft at stand: {}", *userStand)
                             : std::string("\nUser aircraft is not at a stand"));
        airports.noteUserStand(airport, userStand);
    }
    state.ports.shell.setParkAirportInfo(true, data.airportName);
    state.loadedAirportFileName = path->string();
    state.parkAirportFileRead = true;
    state.ports.airports.resetLearnedUpdates();
    return {};
}

WeekdaySlot lf_logParkingTime(const TrafficState& state) {
    const WeekdaySlot now{state.currentSlot.load()};
    gf_logSwallowingErrors([&] {
        return fmt::format("\n{} (utc) It is day {} ({}), {:.1F} hours", gf_dataTimeText(), now.weekday(),
                           gf_weekdayName(now.weekday()), (std::clamp(now.slot(), 0, 47) + 1) * 0.5);
    });
    return now;
}

void lf_runParkingSearches(TrafficState& state, ParkingData& data, WeekdaySlot now, std::int32_t needed) {
    const auto settings = detail::settings();
    state.staticFitHidden = false;
    state.ports.shell.setStaticFitHidden(false);
    const auto shortOf = [&] { return filledStands(state) < needed; };
    lf_runParkingSearch(state, data, now, true, true, needed);
    if (shortOf() && (settings->autoPark || settings->week)) {
        lf_runParkingSearch(state, data, now, false, true, needed);
        state.staticFitHidden = true;
        state.ports.shell.setStaticFitHidden(true);
    }
    if (data.qfSoft > 0) {
        if (shortOf() && (settings->autoPark || settings->parkSoft)) {
            lf_runParkingSearch(state, data, now, true, false, needed);
        }
        if (shortOf() && (settings->autoPark || (settings->parkSoft && settings->week))) {
            lf_runParkingSearch(state, data, now, false, false, needed);
        }
    }
}

void lf_runParkingSearch(TrafficState& state, ParkingData& data, WeekdaySlot now, bool sameDay, bool real,
                         std::int32_t needed) {
    if (needed == 0) {
        return;
    }
    const auto settings = detail::settings();
    const char* mode = sameDay ? (real ? "real" : "soft") : (real ? "real/week" : "soft/week");
    data.counters = SearchCounters{};
    const std::int32_t lastOffset = settings->autoPark ? 47 : std::clamp(settings->maxFit, 0, 47);
    for (std::int32_t offset = 0; offset <= lastOffset; ++offset) {
        if (sameDay && real) {
            bool enough = false;
            if (offset == 0) {
                for (std::int32_t age = 0; age <= 3 && !enough; ++age) {
                    enough = lf_searchRTParked(state, data, age, needed);
                }
            } else if (offset >= 4) {
                enough = lf_searchRTParked(state, data, offset, needed);
            }
            if (enough) {
                break;
            }
        }
        if (!state.statics.empty() && lf_keepStaticStayers(state, data, now, offset, !sameDay, needed)) {
            break;
        }
        if (lf_searchStands(state, data, now, offset, sameDay, real, needed)) {
            break;
        }
    }
    logResults(state, data, mode, now, needed);
}

bool lf_searchRTParked(TrafficState& state, ParkingData& data, std::int32_t age, std::int32_t needed) {
    bool enough = false;
    state.ports.feeds.withParkedRecords([&](std::vector<ParkedRecord>& records) {
        for (ParkedRecord& record : records) {
            if (record.ageHalfHours != age || record.head.callsign.empty()) {
                continue;
            }
            bool endPass = false;
            const bool result = placeServiceRecord(state, data, record, age, needed, endPass);
            if (endPass) {
                enough = result;
                return;
            }
        }
    });
    return enough;
}

bool lf_keepStaticStayers(TrafficState& state, ParkingData& data, WeekdaySlot now, std::int32_t offset, bool anyDay,
                          std::int32_t needed) {
    for (StaticAircraft& aircraft : state.statics) {
        const auto standId = static_cast<std::int32_t>(aircraft.standId);
        const Stand* stand = gf_standById(state, standId);
        if (aircraft.simState != SimState::active || !gf_isSizeClassIncluded(aircraft.info.sizeClass) ||
            aircraft.source != 1 || aircraft.stayMark != 0 || stand == nullptr || stand->filled) {
            continue;
        }
        if (lf_standExcludedByOthers(state, standId)) {
            return false;
        }
        const TrafficRecordHead& head = aircraft.info.head;
        if (lf_isAlreadyPresent(state, head.registration, head.callsign, head.callsign)) {
            continue;
        }
        if (gf_optionFitsStanding(state, now, offset, anyDay, standId, aircraft.info)) {
            aircraft.stayMark = 1;
            ++data.counters.mayStay;
            if (gf_fillStand(state, standId, needed)) {
                return true;
            }
        }
    }
    return false;
}

bool lf_searchStands(TrafficState& state, ParkingData& data, WeekdaySlot now, std::int32_t offset, bool sameDay,
                     bool real, std::int32_t needed) {
    std::int32_t searchSlot = now.slot() - offset;
    std::int32_t searchDay = now.weekday();
    if (searchSlot < 0) {
        searchSlot += kSlotsPerDay;
        searchDay = previousWeekday(searchDay);
    }
    const bool forward = data.searchForward;
    data.searchForward = !forward;
    try {
        const std::size_t count = state.parkStands.size();
        for (std::size_t i = 0; i < count; ++i) {
            Stand& stand = state.parkStands[forward ? i : count - 1 - i];
            if (lf_searchStandOptions(state, data, stand, now, searchDay, searchSlot, offset, sameDay, real,
                                      needed)) {
                return true;
            }
        }
    } catch (const std::exception& e) {
        gf_logSwallowingErrors([&] {
            return fmt::format("{}: day: {}, offset {}: {}", "lf_searchStands", now.weekday(), offset, e.what());
        }, &gf_logImportant);
    }
    return false;
}

bool lf_standExcludedByOthers(const TrafficState& state, std::int32_t standId) {
    if (standId < 1) {
        return false;
    }
    for (const StaticAircraft& aircraft : state.statics) {
        if (aircraft.simState != SimState::removingfromsim && excludes(state, aircraft.standId, standId)) {
            return true;
        }
    }
    for (const LiveStayer& stayer : state.liveStayers) {
        if (stayer.standId >= 1 && excludes(state, static_cast<std::uint32_t>(stayer.standId), standId)) {
            return true;
        }
    }
    for (const StaticCandidate& candidate : state.pendingParkedAdds) {
        if (candidate.standId >= 1 && excludes(state, static_cast<std::uint32_t>(candidate.standId), standId)) {
            return true;
        }
    }
    return false;
}

bool lf_isAlreadyPresent(const TrafficState& state, const std::string& registration, const std::string& callsign1,
                         const std::string& callsign2) {
    for (const StaticCandidate& c : state.pendingParkedAdds) {
        if ((!registration.empty() && registration == c.registration) ||
            (!callsign1.empty() && callsign1 == c.callsign1) || (!callsign2.empty() && callsign2 == c.callsign2)) {
            return true;
        }
    }
    if ((!callsign1.empty() && lf_callsignInLiveFeed(state, callsign1)) ||
        (!callsign2.empty() && lf_callsignInLiveFeed(state, callsign2))) {
        return true;
    }
    if (!registration.empty()) {
        for (const LiveAircraft& aircraft : state.live) {
            if (aircraft.info.head.registration == registration) {
                return true;
            }
        }
    }
    for (const LiveStayer& stayer : state.liveStayers) {
        if (stayer.callsign == callsign1 || stayer.callsign == callsign2 || stayer.registration == registration) {
            return true;
        }
    }
    for (const StaticAircraft& aircraft : state.statics) {
        if (aircraft.simState != SimState::active || aircraft.stayMark == 0) {
            continue;
        }
        const TrafficRecordHead& head = aircraft.info.head;
        const auto named = [&](const std::string& text) {
            return !text.empty() && (head.callsign == text || head.prevCallsign == text);
        };
        if (named(callsign1) || named(callsign2) || (!registration.empty() && head.registration == registration)) {
            return true;
        }
    }
    return false;
}

bool lf_callsignInLiveFeed(const TrafficState& state, const std::string& callsign) {
    return state.liveFeedCallsigns.contains(callsign) || state.liveFeedCallsigns.contains(callsign + "_");
}

bool lf_liveHasSameAircraft(const TrafficState& state, const ParkedRecord& record,
                            const std::string& callsignUnderscore) {
    const std::string& registration = record.head.registration;
    return std::any_of(state.live.begin(), state.live.end(), [&](const LiveAircraft& aircraft) {
        const TrafficRecordHead& head = aircraft.info.head;
        return head.callsign == record.head.callsign || head.callsign == callsignUnderscore ||
               (!registration.empty() && head.registration == registration);
    });
}

void lf_addStaticRemoval(TrafficState& state, const StaticAircraft& aircraft, std::uint32_t standId) {
    const std::string& callsign = aircraft.info.head.callsign;
    const bool listed = std::any_of(state.staticRemovals.begin(), state.staticRemovals.end(),
                                    [&](const StaticRemoval& removal) { return removal.callsign == callsign; });
    if (!listed) {
        state.staticRemovals.push_back({callsign, standId});
    }
}

void gf_sortParkedAdds(std::vector<StaticCandidate>& candidates) {
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const StaticCandidate& a, const StaticCandidate& b) { return a.offset > b.offset; });
}

void gf_limitParkedAircraft(TrafficState& state, std::uint32_t extra) {
    const std::int64_t maxPark = state.maxParkCount;
    if (maxPark < 0) {
        return;
    }
    const auto live = std::count_if(state.live.begin(), state.live.end(), [](const LiveAircraft& a) {
        return a.situation == FlightSituation::parked && a.simState == SimState::active;
    });
    const auto statics = std::count_if(state.statics.begin(), state.statics.end(), [](const StaticAircraft& a) {
        return a.simState == SimState::active || a.simState == SimState::removingfromsim;
    });
    const std::int64_t wanted = static_cast<std::int64_t>(live) + extra;
    if (statics + wanted <= maxPark) {
        return;
    }
    if (wanted <= maxPark) {
        lf_removeNOldestStaticParked(state, statics + wanted - maxPark);
        return;
    }
    lf_removeNOldestLiveParked(state, wanted - maxPark, false);
    lf_removeNOldestStaticParked(state, static_cast<std::int64_t>(state.statics.size()));
}

void gf_refreshLiveFeedIds(TrafficState& state) {
    state.ports.feeds.receivedTrafficIds(state.liveFeedCallsigns, state.liveFeedHexIds);
}

void gf_fixParkedAirline(TrafficState& state, ParkedRecord& record) {
    ModelsPort& models = state.ports.models;
    if (!models.airlineCode(record.head.liveryKey.airlineId).empty()) {
        return;
    }
    const std::string& callsign = record.head.callsign;
    const bool fromCallsign = callsign.size() >= 4 && std::isalpha(static_cast<unsigned char>(callsign[0])) &&
                              std::isalpha(static_cast<unsigned char>(callsign[1])) &&
                              std::isalpha(static_cast<unsigned char>(callsign[2])) &&
                              std::isdigit(static_cast<unsigned char>(callsign[3]));
    if (fromCallsign) {
        std::string code = callsign.substr(0, 3);
        std::transform(code.begin(), code.end(), code.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        record.head.liveryKey.airlineId = models.gf_airlineId(code);
    } else {
        record.head.liveryKey.airlineId = models.gf_airlineId("PVT");
    }
}

} // namespace kiv
