// One parking plan (auto park) of a large park airport: 512 stands with 40 learned uses each,
// 300 stands wanted, learned uses spread over the week. Checks that the plan filled the
// stands it was asked for.
#include <stdexcept>
#include <string>

#include <benchmark/benchmark.h>

#include "traffic/parking_data.h"
#include "traffic/static_placement.h"
#include "traffic/stand_helpers.h"
#include "traffic/traffic_fakes.h"

namespace kiv {
namespace {

constexpr std::size_t kStands = 512;
constexpr std::size_t kOptionsPerStand = 40;

void fillStands(test_support::TrafficFixture& f) {
    f.state.parkStands.resize(kStands);
    std::uint32_t seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    for (std::size_t i = 0; i < kStands; ++i) {
        Stand& stand = f.state.parkStands[i];
        stand.id = "S" + std::to_string(i + 1);
        stand.number = static_cast<std::uint32_t>(i + 1);
        stand.latitude = 50.0 + 0.0005 * static_cast<double>(i / 32);
        stand.longitude = 8.5 + 0.0007 * static_cast<double>(i % 32);
        if (i % 4 == 0 && i + 1 < kStands) {
            stand.overlaps = {static_cast<std::uint32_t>(i + 2)};
        }
        for (std::size_t k = 0; k < kOptionsPerStand; ++k) {
            FlightOption option;
            option.reg = "D-" + std::to_string(i * kOptionsPerStand + k);
            option.cs = "CS" + std::to_string(i * kOptionsPerStand + k);
            option.key.modelId = 1;
            option.day = 1 + next() % 7;
            const std::uint32_t first = next() % 46;
            for (std::uint32_t s = first; s < first + 3; ++s) {
                option.hh.set(s);
            }
            option.seq = static_cast<std::uint32_t>(k + 1);
            stand.options.push_back(std::move(option));
        }
    }
    gf_rebuildStandIndex(f.state);
}

void BM_AutoPark(benchmark::State& bench) {
    test_support::TrafficFixture f;
    gf_updateSettings([](SettingsSnapshot& s) {
        s.parkingPercentage = 59;
        s.maxParkSel = 300;
        s.rtParkTrafficOnly = false;
        s.autoPark = true;
        s.random = true;
    });
    fillStands(f);
    f.state.currentSlot = std::uint64_t{3} | std::uint64_t{20} << 32;
    ParkingData data;
    for (auto _ : bench) {
        lf_autoPark(f.state, data);
        if (f.state.pendingParkedAdds.size() < 250) {
            throw std::runtime_error("the plan filled too few stands");
        }
        benchmark::DoNotOptimize(f.state.pendingParkedAdds.data());
    }
    bench.counters["planned"] = static_cast<double>(f.state.pendingParkedAdds.size());
}
BENCHMARK(BM_AutoPark)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace kiv
