// Per-thread random numbers for the livery choice and the traffic variation.
// Each thread owns its engine, made and seeded on its first draw; nothing is shared, so no
// draw takes a lock. The RANDOM setting is read through gf_randomFlag (settings_readers.h).
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace kiv {

// The calling thread's engine.
std::mt19937& gf_threadRng();

// Uniform in [0, n); 0 without drawing when n < 2 or RANDOM is off.
std::uint64_t gf_randomIndex(std::uint64_t n);
// Shuffles in place when RANDOM is on and there are at least two ids.
void gf_shuffleIds(std::vector<std::uint16_t>& ids);
// value ± value × percent / 100, the sign drawn; the value itself when percent ≤ 0. Draws
// once in every call.
double gf_varyByPercent(double value, double percent);

} // namespace kiv
