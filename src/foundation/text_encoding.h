// Deciding the encoding of a text file written by another program from its first bytes.
// Pure functions over a path or bytes: any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

namespace kiv {

enum class TextEncoding : std::uint8_t {
    ANSI = 0,               // the system's ANSI code page (Windows-1252)
    Unicode = 1,            // UTF-16 little-endian
    Unicode_big_endian = 2, // UTF-16 big-endian
    UTF8_with_BOM = 3,
    UTF8_without_BOM = 4, // also pure ASCII and empty files
    none_found = 5,       // the file could not be opened
};

// The encoding's name ("ANSI", "Unicode", ...); a value outside the enumeration gives "".
std::string_view gf_encodingName(TextEncoding encoding);

// Bytes looked at to decide the encoding.
inline constexpr std::size_t kEncodingSampleBytes = 4096;
// Bytes read past the sample so that a UTF-8 character begun inside it can be checked whole.
inline constexpr std::size_t kEncodingLookaheadBytes = 3;

// Decides from the first bytes of a file: up to kEncodingSampleBytes of sample followed by
// up to kEncodingLookaheadBytes more. Fewer bytes than both together mean the file ends
// there, so a UTF-8 character cut by that end makes the text ANSI.
TextEncoding gf_detectTextEncodingOfBytes(std::string_view head);

// `none_found` when the file cannot be opened.
TextEncoding gf_detectTextEncoding(const std::filesystem::path& path);

} // namespace kiv
