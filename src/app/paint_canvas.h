// The colours the main window paints with, and the canvas it paints on (platform).
#pragma once

#include "platform/paint_canvas.h"

namespace kiv {

using platform::Colour;
using platform::PaintCanvas;

inline constexpr Colour kGreenText = 0x32D232;
inline constexpr Colour kYellow = 0x00FFFF;
inline constexpr Colour kRed = 0x0000FF;
inline constexpr Colour kWhite = 0xFFFFFF;
inline constexpr Colour kGrey = 0xA0A0A0;
inline constexpr Colour kBlack = 0x000000;
inline constexpr Colour kSettingsBackground = 0xFFCC99;
inline constexpr Colour kMessageBandGreen = 0x199619;

} // namespace kiv
