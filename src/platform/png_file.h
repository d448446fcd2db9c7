// Writes an image as a PNG file (8-bit RGB rows, top to bottom). Used by the window's own
// screenshot and by the screen grab of a display. Any thread; one file per call.
#pragma once

#include <cstdint>
#include <filesystem>

namespace kiv::platform {

// `rgb` holds width * height * 3 bytes; false when the file cannot be written.
bool gf_writeRgbPng(const std::filesystem::path& file, const std::uint8_t* rgb, int width, int height);

} // namespace kiv::platform
