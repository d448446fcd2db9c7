// Creating the main window on the GUI thread: its stored position read before the settings
// are loaded, the window and its controls, the DPI, and keeping the window on screen.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "app/main_window_controls.h"
#include "platform/main_window.h"

namespace kiv {

class MainWindowProcedure;

// Makes the toolkit window at the outer position (x, y) with a client of 900 x height layout
// units scaled to its DPI; it reports to `events`. Null when the window cannot be made.
using MainWindowFactory = std::function<std::unique_ptr<platform::MainWindow>(
    std::int32_t x, std::int32_t y, std::int32_t clientHeight, platform::MainWindowEvents& events)>;

// Reads MAIN_WINDOW_X and MAIN_WINDOW_Y from "parameters.xml" before the settings are
// loaded (clamped to their limits; absent values keep the defaults). A file that does not
// parse is kept as its "0" backup generation and removed.
void lf_readWindowPosition();

// Creates the main window and its controls, attaches it to the Gui and shows it; null when
// the window could not be made (the program then ends).
std::unique_ptr<platform::MainWindow> initInstance(MainWindowProcedure& procedure, const MainWindowFactory& factory);

// Pulls the window back on screen so that at least 48 pixels of it show; a stored position
// pinned at a limit is first replaced by the fallback.
void lf_keepOnScreen(platform::MainWindow& window, std::int32_t fallbackX, std::int32_t fallbackY);

// The new left (or top) edge of a window `size` long inside the work area [low, high).
std::int32_t gf_keepEdgeOnScreen(std::int32_t edge, std::int32_t size, std::int32_t low, std::int32_t high);

} // namespace kiv
