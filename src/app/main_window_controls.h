// The controls of the main window's settings panel: their table in creation order, creating
// them, drawing the owner-drawn check boxes, writing setting values into them, and keeping
// groups of them enabled as other settings stand. GUI thread only.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "app/window_ports.h"
#include "platform/main_window.h"
#include "settings/control_parameters.h"

namespace kiv {

class Gui;

struct ControlEntry {
    ParameterControl* owner = nullptr;
    platform::ControlSpec spec;
};

// The 50 controls in creation order (also the order of the control list).
const std::vector<ControlEntry>& gf_controlTable();

// The window's own state beside the Gui. GUI thread.
struct MainWindowState {
    platform::MainWindow* window = nullptr;
    // Every control created, in creation order.
    std::vector<platform::Control*> controls;
    // The Compact/Expand hot spot in pixels, as the last painting stored it.
    platform::PixelRect hotSpot;
    // Open-list heights of the combo boxes, in layout units, by control id.
    std::map<std::uint16_t, std::int32_t> dropDownHeights;
};

MainWindowState& gf_mainWindowState();

// What the controls' operations post to and reach.
struct WindowContext {
    Gui& gui;
    WindowPorts& ports;
    // The window's dialogs; null before the window exists (nothing is shown then).
    platform::WindowDialogs* dialogs = nullptr;
};

// Creates every control in order, then posts Repaint 2, empties the park-airport record and
// posts SetCollapsed with COLLAPSED.
void lf_createControls(platform::MainWindow& window, const WindowContext& context);

// Once the settings are read: every control shows its setting's current value (ticks,
// selections, the destination text) and the enabling groups follow.
void gf_refreshControlStates(const WindowContext& context);

// The control with that id, or null.
platform::Control* lf_controlById(std::uint16_t id);

// Draws one check box of w x h pixels at `dpi`.
void lf_paintCheckBox(platform::PaintCanvas& canvas, std::int32_t width, std::int32_t height, bool checked,
                      bool enabled, std::uint32_t dpi);

// Writes the value into its control and posts Repaint 2; a missing control is logged.
void gf_showIntParameter(const WindowContext& context, const IntListParameter& parameter);
void gf_showTextParameter(const WindowContext& context, const ControlStringParameter& parameter);

void gf_disableParkingControls(const WindowContext& context);
void gf_enableParkingControls(const WindowContext& context);
void gf_updateControlsForRtParkedOnly(const WindowContext& context);
void gf_updateControlsForAutoPark(const WindowContext& context);
void gf_updateParkingControls(const WindowContext& context);
void gf_resetParkingCountdown(const WindowContext& context);
void lf_applyAutoRange(const WindowContext& context);
void gf_updateAutoRange(const WindowContext& context);

// The traffic radius for the user aircraft's altitude from RANGE_GROUND, RANGE_1..3,
// RANGE_ABOVE and FLIGHT_LEVEL_1..3, rounded to the nearest integer.
std::int32_t gf_autoRangeRadius(const UserAltitude& user);

// Enables or disables the control of `owner` when it exists.
void gf_enableControl(const ParameterControl& owner, bool enable);

} // namespace kiv
