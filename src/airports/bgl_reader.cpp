#include "airports/bgl_reader.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <string_view>

#include "airports/bgl_format.h"
#include "foundation/byte_reader.h"

namespace kiv {
namespace {

constexpr std::string_view kSource = "scenery file";

// Every offset handed in has been checked with lf_rangeFits before.
std::uint32_t u32At(std::span<const std::uint8_t> bytes, std::uint64_t offset) {
    ByteReader reader(bytes, kSource);
    reader.seek(offset);
    return reader.u32();
}

BglError error(std::uint8_t code, std::uint64_t offset, std::string_view message) {
    return BglError{code, offset, std::string(message)};
}

// The records of one data block [start, start + size), appended to `records`.
std::optional<BglError> walkRecords(std::span<const std::uint8_t> bytes, std::uint64_t start, std::uint64_t size,
                                    std::uint32_t count, std::vector<BglRecordRef>& records) {
    const std::uint64_t end = start + size;
    std::uint64_t position = start;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (!lf_rangeFits(position, bgl::kRecordHeaderBytes, end)) {
            return error(7, position, "Airport section record header exceeds its subsection");
        }
        ByteReader reader(bytes, kSource);
        reader.seek(position);
        const std::uint16_t id = reader.u16();
        const std::uint64_t recordSize = reader.u32();
        if (recordSize < bgl::kRecordHeaderBytes || recordSize % 4 != 0) {
            return error(8, position, "Airport section record has an invalid size");
        }
        if (!lf_rangeFits(position, recordSize, end)) {
            return error(9, position, "Airport section record exceeds its subsection");
        }
        records.push_back({id, position, recordSize});
        position += recordSize;
    }
    if (position != end) {
        return error(10, position, "Airport subsection record count does not consume its complete data block");
    }
    return std::nullopt;
}

// One airport section whose entry starts at `entryOffset`.
std::optional<BglError> walkAirportSection(std::span<const std::uint8_t> bytes, std::uint64_t entryOffset,
                                           RangeSet& tables, RangeSet& blocks, std::vector<BglRecordRef>& records) {
    const std::uint64_t fileSize = bytes.size();
    const std::uint64_t entryBytes = bgl::subsectionEntryBytes(u32At(bytes, entryOffset + bgl::kSectionFlagOffset));
    const std::uint64_t subsectionCount = u32At(bytes, entryOffset + bgl::kSectionSubsectionCountOffset);
    const std::uint64_t table = u32At(bytes, entryOffset + bgl::kSectionTableOffset);
    // Both factors are below 2^32, so the product cannot overflow 64 bits.
    const std::uint64_t tableBytes = subsectionCount * entryBytes;
    if (!lf_rangeFits(table, tableBytes, fileSize)) {
        return error(3, table, "Airport subsection table exceeds the file");
    }
    const std::uint8_t tableInsert = lf_insertRange(tables, table, tableBytes);
    if (tableInsert == 2) {
        return error(5, table, "Airport subsection tables overlap");
    }
    if (tableInsert == 1) {
        return std::nullopt; // another section entry named this table; it has been walked
    }
    for (std::uint64_t j = 0; j < subsectionCount; ++j) {
        const std::uint64_t entry = table + j * entryBytes;
        const std::uint32_t count = u32At(bytes, entry + bgl::kSubsectionRecordCountOffset);
        const std::uint64_t block = u32At(bytes, entry + bgl::kSubsectionDataOffset);
        const std::uint64_t blockSize = u32At(bytes, entry + bgl::kSubsectionDataSizeOffset);
        if (!lf_rangeFits(block, blockSize, fileSize)) {
            return error(4, block, "Airport subsection data exceeds the file");
        }
        if (count > (blockSize >> bgl::kRecordsPerBlockShift)) {
            return error(6, entry, "Airport subsection record count cannot fit in its data block");
        }
        const std::uint8_t blockInsert = lf_insertRange(blocks, block, blockSize);
        if (blockInsert == 2) {
            return error(5, block, "Airport subsection data blocks overlap");
        }
        if (blockInsert == 1) {
            continue;
        }
        if (auto failure = walkRecords(bytes, block, blockSize, count, records)) {
            return failure;
        }
    }
    return std::nullopt;
}

} // namespace

bool lf_rangeFits(std::uint64_t offset, std::uint64_t length, std::uint64_t total) {
    return offset <= total && length <= total - offset;
}

