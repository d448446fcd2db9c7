// Another process's window on an X display, seen from outside: find a top-level window by
// its title, save the screen or that window as a PNG file, ask the window to close as the
// window manager's close button does (WM_DELETE_WINDOW), or click into it. For scripts and
// end-to-end tests that run the program under a virtual X server. Each call opens and closes its own
// connection to the display; any thread.
#pragma once

#include <filesystem>
#include <string>

namespace kiv::platform {

// `display` empty: $DISPLAY. `title` empty: the whole screen. False with the reason in `error`.
bool gf_grabWindow(const std::string& display, const std::string& title, const std::filesystem::path& file,
                   std::string& error);

// True when a window whose title contains `title` is mapped on the display.
bool gf_windowShown(const std::string& display, const std::string& title, std::string& error);

// A click of the left mouse button at (x, y) inside the window whose title contains `title`,
// as button press and release events sent to that window; false when there is none.
bool gf_clickWindow(const std::string& display, const std::string& title, int x, int y, std::string& error);

// Sends WM_DELETE_WINDOW to the window whose title contains `title`; false when there is none.
bool gf_askWindowToClose(const std::string& display, const std::string& title, std::string& error);

} // namespace kiv::platform
