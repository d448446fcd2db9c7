// Decoders of the airport records in a scenery file: the packed airport code, the name,
// helipads and parking entries, turned into the stands of a BglAirport. They report bad
// data through their results and scan-log lines; a word index beyond the file throws
// std::out_of_range. Stateless functions: the scan's thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "airports/bgl_airport.h"
#include "foundation/byte_reader.h"
#include "foundation/lalo.h"

namespace kiv {

class ScanReferenceTables;

// A whole file as the subrecord readers see it: its bytes as 32-bit words (a last
// incomplete word dropped), records addressed by word index (byte offset / 4).
class BglWords {
public:
    explicit BglWords(std::span<const std::uint8_t> bytes) : bytes_(bytes.first(bytes.size() / 4 * 4)) {}

    std::size_t size() const { return bytes_.size() / 4; }
    std::span<const std::uint8_t> bytes() const { return bytes_; }
    // A reader at byte `byteOffset` of word `index`, over the rest of the file. Throws
    // std::out_of_range when `index` is not a word of the file.
    ByteReader at(std::size_t index, std::size_t byteOffset = 0) const;

private:
    std::span<const std::uint8_t> bytes_;
};

struct IcaoDecodeResult {
    enum Reason : std::uint8_t { ok = 0, undecodable = 1, not_four_characters = 2, not_known = 3 };

    std::string text; // also kept when undecodable, for messages
    bool isOk = false;
    std::uint8_t reason = ok;
};

// Base-38 digits above the low five bits; ends with lf_checkDecodedIcao.
IcaoDecodeResult lf_decodeIcao(std::uint32_t packed, const ScanReferenceTables& tables);
// Four characters that name a known airport; an unknown one adds "{} is not known".
IcaoDecodeResult lf_checkDecodedIcao(std::string text, const ScanReferenceTables& tables);

// The name subrecord at word `index`: at most 45 bytes, trailing zero bytes removed; bytes
// that are not UTF-8 are read as Windows-1252. Empty when `index` lies outside the words.
std::string lf_decodeAirportNAME(const BglWords& words, std::size_t index);

// "PARKING ", "GATE ", "GATE A" .. for the six-bit name code of a parking entry.
std::string_view lf_parkingNamePrefix(std::uint32_t nameCode);

// The id unused so far: `id` itself or `id` with "a".."j" appended; recorded in `used`.
// Empty (and a scan-log warning) when all eleven are taken.
std::optional<std::string> lf_makeStandIdsUnique(const std::string& id, std::set<std::string>& used);

// The helipads taken so far for one airport, and the number the next one gets.
struct HelipadState {
    std::vector<Lalo> positions;
    std::uint32_t counter = 1;
};

// Adds the helipad subrecord at word `index` as a heli stand, or logs why not.
void lf_readHelipads(std::size_t index, const BglWords& words, BglAirport& airport, HelipadState& helipads);

// Adds a stand for each usable entry of the parking list at word `index`, reading no byte
// beyond the list's own size or word `limitWord` (the end of its airport record).
void lf_readTaxiwayParking(std::size_t index, const BglWords& words, BglAirport& airport,
                           std::set<std::string>& usedIds, bool newerForm, std::size_t limitWord);

// Feet from the record's millimetres, halves away from zero; 0 outside [-1500, 16000] ft.
std::int32_t lf_altitudeFeet(std::int32_t millimetres);

struct BglAirportBasics {
    std::string name;
    std::int32_t altitudeFt = 0;
};

// Name and altitude of the airport record at word `index` (`sizeWords` long).
BglAirportBasics lf_readBglAirport(const BglWords& words, std::size_t index, std::size_t sizeWords, bool newerForm);

// Walks the subrecords of the airport record at word `index` and adds its helipads and the
// stands of its parking list to the airport; gives the number of helipads taken. A broken
// subrecord ends the walk; the stands read before it stay.
std::uint32_t lf_readAirportStands(const BglWords& words, std::size_t index, std::size_t sizeWords, bool newerForm,
                                   BglAirport& airport);

} // namespace kiv
