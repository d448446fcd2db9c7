// The line grammar of aircraft configuration files: "key = value" lines, "[fltsim.N]" section
// headers and the atc_id value. Matching is by hand, in one pass over the line, with the
// result a whole-line, case-insensitive "\s*(key)\s*=\s*(.*\S)\s*" would give: a regular
// expression engine that recurses per character overflows the stack on a long line. Pure
// functions: any thread.
#pragma once

#include <string>
#include <string_view>

namespace kiv::detail {

// A regular expression's \w: ASCII letter, digit or '_'.
bool isWordChar(char c);

// Whether `text` contains `part`, ASCII letters compared without case.
bool containsNoCase(std::string_view text, std::string_view part);

// The value of a "key = value" line (leading and trailing blanks never part of it), or empty
// when the line is not such a line for `key` (an empty value does not count).
std::string lf_keyValue(std::string_view line, std::string_view key);

// The number text of a section header: empty for a line that begins with ';' or "//" or holds
// no "[fltsim." (any case); the digits of a well-formed "[fltsim.N]" line; "10000" for any
// other line holding "[fltsim." (a comment behind it, no ']', letters).
std::string lf_fltsimSectionNumber(std::string_view line);

// The registration of an atc_id value: pieces split at ',' and trimmed, empty ones dropped.
// False (invalid) without pieces or with a '*' in one; one piece is the regcode, several give
// an empty regcode.
bool lf_checkAtcId(std::string_view value, std::string& regcode);

} // namespace kiv::detail
