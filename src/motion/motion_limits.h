// The per-size-class limits of aircraft motion (bank, bank change, reference and plausible
// top speeds, climb and descent bands) and the speed rules built on them: speed factor of
// ground turns, look-ahead distance, climb pitch, descent limiting and take-off performance.
// Pure functions over constant tables; any thread. A SizeClass outside 0..6 throws
// std::out_of_range from every table lookup.
#pragma once

#include <cstdint>

#include "feeds/traffic_record.h"
#include "models/livery_key.h"
#include "motion/motion_values.h"

namespace kiv {

struct LiveAircraft;

// Radians and radians per tick.
double gf_maxBankAngle(SizeClass sizeClass);
double gf_maxBankRate(SizeClass sizeClass);

// The bank allowed now (radians): the maximum, or on a landing from 10 degrees at 100 ft up to
// the maximum at 1000 ft, and 5 degrees on the final flare. 0 for an unusable maximum.
double gf_bankLimit(double maxBankRad, std::uint8_t landing, double heightFt, std::uint8_t final) noexcept;

// Rotation reference speed of the aircraft's type in knots; phase 2 and 3 are the slower
// references of the later take-off checks.
double gf_referenceSpeedKt(const LiveAircraft& aircraft, std::int8_t phase);

// Ground turn rate factor: 1.2 when slow, down to 0.6 from 30 kt.
double gf_speedFactorBySpeed(double speedKt) noexcept;
// Metres flown in 7 s, within 100..160 m.
double gf_distanceIn7s(double speedKt) noexcept;

// Pitch (radians, negative = nose up) for the sample's vertical rate.
double gf_climbDescentProfile(const StreamSample& sample, SizeClass sizeClass) noexcept;

struct DescentLimit {
    double rateFpm = 0.0;
    std::uint8_t limited = 0; // the wanted rate was changed
};
// The wanted descent rate kept between the samples' own descent less 1200 ft/min and level.
DescentLimit gf_limitDescentRate(double wantedFpm, double firstSampleRateFpm, double secondSampleRateFpm,
                                 SizeClass sizeClass) noexcept;

TakeoffPerformance gf_takeoffPerformance(const TakeoffInput& input);

} // namespace kiv
