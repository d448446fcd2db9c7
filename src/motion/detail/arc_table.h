// The lookup shared by both curve kinds: the curve parameter t at which a fraction of the
// arc length is reached, from a table of cumulative lengths at t = k / (N - 1) that runs from
// 0 to 1. One lower-bound search; no allocation; any thread.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>

namespace kiv::detail {

template <std::size_t N> double parameterAtFraction(const std::array<double, N>& table, double fraction) noexcept {
    constexpr double steps = static_cast<double>(N - 1);
    const auto found = std::lower_bound(table.begin(), table.end(), fraction);
    if (found == table.begin()) {
        return 0.0;
    }
    if (found == table.end()) {
        return 1.0;
    }
    const auto index = static_cast<std::size_t>(found - table.begin());
    const double below = table[index - 1];
    const double above = table[index];
    const double within = above == below ? 0.0 : (fraction - below) / (above - below);
    return (static_cast<double>(index - 1) + within) / steps;
}

} // namespace kiv::detail
