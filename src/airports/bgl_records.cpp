#include "airports/bgl_records.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <stdexcept>

#include <fmt/format.h>

#include "airports/airport_file_format.h"
#include "airports/bgl_format.h"
#include "airports/bgl_reader.h"
#include "airports/scan_log.h"
#include "airports/scan_reference_tables.h"
#include "feeds/traffic_record.h"
#include "foundation/ansi_code_page.h"
#include "foundation/log.h"
#include "foundation/text_conversion.h"

namespace kiv {
namespace {

// Helipad fields reach up to the heading at +32; a shorter record holds no whole helipad.
constexpr std::uint64_t kHelipadBytes = 36;

std::string positionText(double latitude, double longitude) {
    return fmt::format("{:.6f},{:.6f}", latitude, longitude);
}

// A stand whose file would fail to write (a radius that is not a positive number, a heading
// that is not a number) is dropped alone instead of failing the whole airport's file.
bool hasUsableGeometry(const BglAirport& airport, const std::string& id, double radiusMetres, double headingDegrees) {
    if (std::isfinite(radiusMetres) && radiusMetres > 0.0 && std::isfinite(headingDegrees)) {
        return true;
    }
    gf_appendScanLog(fmt::format("{}{} stand {} has an invalid radius {} m or heading {} degrees (skipped)",
                                 kScanProblemPrefix, airport.icao.text(), id, radiusMetres, headingDegrees));
    return false;
}

char base38Character(std::uint32_t digit) {
    if (digit == 0) {
        return ' ';
    }
    if (digit == 1) {
        return '?';
    }
    if (digit < 12) {
        return static_cast<char>('0' + (digit - 2));
    }
    return static_cast<char>('A' + (digit - 12));
}

const std::array<std::string, 64>& parkingPrefixes() {
    static const std::array<std::string, 64> prefixes = [] {
        std::array<std::string, 64> table{"",           "PARKING ",    "N_PARKING ", "NE_PARKING ",
                                          "E_PARKING ", "SE_PARKING ", "S_PARKING ", "SW_PARKING ",
                                          "W_PARKING ", "NW_PARKING ", "GATE ",      "DOCK "};
        for (std::uint32_t code = 12; code <= 37; ++code) {
            table[code] = fmt::format("GATE {}", static_cast<char>('A' + (code - 12)));
        }
        return table;
    }();
    return prefixes;
}

Stand parkingStand(std::uint32_t type, std::string id, double latitude, double longitude, double heading,
                   double radiusNm) {
    Stand stand;
    stand.id = std::move(id);
    stand.latitude = latitude;
    stand.longitude = longitude;
    stand.heading = heading;
    stand.radius = radiusNm;
    stand.type = type;
    stand.cargo = (type == 5 || type == 6) ? 1 : 0;
    stand.ramp = (type >= 1 && type <= 4) || type == 14 ? 1 : 0;
    return stand;
}

// One parking entry at `entry` (a byte offset), its fixed part known to lie in the list.
void readParkingEntry(const BglWords& words, std::uint64_t entry, BglAirport& airport, std::set<std::string>& usedIds) {
    ByteReader reader(words.bytes(), "scenery file");
    reader.seek(entry);
    const std::uint32_t bits = reader.u32();
    const float radiusMetres = reader.f32();
    const float headingDegrees = reader.f32();
    reader.seek(entry + bgl::kParkingLongitudeOffset);
    const double longitude = bgl::longitudeDegrees(reader.u32());
    const double latitude = bgl::latitudeDegrees(reader.u32());

    const std::uint32_t type = bgl::parkingType(bits);
    if (type == 0 || type == 13) { // NONE, VEHICLE
        return;
    }
    const std::string wanted =
        fmt::format("{}{}", lf_parkingNamePrefix(bgl::parkingNameCode(bits)), bgl::parkingNumber(bits));
    const std::optional<std::string> id = lf_makeStandIdsUnique(wanted, usedIds);
    if (!id) {
        return;
    }
    if (!gf_isValidLalo(latitude, longitude)) {
        gf_appendScanLog(fmt::format("LatLon {} invalid (skipped)", positionText(latitude, longitude)));
        return;
    }
    if (!hasUsableGeometry(airport, *id, radiusMetres, headingDegrees)) {
        return;
    }
    const double heading = headingDegrees == 0.0f ? kTwoPi : headingDegrees * kDegToRad;
    airport.stands.push_back(parkingStand(type, *id, latitude, longitude, heading, radiusMetres / kMetresPerNm));
}

struct SubrecordHeader {
    std::uint16_t id = 0;
    std::uint32_t sizeBytes = 0;
    bool complete = false; // two words of the file hold the id and the whole size
};

// Id and size of the subrecord at word `position`, a word of the file.
SubrecordHeader subrecordHeader(const BglWords& words, std::size_t position) {
    ByteReader reader = words.at(position);
    SubrecordHeader header;
    header.id = reader.u16();
    header.complete = position + 2 <= words.size();
    header.sizeBytes = header.complete ? reader.u32() : 0;
    return header;
}

void logBoundary(std::size_t position, bool important) {
    const std::string line = fmt::format("   Warning: invalid record boundary at o3 = {}", position);
    important ? gf_logImportant(line) : gf_logLine(line);
}

constexpr std::size_t kMaxSubrecordSteps = 9000;

} // namespace

ByteReader BglWords::at(std::size_t index, std::size_t byteOffset) const {
    if (index >= size()) {
        throw std::out_of_range(fmt::format("word {} lies beyond the {} words of the scenery file", index, size()));
    }
    ByteReader reader(bytes_, "scenery file");
    reader.seek(index * 4 + byteOffset);
    return reader;
}

IcaoDecodeResult lf_decodeIcao(std::uint32_t packed, const ScanReferenceTables& tables) {
    // 27 bits hold at most six base-38 digits, so no code runs past the ten that are allowed.
    std::uint32_t rest = packed >> 5;
    std::string text;
    bool undecodable = false;
    do {
        const std::uint32_t digit = rest % 38;
        rest /= 38;
        undecodable = undecodable || digit < 2;
        text.push_back(base38Character(digit));
    } while (rest != 0);
    std::reverse(text.begin(), text.end());
    if (undecodable) {
        return {std::move(text), false, IcaoDecodeResult::undecodable};
    }
    return lf_checkDecodedIcao(std::move(text), tables);
}

IcaoDecodeResult lf_checkDecodedIcao(std::string text, const ScanReferenceTables& tables) {
    if (text.size() == 3 || text.size() == 4) {
        std::transform(text.begin(), text.end(), text.begin(),
                       [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
    }
    if (text.size() != 4) {
        return {std::move(text), false, IcaoDecodeResult::not_four_characters};
    }
    const std::optional<IcaoCode> code = IcaoCode::tryParse(text);
    if (!code) {
        return {std::move(text), false, IcaoDecodeResult::undecodable};
    }
    if (!tables.isKnownAirport(*code)) {
        gf_appendScanLog(fmt::format("{} is not known", text));
        return {std::move(text), false, IcaoDecodeResult::not_known};
    }
    return {std::move(text), true, IcaoDecodeResult::ok};
}

std::string lf_decodeAirportNAME(const BglWords& words, std::size_t index) {
    std::string name;
    try {
        if (index >= words.size()) {
            return name;
        }
        const std::uint32_t sizeLow = words.at(index, bgl::kRecordSizeOffset).u16();
        std::uint64_t length = sizeLow < bgl::kNameTextOffset
                                   ? 0
                                   : std::min<std::uint64_t>(sizeLow - bgl::kNameTextOffset, bgl::kNameMaxBytes);
        if (length == 0) {
            return name;
        }
        const std::uint64_t start = index * 4 + bgl::kNameTextOffset;
        const std::uint64_t total = words.bytes().size();
        const std::uint64_t available = total > start ? total - start : 0;
        if (length > available) {
            const std::uint64_t groups = available / 4;
            length = groups * 4;
            gf_logLine(fmt::format("! name blocks truncated at o3={}, available={}", index, groups));
        }
        const auto bytes = words.bytes().subspan(start, length);
        name.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    } catch (const std::exception&) {
        gf_logLine("lf_decodeAirportNAME EXCEPTION");
    }
    while (!name.empty() && name.back() == '\0') {
        name.pop_back();
    }
    // Scenery compilers store the name in the Windows code page; the program's text is UTF-8.
    return gf_isValidUtf8(name) ? name : gf_ansiToUtf8(name);
}

std::string_view lf_parkingNamePrefix(std::uint32_t nameCode) {
    return nameCode < parkingPrefixes().size() ? std::string_view(parkingPrefixes()[nameCode]) : std::string_view{};
}

std::optional<std::string> lf_makeStandIdsUnique(const std::string& id, std::set<std::string>& used) {
    if (used.insert(id).second) {
        return id;
    }
    for (char suffix = 'a'; suffix <= 'j'; ++suffix) {
        std::string candidate = id + suffix;
        if (used.insert(candidate).second) {
            return candidate;
        }
    }
    gf_appendScanLog(fmt::format("{}Warning: more than 10 duplicate IDs {}", kScanProblemPrefix, id));
    return std::nullopt;
}

void lf_readHelipads(std::size_t index, const BglWords& words, BglAirport& airport, HelipadState& helipads) {
    ByteReader reader = words.at(index, bgl::kRecordSizeOffset);
    const std::uint32_t sizeBytes = reader.u32();
    if (sizeBytes < kHelipadBytes) {
        gf_appendScanLog(fmt::format("{}helipad of {} skipped: its record of {} bytes is too short", kScanProblemPrefix,
                                     airport.icao.text(), sizeBytes));
        return;
    }
    reader = words.at(index, bgl::kHelipadLongitudeOffset);
    const double longitude = bgl::longitudeDegrees(reader.u32());
    const double latitude = bgl::latitudeDegrees(reader.u32());
    if (!gf_isValidLalo(latitude, longitude)) {
        gf_appendScanLog(fmt::format("lat/lon helipad incorrect (skipped): {}", positionText(latitude, longitude)));
        return;
    }
    const bool seen = std::any_of(helipads.positions.begin(), helipads.positions.end(), [&](const Lalo& taken) {
        return std::abs(taken.latitude - latitude) < 1e-8 && std::abs(taken.longitude - longitude) < 1e-8;
    });
    if (seen) {
        gf_appendScanLog(
            fmt::format("double helipad {} (skipped) {}", airport.name, positionText(latitude, longitude)));
        return;
    }
    reader = words.at(index, bgl::kHelipadSizeOffset);
    const float sizeMetres = reader.f32();
    const float headingDegrees = reader.f32();
    std::string id = fmt::format("helipad{}", helipads.counter);
    if (!hasUsableGeometry(airport, id, sizeMetres / 2.0, headingDegrees)) {
        return;
    }
    helipads.positions.push_back({latitude, longitude});

    Stand stand;
    stand.id = std::move(id);
    stand.latitude = latitude;
    stand.longitude = longitude;
    stand.heading = headingDegrees * kDegToRad;
    stand.radius = sizeMetres / 2.0 / kMetresPerNm;
    stand.heli = 1;
    airport.stands.push_back(std::move(stand));
    ++helipads.counter;
}

void lf_readTaxiwayParking(std::size_t index, const BglWords& words, BglAirport& airport,
                           std::set<std::string>& usedIds, bool newerForm, std::size_t limitWord) {
    ByteReader head = words.at(index, bgl::kRecordSizeOffset);
    const std::uint64_t listBytes = head.u32();
    const std::uint16_t count = head.u16();
    const std::uint64_t listStart = std::uint64_t{index} * 4;
    const std::uint64_t listEnd =
        std::min({listStart + listBytes, std::uint64_t{limitWord} * 4, std::uint64_t{words.bytes().size()}});
    const std::uint64_t fixedBytes = 4 * (newerForm ? bgl::kParkingEntryWordsNew : bgl::kParkingEntryWords);

    std::uint64_t entry = listStart + bgl::kParkingFirstEntryOffset;
    for (std::uint32_t number = 0; number < count; ++number) {
        std::uint64_t entryBytes = fixedBytes;
        if (lf_rangeFits(entry, fixedBytes, listEnd)) {
            ByteReader bits(words.bytes(), "scenery file");
            bits.seek(entry);
            entryBytes += 4 * std::uint64_t{bgl::parkingAirlineCount(bits.u32())};
        }
        if (!lf_rangeFits(entry, entryBytes, listEnd)) {
            gf_appendScanLog(fmt::format("{}parking list of {} ends inside entry {} of {} (byte {}), the rest skipped",
                                         kScanProblemPrefix, airport.icao.text(), number + 1, count, entry));
            return;
        }
        readParkingEntry(words, entry, airport, usedIds);
        entry += entryBytes;
    }
}

std::int32_t lf_altitudeFeet(std::int32_t millimetres) {
    const long feet = std::lround(millimetres * 3.2808399 / 1000.0);
    return feet < -1500 || feet > 16000 ? 0 : static_cast<std::int32_t>(feet);
}

BglAirportBasics lf_readBglAirport(const BglWords& words, std::size_t index, std::size_t sizeWords, bool newerForm) {
    BglAirportBasics basics;
    basics.altitudeFt = lf_altitudeFeet(words.at(index, bgl::kAirportAltitudeOffset).i32());

    const std::size_t end = std::min(index + sizeWords, words.size());
    std::size_t position = index + (newerForm ? bgl::kFirstSubrecordWordNew : bgl::kFirstSubrecordWord);
    for (std::size_t steps = 0; position < end; ++steps) {
        if (steps == kMaxSubrecordSteps) {
            gf_logImportant("Error: Maximum loop iterations reached (3) \xE2\x80\x94 possible corrupt Airport Basic "
                            "data or malformed input.");
            break;
        }
        const SubrecordHeader header = subrecordHeader(words, position);
        if (!header.complete || header.sizeBytes < 4) {
            logBoundary(position, true);
            break;
        }
        if (header.id == bgl::kNameSubrecord) {
            std::string name = lf_decodeAirportNAME(words, position);
            // Two different names leave the airport without one; a third one is taken afresh.
            if (basics.name.empty()) {
                basics.name = std::move(name);
            } else if (name != basics.name) {
                basics.name.clear();
            }
        }
        position += header.sizeBytes / 4;
    }
    return basics;
}

std::uint32_t lf_readAirportStands(const BglWords& words, std::size_t index, std::size_t sizeWords, bool newerForm,
                                   BglAirport& airport) {
    HelipadState helipads;
    std::set<std::string> usedIds;
    const std::uint16_t parkingList = newerForm ? bgl::kParkingListSubrecordNew : bgl::kParkingListSubrecord;
    const std::size_t end = index + sizeWords;
    std::size_t position = index + (newerForm ? bgl::kFirstSubrecordWordNew : bgl::kFirstSubrecordWord);
    for (std::size_t steps = 0; position < end; ++steps) {
        if (steps == kMaxSubrecordSteps) {
            gf_logImportant("Error: Maximum loop iterations reached (1) \xE2\x80\x94 possible corrupt SIA or malformed "
                            "input");
            break;
        }
        if (position >= words.size()) {
            gf_logLine(
                fmt::format("   Error: o3={} exceeded data buffer size ({}), aborting.", position, words.size()));
            break;
        }
        const SubrecordHeader header = subrecordHeader(words, position);
        if (header.id == parkingList) {
            lf_readTaxiwayParking(position, words, airport, usedIds, newerForm, end);
            break;
        }
        if (header.id == bgl::kHelipadSubrecord) {
            lf_readHelipads(position, words, airport, helipads);
            if (!header.complete || header.sizeBytes / 4 == 0) {
                logBoundary(position, true);
                break;
            }
            position += header.sizeBytes / 4;
            if (position >= words.size()) {
                break;
            }
            continue;
        }
        if (!header.complete || header.sizeBytes < 4) {
            logBoundary(position, header.id == bgl::kNameSubrecord);
            break;
        }
        position += header.sizeBytes / 4;
    }
    return helipads.counter - 1;
}

} // namespace kiv
