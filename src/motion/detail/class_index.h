// Row of a per-size-class table. A class outside the seven rows is refused with the text the
// traffic side logs for every such lookup, thrown explicitly so that it reads the same with
// every compiler and standard library. Any thread.
#pragma once

#include <cstddef>
#include <stdexcept>

#include "models/livery_key.h"

namespace kiv::detail {

inline constexpr std::size_t kSizeClassCount = 7;
inline constexpr const char* kInvalidClassKeyText = "invalid unordered_map<K, T> key";

inline std::size_t classIndex(SizeClass sizeClass) {
    const auto index = static_cast<std::size_t>(sizeClass);
    if (index >= kSizeClassCount) {
        throw std::out_of_range(kInvalidClassKeyText);
    }
    return index;
}

} // namespace kiv::detail
