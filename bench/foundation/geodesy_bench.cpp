// Cost of one great-circle distance. The result is checked against a known value so that
// a broken formula cannot pass as a fast one.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <benchmark/benchmark.h>

#include "foundation/geodesy.h"

namespace {

void BM_DistanceNm(benchmark::State& state) {
    kiv::Lalo a{52.3086, 4.7639};
    kiv::Lalo b{40.6398, -73.7789};
    double distance = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(a);
        benchmark::DoNotOptimize(b);
        distance = kiv::gf_distanceNm(a, b);
        benchmark::DoNotOptimize(distance);
    }
    if (std::abs(distance - 3155.282619082341) > 1e-6) {
        std::fprintf(stderr, "distance bench: wrong result %.9f\n", distance);
        std::abort();
    }
}
BENCHMARK(BM_DistanceNm);

} // namespace
