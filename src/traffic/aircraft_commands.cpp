#include "traffic/aircraft_commands.h"

#include <array>
#include <cmath>

#include "airports/stand.h"
#include "foundation/log.h"
#include "traffic/detail/aircraft_class_tables.h"
#include "traffic/detail/geo.h"
#include "traffic/detail/settings_access.h"
#include "traffic/traffic_state.h"

namespace kiv {
namespace {

constexpr std::array<std::uint32_t, 5> kFlapsValues = {0, 3072, 10240, 16383, 0};
constexpr std::array<std::uint32_t, 5> kThrottleValues = {0, 4914, 8191, 11468, 16383};

bool isRotorcraft(const AircraftRecord& aircraft) { return aircraft.info.sizeClass == SizeClass::Rotorcraft; }

void sendEvent(TrafficState& state, const AircraftRecord& aircraft, std::uint32_t eventId, std::uint32_t value) {
    state.ports.link.queueClientEvent({aircraft.objectId, eventId, value});
}

} // namespace

void gf_setSpoilers(TrafficState& state, AircraftRecord& aircraft, std::uint32_t on) {
    if (isRotorcraft(aircraft)) {
        return;
    }
    sendEvent(state, aircraft, kEventSpoilersSet, on != 0 ? 16383u : 0u);
}

void gf_setFlaps(TrafficState& state, AircraftRecord& aircraft, std::int32_t flapsIndex) {
    const auto index = static_cast<std::uint32_t>(flapsIndex);
    if (index == aircraft.flapsIndex || isRotorcraft(aircraft)) {
        return;
    }
    aircraft.flapsIndex = index;
    if (index >= kFlapsValues.size()) {
        gf_logImportant("gf_setFlaps: invalid flaps index");
        return;
    }
    sendEvent(state, aircraft, kEventFlapsSet, kFlapsValues[index]);
}

void gf_setGear(TrafficState& state, AircraftRecord& aircraft, std::uint8_t value) {
    if (isRotorcraft(aircraft)) {
        return;
    }
    sendEvent(state, aircraft, kEventGearSet, value);
}

void gf_setThrottle(TrafficState& state, AircraftRecord& aircraft, std::int32_t throttleIndex) {
    const auto index = static_cast<std::uint32_t>(throttleIndex);
    if (index == aircraft.throttleIndex) {
        return;
    }
    aircraft.throttleIndex = index;
    if (index >= kThrottleValues.size()) {
        return;
    }
    sendEvent(state, aircraft, kEventThrottleSet, kThrottleValues[index]);
}

std::uint32_t gf_parkedCabinLight(bool cargoStand) {
    if (cargoStand) {
        return 0;
    }
    if (!detail::settings()->random) {
        return 1;
    }
    return detail::uniformBelow(10) <= 8 ? 1 : 0;
}

void gf_shutDownAtStand(TrafficState& state, AircraftRecord& aircraft) {
    gf_setThrottle(state, aircraft, 0);
    gf_setFlaps(state, aircraft, 0);
    state.ports.link.gf_engineAutoShutdown(aircraft.objectId);
    const std::uint32_t nav = detail::settings()->navLightsWhileParked ? 1 : 0;
    const LightSet lights = {nav, 0, 0, 0, 0, 1, gf_parkedCabinLight(aircraft.cargoStand != 0)};
    state.ports.link.gf_setAllLights(aircraft.objectId, lights);
}

void gf_applyStaticCgAndPitch(AircraftRecord& aircraft, double cgHeightFt, double staticPitchRad) {
    if (std::isfinite(cgHeightFt) && cgHeightFt >= -1.0 && cgHeightFt <= 35.0 && cgHeightFt != 0.0) {
        aircraft.info.classDistance = cgHeightFt;
        aircraft.info.cgFromSim = 1;
    } else {
        aircraft.info.classDistance = detail::classRow(aircraft.info.sizeClass).classDistance;
        aircraft.info.cgFromSim = 0;
    }
    aircraft.cgKnown = 1;
    const bool pitchUsable = std::isfinite(staticPitchRad) && staticPitchRad > -1.0 * detail::kDegToRad &&
                             staticPitchRad <= 2.5 * detail::kDegToRad;
    aircraft.info.staticPitchRad = pitchUsable ? staticPitchRad : 0.7 * detail::kDegToRad;
}

void gf_assignStand(AircraftRecord& aircraft, const Stand& stand) {
    aircraft.standLat = stand.latitude;
    aircraft.standLon = stand.longitude;
    aircraft.standHeading = stand.heading;
    aircraft.standId = stand.number;
    aircraft.cargoStand = stand.cargo ? 1 : 0;
    aircraft.gateStand = gf_isGateName(stand.id) ? 1 : 0;
}

} // namespace kiv
