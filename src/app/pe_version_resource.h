// The product version in the version resource of a Windows executable (PE32 or PE32+), read
// from the file's bytes as the system's version-information calls would give it: the fixed
// file information block under "\". Pure functions over the bytes: any thread.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "foundation/expected.h"
#include "foundation/version.h"

namespace kiv {

inline constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
inline constexpr std::uint32_t kFixedFileInfoBytes = 52;

struct PeVersionProblem {
    enum class Kind {
        noVersionResource, // not an executable, or it has no version resource
        invalidData,       // the fixed block is short or carries the wrong signature
    };
    Kind kind = Kind::noVersionResource;
    std::string text;
};

// major = high and minor = low 16 bits of the product version's most significant word,
// patch = high 16 bits of its least significant word (the fourth number is dropped).
Expected<Version, PeVersionProblem> gf_readPeProductVersion(std::span<const std::uint8_t> image);

} // namespace kiv
