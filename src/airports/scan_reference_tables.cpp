#include "airports/scan_reference_tables.h"

#include <exception>

#include <fmt/format.h>

#include "airports/known_airports.h"
#include "airports/scan_log.h"
#include "airports/scenery_publishers.h"
#include "airports/weekly_traffic_airports.h"
#include "foundation/log.h"

namespace kiv {
namespace {

class ProgramScanTables final : public ScanReferenceTables {
public:
    bool readWeeklyTrafficAirports() override { return gf_readWeeklyTrafficAirports(); }

    // A publisher file that is missing or cannot be decrypted throws; for the scan that is
    // one more way in which the archives could not be read.
    bool readPublishers() override {
        try {
            return gf_readPublishers();
        } catch (const std::exception& e) {
            gf_logImportant(fmt::format("gf_readPublishers: {}", e.what()));
            return false;
        }
    }

    void clearScanTables() override {
        gf_clearWeeklyTrafficAirports();
        gf_clearPublisherTables();
    }

    bool isKnownAirport(const IcaoCode& code) const override { return gf_isKnownAirport(code); }
    bool isWeeklyTrafficAirport(const IcaoCode& code) const override { return gf_isWeeklyTrafficAirport(code); }
    bool publisherFromFileName(BglAirport& airport) const override {
        return gf_publisherFromFileName(airport, gf_scanLog());
    }
    bool isSimaddonAirport(std::string_view code) const override { return gf_isSimaddonAirport(code); }
    bool isThirdPartyAirport(std::string_view publisher, std::string_view code) const override {
        return gf_isThirdPartyAirport(publisher, code);
    }
};

} // namespace

ScanReferenceTables& gf_scanReferenceTables() {
    static ProgramScanTables tables;
    return tables;
}

} // namespace kiv
