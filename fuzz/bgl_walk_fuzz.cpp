// The scenery-file reader over arbitrary bytes: the container walk, then the airport code,
// name, altitude and stands of every airport record it lists. Nothing may crash or read out
// of bounds; every listed record lies in the file; every stand taken can be written (a
// valid position, a positive radius, a finite heading, an id of its own) and every name is
// UTF-8. A word index past the file may throw: the scan skips such a file.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <set>
#include <span>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "airports/bgl_format.h"
#include "airports/bgl_reader.h"
#include "airports/bgl_records.h"
#include "airports/scan_log.h"
#include "airports/scan_reference_tables.h"
#include "feeds/traffic_record.h"
#include "foundation/text_conversion.h"

namespace {

using namespace kiv;

class EveryAirportKnown : public ScanReferenceTables {
public:
    bool readWeeklyTrafficAirports() override { return true; }
    bool readPublishers() override { return true; }
    void clearScanTables() override {}
    bool isKnownAirport(const IcaoCode&) const override { return true; }
    bool isWeeklyTrafficAirport(const IcaoCode&) const override { return true; }
    bool publisherFromFileName(BglAirport&) const override { return false; }
    bool isSimaddonAirport(std::string_view) const override { return false; }
    bool isThirdPartyAirport(std::string_view, std::string_view) const override { return false; }
};

void check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

void readAirport(const BglWords& words, const BglRecordRef& record, const ScanReferenceTables& tables) {
    const std::size_t index = record.offset / 4;
    if (index + bgl::kAirportCodeWord >= words.size()) {
        return;
    }
    const bool newerForm = record.id == bgl::kAirportRecordNew;
    const IcaoDecodeResult code = lf_decodeIcao(words.at(index, 40).u32(), tables);
    const BglAirportBasics basics = lf_readBglAirport(words, index, record.size / 4, newerForm);
    check(gf_isValidUtf8(basics.name) && basics.altitudeFt >= -1500 && basics.altitudeFt <= 16000);
    BglAirport airport;
    if (code.isOk) {
        airport.icao = IcaoCode(code.text);
    }
    airport.name = basics.name;
    const std::uint32_t helipads = lf_readAirportStands(words, index, record.size / 4, newerForm, airport);
    check(helipads <= airport.stands.size());
    std::set<std::string> ids;
    for (const Stand& stand : airport.stands) {
        check(gf_isValidLalo(stand.latitude, stand.longitude));
        check(std::isfinite(stand.radius) && stand.radius > 0.0 && std::isfinite(stand.heading));
        check(!stand.id.empty() && ids.insert(stand.id).second);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const BglWalkResult walked = lf_walkBglFile(bytes);
    const auto* records = std::get_if<std::vector<BglRecordRef>>(&walked);
    if (records == nullptr) {
        check(!std::get<BglError>(walked).message.empty() && std::get<BglError>(walked).code <= 10);
        return 0;
    }
    const EveryAirportKnown tables;
    const BglWords words(bytes);
    for (const BglRecordRef& record : *records) {
        check(record.size >= 6 && record.offset <= size && record.size <= size - record.offset);
        if (record.id != bgl::kAirportRecord && record.id != bgl::kAirportRecordNew) {
            continue;
        }
        try {
            readAirport(words, record, tables);
        } catch (const std::out_of_range&) {
        } catch (const ByteRangeError&) {
        }
    }
    gf_clearScanLog();
    return 0;
}
