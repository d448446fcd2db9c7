// One simulator tick with 1,000 active live aircraft: the tick's own work (event drain, the
// update pass with a cheap stand-in for the motion step, the queues, two intake records,
// the user poll and the proximity sweep) and the publication of 1,000 poses. Reports the
// tick's p50 and p99 in microseconds.
#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <vector>

#include <benchmark/benchmark.h>

#include "traffic/simulator_loop.h"
#include "traffic/traffic_fakes.h"
#include "traffic/traffic_mailbox.h"

namespace kiv {
namespace {

constexpr std::uint32_t kAircraft = 1000;

void fillTables(test_support::TrafficFixture& f) {
    for (std::uint32_t i = 0; i < kAircraft; ++i) {
        LiveAircraft& a = f.addLive(100001 + i, SimState::active, i + 1);
        a.pose.latitude = 50.0 + 0.001 * (i % 100);
        a.pose.longitude = 8.0 + 0.001 * (i / 100);
        a.onGround = i % 3 == 0 ? 1 : 0;
        a.situation = a.onGround != 0 ? FlightSituation::taxi : FlightSituation::flying;
        a.proximityCheck = i % 10 == 0 ? 1 : 0;
        a.info.conflictHalfSpanNm = 1e-6;
    }
    // A cheap stand-in for the motion step: nudge the pose and hand it to the tick's batch.
    f.steps.onUpdate = [](TrafficState& state, LiveAircraft& a) {
        a.pose.latitude += 1e-7;
        a.pose.headingRad = 0.5;
        state.tickPoses.emplace_back(a.objectId, a.pose);
        return false;
    };
}

TrafficBatch liveBatch(const test_support::TrafficFixture& f, double time) {
    TrafficBatch batch;
    for (std::uint32_t i = 0; i < kAircraft; ++i) {
        TrafficRecord r = test_support::TrafficFixture::record(100001 + i, "CS" + std::to_string(100001 + i), time);
        r.sample.trackDeg = 10.0 * (i % 36);
        batch.push_back(std::move(r));
    }
    (void)f;
    return batch;
}

void BM_TickWithThousandLiveAircraft(benchmark::State& bench) {
    test_support::TrafficFixture f;
    fillTables(f);
    gf_resumeDelivery(f.state);
    std::vector<double> micros;
    micros.reserve(200000);
    std::int64_t ticks = 0;
    for (auto _ : bench) {
        if (ticks % 300 == 0) {
            TrafficBatch batch = liveBatch(f, 1000.0 + static_cast<double>(ticks) / 100.0);
            gf_postTrafficBatch(f.state, batch, kLiveStreamDelaySeconds, false);
        }
        const auto start = std::chrono::steady_clock::now();
        const bool running = lf_simulatorTick(f.state);
        const auto end = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(running);
        micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        ++ticks;
    }
    if (f.state.live.size() != kAircraft || f.link.poses.size() != kAircraft || f.link.poses.begin()->second.empty()) {
        throw std::logic_error("tick benchmark: tables or poses not as expected");
    }
    std::sort(micros.begin(), micros.end());
    bench.counters["p50_us"] = micros[micros.size() / 2];
    bench.counters["p99_us"] = micros[micros.size() * 99 / 100];
    bench.counters["max_us"] = micros.back();
}
BENCHMARK(BM_TickWithThousandLiveAircraft)->Iterations(20000)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace kiv
