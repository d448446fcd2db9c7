// Air movement of a live aircraft at each stream step: the next sample's due tick matched to
// the flight time at the leg's speed, the removal of an aircraft that cannot be flying, the
// configuration below the cruise (lights, cabin, throttle, flaps, gear) and the decision
// between flying on, landing and going around. Simulator-loop thread.
#pragma once

#include <cstdint>

#include "motion/motion_environment.h"
#include "traffic/aircraft_records.h"

namespace kiv {

// Removes an aircraft (not a Rotorcraft) whose next sample stands still or lies slower than
// 40 kt away; otherwise retimes the next sample. Exceptions are logged and thrown on.
void nextPosAir(MotionEnvironment& environment, LiveAircraft& aircraft);

struct HeightOverride {
    double heightFt = 0.0;
    std::uint8_t given = 0; // else the record's height above the ground
};

// The configuration of one air step below the cruise: the first step switches every light
// on; above 625 ft (2050 ft for jets) outside a landing the climb or descent configuration,
// else the landing decision.
void lf_airConfiguration(MotionEnvironment& environment, LiveAircraft& aircraft, HeightOverride height);

// Near the ground: a go-around when a landing climbs away or leaves the park airport's
// 10 NM, a landing when a flying aircraft descends near it, else the climb configuration of
// a climbing aircraft (once).
void lf_checkLandingOrGoAround(MotionEnvironment& environment, LiveAircraft& aircraft);

} // namespace kiv
