// The known-airports table from "input/airports.enc": one row per ICAO code with its IATA
// code, centre and altitude, sorted by code. Loaded once (under a load mutex), then only
// read; every lookup takes the table's reader/writer lock shared, so any thread may call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "feeds/traffic_record.h"
#include "foundation/expected.h"
#include "foundation/icao_code.h"
#include "foundation/lalo.h"

namespace kiv {

// The two codes at the head of a known airport and of the current park airport.
struct AirportCodes {
    IcaoCode icao;
    IataCode iata;
};

struct KnownAirport {
    IcaoCode icao;
    IataCode iata; // empty when the file gives none
    double latitude = 0.0;
    double longitude = 0.0;
    std::int32_t altitude = 0; // feet

    AirportCodes codes() const { return {icao, iata}; }
};

inline constexpr std::size_t kKnownAirportsReserve = 24000;

// Loads the table on the first successful call and answers its row count; later calls answer
// the count without reading. A failure answers the error text and leaves the table empty, so
// the next call loads again.
Expected<std::size_t, std::string> gf_readAirportsFile();
// The rows of "input/airports.enc", sorted and unique, or the reason there are none.
Expected<std::vector<KnownAirport>, std::string> lf_loadAirportsXml();
// One <ap> element for an already parsed code; empty (and one log line) when it is refused.
std::optional<KnownAirport> lf_parseAirportEntry(const pugi::xml_node& node, const IcaoCode& icao);

std::optional<KnownAirport> gf_findKnownAirport(const IcaoCode& icao);
bool gf_isKnownAirport(const IcaoCode& icao);

// The stand of an airport's file closest to a position, as the destination reader answers it.
struct ClosestStand {
    std::string id;
    double distanceNm = 0.0;
};
using ClosestStandLookup = std::function<Expected<ClosestStand, std::string>(const IcaoCode&, const Lalo&)>;

// The known airport within 5 NM of the position whose centre is closest, unless another
// candidate has a stand closer to the position than every other candidate's closest stand.
std::optional<KnownAirport> gf_findNearestAirport(const Lalo& position, const ClosestStandLookup& closestStand);

// Empties the table and clears the loaded flag, so that a test can load another file.
void gf_resetKnownAirportsForTesting();

// The IATA code of a three-letter text (letters upper-cased, then A-Z or 0-9 each); throws
// std::invalid_argument "'{}' IataCode: invalid string" for any other text.
IataCode lf_iataCodeFromText(std::string_view text);

} // namespace kiv

// The ICAO code, "?" when it is empty, and " (IATA)" when there is an IATA code.
template <> struct fmt::formatter<kiv::AirportCodes> : fmt::formatter<std::string_view> {
    template <typename Context> auto format(const kiv::AirportCodes& codes, Context& ctx) const {
        std::string text = codes.icao.empty() ? std::string("?") : std::string(codes.icao.text());
        if (!codes.iata.text().empty()) {
            text += fmt::format(" ({})", codes.iata.text());
        }
        return fmt::formatter<std::string_view>::format(text, ctx);
    }
};
