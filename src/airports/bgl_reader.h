// The bounds-checked reader of a scenery file's container: validates header, section table,
// airport subsections and records, and lists the records of the airport sections. Nothing
// here throws for bad data: a malformed file yields one error with its byte offset.
// Stateless functions over the caller's bytes: any thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace kiv {

// One record of an airport subsection.
struct BglRecordRef {
    std::uint16_t id = 0;
    std::uint64_t offset = 0; // from the start of the file
    std::uint64_t size = 0;   // bytes, header included

    friend bool operator==(const BglRecordRef&, const BglRecordRef&) = default;
};

// Codes 0..10 as the walk checks them in order; see lf_walkBglFile.
struct BglError {
    std::uint8_t code = 0;
    std::uint64_t offset = 0;
    std::string message;
};

// The records in file order (sections, then subsections, then records), or the first error.
using BglWalkResult = std::variant<std::vector<BglRecordRef>, BglError>;

// Half-open byte ranges [start, end), ordered by start, then end; pairwise disjoint.
using RangeSet = std::set<std::pair<std::uint64_t, std::uint64_t>>;

BglWalkResult lf_walkBglFile(std::span<const std::uint8_t> bytes);

// Reads only the section table: whether the file has an airport section at all. A file that
// cannot be opened or is too short has none.
bool lf_bglHasAirportSection(const std::filesystem::path& path);

// A value only when `offset` <= size and the whole value lies within the bytes.
std::optional<std::uint16_t> lf_readU16At(std::span<const std::uint8_t> bytes, std::uint64_t offset);
std::optional<std::uint32_t> lf_readU32At(std::span<const std::uint8_t> bytes, std::uint64_t offset);

// offset <= total and length <= total - offset.
bool lf_rangeFits(std::uint64_t offset, std::uint64_t length, std::uint64_t total);

// 0 inserted (a range of length 0 is not stored), 1 the same range is already there,
// 2 it overlaps a different range (nothing stored).
std::uint8_t lf_insertRange(RangeSet& ranges, std::uint64_t start, std::uint64_t length);

} // namespace kiv