std::optional<std::uint16_t> lf_readU16At(std::span<const std::uint8_t> bytes, std::uint64_t offset) {
    if (!lf_rangeFits(offset, 2, bytes.size())) {
        return std::nullopt;
    }
    ByteReader reader(bytes, kSource);
    reader.seek(offset);
    return reader.u16();
}

std::optional<std::uint32_t> lf_readU32At(std::span<const std::uint8_t> bytes, std::uint64_t offset) {
    if (!lf_rangeFits(offset, 4, bytes.size())) {
        return std::nullopt;
    }
    return u32At(bytes, offset);
}

std::uint8_t lf_insertRange(RangeSet& ranges, std::uint64_t start, std::uint64_t length) {
    if (length == 0) {
        return 0;
    }
    const std::pair<std::uint64_t, std::uint64_t> range{start, start + length};
    if (ranges.contains(range)) {
        return 1;
    }
    // The stored ranges are disjoint, so only the neighbours by start can overlap the new one.
    const auto next = ranges.lower_bound(range);
    if (next != ranges.end() && next->first < range.second) {
        return 2;
    }
    if (next != ranges.begin() && std::prev(next)->second > range.first) {
        return 2;
    }
    ranges.insert(next, range);
    return 0;
}

BglWalkResult lf_walkBglFile(std::span<const std::uint8_t> bytes) {
    const std::uint64_t fileSize = bytes.size();
    if (fileSize < bgl::kHeaderBytes) {
        return error(0, 0, "BGL file is smaller than its header");
    }
    if (u32At(bytes, bgl::kHeaderSizeOffset) != bgl::kHeaderBytes) {
        return error(1, bgl::kHeaderSizeOffset, "Unexpected BGL header size");
    }
    const std::uint64_t sectionCount = u32At(bytes, bgl::kSectionCountOffset);
    if (sectionCount * bgl::kSectionEntryBytes > fileSize - bgl::kHeaderBytes) {
        return error(2, bgl::kHeaderBytes, "BGL section table exceeds the file");
    }
    RangeSet tables;
    RangeSet blocks;
    std::vector<BglRecordRef> records;
    for (std::uint64_t i = 0; i < sectionCount; ++i) {
        const std::uint64_t entry = bgl::kHeaderBytes + i * bgl::kSectionEntryBytes;
        if (u32At(bytes, entry) != bgl::kAirportSectionType) {
            continue;
        }
        if (auto failure = walkAirportSection(bytes, entry, tables, blocks, records)) {
            return std::move(*failure);
        }
    }
    return records;
}

bool lf_bglHasAirportSection(const std::filesystem::path& path) {
    constexpr std::uint64_t kMinimumBytes = 57;
    constexpr std::uint64_t kTypeOffset = 56;
    std::ifstream file;
    // Two small reads per file: a stream buffer would only add an allocation and a copy.
    file.rdbuf()->pubsetbuf(nullptr, 0);
    file.open(path, std::ios::binary);
    if (!file.is_open()) {
        return false;
    }
    file.seekg(0, std::ios::end);
    const std::streamoff end = file.tellg();
    if (end < 0 || static_cast<std::uint64_t>(end) < kMinimumBytes) {
        return false;
    }
    const auto size = static_cast<std::uint64_t>(end);
    std::array<std::uint8_t, 4> countBytes{};
    file.seekg(static_cast<std::streamoff>(bgl::kSectionCountOffset));
    if (!file.read(reinterpret_cast<char*>(countBytes.data()), countBytes.size())) {
        return false;
    }
    const std::uint64_t count = u32At(countBytes, 0);
    if (count == 0 || count > (size - kTypeOffset) / bgl::kSectionEntryBytes) {
        return false;
    }
    // The section table in batches of whole entries, read from its start.
    constexpr std::uint64_t kBatchEntries = 32;
    std::array<std::uint8_t, kBatchEntries * bgl::kSectionEntryBytes> batch{};
    file.seekg(static_cast<std::streamoff>(kTypeOffset));
    for (std::uint64_t first = 0; first < count; first += kBatchEntries) {
        const std::uint64_t entries = std::min(kBatchEntries, count - first);
        if (!file.read(reinterpret_cast<char*>(batch.data()),
                       static_cast<std::streamsize>(entries * bgl::kSectionEntryBytes))) {
            return false;
        }
        for (std::uint64_t i = 0; i < entries; ++i) {
            if (60 + bgl::kSectionEntryBytes * (first + i) > size) {
                return false;
            }
            if (u32At(batch, i * bgl::kSectionEntryBytes) == bgl::kAirportSectionType) {
                return true;
            }
        }
    }
    return false;
}

} // namespace kiv
