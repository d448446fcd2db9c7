// One simulator tick with 1,000 active live aircraft: the tick's own work (event drain, the
// update pass with a cheap stand-in for the motion step, the queues, two intake records,
// the user poll and the proximity sweep) and the publication of 1,000 poses. Reports the
// tick's p50 and p99 in microseconds.
//
// The second benchmark runs the program's own later steps (live update, stand and parking
// steps) on a busy park airport: 1,000 live aircraft, a quarter of them at or near the
// airport's 512 stands, and 500 static aircraft on stands; every 100th tick carries the
// per-second work with its sweeps against parked aircraft.
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cmath>
#include <string>
#include <stdexcept>
#include <vector>

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include "traffic/park_stands.h"
#include "traffic/simulator_loop.h"
#include "traffic/traffic_fakes.h"
#include "traffic/traffic_mailbox.h"
#include "traffic/traffic_step_set.h"

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

constexpr std::uint32_t kStands = 512;
constexpr std::uint32_t kStatics = 500;
constexpr double kMetresPerDegree = 1852.0 * 60.0;

// A cheap stand-in for the motion step: aircraft that are not parked move a little.
// Nothing is recorded, so that no fake grows during the run.
class NudgingMotion : public test_support::FakeMotion {
public:
    void nextPosMain(TrafficState&, LiveAircraft& aircraft) override {
        if (aircraft.situation != FlightSituation::parked) {
            aircraft.pose.latitude += 1e-9;
        }
    }
    void gf_nextPosCurve(TrafficState&, LiveAircraft&) override {}
    // Answers without recording (the recording fake would grow all run long).
    std::uint32_t gf_checkPositionContinuity(const ContinuityInput&) const override { return result; }
};

// The fakes of the neighbours with the program's own steps behind the tick.
struct StandWorkBench {
    test_support::FakeSimLink link;
    test_support::FakeFeeds feeds;
    NudgingMotion motion;
    test_support::FakeAirports airports;
    test_support::FakeModels models;
    test_support::FakeShell shell;
    TrafficStepSet steps;
    test_support::FakeClock clock;
    TrafficState state{TrafficPorts{link, feeds, motion, airports, models, shell, steps, clock}};

    StandWorkBench() { gf_initTraffic(state); }

    // 16 rows of 32 stands, 60 m apart; each other stand excludes its neighbour.
    void addStands() {
        const double cosLat = std::cos(50.0 * 3.14159265358979323846 / 180.0);
        for (std::uint32_t i = 0; i < kStands; ++i) {
            Stand stand;
            stand.number = i + 1;
            stand.id = fmt::format("S{}", i + 1);
            stand.latitude = 50.0 + 150.0 * static_cast<double>(i / 32) / kMetresPerDegree;
            stand.longitude = 8.5 + 60.0 * static_cast<double>(i % 32) / kMetresPerDegree / cosLat;
            stand.radius = 30.0 / 1852.0;
            stand.type = gf_parkingTypeCode(ParkingType::gate_heavy);
            if (i % 2 == 0) {
                stand.overlaps = {i + 2};
            }
            state.parkStands.push_back(std::move(stand));
        }
        gf_rebuildStandIndex(state);
        gf_publishParkStands(state);
    }

    void addStatics() {
        for (std::uint32_t i = 0; i < kStatics; ++i) {
            const Stand& stand = state.parkStands[i];
            TrafficRecordHead head;
            head.callsign = fmt::format("ST{}", i + 1);
            head.registration = fmt::format("D-S{}", i + 1);
            head.liveryKey.modelId = 1;
            AircraftInfo info = gf_makeAircraftInfo(models, head);
            info.hexId = i + 1;
            state.statics.emplace_back(info, stand.number, StandPose{stand.latitude, stand.longitude, stand.heading},
                                       false, stand.id);
            state.statics.back().simState = SimState::active;
            state.statics.back().objectId = 5000 + i;
        }
    }

