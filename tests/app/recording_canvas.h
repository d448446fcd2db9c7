// A canvas that records what painting draws, in layout units, for tests to look up.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/paint_canvas.h"
#include "foundation/text_conversion.h"

namespace kiv::test_support {

struct DrawnText {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::string text; // UTF-8
    Colour colour = 0;
    bool bold = false;
};

struct DrawnShape {
    enum Kind { fill, frame, line } kind = fill;
    platform::PixelRect rect; // for a line: (x1, y1) as left/top, (x2, y2) as right/bottom
    Colour colour = 0;
    std::int32_t width = 1;
};

class RecordingCanvas final : public PaintCanvas {
public:
    void fillRect(const platform::PixelRect& rect, Colour colour) override {
        shapes.push_back({DrawnShape::fill, rect, colour});
    }
    void frameRect(const platform::PixelRect& rect, Colour colour) override {
        shapes.push_back({DrawnShape::frame, rect, colour});
    }
    void line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Colour colour,
              std::int32_t width) override {
        shapes.push_back({DrawnShape::line, {x1, y1, x2, y2}, colour, width});
    }
    void text(std::int32_t x, std::int32_t y, std::u16string_view text, Colour colour, bool bold) override {
        texts.push_back({x, y, wide_to_utf8(text), colour, bold});
    }

    // The last text drawn exactly so.
    std::optional<DrawnText> find(std::string_view text) const {
        for (auto it = texts.rbegin(); it != texts.rend(); ++it) {
            if (it->text == text) {
                return *it;
            }
        }
        return std::nullopt;
    }
    // The last text drawn at (x, y) in layout units (after the 3-unit lift of drawText).
    std::optional<DrawnText> at(std::int32_t x, std::int32_t y) const {
        for (auto it = texts.rbegin(); it != texts.rend(); ++it) {
            if (it->x == x && it->y == y) {
                return *it;
            }
        }
        return std::nullopt;
    }
    // The colour of the last fill of exactly this rectangle.
    std::optional<Colour> fillOf(const platform::PixelRect& rect) const {
        for (auto it = shapes.rbegin(); it != shapes.rend(); ++it) {
            if (it->kind == DrawnShape::fill && it->rect == rect) {
                return it->colour;
            }
        }
        return std::nullopt;
    }
    bool hasLine(const platform::PixelRect& ends, Colour colour) const {
        for (const DrawnShape& shape : shapes) {
            if (shape.kind == DrawnShape::line && shape.rect == ends && shape.colour == colour) {
                return true;
            }
        }
        return false;
    }

    std::vector<DrawnText> texts;
    std::vector<DrawnShape> shapes;
};

} // namespace kiv::test_support
