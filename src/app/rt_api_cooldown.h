// The pause between a logout from the RealTraffic HTTPS interface and the next login: 3 s
// within one process (in memory), 4 s across processes (the UTC time of the last logout in
// LAST_EPOCH_TIME:). Main worker thread only; the deadline is an atomic of ShellFlags.
#pragma once

#include <cstdint>

#include "app/gui.h"
#include "app/shell_flags.h"
#include "traffic/loop_clock.h"

namespace kiv {

inline constexpr std::int64_t kRtApiCooldownNs = 3'000'000'000;
inline constexpr std::int64_t kRtApiCooldownAcrossRunsSeconds = 4;

// At closing-down: the in-memory deadline and LAST_EPOCH_TIME: (stored). Failures are logged.
void lf_persistRTAPICooldown(const LoopClock& clock, ShellFlags& flags);

// Before a login: waits out what is left of the cooldown (showing how long), polling
// gf_isRunning; clears the in-memory deadline in any case.
void lf_holdForRTAPICooldown(LoopClock& clock, ShellFlags& flags, Gui& gui);

} // namespace kiv
