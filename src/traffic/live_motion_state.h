// The working state that aircraft motion keeps inside every LiveAircraft: situation history,
// the leg being flown or driven, ground-roll and air-leg rates, stand drive-in and departure
// flags. Part of the live record, so owned by the simulator-loop thread; nothing is locked.
// Motion fields that the traffic side had already named live in aircraft_records.h, whose
// comments give the motion name for each.
#pragma once

#include <cstdint>
#include <optional>

#include "foundation/lalo.h"
#include "motion/curve_records.h"

namespace kiv {

enum class FlightSituation : std::int32_t {
    pushing_back = 0,
    pushed_back = 1,
    taxi = 2,
    takeoff_roll = 3,
    takeoff = 4,
    flying = 5,
    landing = 6,
    landing_roll = 7,
    parking = 8,
    parked = 9,
    birth = 10,
};

// The speed profile that drives position and speed along a take-off or landing roll.
struct GroundRoll {
    SpeedProfile profile; // metres, seconds, metres per second
    Lalo start;
    Lalo end;
    double startHeadingRad = 0.0;
    FlightSituation situation = FlightSituation::birth; // the situation it was built in
    std::uint32_t tickCounter = 0;                      // ticks rolled since it was built
};

// A direct final leg into the stand, remembered by the drive into it.
struct FinalLeg {
    Lalo start;
    double startHeadingRad = 0.0;
    std::int32_t startTick = 0; // due tick of the sample the leg starts from
    std::int32_t endTick = 0;   // due tick at the stand
    std::uint32_t count = 0;    // not 0: a leg is recorded
};

struct LiveMotionState {
    // Current motion beside the pose (the pose holds position, attitude, altitude and the
    // vertical speed in ft/min).
    double speedKt = 0.0; // current speed; the published airspeed comes from it
    double heightAboveGroundFt = 0.0;

    // Situation history: the situation before the current one, the one before that, and the
    // tick of the last change.
    FlightSituation previousSituation = FlightSituation::birth;
    FlightSituation earlierSituation = FlightSituation::birth;
    std::uint32_t situationTick = 0;

    // Stream step.
    std::uint8_t slowSamplesSkipped = 0; // a slow sample was dropped after take-off
    Lalo tickDelta;                      // degrees per tick towards the next sample
    double bearingToNext = 0.0;          // radians, front sample to next sample
    std::uint16_t stepTicksOverride = 0; // set: stepTicks replaces the ticks to the next sample
    std::int32_t stepTicks = 0;

    // The curved path of the leg; the two values after the shapes are reset with them.
    TurnCurve turnCurve;
    TurnSpline turnSpline;
    std::uint32_t turnKind = 0; // 0 none, 1 taxi turn, 2 runway exit, 3 line-up
    double curveFraction = 0.0; // how much of the curve or spline is flown, 0..1

    // Ground movement.
    double turnLimitPerTick = 0.0; // radians per tick, set by the common ground step
    double turnRateState = 0.0;    // radians per tick of the fine heading follow-up
    double plannedTurnAngle = 0.0; // degrees of the last ground turn built
    std::uint8_t sharpTurn = 0;    // no curve and the heading more than 3 degrees off
    double headingOffset = 0.0;    // degrees between heading and bearingToNext
    std::uint8_t turnOnSpot = 0;
    std::uint32_t groundMode = 0; // easing kind of the leg, 0..4
    std::uint8_t runwayExited = 0;
    double touchdownHeading = 0.0; // radians, 0 after the runway exit
    GroundRoll groundRoll;
    std::int32_t legStepIndex = 0; // next step of an eased leg
    std::int32_t legStepCount = 0; // steps of the eased leg (its ticks)
    Lalo legDelta;                 // degrees from the leg's start to the next sample
    double legDefaultStep = 0.0;   // 1 / ticks of a curved leg
    double legSpeedKt = 0.0;       // next sample's speed, negative while pushing back
    std::uint8_t driveIn = 0;      // a slow drive into the stand is planned
    FinalLeg finalLeg;

    // Attitude rates of the leg, per tick.
    double pitchChangePerTick = 0.0;   // radians
    double bankChangePerTick = 0.0;    // radians
    double headingChangePerTick = 0.0; // radians

    // Stand departure and arrival.
    std::uint8_t departurePending = 0; // the traffic side saw the departure start
    std::uint8_t pullOut = 0;          // leave forwards instead of pushing back
    std::uint8_t towed = 0;            // towed candidate (changes only a log line)
    std::int64_t arrivalTime = 0;      // system clock, 100-ns units

    // Air legs and flight phases.
    double altitudeChangePerTick = 0.0; // feet
    double smoothedAltitudeStep = 0.0;  // feet per tick applied on the last smoothed tick
    double takeoffClimbPerTick = 0.0;   // feet
    std::int32_t climbOutTicks = 0;     // ticks of the climb-out left; runs on below 0 to -1000
    std::uint8_t climbOutEnded = 0;
    std::uint8_t climbTransition = 0;
    std::uint8_t cruiseConfigured = 0;
    std::uint8_t lightsSet = 0; // first air step done
    std::uint8_t climbConfigured = 0;
    std::uint8_t liftOffWaiting = 0;
    std::uint32_t landingStage = 0; // flare stage 0..4
    AirSegment airSegment;
    // Altitude of the latest airborne sample (feet), kept by the traffic side.
    std::optional<double> latestAirborneAltitude;
};

} // namespace kiv
