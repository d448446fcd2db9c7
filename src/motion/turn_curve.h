// Quadratic Bezier legs between geographic points, looked up by the distance flown: the
// build (with its arc-length table) and the point and heading at a distance. Pure functions
// over caller-owned records; no allocation, no locks, any thread.
#pragma once

#include "foundation/lalo.h"
#include "motion/curve_records.h"

namespace kiv {

// Metres east and north of a local origin.
struct LocalPoint {
    double east = 0.0;
    double north = 0.0;
};

// All three finite, latitude within ±90 and longitude within ±180.
bool gf_isValidCurvePoint(const CurvePoint& point) noexcept;
bool gf_isValidLatLon(double latitude, double longitude) noexcept;

// The Bezier point at t and, in headingRad, the compass heading of its derivative (of the
// second derivative where the first vanishes; NaN when both do).
LocalPoint gf_bezierPoint(double t, const LocalPoint& p0, const LocalPoint& p1, const LocalPoint& p2,
                          double& headingRad) noexcept;

// Builds the curve P0 -> P1 -> P2 (values: start distance, anything finite, end distance),
// or leaves it invalid when the points or distances do not make a curve.
void gf_buildTurnCurve(TurnCurve& curve, const CurvePoint& p0, const CurvePoint& p1, const CurvePoint& p2) noexcept;

// The point at a distance between the start and end distances, with its heading in
// [0, 2 pi); false for an invalid curve or a distance outside it.
bool gf_turnCurvePointAt(const TurnCurve& curve, double distance, Lalo& point, double& headingRad) noexcept;

// Makes the curve invalid (the state of a default curve).
void gf_invalidateTurnCurve(TurnCurve& curve) noexcept;

} // namespace kiv
