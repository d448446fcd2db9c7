// Strict UTF-8 <-> UTF-16 conversion at the boundary between the program's UTF-8 text and
// wide text (window texts, "wide" paths of the data files). Pure functions: any thread.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kiv {

// Throws std::runtime_error "wide_to_utf8: invalid UTF-16" on an unpaired surrogate.
std::string wide_to_utf8(std::u16string_view wide);
// Throws std::runtime_error "utf8_to_wide: invalid UTF-8" on an invalid, overlong,
// truncated or surrogate-encoding byte sequence.
std::u16string utf8_to_wide(std::string_view utf8);

bool gf_isValidUtf8(std::string_view utf8);
// Invalid sequences become U+FFFD; for messages only.
std::string gf_utf8Lossy(std::string_view bytes);

// The path as UTF-8 for messages and files. Linux paths are bytes that need not be UTF-8:
// such a path is printed lossily instead of throwing.
std::string gf_pathToUtf8(const std::filesystem::path& path);
// A path from UTF-8 text, without the locale's help.
std::filesystem::path gf_utf8ToPath(std::string_view utf8);

} // namespace kiv
