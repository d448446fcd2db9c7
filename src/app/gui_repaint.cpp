// Repainting after applied updates: which bands of the window to invalidate, or the resize.
#include <array>

#include "app/gui.h"
#include "app/gui_layout.h"

namespace kiv {

std::int32_t gf_scaleToDpi(std::int32_t value, std::uint32_t dpi) {
    const std::int64_t product = static_cast<std::int64_t>(value) * dpi;
    const std::int64_t half = product >= 0 ? 48 : -48;
    return static_cast<std::int32_t>((product + half) / 96);
}

std::int32_t gf_clientHeight(bool collapsed, bool hasParkAirport) {
    if (!collapsed) {
        return kExpandedClientHeight;
    }
    return hasParkAirport ? kCollapsedWithParkHeight : kCollapsedClientHeight;
}

platform::PixelRect gf_bandRect(std::uint8_t bit, bool collapsed, bool hasParkAirport) {
    switch (bit) {
    case kRepaintStatus:
        return {0, 32, kLayoutWidth, 96};
    case kRepaintSettings:
        return {0, 96, kLayoutWidth, 640};
    case kRepaintParking:
        if (!collapsed) {
            return {0, 640, kLayoutWidth, 736};
        }
        return hasParkAirport ? platform::PixelRect{0, 96, kLayoutWidth, 192} : platform::PixelRect{};
    case kRepaintMessage:
        if (!collapsed) {
            return {0, 736, kLayoutWidth, 768};
        }
        return hasParkAirport ? platform::PixelRect{0, 192, kLayoutWidth, 224}
                              : platform::PixelRect{0, 96, kLayoutWidth, 128};
    default:
        return {};
    }
}

void Gui::repaint(std::uint8_t mask) {
    platform::WindowBackend* shown = window();
    if (mask == 0 || shown == nullptr) {
        return;
    }
    const bool hasPark = status_.parkAirport.has_value();
    if ((mask & kRepaintResize) != 0) {
        shown->resizeClient(gf_scaleToDpi(kLayoutWidth, dpi_),
                            gf_scaleToDpi(gf_clientHeight(status_.collapsed, hasPark), dpi_));
        return;
    }
    for (const std::uint8_t bit :
         std::array<std::uint8_t, 4>{kRepaintStatus, kRepaintSettings, kRepaintParking, kRepaintMessage}) {
        if ((mask & bit) == 0) {
            continue;
        }
        const platform::PixelRect band = gf_bandRect(bit, status_.collapsed, hasPark);
        if (band.empty()) {
            continue;
        }
        shown->invalidate({gf_scaleToDpi(band.left, dpi_), gf_scaleToDpi(band.top, dpi_),
                           gf_scaleToDpi(band.right, dpi_), gf_scaleToDpi(band.bottom, dpi_)},
                          false);
    }
}

} // namespace kiv
