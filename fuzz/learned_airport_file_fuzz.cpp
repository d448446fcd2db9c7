// The learned-copy merge and the airport file's identity over arbitrary files: they must never
// crash or throw, the merge must keep every archived stand in its place, number each stand's
// options upward, give learned options a weekday and slots, and what it gives must be writable
// again as the learned-data save writes it; the quality figures stay within -1..100.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "airports/airport_file_format.h"
#include "airports/airport_file_read.h"
#include "airports/airport_file_reader.h"
#include "airports/airport_file_writer.h"
#include "airports/learned_airport_file.h"
#include "test_support/temp_folder.h"

namespace {

void check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

const std::filesystem::path& folder() {
    static const kiv::test_support::TempFolder made;
    return made.path();
}

std::vector<kiv::Stand> archivedStands() {
    std::vector<kiv::Stand> stands;
    for (const char* id : {"A1", "A2", "B7"}) {
        stands.push_back(kiv::gf_makeFileStand(id, {}, 52.3, 4.76, 0.0, 25.0, 9, false, false, false));
    }
    kiv::FlightOption option;
    option.reg = "PH-BXA";
    option.hh.set(10);
    option.seq = 1;
    option.day = 3;
    option.fromFile = 1;
    stands[0].options.push_back(option);
    return stands;
}

void checkMerged(const std::vector<kiv::Stand>& stands, const std::vector<kiv::Stand>& archived, bool handmade) {
    if (!handmade) {
        check(stands.size() >= archived.size());
        for (std::size_t i = 0; i < archived.size(); ++i) {
            check(stands[i].id == archived[i].id);
        }
    }
    for (const kiv::Stand& stand : stands) {
        std::uint32_t last = 0;
        for (const kiv::FlightOption& option : stand.options) {
            check(option.seq > last);
            last = option.seq;
            check(kiv::gf_isValidOptionDay(option.day) && option.hh.any());
        }
    }
    const kiv::QualityFigures figures = kiv::gf_computeQualityFigures(stands);
    check(figures.Qf_real >= -1 && figures.Qf_real <= 100 && figures.Qf_soft >= -1 && figures.Qf_soft <= 100);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path learned = folder() / "EHAM.xml";
    {
        std::ofstream file(learned, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const std::vector<kiv::Stand> archived = archivedStands();
    const auto merged = kiv::gf_readLearnedAirportFile(learned, "Schiphol", archived);
    pugi::xml_document document;
    if (document.load_buffer(data, size)) {
        (void)kiv::lf_documentIdentity(document);
    }
    if (!merged) {
        return 0;
    }
    checkMerged(merged.value().stands, archived, merged.value().handmade);
    kiv::BglAirport airport;
    airport.icao = kiv::IcaoCode("EHAM");
    airport.stands = merged.value().stands;
    for (kiv::Stand& stand : airport.stands) {
        std::erase_if(stand.options, [](const kiv::FlightOption& option) { return option.fromFile == 1; });
    }
    const kiv::ParkKeys keys;
    check(kiv::gf_writeApf(airport, folder() / "EHAM_saved.xml", kiv::kLearnedAirportFile, 3, merged.value().handmade,
                           keys));
    return 0;
}
