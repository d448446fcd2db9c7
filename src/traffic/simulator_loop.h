// The 10 ms simulator loop and its tick: every piece of the traffic manager is reached from
// here in a fixed order at fixed cadences (each tick, every 20 ticks, once per simulator
// second and every 5, 14, 15, 30, 60 and 61 seconds). Runs on the main worker thread, which
// owns the traffic state while it runs; other threads only raise the state's signals.
#pragma once

#include <cstdint>

namespace kiv {

class TrafficState;
struct DelayedLightCommand;

inline constexpr std::int64_t kTickNs = 10'000'000;
inline constexpr std::int64_t kLateRebaseNs = 100'000'000;

// Runs until a tick returns false.
void gf_simulatorLoop(TrafficState& state);
// One tick; false when the program is stopping.
bool lf_simulatorTick(TrafficState& state);
void lf_flightNotRunning(TrafficState& state);
void lf_proximitySweep(TrafficState& state);

// The slower steps (periodic_work.cpp).
void lf_perSecondWork(TrafficState& state);
void lf_fiveSecondWork(TrafficState& state);
void lf_fifteenSecondWork(TrafficState& state, std::int32_t secondCount);
void lf_thirtySecondWork(TrafficState& state);
// Keeps the queue sorted with the entry due first at the back; equal due ticks keep their order.
void gf_queueDelayedLightCommand(TrafficState& state, const DelayedLightCommand& command);
void lf_runDelayedLightCommand(TrafficState& state);

} // namespace kiv
