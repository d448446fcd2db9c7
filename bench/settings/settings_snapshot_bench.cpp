// Cost of one read of the settings snapshot (load of the shared pointer, one field, drop)
// with 1 to 8 threads reading at once, as the simulator loop, the feeds and the livery
// code do.
#include <benchmark/benchmark.h>

#include "settings/settings_snapshot.h"

namespace kiv {
namespace {

void BM_ReadSettingsSnapshot(benchmark::State& state) {
    std::int64_t sum = 0;
    for (auto _ : state) {
        const auto settings = gf_settings();
        sum += settings->maxFit;
        benchmark::DoNotOptimize(sum);
    }
    if (sum != 47 * static_cast<std::int64_t>(state.iterations())) {
        state.SkipWithError("read a wrong value");
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadSettingsSnapshot)->ThreadRange(1, 8)->UseRealTime();

} // namespace
} // namespace kiv
