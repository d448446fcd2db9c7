// Cost of storing one changed setting: re-reading "parameters.xml" under the lock, updating
// the element and the safe save (temporary file, read back, backup copy, flush to disk,
// atomic replace). The file is a complete one in a temporary data folder; the stored value
// is read back at the end so that a store that writes nothing cannot pass as a fast one.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include <benchmark/benchmark.h>

#include "settings/data_folder.h"
#include "settings/parameter_elements.h"
#include "settings/parameters_file.h"
#include "settings/settings_table.h"

namespace {

void storeOneSetting(benchmark::State& state) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("kiv-store-bench-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);
    kiv::gf_setDataFolderForTesting(folder);
    kiv::gf_writeDefaultParameters();

    std::int32_t value = 0;
    for (auto _ : state) {
        kiv::param::LAST_EPOCH_TIME.value = ++value;
        kiv::gf_storeParameter(kiv::param::LAST_EPOCH_TIME);
    }

    pugi::xml_document document;
    const bool stored = document.load_file(kiv::gf_parametersFilePath().c_str()) &&
                        kiv::gf_readIntParameter(document, "LAST_EPOCH_TIME:") == value;
    std::filesystem::remove_all(folder);
    if (!stored) {
        std::fprintf(stderr, "the last stored value is not in the file\n");
        std::abort();
    }
}

BENCHMARK(storeOneSetting)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

} // namespace
