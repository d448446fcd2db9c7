// Park stands, options and aircraft for the tests of the parking steps, on the traffic
// fixture. Tests only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "traffic/park_stands.h"
#include "traffic/stand_helpers.h"
#include "traffic_fakes.h"

namespace kiv::test_support {

inline WeekdaySlot daySlot(std::int32_t weekday, std::int32_t slot) {
    return WeekdaySlot{static_cast<std::uint64_t>(static_cast<std::uint32_t>(weekday)) |
                       static_cast<std::uint64_t>(static_cast<std::uint32_t>(slot)) << 32};
}

// Stand i (0-based) is "A<i+1>", id i+1, about 100 m apart along a latitude line.
inline std::vector<Stand> makeStands(std::size_t count) {
    std::vector<Stand> stands(count);
    for (std::size_t i = 0; i < count; ++i) {
        stands[i].id = "A" + std::to_string(i + 1);
        stands[i].number = static_cast<std::uint32_t>(i + 1);
        stands[i].latitude = 50.0;
        stands[i].longitude = 8.5 + 0.0014 * static_cast<double>(i);
        stands[i].radius = 0.02;
        stands[i].type = 9;
    }
    return stands;
}

inline FlightOption makeOption(std::string reg, std::uint32_t day, std::initializer_list<int> slots,
                               std::uint32_t seq = 1) {
    FlightOption option;
    option.reg = std::move(reg);
    option.day = day;
    option.seq = seq;
    for (int slot : slots) {
        option.hh.set(static_cast<std::size_t>(slot));
    }
    return option;
}

struct ParkingFixture : TrafficFixture {
    void setStands(std::size_t count) {
        state.parkStands = makeStands(count);
        gf_rebuildStandIndex(state);
        gf_publishParkStands(state);
    }
    void setNow(std::int32_t weekday, std::int32_t slot) { state.currentSlot = daySlot(weekday, slot).packed; }

    StaticAircraft& addStatic(std::uint32_t hexId, std::int32_t standId, SimState simState = SimState::active,
                              std::string callsign = "") {
        TrafficRecordHead head;
        head.callsign = callsign.empty() ? "ST" + std::to_string(hexId) : callsign;
        head.registration = "D-S" + std::to_string(hexId);
        head.liveryKey.modelId = 1;
        AircraftInfo info = gf_makeAircraftInfo(models, head);
        info.hexId = hexId;
        const Stand* stand = gf_standById(state, standId);
        state.statics.emplace_back(info, static_cast<std::uint32_t>(standId), StandPose{},
                                   stand != nullptr && stand->cargo, stand != nullptr ? stand->id : "");
        StaticAircraft& aircraft = state.statics.back();
        aircraft.simState = simState;
        aircraft.objectId = hexId + 100;
        return aircraft;
    }
};

} // namespace kiv::test_support
