// Small text helpers shared by the settings, data-file and scan code: trimming, comma
// lists, upper-casing, one-decimal numbers and log banners. Pure functions: any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kiv {

// The one whitespace set of every trim: blank, tab, line feed, carriage return.
inline constexpr std::string_view kWhitespace = " \t\n\r";

std::string gf_trim(std::string_view text);
// Pieces between delimiters, each trimmed; pieces empty after trimming are dropped.
std::vector<std::string> gf_split(std::string_view text, char delimiter);
std::vector<std::string> gf_splitComma(std::string_view text);
// Pieces between commas, each trimmed, empty pieces kept ("A,,B" gives three); an empty text
// gives none.
std::vector<std::string> gf_splitOnComma(std::string_view text);
// Pieces between commas, trimmed, empty pieces kept; sorted byte-wise, duplicates removed.
std::vector<std::string> gf_commaListToSortedSet(std::string_view text);
// Leaves a text without whitespace untouched; otherwise rejoins its comma pieces without
// blanks and without empty items.
void gf_trimInPlace(std::string& text);

char gf_toUpperChar(char c);
std::string gf_toUpper(std::string_view text);

// "{:.0f}" for whole values, else "{:.1f}".
std::string gf_formatOneDecimal(float value);

// A row of stars around a title for the log (see the callers for the width rules).
std::string gf_bannerLine(std::int64_t starCount, std::int64_t extraStars, bool leadingNewline, bool trailingNewline,
                          std::string_view title);

} // namespace kiv
