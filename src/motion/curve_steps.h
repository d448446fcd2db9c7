// Small steps of the curved movement: the coordinated turn-and-bank step of an air leg, the
// look-ahead along the reported track, the curved air segment, the Bezier pose of a final
// leg, easing, bounded steps, the heading follow-up on the ground, and latitude/longitude
// normalisation. Pure except gf_turnHeadingTowards (the record's heading); any thread.
#pragma once

#include <cstdint>
#include <span>

#include "foundation/lalo.h"

namespace kiv {

struct LiveAircraft;

struct TurnBankInput {
    double headingRad = 0.0;
    double targetHeadingRad = 0.0;
    double bankRad = 0.0;
    double commandedBankRad = 0.0;
    std::uint8_t bankCommand = 0; // use the commanded bank
    double speedKt = 0.0;
    double ticksToNext = 25.0; // at least 25
    double ticksPerSecond = 100.0;
    double maxTurnRateRadPerS = 0.0;
    double maxBankRad = 0.0;
    double maxBankChangePerTick = 0.0;
};

struct TurnBankStep {
    double currentBankRad = 0.0; // the input bank within the limit
    double headingChangePerTick = 0.0;
    double bankChangePerTick = 0.0;
    double newBankRad = 0.0;
    std::uint8_t bankCommanded = 0;
    std::uint8_t bankCommandInvalid = 0;
};
// All outputs 0 unless ticks, ticks per second and the three maxima are finite and above 0.
TurnBankStep gf_turnAndBankStep(const TurnBankInput& input) noexcept;

struct ContinuationHeading {
    double headingRad = 0.0;
    double distanceM = 0.0;
    std::uint8_t found = 0;
};
// The bearing to the farthest of the points (within maxDistance) when the track up to it runs
// straight within maxAngle and along the given heading; else not found, with that heading.
ContinuationHeading gf_lookAheadTrack(const Lalo& origin, std::span<const Lalo> points, double headingRad,
                                      double minDistanceM, double maxDistanceM, double maxAngleRad);

struct AirSegmentInput {
    Lalo start;
    Lalo end;
    double wantedEndHeadingRad = 0.0;
    double maxDeviationRad = 0.0;
    double t = 0.0;
};
struct AirSegmentPoint {
    double latitude = 0.0;
    double longitude = 0.0;
    double headingRad = 0.0;
    std::uint8_t curved = 0;
    std::uint8_t valid = 0;
};
// The point at t of the cubic segment from start to end that arrives turned towards the
// wanted heading by at most the maximum deviation; straight when that turn is below 0.5
// degree or the chord shorter than 10 m.
AirSegmentPoint gf_airSegmentPoint(const AirSegmentInput& input);

// Longitude into [-180, 180); a latitude beyond a pole folds back with the longitude turned
// half round.
void gf_normalizeLatLon(Lalo& position) noexcept;

struct PosePoint {
    double latitude = 0.0;
    double longitude = 0.0;
    double headingRad = 0.0;
};
// Cubic Bezier from a start pose to an end pose, control points a third of the distance out
// along each heading.
PosePoint gf_poseBezierPoint(const Lalo& start, double startHeadingRad, const Lalo& end, double endHeadingRad,
                             double t);

// Easing of a leg by kind (0 even, 1 from standstill, 2 slow start, 3 stopping, 4 start and
// stop); x clamped to 0..1.
double gf_ease(double x, std::uint32_t kind) noexcept;

// current moved towards target by at most maxStep.
double gf_stepTowards(double current, double target, double maxStep) noexcept;

// Turns the aircraft's heading towards the target by its per-tick turn limit; with `fine`
// close to the target, by a smooth rate kept in the record.
void gf_turnHeadingTowards(LiveAircraft& aircraft, double targetHeadingRad, std::uint8_t fine) noexcept;

} // namespace kiv
