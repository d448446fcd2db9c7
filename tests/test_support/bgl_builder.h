// Writes small scenery files for tests and benchmarks, from the format's description: a
// header, a section table, subsection tables and data blocks of records, and airport
// records with names, helipads and parking lists. It reports where it put each part so that
// a test can break one field of an otherwise valid file. Test code: one thread.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kiv::test_support {

using Bytes = std::vector<std::uint8_t>;

inline void putU16(Bytes& bytes, std::uint16_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}
inline void putU32(Bytes& bytes, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}
inline void putF32(Bytes& bytes, float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    putU32(bytes, bits);
}
inline void setU32(Bytes& bytes, std::uint64_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes.at(offset + i) = static_cast<std::uint8_t>(value >> (8 * i));
    }
}
inline void setU16(Bytes& bytes, std::uint64_t offset, std::uint16_t value) {
    bytes.at(offset) = static_cast<std::uint8_t>(value);
    bytes.at(offset + 1) = static_cast<std::uint8_t>(value >> 8);
}

// The packed form of an airport code: base-38 digits (blank, '?', 0-9, A-Z) above five bits.
inline std::uint32_t packIcao(std::string_view code) {
    std::uint32_t value = 0;
    for (const char c : code) {
        std::uint32_t digit = 0;
        if (c >= '0' && c <= '9') {
            digit = 2 + static_cast<std::uint32_t>(c - '0');
        } else if (c >= 'A' && c <= 'Z') {
            digit = 12 + static_cast<std::uint32_t>(c - 'A');
        } else if (c == '?') {
            digit = 1;
        }
        value = value * 38 + digit;
    }
    return value << 5;
}

// Packed coordinates: latitude counts down from 90 degrees, longitude up from -180.
inline std::uint32_t packLatitude(double degrees) {
    return static_cast<std::uint32_t>(std::llround((90.0 - degrees) / (180.0 / 536870912.0)));
}
inline std::uint32_t packLongitude(double degrees) {
    return static_cast<std::uint32_t>(std::llround((degrees + 180.0) / (360.0 / 805306368.0)));
}

// A record or subrecord: u16 id, u32 size (header included), the payload, zero padding to a
// multiple of four unless `pad` is off.
inline Bytes bglRecord(std::uint16_t id, const Bytes& payload, bool pad = true) {
    std::size_t size = 6 + payload.size();
    if (pad) {
        size = (size + 3) / 4 * 4;
    }
    Bytes bytes(size, 0);
    setU16(bytes, 0, id);
    setU32(bytes, 2, static_cast<std::uint32_t>(size));
    std::copy(payload.begin(), payload.end(), bytes.begin() + 6);
    return bytes;
}

struct BglSubsection {
    std::vector<Bytes> records;
};

struct BglSection {
    std::uint32_t type = 3;
    bool wideEntries = false; // 20-byte subsection entries instead of 16
    std::vector<BglSubsection> subsections;
};

struct BuiltBgl {
    Bytes bytes;
    std::vector<std::uint64_t> sectionEntries;    // offset of each section table entry
    std::vector<std::uint64_t> subsectionTables;  // offset of each section's subsection table
    std::vector<std::uint64_t> subsectionEntries; // every subsection entry, in file order
    std::vector<std::uint64_t> blocks;            // every data block, in file order
    std::vector<std::uint64_t> records;           // every record, in file order
};

// Header (0x38 bytes), section table, every subsection table, then every data block.
inline BuiltBgl buildBgl(const std::vector<BglSection>& sections) {
    BuiltBgl built;
    Bytes& bytes = built.bytes;
    bytes.assign(0x38, 0);
    setU32(bytes, 0, 0x19920201);
    setU32(bytes, 4, 0x38);
    setU32(bytes, 0x14, static_cast<std::uint32_t>(sections.size()));
    for (std::size_t i = 0; i < sections.size(); ++i) {
        built.sectionEntries.push_back(bytes.size());
        bytes.resize(bytes.size() + 20, 0);
    }
    for (std::size_t i = 0; i < sections.size(); ++i) {
        const std::uint64_t entrySize = sections[i].wideEntries ? 20 : 16;
        built.subsectionTables.push_back(bytes.size());
        for (std::size_t j = 0; j < sections[i].subsections.size(); ++j) {
            built.subsectionEntries.push_back(bytes.size());
            bytes.resize(bytes.size() + entrySize, 0);
        }
        const std::uint64_t entry = built.sectionEntries[i];
        setU32(bytes, entry, sections[i].type);
        setU32(bytes, entry + 4, sections[i].wideEntries ? 0x10001 : 0x1);
        setU32(bytes, entry + 8, static_cast<std::uint32_t>(sections[i].subsections.size()));
        setU32(bytes, entry + 12, static_cast<std::uint32_t>(built.subsectionTables.back()));
    }
    std::size_t subsection = 0;
    for (const BglSection& section : sections) {
        for (const BglSubsection& part : section.subsections) {
            const std::uint64_t block = bytes.size();
            built.blocks.push_back(block);
            for (const Bytes& record : part.records) {
                built.records.push_back(bytes.size());
                bytes.insert(bytes.end(), record.begin(), record.end());
            }
            const std::uint64_t entry = built.subsectionEntries[subsection++];
            setU32(bytes, entry + 4, static_cast<std::uint32_t>(part.records.size()));
            setU32(bytes, entry + 8, static_cast<std::uint32_t>(block));
            setU32(bytes, entry + 12, static_cast<std::uint32_t>(bytes.size() - block));
        }
    }
    return built;
}

