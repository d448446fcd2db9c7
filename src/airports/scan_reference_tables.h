// What the airport scan asks of the reference tables of the airports subsystem: the known
// airports, the weekly supported airports and the scenery publisher tables. The program
// passes the adapter over the real tables (gf_scanReferenceTables); tests pass fakes.
// Called only from the thread that runs the scan.
#pragma once

#include <string_view>

#include "airports/bgl_airport.h"
#include "foundation/icao_code.h"

namespace kiv {

class ScanReferenceTables {
public:
    virtual ~ScanReferenceTables() = default;

    // Reload the weekly list and the publisher tables; false when a file cannot be read.
    virtual bool readWeeklyTrafficAirports() = 0;
    virtual bool readPublishers() = 0;
    // Empties the weekly list and the publisher tables again (the end of every scan).
    virtual void clearScanTables() = 0;

    virtual bool isKnownAirport(const IcaoCode& code) const = 0;
    virtual bool isWeeklyTrafficAirport(const IcaoCode& code) const = 0;
    // Sets the airport's publisher from its scenery path ("simaddon" for simulator add-ons);
    // false when no publisher was found.
    virtual bool publisherFromFileName(BglAirport& airport) const = 0;
    // The airport is in the simaddon set / in the thirdparty list of exactly this publisher.
    virtual bool isSimaddonAirport(std::string_view code) const = 0;
    virtual bool isThirdPartyAirport(std::string_view publisher, std::string_view code) const = 0;
};

// The adapter over the program's own tables (known airports, weekly list, publisher tables).
ScanReferenceTables& gf_scanReferenceTables();

} // namespace kiv
