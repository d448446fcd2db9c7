#include "motion/retime_next_sample.h"

#include <algorithm>
#include <iterator>

#include "motion/motion_ticks.h"

namespace kiv {

void lf_retimeNextSample(const MotionEnvironment& environment, LiveAircraft& aircraft, std::int64_t ticksFromNow) {
    auto& samples = aircraft.samples;
    if (aircraft.holdCount > 0 || samples.size() < 2) {
        return;
    }
    const std::uint32_t now = environment.simTick();
    StreamSample& next = samples[1];
    // Offsets from the present due tick, in 64 bits, so that the clamps never wrap.
    const std::int64_t dueFromNow = gf_tickSpan(now, static_cast<std::uint32_t>(next.deliveryTick));
    std::int64_t shift = ticksFromNow - dueFromNow;
    const std::int64_t earlier = std::max<std::int64_t>(aircraft.holdTicks1, 0);
    const std::int64_t later = std::max<std::int64_t>(aircraft.holdTicks2, 0);
    shift = std::clamp(shift, -earlier, later);
    shift = std::max<std::int64_t>(shift, 1 - dueFromNow);
    next.deliveryTick = gf_tickAfter(next.deliveryTick, shift);
    if (shift <= 0 || samples.size() < 3 || gf_tickSpan(samples[2].deliveryTick, next.deliveryTick) < 0) {
        return;
    }
    for (auto sample = std::next(samples.begin(), 2); sample != samples.end(); ++sample) {
        sample->deliveryTick = gf_tickAfter(sample->deliveryTick, shift);
    }
}

std::int64_t gf_holdLegTicks(const LiveAircraft& aircraft, std::uint32_t simTick) noexcept {
    const auto& samples = aircraft.samples;
    if (samples.empty()) {
        return kMinimumLegTicks;
    }
    const std::int64_t untilFront = gf_tickSpan(simTick, static_cast<std::uint32_t>(samples[0].deliveryTick));
    const std::int64_t between =
        samples.size() < 2 ? kMinimumLegTicks
                           : std::max(gf_tickSpan(samples[0].deliveryTick, samples[1].deliveryTick), kMinimumLegTicks);
    return std::max(untilFront + between, kMinimumLegTicks);
}

void gf_narrowRetimingWindows(LiveAircraft& aircraft) noexcept {
    constexpr std::int32_t kFloor = 900;
    constexpr std::int32_t kStep = 100;
    for (std::int32_t* window : {&aircraft.holdTicks1, &aircraft.holdTicks2}) {
        if (*window > kFloor) {
            *window = std::max(*window - kStep, kFloor);
        }
    }
}

} // namespace kiv
