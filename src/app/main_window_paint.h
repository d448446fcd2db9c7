// Painting the main window: every band from the status values of the Gui, the current
// settings snapshot and a few facts of the neighbours, onto a PaintCanvas in layout units.
// Painting changes nothing but the stored hot spot of the Compact/Expand box. GUI thread only.
#pragma once

#include <cstdint>
#include <string>

#include "app/gui_status.h"
#include "app/paint_canvas.h"
#include "platform/window_backend.h"
#include "settings/settings_snapshot.h"

namespace kiv {

// What painting reads besides the Gui and the settings snapshot, gathered on the GUI thread
// just before painting.
struct PaintFacts {
    std::string programVersion;
    // The traffic source's connection flag.
    bool sourceConnected = false;
    // The simulator link: 0 not connected, 1 connected, 2 running.
    std::uint8_t simLinkState = 0;
    bool rtDirect = true;
    bool aerowinx = false;
    // The static parking planner is generating a new parking.
    bool parkingGenerating = false;
    // Parking is active at the park airport.
    bool parkingActive = false;
    // The stand reserved for the user aircraft at the park airport; empty when none.
    std::string reservedUserStand;
    // The traffic week of the park airport's airport file.
    std::string airportFileWeek;
};

struct PaintInput {
    const GuiStatus& status;
    const SettingsSnapshot& settings;
    const PaintFacts& facts;
};

// The Compact/Expand box in layout units.
inline constexpr platform::PixelRect kCollapseBoxRect{765, 4, 855, 30};

// Paints the whole client area; returns the Compact/Expand hot spot in pixels at `dpi`.
platform::PixelRect lf_paint(PaintCanvas& canvas, const PaintInput& input, std::uint32_t dpi);
void lf_paintStatusBand(PaintCanvas& canvas, const PaintInput& input);
void lf_paintSettingsBand(PaintCanvas& canvas, const PaintInput& input);
void lf_paintParkingBand(PaintCanvas& canvas, const PaintInput& input);

// "{} hPa", or "{:.2F} inHg" in inches of mercury.
std::string gf_qnhText(std::uint32_t hectopascal, bool inches);

} // namespace kiv
