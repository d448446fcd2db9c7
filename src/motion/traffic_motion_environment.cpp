#include "motion/traffic_motion_environment.h"

#include <limits>
#include <utility>

#include "airports/stand.h"
#include "foundation/clock.h"
#include "foundation/random.h"
#include "traffic/aircraft_commands.h"
#include "traffic/aircraft_removal.h"
#include "traffic/batch_intake.h"
#include "traffic/park_stands.h"
#include "traffic/simulator_loop.h"
#include "traffic/traffic_state.h"

namespace kiv {
namespace {

constexpr std::uint32_t kEventCabinLightsSet = 212;
constexpr std::int64_t k100nsPerSecond = 10'000'000;

} // namespace

std::uint32_t TrafficMotionEnvironment::simTick() const { return static_cast<std::uint32_t>(state_.tickCount.load()); }

std::int64_t TrafficMotionEnvironment::systemTime100ns() const { return gf_systemUtcSeconds() * k100nsPerSecond; }

std::uint64_t TrafficMotionEnvironment::randomIndex(std::uint64_t n) { return gf_randomIndex(n); }

std::shared_ptr<const SettingsSnapshot> TrafficMotionEnvironment::settings() const { return gf_settings(); }

bool TrafficMotionEnvironment::isSizeClassIncluded(SizeClass sizeClass) const {
    return gf_isSizeClassIncluded(sizeClass);
}

std::int32_t TrafficMotionEnvironment::currentQnh() const { return state_.ports.feeds.currentQnh(); }

UserAircraftState TrafficMotionEnvironment::userAircraft() const { return state_.user; }

std::optional<double> TrafficMotionEnvironment::parkAirportAltitude() const {
    return state_.ports.airports.gf_parkAirportAltitude();
}

bool TrafficMotionEnvironment::isNearParkAirport(const Lalo& position) const {
    return state_.ports.airports.gf_isNearParkAirport(position.latitude, position.longitude);
}

ParkAirportInfo TrafficMotionEnvironment::parkAirport() const { return state_.ports.airports.currentParkAirport(); }

const Stand* TrafficMotionEnvironment::parkStand(std::uint32_t standId) const {
    if (standId == 0 || standId > state_.parkStands.size()) {
        return nullptr;
    }
    const Stand& stand = state_.parkStands[standId - 1];
    return stand.number == standId ? &stand : nullptr;
}

std::string TrafficMotionEnvironment::standName(std::uint32_t standId) const {
    return standId > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())
               ? "sid==?"
               : gf_standName(state_, static_cast<std::int32_t>(standId));
}

bool TrafficMotionEnvironment::airportFileLoaded() const { return state_.parkAirportFileRead; }

void TrafficMotionEnvironment::setThrottle(LiveAircraft& aircraft, std::uint32_t index) {
    gf_setThrottle(state_, aircraft, static_cast<std::int32_t>(index));
}

void TrafficMotionEnvironment::setFlaps(LiveAircraft& aircraft, std::uint32_t index) {
    gf_setFlaps(state_, aircraft, static_cast<std::int32_t>(index));
}

void TrafficMotionEnvironment::setGear(LiveAircraft& aircraft, std::uint8_t down) {
    gf_setGear(state_, aircraft, down);
}

void TrafficMotionEnvironment::setSpoilers(LiveAircraft& aircraft, std::uint8_t on) {
    gf_setSpoilers(state_, aircraft, on);
}

void TrafficMotionEnvironment::setAllLights(const LiveAircraft& aircraft, const LightSet& lights) {
    state_.ports.link.gf_setAllLights(aircraft.objectId, lights);
}

void TrafficMotionEnvironment::setCabinLights(const LiveAircraft& aircraft, std::uint32_t on) {
    state_.ports.link.queueClientEvent({aircraft.objectId, kEventCabinLightsSet, on});
}

void TrafficMotionEnvironment::engineAutoStart(const LiveAircraft& aircraft) {
    state_.ports.link.queueClientEvent({aircraft.objectId, kEventEngineAutoStart, 0});
}

void TrafficMotionEnvironment::setReverseThrust(const LiveAircraft& aircraft, std::uint8_t active,
                                                std::uint8_t reverse) {
    state_.ports.link.gf_setReverseThrust(aircraft.objectId, active, reverse);
}

void TrafficMotionEnvironment::try2Park(LiveAircraft& aircraft) { state_.ports.steps.try2Park(state_, aircraft); }

void TrafficMotionEnvironment::removeAircraftFromSim(LiveAircraft& aircraft) {
    kiv::removeAircraftFromSim(state_, aircraft);
}

void TrafficMotionEnvironment::noMoreNextPos(LiveAircraft& aircraft) {
    state_.ports.steps.noMoreNextPos(state_, aircraft);
}

std::uint32_t TrafficMotionEnvironment::standUseByOtherLive(std::uint32_t standId, std::uint32_t ownHexId) const {
    return state_.ports.steps.gf_standUseByOtherLive(state_, standId, ownHexId);
}

void TrafficMotionEnvironment::addRealStandOption(std::uint32_t standId, const LiveAircraft& aircraft,
                                                  std::uint8_t flag) {
    state_.ports.steps.gf_addRealStandOption(state_, standId, aircraft, flag);
}

void TrafficMotionEnvironment::limitParkedAircraft(std::uint32_t extra) {
    state_.ports.steps.gf_limitParkedAircraft(state_, extra);
}

void TrafficMotionEnvironment::queueParkedAction(const ParkedAction& action) {
    gf_queueDelayedLightCommand(state_, DelayedLightCommand{action.hexId, action.dueTick, action.kind});
}

void TrafficMotionEnvironment::notifyHexId(std::uint32_t hexId) { state_.learnedStandMatchQueue.push_back(hexId); }

void TrafficMotionEnvironment::postFlightMessage(std::string text) {
    if (gf_settings()->flightMessages) {
        state_.ports.shell.showMessage(text, false);
    }
}

void TrafficMotionEnvironment::setFastPoll() { state_.fastPollFlag = true; }

WeekdaySlot TrafficMotionEnvironment::currentSlot() const { return WeekdaySlot{state_.currentSlot.load()}; }

} // namespace kiv
