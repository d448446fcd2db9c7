// Helper program of the store crash test: says "ready", then writes the livery scan result
// store named by its argument over and over, alternating between two sets of liveries (100
// titled "A<n>", 150 titled "B<n>"), until it is killed. So the store must always hold one of
// the two sets, whole.
#include <cstdio>
#include <string>
#include <vector>

#include "models/interned_codes.h"
#include "models/livery_store.h"

namespace {

std::vector<kiv::Livery> liverySet(char name, int count) {
    std::vector<kiv::Livery> liveries;
    for (int i = 0; i < count; ++i) {
        kiv::Livery livery;
        livery.title = name + std::to_string(i) + " Airline Livery With A Longer Title";
        livery.key.airlineId = kiv::gf_airlineId("DLH");
        livery.key.modelId = kiv::gf_modelId(i % 2 == 0 ? "A320" : "B738");
        livery.regcode = i % 3 == 0 ? "D-A" + std::to_string(100 + i) : "";
        liveries.push_back(std::move(livery));
    }
    return liveries;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        return 2;
    }
    const std::filesystem::path store = argv[1];
    kiv::gf_airlineId("");
    kiv::gf_modelId("");
    const std::vector<kiv::Livery> sets[2] = {liverySet('A', 100), liverySet('B', 150)};
    std::puts("ready");
    std::fflush(stdout);
    for (unsigned round = 0;; ++round) {
        kiv::lf_writeLiveriesScanned(sets[round % 2], store);
    }
}
