// The steady clock and the sleep of the simulator loop, injectable so that tests run the
// loop and the mailbox watchdog on virtual time. Any thread may read the clock.
#pragma once

#include <cstdint>

namespace kiv {

class LoopClock {
public:
    virtual ~LoopClock() = default;
    virtual std::int64_t nowNs() const = 0;
    virtual void sleepUntilNs(std::int64_t deadlineNs) = 0;
};

// std::chrono::steady_clock and a sleep until an absolute time.
class SteadyLoopClock final : public LoopClock {
public:
    std::int64_t nowNs() const override;
    void sleepUntilNs(std::int64_t deadlineNs) override;
};

} // namespace kiv
