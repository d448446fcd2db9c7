// Pins the system clock of foundation/clock.h at a chosen UTC second for one test and
// restores the real clock afterwards. One at a time per process.
#pragma once

#include <atomic>
#include <cstdint>

#include "foundation/clock.h"

namespace kiv::test_support {

class PinnedClock {
public:
    explicit PinnedClock(std::int64_t utcSeconds) {
        set(utcSeconds);
        gf_setUtcSecondsSource(&read);
    }
    ~PinnedClock() { gf_setUtcSecondsSource(nullptr); }
    PinnedClock(const PinnedClock&) = delete;
    PinnedClock& operator=(const PinnedClock&) = delete;

    void set(std::int64_t utcSeconds) { pinned().store(utcSeconds); }

private:
    static std::atomic<std::int64_t>& pinned() {
        static std::atomic<std::int64_t> seconds{0};
        return seconds;
    }
    static std::int64_t read() { return pinned().load(); }
};

} // namespace kiv::test_support
