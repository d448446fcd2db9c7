// The registration-code lists that bind installed livery titles to registrations: the user's
// own text files in "input/my_regcodes" (any encoding) and the data file "AIG-regcodes.enc".
// Both read into the same list of title entries with the error texts each source produced.
// Pure functions over their arguments, run by the main worker while the scanned liveries are
// processed; results are plain values.
#pragma once

#include <cstddef>
#include <filesystem>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

namespace kiv {

// One title and its registration codes; a title without codes names a livery not to be used.
struct RegcodeEntry {
    std::string title;
    std::set<std::string> codes; // valid codes, byte-wise order
    bool special = false;

    friend bool operator==(const RegcodeEntry&, const RegcodeEntry&) = default;
};

struct RegcodeFileResult {
    std::vector<RegcodeEntry> entries; // reading order
    std::vector<std::string> errors;   // in the order they arose

    void append(RegcodeFileResult&& other);
};

// Every ".txt" file (any letter case) directly in the folder, in byte-wise path order.
RegcodeFileResult readMyRegcodesFolder(const std::filesystem::path& folder);

// All lines of one file; `fileText` (the path as UTF-8, or empty) prefixes the error texts.
// A line is "title", "title;codes" or "title;codes;#", the codes separated by commas.
RegcodeFileResult parseRegcodeLine(const std::vector<std::string>& lines, std::string_view fileText);

// A code is valid with 3 to 12 characters, each A-Z, 0-9, '+', '-' or '.'. False when valid;
// otherwise an error is appended and the result is true.
bool checkRegcode(std::string_view code, std::string_view fileText, std::size_t lineNumber, std::string_view title,
                  std::vector<std::string>& errors);
bool checkAigRegcode(std::string_view code, std::string_view title, std::vector<std::string>& errors);

// "{file} line {n}: ", "{file}: ", "line {n}: " or nothing.
std::string makeMessagePrefix(std::string_view fileText, std::size_t lineNumber);

// Decrypts, checks the info header and reads the AIG list; logs the counts.
RegcodeFileResult loadAigRegcodes(const std::filesystem::path& path);
// root / aig / l elements with t (title), r (codes) and s (special).
RegcodeFileResult parseAigRegcodesXml(const pugi::xml_document& document);

// "title; code, code" for every title with codes that is not installed, in title order, the
// codes of repeated titles joined.
std::vector<std::string> lf_missingTitleLines(const std::vector<RegcodeEntry>& entries,
                                              std::span<const std::string_view> installedTitles);

} // namespace kiv
