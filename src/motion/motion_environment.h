// Everything aircraft motion needs from outside its own record: the simulator tick and the
// clock, random numbers, the settings and the QNH, the park airport and its stands, the
// commands to the simulated aircraft and the traffic manager's steps that motion hands over
// to. The program passes TrafficMotionEnvironment (over the traffic state); tests pass a
// recording fake. Motion runs on the simulator-loop thread, and so does every call here.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "foundation/lalo.h"
#include "models/livery_key.h"
#include "settings/settings_snapshot.h"
#include "simlink/link_commands.h"
#include "traffic/aircraft_records.h"
#include "traffic/neighbour_ports.h"

namespace kiv {

struct Stand;

// One entry of the traffic manager's queue of actions at a parked aircraft.
struct ParkedAction {
    std::uint32_t hexId = 0;
    std::int32_t dueTick = 0;
    std::uint32_t kind = 0; // 0 engines off, 1 lights on arrival, 2 parked lights
};

class MotionEnvironment {
public:
    virtual ~MotionEnvironment() = default;

    // Time and chance.
    virtual std::uint32_t simTick() const = 0;
    virtual std::int64_t systemTime100ns() const = 0;       // the stand arrival stamp
    virtual std::uint64_t randomIndex(std::uint64_t n) = 0; // [0, n); 0 when n < 2 or RANDOM is off

    // Settings, weather and the user aircraft.
    virtual std::shared_ptr<const SettingsSnapshot> settings() const = 0;
    virtual bool isSizeClassIncluded(SizeClass sizeClass) const = 0;
    virtual std::int32_t currentQnh() const = 0; // hPa
    virtual UserAircraftState userAircraft() const = 0;

    // The park airport and its stands (stand ids are 1-based; nullptr for one not known).
    virtual std::optional<double> parkAirportAltitude() const = 0;
    virtual bool isNearParkAirport(const Lalo& position) const = 0; // within 10 NM
    virtual ParkAirportInfo parkAirport() const = 0;
    virtual const Stand* parkStand(std::uint32_t standId) const = 0;
    virtual std::string standName(std::uint32_t standId) const = 0; // "sid==0?", "sid==?" when not known
    virtual bool airportFileLoaded() const = 0;

    // Commands to the aircraft in the simulator. Throttle and flaps skip an index already
    // sent; flaps, gear and spoilers do nothing for Rotorcraft.
    virtual void setThrottle(LiveAircraft& aircraft, std::uint32_t index) = 0;
    virtual void setFlaps(LiveAircraft& aircraft, std::uint32_t index) = 0;
    virtual void setGear(LiveAircraft& aircraft, std::uint8_t down) = 0;
    virtual void setSpoilers(LiveAircraft& aircraft, std::uint8_t on) = 0;
    virtual void setAllLights(const LiveAircraft& aircraft, const LightSet& lights) = 0;
    virtual void setCabinLights(const LiveAircraft& aircraft, std::uint32_t on) = 0;
    virtual void engineAutoStart(const LiveAircraft& aircraft) = 0;
    virtual void setReverseThrust(const LiveAircraft& aircraft, std::uint8_t active, std::uint8_t reverse) = 0;

    // The traffic manager's steps.
    virtual void try2Park(LiveAircraft& aircraft) = 0;
    virtual void removeAircraftFromSim(LiveAircraft& aircraft) = 0;
    virtual void noMoreNextPos(LiveAircraft& aircraft) = 0; // the stream cannot go on
    // 0 free, 1 claimed by another live aircraft, 2 another live aircraft is parked there.
    virtual std::uint32_t standUseByOtherLive(std::uint32_t standId, std::uint32_t ownHexId) const = 0;
    virtual void addRealStandOption(std::uint32_t standId, const LiveAircraft& aircraft, std::uint8_t flag) = 0;
    virtual void limitParkedAircraft(std::uint32_t extra) = 0;
    // Queued so that the entry due first stays at the back.
    virtual void queueParkedAction(const ParkedAction& action) = 0;
    // The aircraft starts a landing or has arrived at a stand.
    virtual void notifyHexId(std::uint32_t hexId) = 0;
    virtual void postFlightMessage(std::string text) = 0; // shown when FLIGHT_MESSAGES is on
    virtual void setFastPoll() = 0;                       // aircraft near the ground: poll often
    virtual WeekdaySlot currentSlot() const = 0;          // the traffic clock's day and slot
};

} // namespace kiv
