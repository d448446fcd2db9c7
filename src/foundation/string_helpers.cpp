#include "foundation/string_helpers.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include <fmt/format.h>

namespace kiv {

std::string gf_trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kWhitespace);
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(kWhitespace);
    return std::string(text.substr(first, last - first + 1));
}

std::vector<std::string> gf_split(std::string_view text, char delimiter) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(delimiter, start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string piece = gf_trim(text.substr(start, end - start));
        if (!piece.empty()) {
            pieces.push_back(std::move(piece));
        }
        start = end + 1;
    }
    return pieces;
}

std::vector<std::string> gf_splitComma(std::string_view text) { return gf_split(text, ','); }

std::vector<std::string> gf_splitOnComma(std::string_view text) {
    std::vector<std::string> pieces;
    if (text.empty()) {
        return pieces;
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(',', start);
        if (end == std::string_view::npos) {
            pieces.push_back(gf_trim(text.substr(start)));
            break;
        }
        pieces.push_back(gf_trim(text.substr(start, end - start)));
        start = end + 1;
    }
    return pieces;
}

std::vector<std::string> gf_commaListToSortedSet(std::string_view text) {
    std::vector<std::string> pieces = gf_splitOnComma(text);
    std::sort(pieces.begin(), pieces.end());
    pieces.erase(std::unique(pieces.begin(), pieces.end()), pieces.end());
    return pieces;
}

void gf_trimInPlace(std::string& text) {
    if (text.find_first_of(kWhitespace) == std::string::npos) {
        return;
    }
    std::string joined;
    for (const std::string& piece : gf_split(text, ',')) {
        if (!joined.empty()) {
            joined += ',';
        }
        joined += piece;
    }
    text = std::move(joined);
}

char gf_toUpperChar(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

std::string gf_toUpper(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(), gf_toUpperChar);
    return upper;
}

std::string gf_formatOneDecimal(float value) {
    if (std::fmod(value, 1.0f) == 0.0f) {
        return fmt::format("{:.0f}", value);
    }
    return fmt::format("{:.1f}", value);
}

std::string gf_bannerLine(std::int64_t starCount, std::int64_t extraStars, bool leadingNewline, bool trailingNewline,
                          std::string_view title) {
    std::string banner = leadingNewline ? "\n" : "";
    std::int64_t total = starCount + extraStars;
    if (total % 2 != 0) {
        ++total;
    }
    const auto titleLength = static_cast<std::int64_t>(title.size());
    if (title.empty()) {
        banner.append(static_cast<std::size_t>(std::max<std::int64_t>(total, 0)), '*');
    } else if (total <= titleLength + 2) {
        banner += title;
    } else {
        const std::string stars(static_cast<std::size_t>(total / 2 - 1), '*');
        banner += stars;
        banner += ' ';
        banner += title;
        banner += ' ';
        banner += stars;
    }
    if (trailingNewline) {
        banner += '\n';
    }
    return banner;
}

} // namespace kiv
