// Reading text files of any of the usual Windows encodings as UTF-8 lines, and the simpler
// reader for files known to be UTF-8. Pure functions over their arguments: any thread
// (a failed read is reported through gf_showUserMessage, which any thread may call).
#pragma once

#include <cstddef>
#include <filesystem>
#include <istream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/expected.h"
#include "foundation/text_encoding.h"

namespace kiv {

// A text file and its lines; the lines are refilled by each read.
struct TextFileLines {
    std::filesystem::path path;
    std::vector<std::string> lines;
};

// Whether a UTF-16 text had to lose an odd last byte to be decoded.
enum class Utf16Tail { whole, oddByteDropped };

// Empties `lines` and fills them with the file's lines as UTF-8, decoded as `encoding` says.
// False when the file cannot be opened or read. An encoding that names no readable text
// (`none_found`), invalid UTF-16 or a failed allocation is shown to the user as
// "Read failed for '{}': {}" (and logged), and gives false as well.
bool gf_readTextFileLines(TextEncoding encoding, const std::filesystem::path& path, std::vector<std::string>& lines);

// Appends the lines of `bytes` decoded as `encoding` (any value but `none_found`).
// Throws std::runtime_error on invalid UTF-16 or an encoding that names no text.
Utf16Tail gf_decodeTextLines(TextEncoding encoding, std::string_view bytes, std::vector<std::string>& lines);

// UTF-16 bytes to UTF-8. A byte-order mark decides the order and is dropped; without one,
// `orderWithoutMark` (`Unicode` or `Unicode_big_endian`) does, as the detection found it.
// An odd last byte cannot belong to any character and is dropped.
// Throws std::runtime_error "wide_to_utf8: invalid UTF-16" on unpaired surrogates.
std::string gf_decodeUtf16(std::string_view bytes, TextEncoding orderWithoutMark, Utf16Tail& tail);

// Appends the lines of a whole UTF-16 stream, as gf_decodeUtf16 decodes it; a failed stream
// appends nothing.
Utf16Tail gf_readUtf16StreamLines(std::istream& stream, std::vector<std::string>& lines, TextEncoding orderWithoutMark);

inline constexpr std::string_view kOpenFailed = "open_failed";

// Reads a UTF-8 (or ASCII) file into `file.lines` (a leading BOM dropped, LF or CR LF ends),
// reserving `reserveHint` lines first. Never throws for an unreadable file: the error is
// kOpenFailed.
Expected<std::span<const std::string>, std::string> gf_readAllLines(TextFileLines& file, std::size_t reserveHint);

} // namespace kiv
