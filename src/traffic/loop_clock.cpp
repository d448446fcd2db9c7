#include "traffic/loop_clock.h"

#include <chrono>
#include <thread>

namespace kiv {

std::int64_t SteadyLoopClock::nowNs() const {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void SteadyLoopClock::sleepUntilNs(std::int64_t deadlineNs) {
    std::this_thread::sleep_until(std::chrono::steady_clock::time_point(std::chrono::nanoseconds(deadlineNs)));
}

} // namespace kiv
