#include "traffic/learned_stand_use.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <exception>
#include <optional>
#include <stdexcept>

#include <fmt/format.h>

#include "airports/stand.h"
#include "foundation/log.h"
#include "traffic/detail/geo.h"
#include "traffic/park_stands.h"
#include "traffic/stand_helpers.h"
#include "traffic/traffic_state.h"

namespace kiv {
namespace {

constexpr std::int32_t kSlotsPerDay = 48;
constexpr std::int32_t kSlotsPerWeek = 7 * kSlotsPerDay;
constexpr double kWordNearNm = 0.1349892008639309; // 250 m

struct UseNames {
    std::string callsign;
    std::string registration;
};

struct LastUse {
    WeekdaySlot last; // weekday and highest slot of the option extended
    std::uint32_t newId = 0;
};

struct NewOption {
    std::uint32_t id = 0;
    bool made = false;
};

std::string withoutOneUnderscore(std::string_view text) {
    if (!text.empty() && text.back() == '_') {
        text.remove_suffix(1);
    }
    return std::string(text);
}

WeekdaySlot makeSlot(std::int32_t weekday, std::int32_t slot) {
    return WeekdaySlot{static_cast<std::uint64_t>(static_cast<std::uint32_t>(weekday)) |
                       static_cast<std::uint64_t>(static_cast<std::uint32_t>(slot)) << 32};
}

std::int32_t previousWeekday(std::int32_t weekday) { return weekday == 1 ? 7 : weekday - 1; }

FlightOption* optionById(Stand& stand, std::uint32_t id) {
    if (id == 0) {
        return nullptr;
    }
    auto it = std::find_if(stand.options.begin(), stand.options.end(),
                           [id](const FlightOption& option) { return option.seq == id; });
    return it == stand.options.end() ? nullptr : &*it;
}

void countLearnedChange(TrafficState& state) {
    ++state.learnedUpdateCount;
    state.learnedDataChanged = true;
    state.ports.airports.gf_addLearnedUpdate();
    state.ports.shell.postLearnedChanges(state.learnedUpdateCount);
}

void lf_setOptionCallsign(Stand& stand, std::uint32_t optionId, const std::string& callsign) {
    const std::string text = withoutOneUnderscore(callsign);
    FlightOption* option = optionById(stand, optionId);
    if (text.empty() || option == nullptr) {
        return;
    }
    if (option->cs.empty()) {
        option->cs = text;
    } else if (option->cs != text && option->cs2 != text) {
        option->cs2 = text;
    }
}

void lf_newStandOption(TrafficState& state, Stand& stand, NewOption& out, LiveryKey key, WeekdaySlot now,
                       const UseNames& names, bool departure) {
    if (names.registration.empty()) {
        return;
    }
    std::bitset<48> slots;
    slots.set(static_cast<std::size_t>(now.slot()));
    const auto id = static_cast<std::uint32_t>(stand.options.size() + 1);
    if (key.present == 0) {
        if (std::optional<LiveryKey> found = state.ports.models.gf_lookupRegistration(names.registration)) {
            key = *found;
        }
    }
    const auto day = static_cast<std::uint32_t>(now.weekday());
    const bool exists = std::any_of(stand.options.begin(), stand.options.end(), [&](const FlightOption& option) {
        return option.reg == names.registration && option.day == day && option.hh == slots;
    });
    if (exists) {
        return;
    }
    FlightOption option;
    option.key = key;
    option.reg = names.registration;
    option.cs = withoutOneUnderscore(names.callsign);
    option.hh = slots;
    option.seq = id;
    option.day = day;
    option.fromFile = 0;
    option.real = 1;
    option.cpl = departure;
    stand.options.push_back(std::move(option));
    countLearnedChange(state);
    out = {id, true};
}

// Sets the listed slots, newest first in the list, in the option; refuses a result that is
// not one run of slots.
bool updateOptions(Stand& stand, std::vector<std::uint32_t>& slots, std::uint32_t optionId) {
    try {
        FlightOption* option = optionById(stand, optionId);
        if (option == nullptr) {
            return false;
        }
        std::bitset<48> result = option->hh;
        while (!slots.empty()) {
            result.set(slots.back());
            slots.pop_back();
        }
        if (!gf_isOneSlotRun(result)) {
            return false;
        }
        option->hh = result;
        return true;
    } catch (const std::exception& e) {
        gf_logImportant(fmt::format("{} exception:{}", "updateOptions", e.what()));
        return false;
    }
}

// The oldest slots up to slot 47 go into the first option, the rest but the newest (which
// the second option already holds) into the second.
bool updateOptionsWrapped(Stand& stand, std::vector<std::uint32_t>& slots, std::uint64_t twoIds) {
    try {
        FlightOption* first = optionById(stand, static_cast<std::uint32_t>(twoIds));
        FlightOption* second = optionById(stand, static_cast<std::uint32_t>(twoIds >> 32));
        if (first == nullptr || second == nullptr) {
            return false;
        }
        std::bitset<48> firstSlots = first->hh;
        std::bitset<48> secondSlots = second->hh;
        if (!slots.empty() && slots.back() != 0) {
            while (!slots.empty()) {
                const std::uint32_t slot = slots.back();
                slots.pop_back();
                firstSlots.set(slot);
                if (slot == 47) {
                    break;
                }
            }
        }
        while (slots.size() >= 2) {
            secondSlots.set(slots.back());
            slots.pop_back();
        }
        if (!gf_isOneSlotRun(firstSlots) || !gf_isOneSlotRun(secondSlots)) {
            return false;
        }
        first->hh = firstSlots;
        second->hh = secondSlots;
        return true;
    } catch (const std::exception& e) {
        gf_logImportant(fmt::format("{} exception:{}", "updateOptionsWrapped", e.what()));
        return false;
    }
}

std::int32_t windowSlots(const LiveAircraft& aircraft, const LiveryKey& key) {
    if (key.cargo != 0) {
        return 12;
    }
    return aircraft.info.sizeClass == SizeClass::Heavy ? 8 : 6;
}

bool lf_addStandOption(TrafficState& state, WeekdaySlot now, Stand& stand, std::uint32_t optionId, LastUse& last,
                       const LiveAircraft& aircraft, const LiveryKey& key, const UseNames& names, bool departure) {
    if (optionId == 0) {
        return false;
    }
    const std::int32_t day = now.weekday();
    const std::int32_t slot = now.slot();
    const std::int32_t lastDay = last.last.weekday();
    const std::int32_t lastSlot = last.last.slot();
    if (day == lastDay && slot == lastSlot) {
        return true;
    }
    std::int32_t delta = (day - lastDay) * kSlotsPerDay - lastSlot + slot;
    if (delta < 0) {
        delta += kSlotsPerWeek;
    }
    if (delta < 1 || delta >= windowSlots(aircraft, key)) {
        return false;
    }
    std::vector<std::uint32_t> slots;
    slots.reserve(static_cast<std::size_t>(delta));
    for (std::int32_t i = 0, s = slot; i < delta; ++i) {
        slots.push_back(static_cast<std::uint32_t>(s));
        s = s == 0 ? kSlotsPerDay - 1 : s - 1;
    }
    if (day == lastDay) {
        if (!updateOptions(stand, slots, optionId)) {
            return false;
        }
        lf_setOptionCallsign(stand, optionId, names.callsign);
        return true;
    }
    NewOption made;
    lf_newStandOption(state, stand, made, key, now, names, departure);
    if (!made.made) {
        return false;
    }
    const std::uint64_t twoIds = std::uint64_t{optionId} | std::uint64_t{made.id} << 32;
    if (!updateOptionsWrapped(stand, slots, twoIds)) {
        if (FlightOption* option = optionById(stand, made.id)) {
            option->seq = 0;
        }
        return false;
    }
    lf_setOptionCallsign(stand, optionId, names.callsign);
    lf_setOptionCallsign(stand, made.id, names.callsign);
    last.newId = made.id;
    return true;
}

// The option of this registration on that weekday that the system learned: the first one
// still open, else the first one. (Taking a closed one while a later one is open would start
// a new option at every later use.)
FlightOption* learnedOption(Stand& stand, const std::string& registration, std::int32_t weekday) {
    FlightOption* first = nullptr;
    for (FlightOption& option : stand.options) {
        if (option.seq != 0 && static_cast<std::int64_t>(option.day) == weekday && option.reg == registration &&
            option.real == 1 && option.fromFile == 0) {
            if (!option.cpl) {
                return &option;
            }
            first = first == nullptr ? &option : first;
        }
    }
    return first;
}

void markClosed(Stand& stand, std::uint32_t optionId) {
    if (FlightOption* option = optionById(stand, optionId)) {
        option->cpl = true;
    }
}

std::int32_t highestSlot(const std::bitset<48>& slots) {
    for (std::int32_t slot = kSlotsPerDay - 1; slot >= 0; --slot) {
        if (slots.test(static_cast<std::size_t>(slot))) {
            return slot;
        }
    }
    return -1;
}

void recordUse(TrafficState& state, std::uint32_t standId, const LiveAircraft& aircraft, std::uint32_t useKind,
               WeekdaySlot now) {
    const std::string registration = withoutOneUnderscore(aircraft.info.head.registration);
    std::optional<LiveryKey> found = state.ports.models.gf_lookupRegistration(registration);
    if (!found) {
        return;
    }
    const LiveryKey key = *found;
    Stand* stand = gf_standById(state, static_cast<std::int32_t>(standId));
    const std::int32_t day = now.weekday();
    const std::int32_t slot = now.slot();
    // A failed clock gives no weekday: nothing to learn from.
    if (stand == nullptr || day < 1 || day > 7 || slot < 0 || slot >= kSlotsPerDay) {
        return;
    }
    const bool departure = useKind >= kFirstDepartureUse;
    const UseNames names{aircraft.info.head.callsign, registration};
    const auto slotBit = static_cast<std::size_t>(slot);
    const bool fileSaysOtherwise =
        std::any_of(stand->options.begin(), stand->options.end(), [&](const FlightOption& option) {
            return option.seq != 0 && static_cast<std::int64_t>(option.day) == day && option.reg == registration &&
                   option.real == 1 && option.fromFile == 1 && !option.hh.test(slotBit);
        });
    if (fileSaysOtherwise) {
        return;
    }
    NewOption made;
    FlightOption* option = learnedOption(*stand, registration, day);
    bool sameDay = true;
    if (option == nullptr) {
        // Shortly after midnight the use goes on yesterday's option.
        option = learnedOption(*stand, registration, previousWeekday(day));
        sameDay = false;
    }
    if (option == nullptr) {
        lf_newStandOption(state, *stand, made, key, now, names, departure);
        return;
    }
    if (option->cpl) {
        if (!sameDay || !option->hh.test(slotBit)) {
            lf_newStandOption(state, *stand, made, key, now, names, departure);
        }
        return;
    }
    if (sameDay && option->hh.test(slotBit)) {
        option->cpl = option->cpl || departure;
        return;
    }
    const std::uint32_t id = option->seq;
    LastUse last{makeSlot(static_cast<std::int32_t>(option->day), highestSlot(option->hh)), 0};
    if (lf_addStandOption(state, now, *stand, id, last, aircraft, key, names, departure)) {
        countLearnedChange(state);
    } else {
        lf_newStandOption(state, *stand, made, key, now, names, departure);
    }
    if (departure) {
        markClosed(*stand, id);
    }
}

bool isWordCharacter(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

bool holdsWord(std::string_view text, std::string_view word) {
    for (std::size_t at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1)) {
        const bool startOk = at == 0 || !isWordCharacter(text[at - 1]);
        const std::size_t end = at + word.size();
        const bool endOk = end >= text.size() || !isWordCharacter(text[end]);
        if (startOk && endOk) {
            return true;
        }
    }
    return false;
}

} // namespace

bool gf_isOneSlotRun(const std::bitset<48>& slots) noexcept {
    std::uint64_t bits = slots.to_ullong();
    if (bits == 0) {
        return false;
    }
    bits >>= std::countr_zero(bits);
    return (bits & (bits + 1)) == 0;
}

void gf_addRealStandOption(TrafficState& state, std::uint32_t standId, const LiveAircraft& aircraft,
                           std::uint32_t useKind) {
    const WeekdaySlot now{state.currentSlot.load()};
    try {
        recordUse(state, standId, aircraft, useKind, now);
    } catch (const std::exception& e) {
        gf_logSwallowingErrors([&] {
            return fmt::format("{}: hh_now: {}, {}", "gf_addRealStandOption", now.slot(), e.what());
        }, &gf_logImportant);
    } catch (...) {
    }
}

void lf_matchSlotWindow(std::span<const Stand> stands, WeekdaySlot now, LiveAircraft& aircraft) {
    try {
        const std::int32_t reach = aircraft.info.sizeClass == SizeClass::Heavy ? 14 : 10;
        std::bitset<48> window;
        for (std::int32_t slot = std::max(now.slot() - reach, 0); slot <= std::min(now.slot() + reach, 47); ++slot) {
            window.set(static_cast<std::size_t>(slot));
        }
        const std::string callsign = aircraft.info.head.callsign;
        const std::string bare = withoutOneUnderscore(callsign);
        if (bare.empty()) {
            return;
        }
        const auto named = [&](const std::string& text) { return text == callsign || text == bare; };
        for (const Stand& stand : stands) {
            for (const FlightOption& option : stand.options) {
                if (option.seq != 0 && static_cast<std::int64_t>(option.day) == now.weekday() &&
                    option.key.airlineId == aircraft.info.head.liveryKey.airlineId && !option.cs2.empty() &&
                    (option.hh & window).any() && (named(option.cs) || named(option.cs2))) {
                    aircraft.info.head.prevCallsign = option.cs;
                    aircraft.info.head.thirdText = option.cs2;
                    return;
                }
            }
        }
    } catch (...) {
    }
}

std::int32_t lf_findWordNear(std::span<const Stand> stands, std::string_view name, const double position[2]) {
    if (name.size() < 6) {
        return 0;
    }
    const std::string_view word = name.substr(5);
    for (const Stand& stand : stands) {
        if (holdsWord(stand.id, word) &&
            detail::distanceNm(position[0], position[1], stand.latitude, stand.longitude) <= kWordNearNm) {
            return static_cast<std::int32_t>(stand.number);
        }
    }
    return 0;
}

std::string lf_liveryKeyText(const ModelsPort& models, const LiveryKey& key) {
    const std::string operatorText = key.operatorId == 0 ? std::string{} : fmt::format(",{}", models.airlineCode(key.operatorId));
    return fmt::format("{:3}{:4} {:4}{}{:3}", models.airlineCode(key.airlineId), operatorText,
                       models.modelCode(key.modelId), key.present != 0 ? "." : " ", key.cargo != 0 ? "(C)" : "");
}

std::string lf_printStandExclusions(const TrafficState& state, const std::vector<std::uint32_t>& excluded,
                                    std::int32_t standId) {
    if (excluded.empty()) {
        return {};
    }
    std::string names;
    for (std::uint32_t id : excluded) {
        if (!names.empty()) {
            names += ',';
        }
        names += gf_standName(state, static_cast<std::int32_t>(id));
    }
    return fmt::format("          {:8}: excludes {}", gf_standName(state, standId), names);
}

} // namespace kiv
