#include "traffic/stand_helpers.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include <fmt/format.h>

#include "foundation/log.h"
#include "traffic/park_stands.h"
#include "traffic/traffic_state.h"

namespace kiv {
namespace {

// The park stands are sorted by stand id.
Stand* findByBinarySearch(TrafficState& state, std::int32_t standId) {
    if (standId < 1) {
        return nullptr;
    }
    const auto id = static_cast<std::uint32_t>(standId);
    auto it = std::lower_bound(state.parkStands.begin(), state.parkStands.end(), id,
                               [](const Stand& stand, std::uint32_t value) { return stand.number < value; });
    return it != state.parkStands.end() && it->number == id ? &*it : nullptr;
}

bool sameIdentity(const FlightOption& option, const AircraftInfo& aircraft) {
    const LiveryKey& a = option.key;
    const LiveryKey& b = aircraft.head.liveryKey;
    return option.reg == aircraft.head.registration && a.airlineId == b.airlineId && a.modelId == b.modelId &&
           a.operatorId == b.operatorId && a.cargo == b.cargo;
}

bool matchesOneOf(const TrafficState& state, const Stand& stand, const std::optional<std::string>& text) {
    if (!text) {
        return false;
    }
    if (stand.id == *text) {
        return true;
    }
    for (std::uint32_t excluded : stand.overlaps) {
        const Stand* other = gf_standById(state, static_cast<std::int32_t>(excluded));
        if (other != nullptr && other->id == *text) {
            return true;
        }
    }
    return false;
}

} // namespace

Stand* gf_standById(TrafficState& state, std::int32_t standId) noexcept {
    return const_cast<Stand*>(gf_standById(static_cast<const TrafficState&>(state), standId));
}

const Stand* gf_standById(const TrafficState& state, std::int32_t standId) noexcept {
    if (standId < 1 || static_cast<std::size_t>(standId) > state.parkStands.size()) {
        return nullptr;
    }
    const Stand& stand = state.parkStands[static_cast<std::size_t>(standId) - 1];
    return stand.number == static_cast<std::uint32_t>(standId) ? &stand : nullptr;
}

Stand* gf_findParkStandByIdText(TrafficState& state, std::string_view idText) {
    auto it = state.standNameIndex.find(std::string(idText));
    if (it == state.standNameIndex.end()) {
        return nullptr;
    }
    return gf_standById(state, static_cast<std::int32_t>(it->second));
}

void gf_rebuildStandIndex(TrafficState& state) {
    state.standNameIndex.clear();
    state.standNameIndex.reserve(state.parkStands.size());
    for (const Stand& stand : state.parkStands) {
        state.standNameIndex.emplace(stand.id, stand.number);
    }
}

bool gf_standExcludes(const TrafficState& state, std::int32_t a, std::int32_t b) {
    if (a == b) {
        return true;
    }
    const Stand* stand = gf_standById(state, a);
    if (stand == nullptr) {
        return false;
    }
    return std::any_of(stand->overlaps.begin(), stand->overlaps.end(),
                       [b](std::uint32_t id) { return static_cast<std::int64_t>(id) == b; });
}

bool gf_fillStand(TrafficState& state, std::int32_t standId, std::int32_t needed) {
    Stand* stand = gf_standById(state, standId);
    if (stand == nullptr || stand->filled) {
        return false;
    }
    stand->filled = true;
    for (std::uint32_t excluded : stand->overlaps) {
        if (excluded >= 1) {
            if (Stand* other = findByBinarySearch(state, static_cast<std::int32_t>(excluded))) {
                other->blocked = true;
            }
        }
    }
    const auto filled = std::count_if(state.parkStands.begin(), state.parkStands.end(),
                                      [](const Stand& s) { return s.filled; });
    return filled >= needed;
}

bool gf_isUserOrReservedStand(const TrafficState& state, const Stand& stand) {
    if (matchesOneOf(state, stand, state.ports.airports.gf_currentParkAirportStand())) {
        return true;
    }
    const UserAircraftState user = state.ports.link.gf_getUserAircraft();
    return matchesOneOf(state, stand, gf_findStandAtPosition(state, user.latitude, user.longitude));
}

void gf_blockUserStandForStatic(TrafficState& state, std::string_view idText, std::string_view label) {
    Stand* stand = gf_findParkStandByIdText(state, idText);
    if (stand == nullptr) {
        return;
    }
    stand->blocked = true;
    gf_logLine(fmt::format("{} user stand '{}' blocked for static aircraft", label, idText));
    for (std::uint32_t excluded : stand->overlaps) {
        Stand* other = gf_standById(state, static_cast<std::int32_t>(excluded));
        if (other != nullptr) {
            other->blocked = true;
            gf_logLine(fmt::format("{} excluded by {} user stand '{}' blocked for static aircraft", other->id, label,
                                   idText));
        }
    }
}

std::int32_t gf_computeMaxPark(TrafficState& state, MaxParkSettings settings) {
    if (settings.max <= 0) {
        state.maxParkCount = 0;
        state.ports.shell.postMaxPark(0, 0);
        return 0;
    }
    const auto n = static_cast<std::int64_t>(state.parkStands.size());
    std::int64_t wanted = 0;
    if (n <= 1 || (n <= 3 && settings.percentage < 50)) {
        wanted = 1;
    } else {
        wanted = std::llround(static_cast<double>(settings.percentage) * static_cast<double>(n) / 100.0);
    }
    const auto maxPark = static_cast<std::int32_t>(std::min<std::int64_t>(settings.max, wanted));
    const std::int64_t shown =
        n < 1 ? 0 : std::llround(static_cast<double>(maxPark) * 100.0 / static_cast<double>(n));
    state.maxParkCount = maxPark;
    state.ports.shell.postMaxPark(static_cast<std::uint32_t>(std::max(maxPark, 0)),
                                  static_cast<std::uint32_t>(std::max<std::int64_t>(shown, 0)));
    return maxPark;
}

bool gf_optionFitsStanding(const TrafficState& state, WeekdaySlot now, std::int32_t slotsBack, bool anyDay,
                           std::int32_t standId, const AircraftInfo& aircraft) {
    const Stand* stand = gf_standById(state, standId);
    if (stand == nullptr) {
        return false;
    }
    const std::int32_t from = now.slot();
    const std::int32_t to = std::max(from - slotsBack, 0);
    for (const FlightOption& option : stand->options) {
        if (!(anyDay || static_cast<std::int64_t>(option.day) == now.weekday()) || !sameIdentity(option, aircraft)) {
            continue;
        }
        for (std::int32_t slot = from; slot >= to; --slot) {
            if (option.hh.test(static_cast<std::size_t>(slot))) {
                return true;
            }
        }
    }
    return false;
}

std::int64_t gf_countStaticParked(TrafficState& state, bool postFit) {
    const WeekdaySlot now{state.currentSlot.load()};
    const std::int64_t nowIndex = (static_cast<std::int64_t>(now.weekday()) - 1) * 48 + now.slot();
    std::int64_t count = 0;
    std::int64_t sum = 0;
    std::int64_t measured = 0;
    for (const StaticAircraft& aircraft : state.statics) {
        if (aircraft.simState != SimState::active && aircraft.simState != SimState::removingfromsim) {
            continue;
        }
        ++count;
        const WeekdaySlot parked = aircraft.parkedSlot;
        if (!postFit || parked.weekday() < 1) {
            continue;
        }
        const std::int64_t index = (static_cast<std::int64_t>(parked.weekday()) - 1) * 48 + parked.slot();
        if (nowIndex >= index) {
            sum += nowIndex - index;
            ++measured;
        }
    }
    if (postFit && !state.staticFitHidden) {
        const float fit =
            measured == 0 ? 0.0F
                          : static_cast<float>(static_cast<double>(sum) / (2.0 * static_cast<double>(measured)) + 0.5);
        state.ports.shell.postStaticFit(fit);
    }
    return count;
}

} // namespace kiv
