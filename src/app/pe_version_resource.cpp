#include "app/pe_version_resource.h"

#include <optional>
#include <vector>

#include <fmt/format.h>

#include "foundation/byte_reader.h"

namespace kiv {
namespace {

constexpr std::string_view kSource = "executable";
constexpr std::uint16_t kDosMagic = 0x5A4D;        // "MZ"
constexpr std::uint32_t kPeSignature = 0x00004550; // "PE\0\0"
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint32_t kResourceDirectory = 2;
constexpr std::uint32_t kVersionResourceType = 16;
constexpr std::uint32_t kSubdirectoryFlag = 0x80000000;
constexpr std::uint32_t kNamedEntryFlag = 0x80000000;
constexpr std::size_t kSectionHeaderBytes = 40;

struct Section {
    std::uint32_t virtualAddress = 0;
    std::uint32_t virtualSize = 0;
    std::uint32_t rawSize = 0;
    std::uint32_t rawOffset = 0;
};

struct Image {
    std::span<const std::uint8_t> bytes;
    std::vector<Section> sections;

    // The file offset of an address of the loaded image, and how many bytes from there lie in
    // its section's data; empty when no section holds it.
    std::optional<std::pair<std::size_t, std::size_t>> locate(std::uint32_t rva) const {
        for (const Section& section : sections) {
            const std::uint64_t start = section.virtualAddress;
            if (rva < start || rva - start >= section.rawSize) {
                continue;
            }
            const std::uint64_t offset = std::uint64_t{section.rawOffset} + (rva - start);
            if (offset >= bytes.size()) {
                return std::nullopt;
            }
            const std::uint64_t left = std::min<std::uint64_t>(section.rawSize - (rva - start), bytes.size() - offset);
            return std::pair<std::size_t, std::size_t>(offset, left);
        }
        return std::nullopt;
    }
};

PeVersionProblem missing(std::string text) { return {PeVersionProblem::Kind::noVersionResource, std::move(text)}; }

// The headers up to the section table; the resource directory's address and size.
std::optional<std::pair<std::uint32_t, std::uint32_t>> lf_readHeaders(Image& image, std::string& problem) {
    ByteReader reader(image.bytes, kSource);
    if (reader.u16() != kDosMagic) {
        problem = "no MZ header";
        return std::nullopt;
    }
    reader.seek(0x3C);
    const std::uint32_t peOffset = reader.u32();
    reader.seek(peOffset);
    if (reader.u32() != kPeSignature) {
        problem = "no PE header";
        return std::nullopt;
    }
    reader.skip(2);
    const std::uint16_t sectionCount = reader.u16();
    reader.skip(12);
    const std::uint16_t optionalHeaderBytes = reader.u16();
    reader.skip(2);
    const std::size_t optionalHeader = reader.offset();
    const std::uint16_t magic = reader.u16();
    if (magic != kPe32Magic && magic != kPe32PlusMagic) {
        problem = fmt::format("unknown optional header magic {:#x}", magic);
        return std::nullopt;
    }
    const std::size_t countOffset = magic == kPe32Magic ? 92 : 108;
    if (countOffset + 4 > optionalHeaderBytes) {
        problem = "optional header too short";
        return std::nullopt;
    }
    reader.seek(optionalHeader + countOffset);
    const std::uint32_t directoryCount = reader.u32();
    const std::size_t resourceEntry = countOffset + 4 + kResourceDirectory * 8;
    if (directoryCount <= kResourceDirectory || resourceEntry + 8 > optionalHeaderBytes) {
        problem = "no resource directory";
        return std::nullopt;
    }
    reader.seek(optionalHeader + resourceEntry);
    const std::uint32_t resourceRva = reader.u32();
    const std::uint32_t resourceSize = reader.u32();
    reader.seek(optionalHeader + optionalHeaderBytes);
    for (std::uint16_t i = 0; i < sectionCount; ++i) {
        ByteReader header(reader.bytes(kSectionHeaderBytes), kSource);
        header.skip(8);
        Section section;
        section.virtualSize = header.u32();
        section.virtualAddress = header.u32();
        section.rawSize = header.u32();
        section.rawOffset = header.u32();
        image.sections.push_back(section);
    }
    if (resourceRva == 0 || resourceSize == 0) {
        problem = "no resource directory";
        return std::nullopt;
    }
    return std::pair(resourceRva, resourceSize);
}

// One directory of the resource tree: the entry with `wantedId`, or the first one when any
// will do. Yields the entry's offset field.
std::optional<std::uint32_t> lf_findEntry(ByteReader& resources, std::uint32_t directory,
                                          std::optional<std::uint32_t> wantedId) {
    resources.seek(directory + 12);
    const std::uint32_t entries = std::uint32_t{resources.u16()} + resources.u16();
    for (std::uint32_t i = 0; i < entries; ++i) {
        const std::uint32_t name = resources.u32();
        const std::uint32_t offset = resources.u32();
        if (!wantedId || ((name & kNamedEntryFlag) == 0 && name == *wantedId)) {
            return offset;
        }
    }
    return std::nullopt;
}

// Type 16, the first name, the first language: the version block's address and size.
std::optional<std::pair<std::uint32_t, std::uint32_t>> lf_findVersionData(std::span<const std::uint8_t> resources,
                                                                          std::string& problem) {
    ByteReader reader(resources, kSource);
    std::uint32_t directory = 0;
    const std::optional<std::uint32_t> levels[] = {kVersionResourceType, std::nullopt, std::nullopt};
    for (const std::optional<std::uint32_t>& wanted : levels) {
        const std::optional<std::uint32_t> entry = lf_findEntry(reader, directory, wanted);
        if (!entry) {
            problem = "no version resource";
            return std::nullopt;
        }
        const bool last = &wanted == &levels[2];
        if (((*entry & kSubdirectoryFlag) != 0) == last) {
            problem = "malformed resource tree";
            return std::nullopt;
        }
        directory = *entry & ~kSubdirectoryFlag;
    }
    reader.seek(directory);
    const std::uint32_t rva = reader.u32();
    const std::uint32_t size = reader.u32();
    return std::pair(rva, size);
}

Expected<Version, PeVersionProblem> lf_readFixedInfo(std::span<const std::uint8_t> block) {
    ByteReader reader(block, kSource);
    const std::uint16_t blockBytes = reader.u16();
    const std::uint16_t valueBytes = reader.u16();
    reader.skip(2);
    while (reader.u16() != 0) {
        // the key, "VS_VERSION_INFO"
    }
    reader.seek((reader.offset() + 3) & ~std::size_t{3});
    const std::size_t valueStart = reader.offset();
    if (valueBytes < kFixedFileInfoBytes ||
        valueStart + kFixedFileInfoBytes > std::min<std::size_t>(blockBytes, block.size())) {
        return unexpected(
            PeVersionProblem{PeVersionProblem::Kind::invalidData, fmt::format("fixed block of {} bytes", valueBytes)});
    }
    if (reader.u32() != kFixedFileInfoSignature) {
        return unexpected(PeVersionProblem{PeVersionProblem::Kind::invalidData, "wrong signature"});
    }
    reader.seek(valueStart + 16);
    const std::uint32_t productMs = reader.u32();
    const std::uint32_t productLs = reader.u32();
    return Version(productMs >> 16, productMs & 0xFFFF, productLs >> 16);
}

} // namespace

Expected<Version, PeVersionProblem> gf_readPeProductVersion(std::span<const std::uint8_t> bytes) {
    try {
        Image image{bytes, {}};
        std::string problem;
        const auto directory = lf_readHeaders(image, problem);
        if (!directory) {
            return unexpected(missing(problem));
        }
        const auto resources = image.locate(directory->first);
        if (!resources) {
            return unexpected(missing("resource directory outside every section"));
        }
        const auto data = lf_findVersionData(
            bytes.subspan(resources->first, std::min<std::size_t>(resources->second, directory->second)), problem);
        if (!data) {
            return unexpected(missing(problem));
        }
        const auto block = image.locate(data->first);
        if (!block) {
            return unexpected(missing("version block outside every section"));
        }
        return lf_readFixedInfo(bytes.subspan(block->first, std::min<std::size_t>(block->second, data->second)));
    } catch (const ByteRangeError& e) {
        return unexpected(missing(e.what()));
    }
}

} // namespace kiv
