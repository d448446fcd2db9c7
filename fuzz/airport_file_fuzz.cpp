// The stands reader of the airport files over arbitrary documents: it must never crash or
// throw, every stand it gives must be usable (a position, a positive radius, a heading in
// [0, 2*pi), a known type, a unique trimmed id, at most 512 of them, options with a weekday
// and slots), and what it gives must be writable again, as the scan and the learned-data
// save do, into a file that reads back without more stands than were written.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "airports/airport_file_format.h"
#include "airports/airport_file_reader.h"
#include "airports/airport_file_writer.h"
#include "foundation/string_helpers.h"
#include "test_support/temp_folder.h"

namespace {

void check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

void checkStand(const kiv::Stand& stand) {
    check(!stand.id.empty() && kiv::gf_trim(stand.id) == stand.id);
    check(kiv::gf_isValidLalo(stand.latitude, stand.longitude));
    check(std::isfinite(stand.radius) && stand.radius > 0.0);
    check(stand.heading >= 0.0 && stand.heading < kiv::kTwoPi);
    check(stand.type < kiv::kParkingTypeCount);
    std::uint32_t seq = 1;
    for (const kiv::FlightOption& option : stand.options) {
        check(kiv::gf_isValidOptionDay(option.day) && option.hh.any() && option.seq == seq++ && option.fromFile == 1);
    }
}

std::vector<kiv::Stand> readBack(const std::filesystem::path& path) {
    pugi::xml_document document;
    check(static_cast<bool>(document.load_file(path.c_str())));
    std::vector<kiv::Stand> stands;
    kiv::lf_readParkpositions(document, stands);
    return stands;
}

const std::filesystem::path& outputFolder() {
    static const kiv::test_support::TempFolder folder;
    return folder.path();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pugi::xml_document document;
    if (!document.load_buffer(data, size)) {
        return 0;
    }
    kiv::BglAirport airport;
    airport.icao = kiv::IcaoCode("ZZZZ");
    kiv::lf_readParkpositions(document, airport.stands);
    check(airport.stands.size() <= kiv::kMaxStandsPerAirportFile);
    std::set<std::string> ids;
    for (const kiv::Stand& stand : airport.stands) {
        checkStand(stand);
        check(ids.insert(stand.id).second);
    }
    for (const std::uint32_t kind : {kiv::kGeneratedAirportFile, kiv::kLearnedAirportFile}) {
        const std::filesystem::path output = outputFolder() / "ZZZZ.xml";
        check(kiv::gf_writeApf(airport, output, kind, 3, kind == kiv::kLearnedAirportFile, std::nullopt));
        check(readBack(output).size() <= airport.stands.size());
    }
    return 0;
}
