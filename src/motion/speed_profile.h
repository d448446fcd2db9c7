// Monotone cubic speed profiles for a leg of known length and duration: the Hermite position
// from 0 to the distance whose end slopes are the start and end speeds, limited (Fritsch-
// Carlson) so that the position never runs backwards. Pure functions over caller-owned
// records; any thread.
#pragma once

#include "motion/curve_records.h"

namespace kiv {

// False (and a cleared profile) unless distance and duration are finite and above 0 and both
// speeds finite; negative speeds count as 0.
bool gf_buildSpeedProfile(SpeedProfile& profile, double distance, double duration, double startSpeed,
                          double endSpeed) noexcept;

// A profile that starts at the given speed, never brakes at either end and stays at or below
// maxSpeed; failing that with the given end speed, one that ends at max(2 x mean - start,
// start). False (and a cleared profile) when neither fits.
bool gf_buildAcceleratingProfile(SpeedProfile& profile, double distance, double duration, double startSpeed,
                                 double endSpeed, double maxSpeed) noexcept;

// t / duration clamped to 0..1; a t that is not finite gives 1 when positive, else 0.
double gf_profileTimeFraction(const SpeedProfile& profile, double t) noexcept;
// Distance covered at a time fraction (0..1, clamped); 0 for an invalid profile.
double gf_profilePositionAt(const SpeedProfile& profile, double timeFraction) noexcept;
// Speed at time t; 0 for an invalid profile, never below 0.
double gf_profileSpeedAt(const SpeedProfile& profile, double t) noexcept;
// Time fraction of the speed's extreme; -1 when the speed is linear in time.
double gf_profileExtremeFraction(const SpeedProfile& profile) noexcept;
double gf_profileMinSpeed(const SpeedProfile& profile) noexcept;
double gf_profileMaxSpeed(const SpeedProfile& profile) noexcept;

} // namespace kiv
