#include "foundation/text_conversion.h"

#include <cstdint>
#include <optional>
#include <stdexcept>

namespace kiv {
namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Decodes one code point at `pos`, advancing it; an empty result leaves `pos` on the
// offending byte. Follows the well-formed byte sequences of the Unicode standard.
std::optional<char32_t> decodeUtf8(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    std::size_t length = 0;
    char32_t codePoint = 0;
    unsigned char minSecond = 0x80;
    unsigned char maxSecond = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        if (lead == 0xE0) {
            minSecond = 0xA0; // overlong
        } else if (lead == 0xED) {
            maxSecond = 0x9F; // UTF-16 surrogates
        }
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        if (lead == 0xF0) {
            minSecond = 0x90; // overlong
        } else if (lead == 0xF4) {
            maxSecond = 0x8F; // beyond U+10FFFF
        }
    } else {
        return std::nullopt;
    }
    if (text.size() - pos < length) {
        return std::nullopt;
    }
    const auto second = static_cast<unsigned char>(text[pos + 1]);
    if (second < minSecond || second > maxSecond) {
        return std::nullopt;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[pos + i]);
        if (!isContinuation(byte)) {
            return std::nullopt;
        }
        codePoint = (codePoint << 6) | (byte & 0x3F);
    }
    pos += length;
    return codePoint;
}

void appendUtf8(std::string& out, char32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

} // namespace

std::string wide_to_utf8(std::u16string_view wide) {
    std::string out;
    out.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const char16_t unit = wide[i];
        if (isHighSurrogate(unit)) {
            if (i + 1 == wide.size() || !isLowSurrogate(wide[i + 1])) {
                throw std::runtime_error("wide_to_utf8: invalid UTF-16");
            }
            const char32_t low = wide[++i];
            appendUtf8(out, 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (low - 0xDC00));
        } else if (isLowSurrogate(unit)) {
            throw std::runtime_error("wide_to_utf8: invalid UTF-16");
        } else {
            appendUtf8(out, unit);
        }
    }
    return out;
}

std::u16string utf8_to_wide(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const std::optional<char32_t> codePoint = decodeUtf8(utf8, pos);
        if (!codePoint) {
            throw std::runtime_error("utf8_to_wide: invalid UTF-8");
        }
        if (*codePoint >= 0x10000) {
            const char32_t offset = *codePoint - 0x10000;
            out += static_cast<char16_t>(0xD800 + (offset >> 10));
            out += static_cast<char16_t>(0xDC00 + (offset & 0x3FF));
        } else {
            out += static_cast<char16_t>(*codePoint);
        }
    }
    return out;
}

bool gf_isValidUtf8(std::string_view utf8) {
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        if (!decodeUtf8(utf8, pos)) {
            return false;
        }
    }
    return true;
}

std::string gf_utf8Lossy(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::size_t start = pos;
        if (decodeUtf8(bytes, pos)) {
            out.append(bytes.substr(start, pos - start));
        } else {
            appendUtf8(out, kReplacementCharacter);
            pos = start + 1;
        }
    }
    return out;
}

std::string gf_pathToUtf8(const std::filesystem::path& path) { return gf_utf8Lossy(path.native()); }

std::filesystem::path gf_utf8ToPath(std::string_view utf8) { return std::filesystem::path(std::string(utf8)); }

} // namespace kiv
