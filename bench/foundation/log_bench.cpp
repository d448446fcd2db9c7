// gf_logLine throughput with several writer threads on one open log. Checks afterwards
// that every line reached the file whole.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include "foundation/log.h"

namespace {

namespace fs = std::filesystem;

const fs::path& benchFolder() {
    static const fs::path folder = fs::temp_directory_path() / fmt::format("kiv-log-bench-{}", std::random_device{}());
    return folder;
}

std::atomic<std::uint64_t> linesWritten{0};
const std::string kLine = "EHAM   D7     KLM1234  B738 PH-BXA parked at stand, arrival 10:29:30 slot 21";

void openBenchLog(const benchmark::State&) {
    fs::create_directories(benchFolder());
    kiv::gf_setLogPathForTesting(benchFolder() / "Log.txt");
    kiv::gf_openLog();
    linesWritten = 0;
}

void checkBenchLog(const benchmark::State&) {
    kiv::gf_closeLog();
    std::ifstream file(benchFolder() / "Log.txt", std::ios::binary);
    std::string line;
    std::getline(file, line); // header
    std::uint64_t lines = 0;
    while (std::getline(file, line)) {
        if (line != kLine) {
            std::fprintf(stderr, "log bench: damaged line '%s'\n", line.c_str());
            std::abort();
        }
        ++lines;
    }
    if (lines != linesWritten) {
        std::fprintf(stderr, "log bench: %llu lines in the file, %llu written\n",
                     static_cast<unsigned long long>(lines), static_cast<unsigned long long>(linesWritten.load()));
        std::abort();
    }
    std::error_code ignored;
    fs::remove_all(benchFolder(), ignored);
}

void BM_LogLine(benchmark::State& state) {
    std::uint64_t mine = 0;
    for (auto _ : state) {
        kiv::gf_logLine(kLine);
        ++mine;
    }
    linesWritten += mine;
    state.SetItemsProcessed(state.iterations());
    state.counters["lines/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LogLine)->Threads(1)->Threads(4)->UseRealTime()->Setup(openBenchLog)->Teardown(checkBenchLog);

} // namespace
