// The shapes a live aircraft moves along, embedded by value in every LiveAircraft: the
// quadratic turn curve, the cubic turn spline, the speed profile of a ground roll and the
// pending curved air segment. Plain value types without allocation; the simulator-loop
// thread owns the records that hold them.
#pragma once

#include <array>
#include <cstdint>
#include <limits>

#include "foundation/lalo.h"

namespace kiv {

inline constexpr double kNotANumber = std::numeric_limits<double>::quiet_NaN();

// One point of a turn curve: position in degrees and the distance along the path (metres).
struct CurvePoint {
    double latitude = 0.0;
    double longitude = 0.0;
    double value = 0.0;
};

// Quadratic Bezier leg P0 -> P1 -> P2 in local metres around P0, looked up by distance.
// A default curve is invalid: its control point is not a number.
struct TurnCurve {
    static constexpr std::size_t kTableSize = 65; // arc length at t = k/64, divided by the total
    double originLatitude = 0.0;
    double originLongitude = 0.0;
    double startDistance = kNotANumber; // metres along the path at P0
    double endNorth = 0.0;
    double endEast = 0.0;
    double endDistance = kNotANumber;
    double controlEast = kNotANumber;
    double controlNorth = kNotANumber;
    std::array<double, kTableSize> arcTable{};
};

// Why a turn spline was refused; the number is what logs and callers compare.
enum class TurnSplineError : std::uint32_t {
    none = 0,
    invalid_input = 1,
    leg_too_short = 2,
    leg_out_of_range = 3,
    turn_too_small = 4,
    turn_too_large = 5,
    start_heading_mismatch = 6,
    invalid_tangent = 7,
    excessive_length = 8,
};

// Shape limits of one turn request; a value that is not positive takes its default.
struct TurnSplineLimits {
    double minLegM = 0.0;                     // 15 m
    double minLegSumM = 0.0;                  // 50 m
    double maxTurnDeg = 0.0;                  // 60 degrees
    double maxStartMismatchDeg = 0.0;         // 60 degrees
    double cornerDistanceFraction = 0.0;      // 0.35
    double maxHeadingChangePerMetreDeg = 0.0; // 3 degrees
    double startTangentScale = 0.0;           // 2
};

struct TurnSplineRequest {
    Lalo start;
    Lalo corner;
    Lalo end;
    double startHeadingRad = 0.0; // 0 <= h < 2 pi
    std::uint8_t cornerOnly = 0;  // build the turn only up to the corner
    TurnSplineLimits limits;
    double endHeadingRad = 0.0; // used only with hasEndHeading
    std::uint8_t hasEndHeading = 0;
};

// Cubic Hermite turn from the start over the corner, in local metres around the start.
// Valid when the error kind is 0 and the length above 0; a default spline is invalid.
struct TurnSpline {
    static constexpr std::size_t kTableSize = 129; // arc length at t = k/128, divided by the length
    double originLatitude = 0.0;
    double originLongitude = 0.0;
    double cornerEast = 0.0;
    double cornerNorth = 0.0;
    double endEast = 0.0; // the corner itself with cornerOnly
    double endNorth = 0.0;
    double startTangentEast = 0.0;
    double startTangentNorth = 0.0;
    double endTangentEast = 0.0;
    double endTangentNorth = 0.0;
    double turnAngleDeg = 0.0;     // |heading change| from the first leg to the second
    double startMismatchDeg = 0.0; // |first leg heading - start heading|
    double length = 0.0;           // metres
    double outsideDeviation = 0.0; // metres outside the first leg's line
    double chordDeviation = 0.0;   // metres off the start-end line
    std::uint8_t strict = 0;       // the shape checks of a proper turn applied
    std::uint8_t cornerOnly = 0;
    std::uint32_t errorKind = static_cast<std::uint32_t>(TurnSplineError::invalid_input);
    std::array<double, kTableSize> arcTable{};
};

// Monotone cubic speed profile over a leg; speeds in distance units per duration unit.
struct SpeedProfile {
    double distance = 0.0;
    double duration = 0.0;
    double startSpeed = 0.0;
    double endSpeed = 0.0;
    std::uint8_t valid = 0;
};

// A curved air leg waiting to be flown step by step.
struct AirSegment {
    Lalo start;
    Lalo end;
    double wantedEndHeadingRad = 0.0;
    double maxDeviationRad = 0.0;
    std::int32_t step = 0;
    std::int32_t stepCount = 0;
    std::uint8_t pending = 0;
};

} // namespace kiv
