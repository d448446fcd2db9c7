// Small helpers of the stand steps over the park stands and the aircraft tables.
// Simulator-loop thread only.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "airports/stand.h"
#include "traffic/aircraft_records.h"
#include "traffic/traffic_state.h"

namespace kiv::detail {

inline constexpr double kMetresPerNm = 1852.0;

// The park stand with that id, or null when the id names none.
inline const Stand* standOf(const TrafficState& state, std::uint32_t standId) noexcept {
    if (standId < 1 || standId > state.parkStands.size()) {
        return nullptr;
    }
    const Stand& stand = state.parkStands[standId - 1];
    return stand.number == standId ? &stand : nullptr;
}

// A live aircraft in one of these situations holds its stand.
inline bool holdsStand(FlightSituation situation) noexcept {
    return situation == FlightSituation::pushing_back || situation == FlightSituation::pushed_back ||
           situation == FlightSituation::parking || situation == FlightSituation::parked;
}

// The callsign without its last character; none for an empty callsign.
inline std::optional<std::string_view> withoutLastCharacter(std::string_view callsign) noexcept {
    if (callsign.empty()) {
        return std::nullopt;
    }
    return callsign.substr(0, callsign.size() - 1);
}

inline bool endsWithUnderscore(std::string_view callsign) noexcept {
    return !callsign.empty() && callsign.back() == '_';
}

// The situation changes the way every situation change goes: the history moves up by one.
inline void setSituation(TrafficState& state, LiveAircraft& aircraft, FlightSituation situation) noexcept {
    if (aircraft.situation == situation) {
        return;
    }
    aircraft.earlierSituation = aircraft.previousSituation;
    aircraft.previousSituation = aircraft.situation;
    aircraft.situation = situation;
    aircraft.situationTick = static_cast<std::uint32_t>(state.tickCount.load());
}

// The hold of the stream ends: no synthetic samples, default retiming windows.
inline void resetHold(LiveAircraft& aircraft) noexcept {
    aircraft.holdCount = 0;
    aircraft.holdTicks1 = 2700;
    aircraft.holdTicks2 = aircraft.situation == FlightSituation::takeoff_roll ? 4500 : 2700;
    aircraft.proximityCompanion = 0;
    aircraft.proximityCheck = 0;
}

inline StandPose standPoseOf(const Stand& stand) noexcept { return {stand.latitude, stand.longitude, stand.heading}; }

inline Lalo positionOf(const LiveAircraft& aircraft) noexcept { return {aircraft.pose.latitude, aircraft.pose.longitude}; }

inline Lalo positionOf(const StreamSample& sample) noexcept { return {sample.latitude, sample.longitude}; }

inline std::ptrdiff_t findStaticIndex(const TrafficState& state, std::uint32_t hexId) noexcept {
    for (std::size_t i = 0; i < state.statics.size(); ++i) {
        if (state.statics[i].info.hexId == hexId) {
            return static_cast<std::ptrdiff_t>(i);
        }
    }
    return -1;
}

inline StaticAircraft* findStatic(TrafficState& state, std::uint32_t hexId) noexcept {
    const std::ptrdiff_t index = findStaticIndex(state, hexId);
    return index < 0 ? nullptr : &state.statics[static_cast<std::size_t>(index)];
}

} // namespace kiv::detail
