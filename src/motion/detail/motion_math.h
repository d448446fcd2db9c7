// Units and angle arithmetic shared by the motion code: knots, nautical miles, feet and
// ticks, headings reduced into [0, 2 pi) and differences wrapped into [-pi, pi].
// Pure inline functions: any thread.
#pragma once

#include <cmath>

#include "foundation/geodesy.h"

namespace kiv::detail {

inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kTwoPi = 2.0 * kPi;
inline constexpr double kHalfPi = 0.5 * kPi;
inline constexpr double kMetresPerNm = 1852.0;
inline constexpr double kNmPerMetre = 0.0005399568034557236;
inline constexpr double kFeetPerNm = 6076.11549;
inline constexpr double kFeetPerMetre = 3.2808399;
inline constexpr double kKnotsPerMetrePerSecond = 1.9438444924406046;
inline constexpr double kMetresPerSecondPerKnot = 0.5144444444444445;
inline constexpr double kTicksPerHour = 360000.0;
inline constexpr double kGravity = 9.80665; // m/s^2

inline double degToRad(double degrees) noexcept { return degrees * kDegreesToRadians; }
inline double radToDeg(double radians) noexcept { return radians * kRadiansToDegrees; }

// Difference of two angles into [-pi, pi].
inline double wrapPi(double radians) noexcept { return std::remainder(radians, kTwoPi); }

// Into [0, 2 pi); 2 pi itself (from rounding) becomes 0.
inline double reduceTwoPi(double radians) noexcept {
    double reduced = std::fmod(radians, kTwoPi);
    if (reduced < 0.0) {
        reduced += kTwoPi;
    }
    return reduced >= kTwoPi ? 0.0 : reduced;
}

// Compass heading of a direction in local metres (x east, y north).
inline double headingOf(double east, double north) noexcept { return std::atan2(east, north); }

// Longitude difference b - a in degrees, the short way round the antimeridian.
inline double longitudeDifference(double from, double to) noexcept { return std::remainder(to - from, 360.0); }

} // namespace kiv::detail
