// What painting the main window draws on: filled rectangles, lines, rectangle outlines and
// texts, all in 96-dpi layout units of the 900-unit-wide client area. The toolkit layer
// scales them to its pixels and buffers them off screen; tests record them. GUI thread only.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/window_backend.h"

namespace kiv {

// 0x00BBGGRR, as the colours of the window are written everywhere in the program.
using Colour = std::uint32_t;

inline constexpr Colour kGreenText = 0x32D232;
inline constexpr Colour kYellow = 0x00FFFF;
inline constexpr Colour kRed = 0x0000FF;
inline constexpr Colour kWhite = 0xFFFFFF;
inline constexpr Colour kGrey = 0xA0A0A0;
inline constexpr Colour kBlack = 0x000000;
inline constexpr Colour kSettingsBackground = 0xFFCC99;
inline constexpr Colour kMessageBandGreen = 0x199619;

inline constexpr std::uint8_t colourRed(Colour c) { return static_cast<std::uint8_t>(c & 0xFF); }
inline constexpr std::uint8_t colourGreen(Colour c) { return static_cast<std::uint8_t>((c >> 8) & 0xFF); }
inline constexpr std::uint8_t colourBlue(Colour c) { return static_cast<std::uint8_t>((c >> 16) & 0xFF); }

class PaintCanvas {
public:
    virtual ~PaintCanvas() = default;
    // Right and bottom exclusive.
    virtual void fillRect(const platform::PixelRect& rect, Colour colour) = 0;
    // A one-unit outline along the inside of the rectangle.
    virtual void frameRect(const platform::PixelRect& rect, Colour colour) = 0;
    // From (x1, y1) to (x2, y2), the end point excluded.
    virtual void line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Colour colour) = 0;
    // The text's top-left corner at (x, y), transparent background, in the normal or bold
    // painting font (12 point at 96 dpi).
    virtual void text(std::int32_t x, std::int32_t y, std::u16string_view text, Colour colour, bool bold) = 0;

protected:
    PaintCanvas() = default;
    PaintCanvas(const PaintCanvas&) = default;
    PaintCanvas& operator=(const PaintCanvas&) = default;
};

} // namespace kiv
