// Helper program of the learned-save crash-consistency test, run in a program folder:
// "<folder> once <a|b>" saves the learned copy of EHAM with content a or b and ends;
// "<folder> loop" says "ready" and then saves a, b, a, ... until it is killed. The clock is
// pinned, so each content is always the same bytes.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "airports/airport_file_apply.h"
#include "airports/airport_file_reader.h"
#include "airports/current_park_airport.h"
#include "airports/learned_save.h"
#include "test_support/pinned_clock.h"

namespace {

using namespace kiv;

std::vector<Stand> stands(char which) {
    std::vector<Stand> made;
    const int count = which == 'a' ? 40 : 60;
    for (int i = 0; i < count; ++i) {
        Stand stand = gf_makeFileStand("S" + std::to_string(i), {}, 52.3 + i * 0.0005, 4.76, 0.0, 25.0, 9, false,
                                       false, false);
        FlightOption option;
        option.reg = std::string("PH-") + which + std::to_string(i);
        option.hh.set(static_cast<std::size_t>(i % 48));
        option.seq = 1;
        option.day = static_cast<std::uint32_t>(i % 7 + 1);
        stand.options.push_back(option);
        made.push_back(std::move(stand));
    }
    return made;
}

void applyEham() {
    KnownAirport eham;
    eham.icao = IcaoCode("EHAM");
    eham.latitude = 52.3086;
    eham.longitude = 4.7639;
    gf_setCurrentParkAirport(eham);
    AirportFile file;
    file.airport_name = "Schiphol";
    file.publisher = "stock";
    file.altitude = 12;
    file.Qf_real = 50;
    file.stands.resize(3);
    file.requestedPath = "archive/stock/EHAM.enc";
    gf_applyAirportFile(file);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <folder> once <a|b> | loop\n", argv[0]);
        return 2;
    }
    std::filesystem::current_path(argv[1]);
    const test_support::PinnedClock clock(1767225600);
    applyEham();
    const std::vector<Stand> a = stands('a');
    const std::vector<Stand> b = stands('b');
    const std::string mode = argv[2];
    if (mode == "once" && argc >= 4) {
        gf_saveLearned(std::string(argv[3]) == "a" ? a : b, false);
        return 0;
    }
    if (mode != "loop") {
        return 2;
    }
    std::puts("ready");
    std::fflush(stdout);
    for (unsigned round = 0;; ++round) {
        gf_saveLearned(round % 2 == 0 ? a : b, false);
    }
}
