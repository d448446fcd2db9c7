// The parking steps of the traffic manager: learned stand use, the static parking plan, the
// placement of static aircraft, the parking adjustments and the sweeps against the user
// aircraft. One object per program, reached through TrafficSteps; it keeps the planner's own
// state beside the traffic state's tables. Simulator-loop thread only.
#pragma once

#include <cstdint>

#include "traffic/aircraft_records.h"
#include "traffic/parking_data.h"

namespace kiv {

class TrafficState;

class ParkingSteps {
public:
    void gf_addRealStandOption(TrafficState& state, std::uint32_t standId, const LiveAircraft& aircraft,
                               std::uint8_t flag);
    void lf_matchSlotWindow(TrafficState& state, std::uint32_t hexId);
    void gf_computeMaxPark(TrafficState& state);
    std::uint64_t pendingParkedAdditions(const TrafficState& state) const;
    void clearStepState(TrafficState& state);

    void gf_regenerateParking(TrafficState& state);
    void lf_parkAirportSweep(TrafficState& state);
    void lf_applyParkingAdjustments(TrafficState& state, bool replaceAll);
    void gf_limitParkedAircraft(TrafficState& state, std::uint32_t extra);
    void lf_placeStaticAircraft(TrafficState& state);
    void lf_checkUserAirCollisions(TrafficState& state);
    void gf_checkUserAcGndCollisions(TrafficState& state);
    // Not part of TrafficSteps: the park airport's reach handling and the shut-down call it.
    void gf_clearParking(TrafficState& state);

    ParkingData& data() noexcept { return data_; }

private:
    ParkingData data_;
};

} // namespace kiv