    // Live aircraft: the first 12 parked on the stands the statics leave free, the next 238
    // taxiing among the stands, the rest in the air around the airport.
    void addLive() {
        for (std::uint32_t i = 0; i < kAircraft; ++i) {
            TrafficRecord r = test_support::TrafficFixture::record(100001 + i, fmt::format("CS{}", 100001 + i), 1000.0);
            AircraftInfo info = gf_makeAircraftInfo(models, r.head);
            info.hexId = r.hexId;
            r.sample.stationary = 1;
            state.live.emplace_back(r.sample, info, r.timestamp, WeekdaySlot{});
            LiveAircraft& a = state.live.back();
            a.simState = SimState::active;
            a.objectId = i + 10;
            if (i < kStands - kStatics) {
                const Stand& stand = state.parkStands[kStatics + i];
                a.standId = stand.number;
                a.standLat = stand.latitude;
                a.standLon = stand.longitude;
                a.pose.latitude = stand.latitude;
                a.pose.longitude = stand.longitude;
                a.situation = FlightSituation::parked;
                a.onGround = 1;
            } else if (i < 250) {
                const Stand& near = state.parkStands[(i * 7) % kStands];
                a.pose.latitude = near.latitude + 75.0 / kMetresPerDegree;
                a.pose.longitude = near.longitude;
                a.situation = FlightSituation::taxi;
                a.onGround = 1;
            } else {
                a.pose.latitude = 50.0 + 0.01 * (i % 100);
                a.pose.longitude = 8.0 + 0.01 * (i / 100);
                a.pose.altitudeFt = 3000.0 + 10.0 * i;
                a.situation = FlightSituation::flying;
            }
            a.samples.front().latitude = a.pose.latitude;
            a.samples.front().longitude = a.pose.longitude;
            a.samples.front().airborne = a.onGround != 0 ? 0 : 1;
            a.info.conflictHalfSpanNm = 1e-6;
        }
    }
};

void BM_TickWithStandWork(benchmark::State& bench) {
    StandWorkBench b;
    b.models.liveryTitles[1] = "A320 Lufthansa";
    b.addStands();
    b.addStatics();
    b.addLive();
    b.state.maxParkCount = static_cast<std::int32_t>(kStands);
    gf_resumeDelivery(b.state);
    // Wall time and the process's CPU time per tick: on a shared machine the wall time of a
    // tick also holds the time the thread waited for a core.
    std::vector<double> micros;
    std::vector<double> cpuMicros;
    micros.reserve(200000);
    cpuMicros.reserve(200000);
    std::int64_t ticks = 0;
    for (auto _ : bench) {
        b.state.secondSignal = ticks % 100 == 0;
        const std::clock_t cpuStart = std::clock();
        const auto start = std::chrono::steady_clock::now();
        const bool running = lf_simulatorTick(b.state);
        const auto end = std::chrono::steady_clock::now();
        const std::clock_t cpuEnd = std::clock();
        benchmark::DoNotOptimize(running);
        micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        cpuMicros.push_back(static_cast<double>(cpuEnd - cpuStart) * 1e6 / CLOCKS_PER_SEC);
        b.clock.now += 10'000'000;
        ++ticks;
    }
    const auto activeStatics = std::count_if(b.state.statics.begin(), b.state.statics.end(),
                                             [](const StaticAircraft& a) { return a.simState == SimState::active; });
    if (b.state.live.size() != kAircraft || activeStatics != kStatics || b.link.poses.size() != kAircraft) {
        throw std::logic_error("stand-work tick benchmark: tables or poses not as expected");
    }
    std::sort(micros.begin(), micros.end());
    bench.counters["p50_us"] = micros[micros.size() / 2];
    bench.counters["p99_us"] = micros[micros.size() * 99 / 100];
    bench.counters["max_us"] = micros.back();
    std::sort(cpuMicros.begin(), cpuMicros.end());
    bench.counters["cpu_p50_us"] = cpuMicros[cpuMicros.size() / 2];
    bench.counters["cpu_p99_us"] = cpuMicros[cpuMicros.size() * 99 / 100];
}
BENCHMARK(BM_TickWithStandWork)->Iterations(20000)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace kiv
