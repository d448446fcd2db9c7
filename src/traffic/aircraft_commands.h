// Per-aircraft simulator commands (spoilers, flaps, gear, throttle, shut-down at a stand),
// the static centre-of-gravity read-back and the assignment of a stand. They work on the
// part that static and live aircraft share. Simulator-loop thread only.
#pragma once

#include <cstdint>

namespace kiv {

class TrafficState;
struct AircraftRecord;
struct Stand;

void gf_setSpoilers(TrafficState& state, AircraftRecord& aircraft, std::uint32_t on);
void gf_setFlaps(TrafficState& state, AircraftRecord& aircraft, std::int32_t flapsIndex);
void gf_setGear(TrafficState& state, AircraftRecord& aircraft, std::uint8_t value);
void gf_setThrottle(TrafficState& state, AircraftRecord& aircraft, std::int32_t throttleIndex);
void gf_shutDownAtStand(TrafficState& state, AircraftRecord& aircraft);
void gf_applyStaticCgAndPitch(AircraftRecord& aircraft, double cgHeightFt, double staticPitchRad);
void gf_assignStand(AircraftRecord& aircraft, const Stand& stand);

// The cabin lights of a parked aircraft: off at a cargo stand, else on (nine in ten with RANDOM).
std::uint32_t gf_parkedCabinLight(bool cargoStand);

} // namespace kiv
