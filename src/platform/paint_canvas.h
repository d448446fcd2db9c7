// What the main window's painting draws on: filled rectangles, lines, rectangle outlines and
// texts. The window paints in 96-dpi layout units (the toolkit layer scales them to pixels and
// buffers them off screen); a check box paints in its own pixels. Tests record the calls.
// GUI thread only.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/window_backend.h"

namespace kiv::platform {

// 0x00BBGGRR, as the colours of the window are written everywhere in the program.
using Colour = std::uint32_t;

inline constexpr std::uint8_t colourRed(Colour c) { return static_cast<std::uint8_t>(c & 0xFF); }
inline constexpr std::uint8_t colourGreen(Colour c) { return static_cast<std::uint8_t>((c >> 8) & 0xFF); }
inline constexpr std::uint8_t colourBlue(Colour c) { return static_cast<std::uint8_t>((c >> 16) & 0xFF); }

class PaintCanvas {
public:
    virtual ~PaintCanvas() = default;
    // Right and bottom exclusive.
    virtual void fillRect(const PixelRect& rect, Colour colour) = 0;
    // A one-unit outline along the inside of the rectangle.
    virtual void frameRect(const PixelRect& rect, Colour colour) = 0;
    // From (x1, y1) to (x2, y2), `width` units wide.
    virtual void line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Colour colour,
                      std::int32_t width = 1) = 0;
    // The text's top-left corner at (x, y), transparent background, in the normal or bold
    // painting font (12 point at 96 dpi).
    virtual void text(std::int32_t x, std::int32_t y, std::u16string_view text, Colour colour, bool bold) = 0;

protected:
    PaintCanvas() = default;
    PaintCanvas(const PaintCanvas&) = default;
    PaintCanvas& operator=(const PaintCanvas&) = default;
};

} // namespace kiv::platform
