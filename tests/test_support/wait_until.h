// Waiting in a test for something another thread or process does: the condition is polled
// every few milliseconds until it holds or the time-out passes. The calling thread only.
#pragma once

#include <chrono>
#include <thread>

namespace kiv::test_support {

template <typename Condition>
bool waitUntil(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace kiv::test_support
