// The scan's quick test of a scenery file (does its section table name an airport section?)
// over a folder of 3000 small scenery files, warm cache: one in three has an airport section,
// the others only sections of other kinds, as in a typical add-on scenery folder. Items are
// files; the goal is 20,000 files per second or more. Each run checks the count it found.
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include "airports/bgl_reader.h"
#include "test_support/bgl_builder.h"

namespace {

namespace fs = std::filesystem;
using namespace kiv::test_support;

constexpr int kFiles = 3000;

struct SceneryFolder {
    fs::path folder;
    std::vector<fs::path> files;
    int airports = 0;

    SceneryFolder() : folder(fs::temp_directory_path() / fmt::format("kiv-bgl-bench-{}", std::random_device{}())) {
        fs::create_directories(folder);
        AirportSpec airport;
        airport.parkings = {ParkingSpec{}, ParkingSpec{}};
        for (int i = 0; i < kFiles; ++i) {
            std::vector<BglSection> sections;
            // Several sections of other kinds first, as scenery files carry them.
            for (int s = 0; s < 1 + i % 5; ++s) {
                sections.push_back(BglSection{
                    0x65u + static_cast<std::uint32_t>(s), false, {BglSubsection{{bglRecord(0x99, Bytes(200, 1))}}}});
            }
            if (i % 3 == 0) {
                sections.push_back(BglSection{3, false, {BglSubsection{{bglAirport(airport)}}}});
                ++airports;
            }
            files.push_back(folder / fmt::format("file{:04}.bgl", i));
            writeBytes(files.back(), buildBgl(sections).bytes);
        }
    }
    ~SceneryFolder() {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
};

const SceneryFolder& scenery() {
    static const SceneryFolder folder;
    return folder;
}

void BM_QuickTestOverFolder(benchmark::State& state) {
    const SceneryFolder& folder = scenery();
    for (auto _ : state) {
        int found = 0;
        for (const fs::path& file : folder.files) {
            found += kiv::lf_bglHasAirportSection(file) ? 1 : 0;
        }
        if (found != folder.airports) {
            state.SkipWithError("wrong number of airport files");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_QuickTestOverFolder)->Unit(benchmark::kMillisecond);

// The same with the folder listed as the scan lists it, extension test included.
void BM_ListAndQuickTestFolder(benchmark::State& state) {
    const SceneryFolder& folder = scenery();
    for (auto _ : state) {
        int found = 0;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder.folder)) {
            if (entry.is_regular_file() && entry.path().extension() == ".bgl") {
                found += kiv::lf_bglHasAirportSection(entry.path()) ? 1 : 0;
            }
        }
        if (found != folder.airports) {
            state.SkipWithError("wrong number of airport files");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_ListAndQuickTestFolder)->Unit(benchmark::kMillisecond);

} // namespace
