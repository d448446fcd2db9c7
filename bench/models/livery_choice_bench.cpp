// The live livery choice over matching tables built from 20,000 installed liveries of 400
// airlines and 80 models, with RANDOM on, a matching depth of 4 and the log open, as in the
// program. Each choice is timed alone: the report gives the median and the 99th percentile
// per choice (manual time is their mean) and the heap allocations per choice.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include "datafile/data_file_encryptor.h"
#include "foundation/data_file_key.h"
#include "foundation/log.h"
#include "models/interned_codes.h"
#include "models/livery_choice.h"
#include "models/livery_paths.h"
#include "models/scanned_liveries.h"
#include "models/type_database.h"
#include "settings/settings_snapshot.h"
#include "support/allocation_counter.h"
#include "traffic/aircraft_records.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;

constexpr int kAirlines = 400;
constexpr int kModels = 80;
constexpr int kLiveries = 20000;
constexpr int kAircraft = 4096;

class NoShell final : public ModelsShell {
public:
    void showMessage(const std::string&, bool) override {}
    void clearMessage() override {}
    void postLiveryCount(std::uint64_t) override {}
    void postRepaint(std::uint32_t) override {}
};

std::string airlineCode(int i) { return fmt::format("{}{}{}", char('A' + i / 26 % 26), char('A' + i % 26), 'X'); }
std::string modelCode(int i) { return fmt::format("M{:03}", i); }

void appendCode(std::string& list, const std::string& code) {
    if (!list.empty()) {
        list += ',';
    }
    list += code;
}

// Models 0-49 Large, 50-69 Heavy, 70-79 Light; similar groups of five.
void readDatabase(const fs::path& folder) {
    std::string models;
    std::string large;
    std::string heavy;
    std::string similar;
    for (int i = 0; i < kModels; ++i) {
        appendCode(models, modelCode(i));
        if (i < 50) {
            appendCode(large, modelCode(i));
        } else if (i < 70) {
            appendCode(heavy, modelCode(i));
        }
        if (i % 5 == 0) {
            similar += fmt::format("<similar types=\"{},{},{},{},{}\"/>", modelCode(i), modelCode(i + 1),
                                   modelCode(i + 2), modelCode(i + 3), modelCode(i + 4));
        }
    }
    std::string airlines;
    for (int i = 0; i < kAirlines; ++i) {
        appendCode(airlines, airlineCode(i));
    }
    const std::string xml = fmt::format(
        "<root><aircrafts><aircraft types=\"{}\"/></aircrafts><ICAO_airlines><ICAO codes=\"{},ZZZ\"/></ICAO_airlines>"
        "<cargo_types/><heavy><hvy types=\"{}\"/></heavy><large><lar types=\"{}\"/></large><buzjet/><twoprops/>"
        "<high_performance/><rotorcraft/><cargo_operators/><similar_types>{}</similar_types></root>",
        models, airlines, heavy, large, similar);
    const fs::path path = folder / "dbase.enc";
    const DataFileKey key;
    const std::string bytes = datafile::encryptDataFile(xml, key.bytes());
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    gf_readDbase(path);
}

struct Fixture {
    fs::path folder = fs::temp_directory_path() / fmt::format("kiv-livery-bench-{}", std::random_device{}());
    std::vector<AircraftInfo> aircraft;

    Fixture() {
        fs::create_directories(folder);
        gf_setLogPathForTesting(folder / "Log.txt");
        gf_openLog();
        readDatabase(folder);
        std::vector<Livery> liveries;
        for (int i = 0; i < kLiveries; ++i) {
            Livery livery;
            const int airline = i % kAirlines;
            const int model = (i * 7 + i / kAirlines) % kModels;
            livery.title = fmt::format("{} {} livery number {}", airlineCode(airline), modelCode(model), i);
            livery.key.airlineId = gf_airlineId(airlineCode(airline));
            livery.key.modelId = gf_modelId(modelCode(model));
            livery.regcode = i % 3 == 0 ? fmt::format("R{:05}", i) : "";
            liveries.push_back(std::move(livery));
        }
        std::sort(liveries.begin(), liveries.end());
        NoShell shell;
        lf_buildLiveryTables(liveries, shell, LiveryPaths::under(folder));
        gf_updateSettings([](SettingsSnapshot& copy) {
            copy.random = true;
            copy.matchingDepth = 4;
            copy.tcasFl = 180;
        });
        // Registrations, airline and model, similar models and misses, in a fixed mix.
        for (int i = 0; i < kAircraft; ++i) {
            AircraftInfo info;
            info.head.callsign = fmt::format("{}{}", airlineCode(i % kAirlines), 100 + i % 900);
            info.head.liveryKey.airlineId = gf_airlineId(airlineCode((i * 13) % kAirlines));
            info.head.liveryKey.modelId = gf_modelId(modelCode((i * 11) % kModels));
            if (i % 5 == 0) {
                info.head.registration = fmt::format("R{:05}", (i * 3) % kLiveries / 3 * 3);
            }
            info.sizeClass = gf_sizeClassOfModel(info.head.liveryKey.modelId);
            aircraft.push_back(std::move(info));
        }
    }
    ~Fixture() {
        gf_closeLog();
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
};

void BM_ChooseLivery(benchmark::State& state) {
    static Fixture fixture;
    std::vector<double> nanos;
    nanos.reserve(1u << 20);
    std::size_t next = 0;
    std::uint64_t found = 0;
    std::uint64_t allocations = 0;
    for (auto _ : state) {
        AircraftInfo& info = fixture.aircraft[next];
        next = (next + 1) % fixture.aircraft.size();
        info.liveryTitle = {};
        info.isCoverageOnly = 0;
        const std::uint64_t allocationsBefore = bench::allocationCount.load(std::memory_order_relaxed);
        const auto start = std::chrono::steady_clock::now();
        gf_chooseLivery(info, 5000.0, 5000.0);
        const auto end = std::chrono::steady_clock::now();
        allocations += bench::allocationCount.load(std::memory_order_relaxed) - allocationsBefore;
        const double elapsed = std::chrono::duration<double, std::nano>(end - start).count();
        state.SetIterationTime(elapsed * 1e-9);
        nanos.push_back(elapsed);
        found += info.liveryTitle.empty() ? 0 : 1;
    }
    if (found == 0) {
        state.SkipWithError("no choice found a livery");
        return;
    }
    std::sort(nanos.begin(), nanos.end());
    state.counters["median_ns"] = nanos[nanos.size() / 2];
    state.counters["p99_ns"] = nanos[nanos.size() * 99 / 100];
    state.counters["found_pct"] = 100.0 * static_cast<double>(found) / static_cast<double>(nanos.size());
    state.counters["allocs"] = static_cast<double>(allocations) / static_cast<double>(nanos.size());
}
BENCHMARK(BM_ChooseLivery)->UseManualTime()->MinTime(1.0);

} // namespace
} // namespace kiv
