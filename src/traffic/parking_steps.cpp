#include "traffic/parking_steps.h"

#include "traffic/detail/settings_access.h"
#include "traffic/learned_stand_use.h"
#include "traffic/parking_adjustments.h"
#include "traffic/parking_planner.h"
#include "traffic/stand_helpers.h"
#include "traffic/static_placement.h"
#include "traffic/traffic_state.h"

namespace kiv {

void ParkingSteps::gf_addRealStandOption(TrafficState& state, std::uint32_t standId, const LiveAircraft& aircraft,
                                         std::uint8_t flag) {
    kiv::gf_addRealStandOption(state, standId, aircraft, flag);
}

void ParkingSteps::lf_matchSlotWindow(TrafficState& state, std::uint32_t hexId) {
    if (LiveAircraft* aircraft = gf_findLive(state, hexId)) {
        kiv::lf_matchSlotWindow(state.parkStands, WeekdaySlot{state.currentSlot.load()}, *aircraft);
    }
}

void ParkingSteps::gf_computeMaxPark(TrafficState& state) {
    const auto settings = detail::settings();
    kiv::gf_computeMaxPark(state, {settings->parkingPercentage, settings->maxParkSel});
}

std::uint64_t ParkingSteps::pendingParkedAdditions(const TrafficState& state) const {
    return state.pendingParkedAdds.size();
}

void ParkingSteps::clearStepState(TrafficState& state) {
    state.pendingParkedAdds.clear();
    state.deferredParkedAdds.clear();
    state.liveStayers.clear();
    data_ = ParkingData{};
}

void ParkingSteps::gf_regenerateParking(TrafficState& state) { kiv::gf_regenerateParking(state, data_); }

void ParkingSteps::lf_parkAirportSweep(TrafficState& state) { kiv::lf_parkAirportSweep(state, data_); }

void ParkingSteps::lf_applyParkingAdjustments(TrafficState& state, bool replaceAll) {
    kiv::lf_applyParkingAdjustments(state, data_, replaceAll);
}

void ParkingSteps::gf_limitParkedAircraft(TrafficState& state, std::uint32_t extra) {
    kiv::gf_limitParkedAircraft(state, extra);
}

void ParkingSteps::lf_placeStaticAircraft(TrafficState& state) { kiv::lf_placeStaticAircraft(state); }

void ParkingSteps::lf_checkUserAirCollisions(TrafficState& state) { kiv::lf_checkUserAirCollisions(state); }

void ParkingSteps::gf_checkUserAcGndCollisions(TrafficState& state) { kiv::gf_checkUserAcGndCollisions(state); }

void ParkingSteps::gf_clearParking(TrafficState& state) { kiv::gf_clearParking(state, data_); }

} // namespace kiv
