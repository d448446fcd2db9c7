// The system's "ANSI" code page, which the program takes to be Windows-1252 (Western
// European), converted to UTF-8 the way Windows' own conversion does. Pure: any thread.
#pragma once

#include <string>
#include <string_view>

namespace kiv {

// The UTF-16 code unit Windows gives for one Windows-1252 byte. Every byte has one:
// the five bytes that the code page leaves undefined map to the C1 controls of equal value.
char16_t gf_windows1252ToUtf16(unsigned char byte);

// Converts a Windows-1252 text to UTF-8; an empty text gives an empty result.
std::string gf_ansiToUtf8(std::string_view ansi);

} // namespace kiv
