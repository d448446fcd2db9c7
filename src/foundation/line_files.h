// Splitting text into lines and writing lines or a text to a file (LF line ends).
// Pure functions over their arguments: any thread.
#pragma once

#include <filesystem>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace kiv {

// Appends the lines of `text` (a UTF-8 BOM dropped, LF or CR LF ends, no empty line after a
// final LF) to `lines`.
void gf_splitLines(std::string_view text, std::vector<std::string>& lines);
// Appends the lines of the whole stream; a failed or empty stream appends nothing.
void gf_readStreamLines(std::istream& stream, std::vector<std::string>& lines);

// False when the file cannot be opened or not all of it could be written (a full disk).
bool gf_writeLinesToFile(const std::vector<std::string>& lines, const std::filesystem::path& path);
bool gf_writeTextFile(std::string_view text, const std::filesystem::path& path, bool appendNewline);

} // namespace kiv
