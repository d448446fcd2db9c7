// Reading a whole file, splitting text into lines and writing lines or a text to a file (LF
// line ends): the one home of the program's file-reading loop. Pure functions over their
// arguments: any thread.
#pragma once

#include <filesystem>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kiv {

// The whole file's bytes; nothing when it cannot be opened or read. A folder counts as a file
// that cannot be opened (Linux would open one for reading, Windows does not).
std::optional<std::string> gf_readWholeFile(const std::filesystem::path& path);
// The bytes of a seekable stream from its start; nothing when it is not good or the read fails.
std::optional<std::string> gf_readWholeStream(std::istream& stream);

// Appends the lines of `text` (a UTF-8 BOM dropped, LF or CR LF ends, no empty line after a
// final LF) to `lines`.
void gf_splitLines(std::string_view text, std::vector<std::string>& lines);
// Appends the lines of the whole stream; a failed or empty stream appends nothing.
void gf_readStreamLines(std::istream& stream, std::vector<std::string>& lines);

// False when the file cannot be opened or not all of it could be written (a full disk).
bool gf_writeLinesToFile(const std::vector<std::string>& lines, const std::filesystem::path& path);
bool gf_writeTextFile(std::string_view text, const std::filesystem::path& path, bool appendNewline);

} // namespace kiv
