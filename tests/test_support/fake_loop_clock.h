// Virtual steady clock for tests of timed code: a sleep moves time to its deadline at once,
// and `onSleep` lets the test act at that moment (a stall, a stop, a closing window).
// Owned by one test; its thread and the code under test take turns.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "traffic/loop_clock.h"

namespace kiv::test_support {

class FakeClock : public LoopClock {
public:
    std::int64_t now = 1'000'000'000;
    std::vector<std::int64_t> sleeps; // deadlines slept to
    std::function<void(FakeClock&)> onSleep;

    std::int64_t nowNs() const override { return now; }
    void sleepUntilNs(std::int64_t deadline) override {
        sleeps.push_back(deadline);
        if (deadline > now) {
            now = deadline;
        }
        if (onSleep) {
            onSleep(*this);
        }
    }
};

} // namespace kiv::test_support
