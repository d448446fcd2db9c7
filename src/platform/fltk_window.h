// The main window on FLTK: the toolkit itself stays inside this part of the program. The
// window is fixed in size, double buffered, laid out in 96-dpi units scaled to the screen's
// DPI; its controls report to the MainWindowEvents given at creation. One main window per
// process; everything but posting messages and asking for dialogs runs on the GUI thread
// (the thread that opened the display and runs the loop).
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/main_window.h"

namespace kiv::platform {

// Opens the display (`name`, or $DISPLAY when empty) for this process and enables posting
// from other threads; false (with the reason in `error`) when no display can be reached.
// GUI thread, once.
bool gf_openDisplay(const std::string& name, std::string& error);

// The screen's DPI (96 when it cannot be told).
std::uint32_t gf_screenDpi();

// The main window with its client area 900 x clientHeight layout units at (x, y); null when
// it cannot be made.
std::unique_ptr<MainWindow> gf_makeMainWindow(const std::string& title, std::int32_t x, std::int32_t y,
                                              std::int32_t clientHeight, MainWindowEvents& events);

// Runs the message loop until the main window's quit; returns the exit code given to quit.
int gf_runMessageLoop();

// Handles what is pending (events, posted messages, redraws) without waiting. Tests.
void gf_pumpMessages();

// The dialogs owned by the main window; callable from any thread (they run on the GUI
// thread, the caller waits).
std::unique_ptr<WindowDialogs> gf_makeWindowDialogs();

// Saves the client area of the main window as a PNG file; false on failure. GUI thread.
bool gf_saveClientImage(MainWindow& window, const std::filesystem::path& file);

// The client pixel at (x, y) as 0x00BBGGRR after the last save. Tests.
std::uint32_t gf_savedPixel(std::int32_t x, std::int32_t y);

// Delivers a left click at client pixel (x, y) as the mouse would. Tests.
void gf_clickClient(MainWindow& window, std::int32_t x, std::int32_t y);

// The number of child controls and of those visible. Tests.
std::size_t gf_childCount(MainWindow& window, bool visibleOnly);

} // namespace kiv::platform
