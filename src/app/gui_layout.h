// The main window's bands in 96-dpi layout units and their scaling to the window's DPI, as
// repainting and painting share them. Pure functions: any thread.
#pragma once

#include <cstdint>

#include "platform/window_backend.h"

namespace kiv {

inline constexpr std::int32_t kLayoutWidth = 900;
inline constexpr std::int32_t kExpandedClientHeight = 768;
inline constexpr std::int32_t kCollapsedWithParkHeight = 224;
inline constexpr std::int32_t kCollapsedClientHeight = 128;

// value × dpi / 96, rounded to the nearest integer, halves away from zero.
std::int32_t gf_scaleToDpi(std::int32_t value, std::uint32_t dpi);

// The client height in layout units for the window's state.
std::int32_t gf_clientHeight(bool collapsed, bool hasParkAirport);

// The band of one repaint bit (1, 2, 4 or 8) in layout units; empty when the band is not shown.
platform::PixelRect gf_bandRect(std::uint8_t bit, bool collapsed, bool hasParkAirport);

} // namespace kiv
