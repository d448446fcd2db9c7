// The vertical part of the air legs: the climb towards the next sample and after lift-off,
// the plan of an airborne aircraft whose samples lie on the ground, the descent rate with the
// QNH, the level-off limit of Light aircraft, and the per-tick altitude of the curve step in
// flying with its smooth transition out of the climb-out. Simulator-loop thread (they change
// the live record).
#pragma once

#include <cstdint>

#include "motion/motion_environment.h"
#include "traffic/aircraft_records.h"

namespace kiv {

// Ticks of the leg to the next sample: until it is due, at least 25.
std::int64_t gf_airLegTicks(const MotionEnvironment& environment, const LiveAircraft& aircraft);

// Altitude change per tick up to the next sample's altitude, at most the type's initial
// climb per tick; 0 when already as high.
void lf_climbTowardsNext(const MotionEnvironment& environment, LiveAircraft& aircraft);
// In takeoff after a lift-off at the initial climb: the climb never falls below it.
void lf_keepTakeoffClimb(LiveAircraft& aircraft);
// In the air with the front and next samples on the ground: descend at the reported rate, or
// when the samples climb, fly to the first airborne one among the next few (erasing the
// ground samples before it) or climb at least 601 ft/min; gear down in every case.
void lf_planOverGroundSamples(MotionEnvironment& environment, LiveAircraft& aircraft);

// -600 ft/min at 100 ft or lower; else the front and next samples' mean rate corrected for the
// QNH, at most -601 ft/min.
double lf_descentRateFpm(const MotionEnvironment& environment, const LiveAircraft& aircraft);
// A Light aircraft flying near the altitude of its latest airborne sample levels off.
double lf_lightLevelOffLimit(const LiveAircraft& aircraft, double wantedFpm);
// Climbs or descends by the wanted step per tick, the vertical speed changing by at most
// 6 ft/min per tick; without force a step that is not a climb keeps the present climb or holds.
void lf_smoothVerticalStep(LiveAircraft& aircraft, double wantedPerTick, std::uint8_t force);

// The per-tick altitude of an aircraft flying (in the air, no flare): the smooth transition
// from the climb-out into the planned rate, the level-off of Light aircraft, else the leg's
// altitude change per tick.
void gf_altitudeStepFlying(LiveAircraft& aircraft);

} // namespace kiv