// One airport section with one subsection that holds the records.
inline BuiltBgl buildAirportBgl(const std::vector<Bytes>& records) {
    return buildBgl({BglSection{3, false, {BglSubsection{records}}}});
}

struct ParkingSpec {
    std::uint32_t nameCode = 10; // GATE
    std::uint32_t type = 8;      // GATE_SMALL
    std::uint32_t number = 1;
    float radiusMetres = 20.0f;
    float headingDegrees = 90.0f;
    double latitude = 52.3;
    double longitude = 4.76;
    std::vector<std::string> airlines; // up to four characters each
};

struct HelipadSpec {
    double latitude = 52.31;
    double longitude = 4.77;
    float sizeMetres = 30.0f;
    float headingDegrees = 45.0f;
};

struct AirportSpec {
    bool newerForm = true; // record 0xAB with parking list 0xAD, else 0x3C with 0x3D
    std::string code = "EHAM";
    std::int32_t altitudeMm = 0;
    std::vector<std::string> names{"Schiphol"};
    std::vector<Bytes> extraSubrecords; // placed after the names
    std::vector<HelipadSpec> helipads;
    std::vector<ParkingSpec> parkings; // one parking list when not empty
};

// Name subrecord: the text, padded with zero bytes to whole words.
inline Bytes bglName(std::string_view name) { return bglRecord(0x19, Bytes(name.begin(), name.end())); }

inline Bytes bglHelipad(const HelipadSpec& helipad) {
    Bytes payload(6, 0); // surface, type and flags: not read
    putU32(payload, packLongitude(helipad.longitude));
    putU32(payload, packLatitude(helipad.latitude));
    putU32(payload, 0);                  // altitude
    putF32(payload, 0.0f);               // +24: not read
    putF32(payload, helipad.sizeMetres); // +28: the size
    putF32(payload, helipad.headingDegrees);
    return bglRecord(0x26, payload);
}

inline Bytes bglParkingList(const std::vector<ParkingSpec>& parkings, bool newerForm) {
    Bytes payload;
    putU16(payload, static_cast<std::uint16_t>(parkings.size()));
    for (const ParkingSpec& parking : parkings) {
        const std::uint32_t bits = (parking.nameCode & 0x3F) | ((parking.type & 0xF) << 8) |
                                   ((parking.number & 0xFFF) << 12) |
                                   (static_cast<std::uint32_t>(parking.airlines.size()) << 24);
        putU32(payload, bits);
        putF32(payload, parking.radiusMetres);
        putF32(payload, parking.headingDegrees);
        payload.resize(payload.size() + 16, 0); // taxi point and pushback data: not read
        putU32(payload, packLongitude(parking.longitude));
        putU32(payload, packLatitude(parking.latitude));
        if (newerForm) {
            putU32(payload, 0);
        }
        for (const std::string& airline : parking.airlines) {
            Bytes code(airline.begin(), airline.end());
            code.resize(4, 0);
            payload.insert(payload.end(), code.begin(), code.end());
        }
    }
    return bglRecord(newerForm ? 0xAD : 0x3D, payload);
}

inline Bytes bglAirport(const AirportSpec& airport) {
    const std::size_t fixedBytes = airport.newerForm ? 60 : 56;
    Bytes payload(fixedBytes - 6, 0);
    const auto altitude = static_cast<std::uint32_t>(airport.altitudeMm);
    for (int i = 0; i < 4; ++i) {
        payload[20 - 6 + i] = static_cast<std::uint8_t>(altitude >> (8 * i));
    }
    const std::uint32_t code = packIcao(airport.code);
    for (int i = 0; i < 4; ++i) {
        payload[40 - 6 + i] = static_cast<std::uint8_t>(code >> (8 * i));
    }
    auto append = [&payload](const Bytes& part) { payload.insert(payload.end(), part.begin(), part.end()); };
    for (const std::string& name : airport.names) {
        append(bglName(name));
    }
    for (const Bytes& extra : airport.extraSubrecords) {
        append(extra);
    }
    for (const HelipadSpec& helipad : airport.helipads) {
        append(bglHelipad(helipad));
    }
    if (!airport.parkings.empty()) {
        append(bglParkingList(airport.parkings, airport.newerForm));
    }
    return bglRecord(airport.newerForm ? 0xAB : 0x3C, payload);
}

inline void writeBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

} // namespace kiv::test_support
