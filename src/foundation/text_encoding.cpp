#include "foundation/text_encoding.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <optional>
#include <string>
#include <system_error>

namespace kiv {
namespace {

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Continuation bytes that follow `lead`, or -1 when no UTF-8 sequence begins with it.
int continuationCount(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 1;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 2;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 3;
    }
    return -1;
}

// Overlong forms and code points beyond U+10FFFF are ruled out by the second byte alone.
// Encoded surrogates (ED A0..BF) are let through: other programs write them.
bool secondByteFits(unsigned char lead, unsigned char second) {
    switch (lead) {
    case 0xE0:
        return second >= 0xA0;
    case 0xF0:
        return second >= 0x90;
    case 0xF4:
        return second <= 0x8F;
    default:
        return true;
    }
}

std::optional<TextEncoding> byteOrderFromMarkOrZeros(std::string_view sample) {
    const std::size_t n = sample.size();
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(sample[i]); };
    if (n >= 3 && at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF) {
        return TextEncoding::UTF8_with_BOM;
    }
    if (n < 2) {
        return std::nullopt;
    }
    if (at(0) == 0xFF && at(1) == 0xFE) {
        return TextEncoding::Unicode;
    }
    if (at(0) == 0xFE && at(1) == 0xFF) {
        return TextEncoding::Unicode_big_endian;
    }
    if (at(1) == 0 && (n < 4 || at(3) == 0)) {
        return TextEncoding::Unicode;
    }
    if (at(0) == 0 && (n < 4 || at(2) == 0)) {
        return TextEncoding::Unicode_big_endian;
    }
    return std::nullopt;
}

// Checks every sequence whose lead byte lies in the sample; its continuation bytes may lie in
// the lookahead, because the sample boundary is ours and says nothing about the file.
bool sampleIsUtf8(std::string_view head, std::size_t sampleSize) {
    std::size_t pos = 0;
    while (pos < sampleSize) {
        const auto lead = static_cast<unsigned char>(head[pos]);
        if (lead < 0x80) {
            ++pos;
            continue;
        }
        const int count = continuationCount(lead);
        if (count < 0 || head.size() - pos <= static_cast<std::size_t>(count)) {
            return false;
        }
        if (!secondByteFits(lead, static_cast<unsigned char>(head[pos + 1]))) {
            return false;
        }
        for (int i = 1; i <= count; ++i) {
            if (!isContinuation(static_cast<unsigned char>(head[pos + i]))) {
                return false;
            }
        }
        pos += static_cast<std::size_t>(count) + 1;
    }
    return true;
}

} // namespace

std::string_view gf_encodingName(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::ANSI:
        return "ANSI";
    case TextEncoding::Unicode:
        return "Unicode";
    case TextEncoding::Unicode_big_endian:
        return "Unicode_big_endian";
    case TextEncoding::UTF8_with_BOM:
        return "UTF8_with_BOM";
    case TextEncoding::UTF8_without_BOM:
        return "UTF8_without_BOM";
    case TextEncoding::none_found:
        return "none_found";
    }
    return {};
}

TextEncoding gf_detectTextEncodingOfBytes(std::string_view head) {
    head = head.substr(0, kEncodingSampleBytes + kEncodingLookaheadBytes);
    const std::size_t sampleSize = std::min(head.size(), kEncodingSampleBytes);
    if (const auto marked = byteOrderFromMarkOrZeros(head.substr(0, sampleSize))) {
        return *marked;
    }
    return sampleIsUtf8(head, sampleSize) ? TextEncoding::UTF8_without_BOM : TextEncoding::ANSI;
}

TextEncoding gf_detectTextEncoding(const std::filesystem::path& path) {
    // A folder opens for reading on Linux but not on Windows; it is no text file on either.
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) {
        return TextEncoding::none_found;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) {
        return TextEncoding::none_found;
    }
    std::array<char, kEncodingSampleBytes + kEncodingLookaheadBytes> head{};
    file.read(head.data(), static_cast<std::streamsize>(head.size()));
    return gf_detectTextEncodingOfBytes(std::string_view(head.data(), static_cast<std::size_t>(file.gcount())));
}

} // namespace kiv
