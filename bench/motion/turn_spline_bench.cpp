// Ground turn splines: building one (shape checks, 128-step walk, arc-length table) and
// looking up the point at a fraction of its length. Reports time per build and per lookup
// and heap allocations per operation (global operator new is counted here); both are meant
// to allocate nothing.
#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "foundation/geodesy.h"
#include "motion/turn_spline.h"
#include "support/allocation_counter.h"

namespace kiv {
namespace {

Lalo pointFrom(const Lalo& start, double courseDeg, double metres) {
    return gf_destinationPoint(start, courseDeg * kDegreesToRadians, metres * 3.2808399);
}

// Taxi turns of 20 to 110 degrees both ways, legs of 30 to 150 m, some with an end heading.
std::vector<TurnSplineRequest> taxiTurns() {
    std::vector<TurnSplineRequest> requests;
    const Lalo start{50.03, 8.56};
    for (int i = 0; i < 16; ++i) {
        const double heading = 22.5 * i;
        const double turn = (20.0 + 6.0 * i) * (i % 2 == 0 ? 1.0 : -1.0);
        TurnSplineRequest r;
        r.start = start;
        r.corner = pointFrom(start, heading, 30.0 + 8.0 * i);
        r.end = pointFrom(r.corner, heading + turn, 150.0 - 7.0 * i);
        r.startHeadingRad = heading * kDegreesToRadians;
        if (i % 4 == 3) {
            r.hasEndHeading = 1;
            double end = heading + turn;
            end = end < 0.0 ? end + 360.0 : end;
            r.endHeadingRad = end * kDegreesToRadians;
        }
        requests.push_back(r);
    }
    return requests;
}

void BM_BuildTurnSpline(benchmark::State& state) {
    const std::vector<TurnSplineRequest> requests = taxiTurns();
    TurnSpline spline;
    for (const TurnSplineRequest& request : requests) {
        if (!gf_buildTurnSpline(spline, request)) {
            state.SkipWithError("a bench turn was refused");
            return;
        }
    }
    std::size_t next = 0;
    benchmark::IterationCount built = 0;
    const std::uint64_t allocationsBefore = bench::allocationCount.load();
    for (auto _ : state) {
        built += gf_buildTurnSpline(spline, requests[next]) ? 1 : 0;
        benchmark::DoNotOptimize(spline);
        next = next + 1 == requests.size() ? 0 : next + 1;
    }
    const double builds = static_cast<double>(state.iterations());
    state.counters["allocs_per_build"] =
        static_cast<double>(bench::allocationCount.load() - allocationsBefore) / builds;
    if (built != state.iterations()) {
        state.SkipWithError("a build failed");
    }
}
BENCHMARK(BM_BuildTurnSpline)->Unit(benchmark::kMicrosecond);

void BM_TurnSplinePointAt(benchmark::State& state) {
    TurnSpline spline;
    if (!gf_buildTurnSpline(spline, taxiTurns()[4])) {
        state.SkipWithError("the bench turn was refused");
        return;
    }
    std::array<double, 1024> fractions{};
    std::mt19937 engine(7);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    for (double& fraction : fractions) {
        fraction = uniform(engine);
    }
    std::size_t next = 0;
    benchmark::IterationCount valid = 0;
    const std::uint64_t allocationsBefore = bench::allocationCount.load();
    for (auto _ : state) {
        const SplinePoint point = gf_turnSplinePointAt(spline, fractions[next]);
        benchmark::DoNotOptimize(point);
        valid += point.valid;
        next = (next + 1) & (fractions.size() - 1);
    }
    const double lookups = static_cast<double>(state.iterations());
    state.counters["allocs_per_lookup"] =
        static_cast<double>(bench::allocationCount.load() - allocationsBefore) / lookups;
    if (valid != state.iterations()) {
        state.SkipWithError("a lookup answered invalid");
    }
}
BENCHMARK(BM_TurnSplinePointAt)->Unit(benchmark::kNanosecond);

} // namespace
} // namespace kiv
