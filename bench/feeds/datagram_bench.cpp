// RT App traffic datagrams through the traffic reader on one thread: split into fields,
// parsed, range-filtered, validated and converted into traffic records, gathered into
// batches of 100 that are handed on at every RTTFC_EOT. Reports records per second.
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include "feeds/feeds_fakes.h"
#include "feeds/traffic_reader.h"
#include "feeds/type_database_fixture.h"
#include "settings/settings_snapshot.h"

namespace kiv {
namespace {

constexpr int kRecords = 1000;
constexpr int kBatch = 100;

// Counts what the intake would get and drops it.
class CountingNeighbours final : public test_support::FakeFeedsNeighbours {
public:
    void postTrafficBatch(TrafficBatch& batch, BatchKind, std::uint32_t, bool) override {
        records += batch.size();
        batch.clear();
    }
    std::size_t records = 0;
};

// Airliners spread over 24 NM around the centre, each with its own hex id and callsign.
std::vector<std::string> datagrams() {
    std::vector<std::string> out;
    for (int i = 0; i < kRecords; ++i) {
        const double latitude = 50.0 + 0.4 * std::sin(i * 0.37);
        const double longitude = 8.0 + 0.6 * std::cos(i * 0.91);
        out.push_back(fmt::format("RTTFC,{},{:.6f},{:.6f},{},{},,{},{},DLH{}AB,A320,D-AI{:02},FRA,MUC,{:.2f},,,"
                                  "adsb_icao,,,{},,,{},,{},,,A3,,,,,,,,,,,,,,,DLH",
                                  4000000 + i, latitude, longitude, 3000 + 31 * i, -640, 10 * (i % 36), 180 + i % 120,
                                  i, i % 100, 1733750000.0 + 0.01 * i, 250 + i % 50, i % 2 == 0 ? "-1" : "4.5",
                                  10 * (i % 36)));
        if ((i + 1) % kBatch == 0) {
            out.push_back("RTTFC_EOT");
        }
    }
    return out;
}

void BM_RTAppDatagramsToRecords(benchmark::State& state) {
    test_support::installFeedsTypeDatabase();
    gf_publishTrafficSource(true);
    CountingNeighbours neighbours;
    test_support::FakeFeedsShell shell;
    BufferRequestFlag bufferRequest;
    TrafficReader reader(neighbours, shell, bufferRequest);
    reader.setRangeCentre(50.0, 8.0, std::cos(50.0 * 0.017453292519943295));
    reader.qnh = 1013;
    const std::vector<std::string> lines = datagrams();
    for (auto _ : state) {
        for (const std::string& line : lines) {
            reader.offerDatagram(line);
        }
    }
    const auto expected = static_cast<std::size_t>(state.iterations()) * kRecords;
    if (neighbours.records != expected) {
        state.SkipWithError(fmt::format("{} records converted, {} expected", neighbours.records, expected).c_str());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(expected));
}
BENCHMARK(BM_RTAppDatagramsToRecords)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace kiv
