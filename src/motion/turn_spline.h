// Cubic Hermite ground turns from a start point over a corner to an end point: the shape
// checks that refuse a turn with one of eight error kinds, the build with its arc-length
// table, and the point and heading at a fraction of the length. Pure functions over
// caller-owned records; no allocation, no locks, any thread.
#pragma once

#include <cstdint>
#include <string_view>

#include "motion/curve_records.h"

namespace kiv {

struct HermitePoint {
    double east = 0.0;
    double north = 0.0;
    double dEast = 0.0; // derivative by t
    double dNorth = 0.0;
};

struct SplinePoint {
    double latitude = 0.0;
    double longitude = 0.0;
    double headingRad = 0.0; // [0, 2 pi)
    std::uint8_t valid = 0;
};

// Checks the request and builds the spline; false with the error kind set when refused.
// The turn angle, start mismatch and strict flag stay set on a refusal: callers judge the
// refused shape by them.
bool gf_buildTurnSpline(TurnSpline& spline, const TurnSplineRequest& request) noexcept;

// "none", "invalid input", ..., "excessive length"; "unknown" for any other kind.
std::string_view gf_turnSplineErrorText(const TurnSpline& spline) noexcept;

// The point at a fraction (0..1, clamped) of the spline's length; invalid for an invalid
// spline, a fraction that is not a number, or an origin at a pole.
SplinePoint gf_turnSplinePointAt(const TurnSpline& spline, double fraction) noexcept;

// The Hermite point and derivative at t (clamped to 0..1), in local metres.
HermitePoint gf_hermitePoint(const TurnSpline& spline, double t) noexcept;

// Makes the spline invalid (the state of a default spline: kind 1, all fields 0).
void gf_invalidateTurnSpline(TurnSpline& spline) noexcept;

} // namespace kiv
