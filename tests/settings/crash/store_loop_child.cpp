// Helper program of the crash-consistency test: loads "parameters.xml" from the data folder
// the test names in VELT_P3D_DATA_DIR and says "ready". Then it finishes the round that an
// earlier run was killed in (the first loop setting holds its number) and stores the four
// loop settings over and over, in the same order, each round one above the last, until it
// is killed. So the file must always read n, .., n, n-1, .., n-1 in store order.
#include <cstdio>
#include <string>

#include <fmt/format.h>

#include "settings/parameters_file.h"
#include "settings/settings_table.h"

namespace {

using namespace kiv;

void storeInt(IntParameter& parameter, std::int32_t round) {
    if (parameter.value != round) {
        parameter.value = round;
        gf_storeParameter(parameter);
    }
}

void storeText(StringParameter& parameter, std::int32_t round) {
    const std::string text = fmt::format("R{}", round);
    if (parameter.value != text) {
        parameter.value = text;
        gf_storeParameter(parameter);
    }
}

void storeRound(std::int32_t round) {
    storeInt(param::LAST_EPOCH_TIME, round);
    storeText(param::BLOCK_AIRCRAFT, round);
    storeInt(param::BLOCK_HEXIDDEC, round);
    storeText(param::DESTINATION, round);
}

} // namespace

int main() {
    gf_loadParameters();
    std::int32_t round = param::LAST_EPOCH_TIME.value;
    std::puts("ready");
    std::fflush(stdout);
    if (round > 0) {
        storeRound(round);
    }
    for (;;) {
        storeRound(++round);
    }
}
