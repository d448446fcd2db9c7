// Ticks to cover a distance at a speed, the one rounding rule of every leg timed by speed:
// a result that is not finite or out of range never reaches lround. Pure; any thread.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "motion/motion_ticks.h"

namespace kiv {

inline constexpr double kTicksPerHourAtKnots = 360000.0; // ticks per hour: NM / kt -> ticks
inline constexpr double kMaxLegTicks = 1e9;              // some 115 days, far inside i64 and lround

// lround(distance NM x 360000 / speed kt), at least `minimumTicks`. The caller floors the
// speed; a quotient that is not a number gives the minimum, an infinite one the maximum.
inline std::int64_t gf_ticksToCover(double distanceNm, double speedKt,
                                    std::int64_t minimumTicks = kMinimumLegTicks) noexcept {
    const double ticks = distanceNm * kTicksPerHourAtKnots / speedKt;
    if (std::isnan(ticks)) {
        return minimumTicks;
    }
    return std::max<std::int64_t>(std::lround(std::clamp(ticks, 0.0, kMaxLegTicks)), minimumTicks);
}

// The speed of a stand manoeuvre (pushback, pull-out, drive-in): the record's ground
// manoeuvre speed, 1 kt when it has none, so that such a move always ends.
inline double gf_manoeuvreSpeedKt(double groundManoeuvreSpeedKt) noexcept {
    constexpr double kFloorKt = 1.0;
    return std::isfinite(groundManoeuvreSpeedKt) && groundManoeuvreSpeedKt >= kFloorKt ? groundManoeuvreSpeedKt
                                                                                       : kFloorKt;
}

} // namespace kiv
