// The product version reader over arbitrary executable bytes: nothing may crash or read out
// of bounds; every image gives either a version or a problem.
#include <cstddef>
#include <cstdint>
#include <span>

#include "app/pe_version_resource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto version = kiv::gf_readPeProductVersion(std::span<const std::uint8_t>(data, size));
    if (version) {
        // The fourth number is dropped and each part comes from 16 bits.
        if (version->major > 0xFFFF || version->minor > 0xFFFF || version->patch > 0xFFFF) {
            __builtin_trap();
        }
    }
    return 0;
}
