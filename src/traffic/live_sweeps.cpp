#include "traffic/live_sweeps.h"

#include <algorithm>

#include <fmt/format.h>

#include "traffic/aircraft_removal.h"
#include "traffic/detail/settings_access.h"
#include "traffic/traffic_exception.h"
#include "traffic/traffic_state.h"

namespace kiv {
namespace {

template <typename Match> bool removeFirstActive(TrafficState& state, Match match) {
    for (LiveAircraft& aircraft : state.live) {
        if (aircraft.simState == SimState::active && match(aircraft)) {
            removeAircraftFromSim(state, aircraft);
            return true;
        }
    }
    return false;
}

bool passesAirGround(const LiveAircraft& aircraft, std::uint8_t airGround) {
    switch (airGround) {
    case 1:
        return aircraft.onGround == 0;
    case 2:
        return aircraft.onGround != 0;
    default:
        return true;
    }
}

} // namespace

void gf_removeBlockedAc(TrafficState& state) {
    const BlockFilter block = detail::settings()->block;
    try {
        if (block.hexid != 0 && removeFirstActive(state, [&](const LiveAircraft& a) {
                return a.info.hexId == static_cast<std::uint32_t>(block.hexid);
            })) {
            return;
        }
        if (!block.callsign.empty() &&
            removeFirstActive(state, [&](const LiveAircraft& a) { return a.info.head.callsign == block.callsign; })) {
            return;
        }
        if (!block.regcode.empty()) {
            removeFirstActive(state, [&](const LiveAircraft& a) { return a.info.head.registration == block.regcode; });
        }
    } catch (...) {
        gf_reportTrafficException("gf_removeBlockedAc");
    }
}

void gf_removeTCASCoverageAcs(TrafficState& state) {
    const double floorFt = detail::settings()->tcasFl * 100.0 - 1000.0;
    for (std::size_t i = 0; i < state.live.size(); ++i) {
        LiveAircraft& aircraft = state.live[i];
        if (aircraft.simState != SimState::active || aircraft.info.isCoverageOnly == 0 ||
            aircraft.pose.altitudeFt >= floorFt) {
            continue;
        }
        try {
            state.ports.models.gf_forgetLiveryOfHexid(aircraft.info.hexId);
            removeAircraftFromSim(state, aircraft);
        } catch (...) {
            gf_reportTrafficException("gf_removeTCASCoverageAcs");
        }
    }
}

std::vector<std::string> lf_listActiveAircraft(const TrafficState& state) {
    const std::uint8_t airGround = detail::settings()->airGround;
    std::vector<std::string> entries;
    for (const LiveAircraft& aircraft : state.live) {
        if (aircraft.simState != SimState::active || !passesAirGround(aircraft, airGround)) {
            continue;
        }
        const std::string& callsign = aircraft.info.head.callsign;
        const std::string& registration = aircraft.info.head.registration;
        entries.push_back(fmt::format("{}, {}, {:x}", callsign.empty() ? "null" : callsign,
                                      registration.empty() ? "null" : registration, aircraft.info.hexId));
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

} // namespace kiv
