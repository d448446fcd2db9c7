// Tick arithmetic of the motion code. The simulator tick counter is a u32 that wraps, due
// ticks are i32 computed from it with the same wrap; differences are taken in 64-bit signed
// arithmetic and folded into the i32 range, so a due tick that is already past gives a
// negative difference (never a huge unsigned one) and one 7 days ahead stays exact across the
// wrap. Pure functions: any thread.
#pragma once

#include <cstdint>

namespace kiv {

inline constexpr std::int64_t kMinimumLegTicks = 25;

// Signed ticks from `fromTick` to `toTick`, read the short way round the wrap.
constexpr std::int64_t gf_tickSpan(std::uint32_t fromTick, std::uint32_t toTick) noexcept {
    constexpr std::int64_t kWrap = std::int64_t{1} << 32;
    std::int64_t span = static_cast<std::int64_t>(toTick) - static_cast<std::int64_t>(fromTick);
    if (span >= kWrap / 2) {
        span -= kWrap;
    } else if (span < -kWrap / 2) {
        span += kWrap;
    }
    return span;
}

constexpr std::int64_t gf_tickSpan(std::int32_t fromTick, std::int32_t toTick) noexcept {
    return gf_tickSpan(static_cast<std::uint32_t>(fromTick), static_cast<std::uint32_t>(toTick));
}

// Ticks from simTick until the due tick, at least 25 (25 when it is already due or past).
constexpr std::int64_t gf_ticksUntilDue(std::int32_t deliveryTick, std::uint32_t simTick) noexcept {
    const std::int64_t span = gf_tickSpan(simTick, static_cast<std::uint32_t>(deliveryTick));
    return span > kMinimumLegTicks ? span : kMinimumLegTicks;
}

// The due tick `ticks` after `tick`, wrapping with the counter.
constexpr std::int32_t gf_tickAfter(std::int32_t tick, std::int64_t ticks) noexcept {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(tick) + static_cast<std::uint32_t>(ticks));
}

} // namespace kiv
