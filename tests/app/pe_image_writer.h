// Builds small PE32 executables for tests: headers, one ".rsrc" section, and a version
// resource whose fixed block carries a chosen product version (or a broken block, or no
// resource at all). Pure function: any thread.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "foundation/byte_writer.h"

namespace kiv::test_support {

struct PeImageOptions {
    std::array<std::uint16_t, 4> productVersion{16, 9, 0, 7};
    bool withVersionResource = true;
    std::uint32_t signature = 0xFEEF04BD;
    std::uint16_t valueBytes = 52;
};

inline std::vector<std::uint8_t> buildPeImage(const PeImageOptions& options = {}) {
    constexpr std::uint32_t kPeOffset = 0x40;
    constexpr std::uint16_t kOptionalHeaderBytes = 224; // PE32 with 16 data directories
    constexpr std::uint32_t kRawOffset = 0x200;
    constexpr std::uint32_t kResourceRva = 0x1000;
    constexpr std::uint32_t kBlockOffset = 88; // inside the section
    constexpr std::uint32_t kBlockBytes = 40 + 52;
    const std::uint32_t resourceBytes = kBlockOffset + kBlockBytes;
    std::vector<std::uint8_t> image(kRawOffset + resourceBytes);
    ByteWriter out(image, "test image");

    out.u16(0x5A4D);
    out.seek(0x3C);
    out.u32(kPeOffset);
    out.seek(kPeOffset);
    out.u32(0x00004550);
    out.u16(0x14C); // i386
    out.u16(1);     // one section
    out.zeros(12);
    out.u16(kOptionalHeaderBytes);
    out.u16(0x0102);
    const std::size_t optional = out.offset();
    out.u16(0x10B);
    out.seek(optional + 92);
    out.u32(16);
    out.seek(optional + 96 + 2 * 8);
    out.u32(options.withVersionResource ? kResourceRva : 0);
    out.u32(options.withVersionResource ? resourceBytes : 0);
    out.seek(optional + kOptionalHeaderBytes);
    out.fixedString(std::string_view(".rsrc"), 8);
    out.u32(resourceBytes);
    out.u32(kResourceRva);
    out.u32(resourceBytes);
    out.u32(kRawOffset);

    // Resource tree: type 16 -> name 1 -> language 0x409 -> data entry -> block.
    const auto directory = [&out](std::uint32_t at, std::uint32_t id, std::uint32_t offset) {
        out.seek(kRawOffset + at);
        out.zeros(14);
        out.u16(1);
        out.u32(id);
        out.u32(offset);
    };
    directory(0, 16, 0x80000000 | 24);
    directory(24, 1, 0x80000000 | 48);
    directory(48, 0x409, 72);
    out.seek(kRawOffset + 72);
    out.u32(kResourceRva + kBlockOffset);
    out.u32(kBlockBytes);
    out.seek(kRawOffset + kBlockOffset);
    out.u16(kBlockBytes);
    out.u16(options.valueBytes);
    out.u16(0);
    for (char c : std::string_view("VS_VERSION_INFO")) {
        out.u16(static_cast<std::uint16_t>(c));
    }
    out.u16(0);
    out.u16(0); // padding to 32 bits
    const auto& v = options.productVersion;
    out.u32(options.signature);
    out.u32(0x10000);
    out.u32(0);
    out.u32(0);
    out.u32(static_cast<std::uint32_t>(v[0]) << 16 | v[1]);
    out.u32(static_cast<std::uint32_t>(v[2]) << 16 | v[3]);
    return image;
}

} // namespace kiv::test_support
