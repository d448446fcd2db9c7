#include "foundation/random.h"

#include <array>
#include <chrono>
#include <functional>
#include <thread>
#include <utility>

#include "foundation/fnv1a.h"
#include "foundation/settings_readers.h"

namespace kiv {
namespace {

// Four bytes of the thread's id, least significant first.
std::array<std::uint8_t, 4> threadIdBytes() {
    const auto id = static_cast<std::uint32_t>(std::hash<std::thread::id>{}(std::this_thread::get_id()));
    return {static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(id >> 8), static_cast<std::uint8_t>(id >> 16),
            static_cast<std::uint8_t>(id >> 24)};
}

// The device, the time and the thread: threads started together still differ.
std::mt19937 seededEngine() {
    const auto nanoseconds = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
    std::seed_seq seeds{static_cast<std::uint32_t>(std::random_device{}()), static_cast<std::uint32_t>(nanoseconds),
                        static_cast<std::uint32_t>(nanoseconds >> 32),
                        static_cast<std::uint32_t>(gf_fnv1a64(threadIdBytes()))};
    return std::mt19937(seeds);
}

} // namespace

std::mt19937& gf_threadRng() {
    thread_local std::mt19937 engine = seededEngine();
    return engine;
}

std::uint64_t gf_randomIndex(std::uint64_t n) {
    if (n < 2 || !gf_randomFlag()) {
        return 0;
    }
    return std::uniform_int_distribution<std::uint64_t>(0, n - 1)(gf_threadRng());
}

void gf_shuffleIds(std::vector<std::uint16_t>& ids) {
    if (ids.size() < 2 || !gf_randomFlag()) {
        return;
    }
    std::mt19937& engine = gf_threadRng();
    for (std::size_t i = 1; i < ids.size(); ++i) {
        const std::size_t j = std::uniform_int_distribution<std::size_t>(0, i)(engine);
        if (i != j) {
            std::swap(ids[i], ids[j]);
        }
    }
}

double gf_varyByPercent(double value, double percent) {
    const std::uint32_t draw = gf_threadRng()();
    if (percent <= 0) {
        return value;
    }
    const double change = value * percent / 100;
    return (draw & 1u) != 0 ? value - change : value + change;
}

} // namespace kiv
