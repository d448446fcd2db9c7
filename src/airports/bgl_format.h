// The layout of the simulator's compiled scenery files (".bgl") as far as the airport scan
// reads them: the container (header, section table, subsections, records) and the fields
// of the airport records it uses. All numbers are little-endian. Constants only.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kiv::bgl {

// File header; the section table follows it.
inline constexpr std::uint64_t kHeaderBytes = 0x38;
inline constexpr std::uint64_t kHeaderSizeOffset = 0x04;
inline constexpr std::uint64_t kSectionCountOffset = 0x14;

// Section table entry: type, subsection-size flag, subsection count, subsection table offset.
inline constexpr std::uint64_t kSectionEntryBytes = 20;
inline constexpr std::uint64_t kSectionFlagOffset = 4;
inline constexpr std::uint64_t kSectionSubsectionCountOffset = 8;
inline constexpr std::uint64_t kSectionTableOffset = 12;
inline constexpr std::uint32_t kAirportSectionType = 3;

// A subsection entry is 20 bytes long when this flag bit is set, 16 otherwise.
constexpr std::uint64_t subsectionEntryBytes(std::uint32_t sizeFlag) {
    return ((sizeFlag & 0x10000U) | 0x40000U) >> 14;
}
inline constexpr std::uint64_t kSubsectionRecordCountOffset = 4;
inline constexpr std::uint64_t kSubsectionDataOffset = 8;
inline constexpr std::uint64_t kSubsectionDataSizeOffset = 12;
// Every record takes at least eight bytes, so a block of s bytes holds at most s >> 3.
inline constexpr unsigned kRecordsPerBlockShift = 3;

// Record and subrecord header: u16 id, u32 size in bytes (header included).
inline constexpr std::uint64_t kRecordHeaderBytes = 6;
inline constexpr std::uint64_t kRecordSizeOffset = 2;

// Airport record, older and newer form.
inline constexpr std::uint16_t kAirportRecord = 0x3C;
inline constexpr std::uint16_t kAirportRecordNew = 0xAB;
inline constexpr std::uint64_t kAirportAltitudeOffset = 20; // i32 millimetres
inline constexpr std::size_t kAirportCodeWord = 10;         // packed airport code at +40
inline constexpr std::size_t kFirstSubrecordWord = 14;      // +56
inline constexpr std::size_t kFirstSubrecordWordNew = 15;   // +60

// Subrecords of an airport record.
inline constexpr std::uint16_t kNameSubrecord = 0x19;
inline constexpr std::uint16_t kHelipadSubrecord = 0x26;
inline constexpr std::uint16_t kParkingListSubrecord = 0x3D;    // in an older airport record
inline constexpr std::uint16_t kParkingListSubrecordNew = 0xAD; // in a newer airport record

inline constexpr std::uint64_t kNameTextOffset = 6;
inline constexpr std::size_t kNameMaxBytes = 45;

inline constexpr std::uint64_t kHelipadLongitudeOffset = 12;
inline constexpr std::uint64_t kHelipadLatitudeOffset = 16;
inline constexpr std::uint64_t kHelipadSizeOffset = 28;    // f32 metres; half is the radius
inline constexpr std::uint64_t kHelipadHeadingOffset = 32; // f32 degrees

// Parking list: u16 count at +6, entries from +8. An entry is 9 words (10 in the newer form,
// whose extra word follows the latitude) plus one word per airline code.
inline constexpr std::uint64_t kParkingCountOffset = 6;
inline constexpr std::uint64_t kParkingFirstEntryOffset = 8;
inline constexpr std::size_t kParkingEntryWords = 9;
inline constexpr std::size_t kParkingEntryWordsNew = 10;
inline constexpr std::uint64_t kParkingRadiusOffset = 4;  // f32 metres
inline constexpr std::uint64_t kParkingHeadingOffset = 8; // f32 degrees
inline constexpr std::uint64_t kParkingLongitudeOffset = 28;
inline constexpr std::uint64_t kParkingLatitudeOffset = 32;

// The bit field that opens a parking entry.
constexpr std::uint32_t parkingNameCode(std::uint32_t bits) { return bits & 0x3FU; }
constexpr std::uint32_t parkingType(std::uint32_t bits) { return (bits >> 8) & 0xFU; }
constexpr std::uint32_t parkingNumber(std::uint32_t bits) { return (bits >> 12) & 0xFFFU; }
constexpr std::uint32_t parkingAirlineCount(std::uint32_t bits) { return bits >> 24; }

// Packed coordinates.
constexpr double latitudeDegrees(std::uint32_t value) { return 90.0 - value * 3.3527612686157227e-7; }
constexpr double longitudeDegrees(std::uint32_t value) { return value * 4.470348358154297e-7 - 180.0; }

} // namespace kiv::bgl
