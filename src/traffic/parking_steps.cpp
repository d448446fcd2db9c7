#include "traffic/parking_steps.h"

#include "traffic/detail/settings_access.h"
#include "traffic/learned_stand_use.h"
#include "traffic/stand_helpers.h"
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

} // namespace kiv
