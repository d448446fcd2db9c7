#include "models/detail/cfg_lines.h"

#include <algorithm>

#include "foundation/string_helpers.h"

namespace kiv::detail {
namespace {

// The classic-locale white space of a regular expression's \s.
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

std::size_t skipSpaces(std::string_view text, std::size_t at) {
    while (at < text.size() && isSpace(text[at])) {
        ++at;
    }
    return at;
}

std::string_view trimSpaces(std::string_view text) {
    const std::size_t first = skipSpaces(text, 0);
    std::size_t last = text.size();
    while (last > first && isSpace(text[last - 1])) {
        --last;
    }
    return text.substr(first, last - first);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

bool isWordChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

bool containsNoCase(std::string_view text, std::string_view part) {
    if (part.size() > text.size()) {
        return false;
    }
    for (std::size_t at = 0; at + part.size() <= text.size(); ++at) {
        if (equalNoCase(text.substr(at, part.size()), part)) {
            return true;
        }
    }
    return false;
}

std::string lf_keyValue(std::string_view line, std::string_view key) {
    std::size_t at = skipSpaces(line, 0);
    if (!equalNoCase(line.substr(at, key.size()), key)) {
        return {};
    }
    at = skipSpaces(line, at + key.size());
    if (at >= line.size() || line[at] != '=') {
        return {};
    }
    const std::string_view value = trimSpaces(line.substr(at + 1));
    // '.' of the pattern stops at line ends, so the value cannot hold one.
    if (value.empty() || value.find_first_of("\r\n") != std::string_view::npos) {
        return {};
    }
    return std::string(value);
}

std::string lf_fltsimSectionNumber(std::string_view line) {
    constexpr std::string_view kOpen = "[fltsim.";
    if (line.starts_with(';') || line.starts_with("//") || !containsNoCase(line, kOpen)) {
        return {};
    }
    std::size_t at = skipSpaces(line, 0);
    if (equalNoCase(line.substr(at, kOpen.size()), kOpen)) {
        at += kOpen.size();
        const std::size_t digitsStart = at;
        while (at < line.size() && isDigit(line[at])) {
            ++at;
        }
        const std::size_t digitsEnd = at;
        if (digitsEnd > digitsStart && at < line.size() && line[at] == ']' && skipSpaces(line, at + 1) == line.size()) {
            return std::string(line.substr(digitsStart, digitsEnd - digitsStart));
        }
    }
    // A header the pattern does not take still opens a section.
    return "10000";
}

bool lf_checkAtcId(std::string_view value, std::string& regcode) {
    const std::vector<std::string> pieces = gf_split(value, ',');
    if (pieces.empty() || std::any_of(pieces.begin(), pieces.end(),
                                      [](const std::string& piece) { return piece.find('*') != piece.npos; })) {
        return false;
    }
    regcode = pieces.size() == 1 ? pieces.front() : std::string{};
    return true;
}

} // namespace kiv::detail
