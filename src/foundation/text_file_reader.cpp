#include "foundation/text_file_reader.h"

#include <optional>
#include <stdexcept>

#include <fmt/format.h>

#include "foundation/ansi_code_page.h"
#include "foundation/line_files.h"
#include "foundation/log.h"
#include "foundation/text_conversion.h"
#include "foundation/user_message.h"

namespace kiv {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::size_t kAnsiLinesReserved = 2048;

bool isUtf16(TextEncoding encoding) {
    return encoding == TextEncoding::Unicode || encoding == TextEncoding::Unicode_big_endian;
}

void appendAnsiLines(std::string_view bytes, std::vector<std::string>& lines) {
    std::vector<std::string> raw;
    raw.reserve(kAnsiLinesReserved);
    gf_splitLines(bytes, raw);
    lines.reserve(lines.size() + raw.size());
    for (const std::string& line : raw) {
        lines.push_back(gf_ansiToUtf8(line));
    }
}

std::runtime_error unknownCharset(const std::filesystem::path& path, TextEncoding encoding) {
    return std::runtime_error(
        fmt::format("file {} has unknown charset: {}", gf_pathToUtf8(path), gf_encodingName(encoding)));
}

bool readKnownEncoding(TextEncoding encoding, const std::filesystem::path& path, std::vector<std::string>& lines) {
    const std::optional<std::string> bytes = gf_readWholeFile(path);
    if (!bytes) {
        return false; // vanished since the detection, or unreadable: nothing to tell the user
    }
    if (gf_decodeTextLines(encoding, *bytes, lines) == Utf16Tail::oddByteDropped) {
        gf_logLine(fmt::format("Dropped the odd last byte of the UTF-16 file {}", gf_pathToUtf8(path)));
    }
    return true;
}

} // namespace

std::string gf_decodeUtf16(std::string_view bytes, TextEncoding orderWithoutMark, Utf16Tail& tail) {
    if (!isUtf16(orderWithoutMark)) {
        throw std::invalid_argument("gf_decodeUtf16: no UTF-16 byte order given");
    }
    bool bigEndian = orderWithoutMark == TextEncoding::Unicode_big_endian;
    if (bytes.starts_with("\xFF\xFE")) {
        bigEndian = false;
        bytes.remove_prefix(2);
    } else if (bytes.starts_with("\xFE\xFF")) {
        bigEndian = true;
        bytes.remove_prefix(2);
    }
    tail = bytes.size() % 2 == 0 ? Utf16Tail::whole : Utf16Tail::oddByteDropped;
    std::u16string wide(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const auto first = static_cast<unsigned char>(bytes[2 * i]);
        const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
        wide[i] = bigEndian ? static_cast<char16_t>(first << 8 | second) : static_cast<char16_t>(second << 8 | first);
    }
    return wide_to_utf8(wide);
}

Utf16Tail gf_decodeTextLines(TextEncoding encoding, std::string_view bytes, std::vector<std::string>& lines) {
    switch (encoding) {
    case TextEncoding::Unicode:
    case TextEncoding::Unicode_big_endian: {
        Utf16Tail tail = Utf16Tail::whole;
        gf_splitLines(gf_decodeUtf16(bytes, encoding, tail), lines);
        return tail;
    }
    case TextEncoding::UTF8_with_BOM:
    case TextEncoding::UTF8_without_BOM: {
        const std::size_t first = lines.size();
        gf_splitLines(bytes, lines);
        // gf_splitLines takes one mark off; a writer that added its own mark leaves a second.
        if (encoding == TextEncoding::UTF8_with_BOM && lines.size() > first && lines[first].starts_with(kUtf8Bom)) {
            lines[first].erase(0, kUtf8Bom.size());
        }
        return Utf16Tail::whole;
    }
    case TextEncoding::ANSI:
        appendAnsiLines(bytes, lines);
        return Utf16Tail::whole;
    case TextEncoding::none_found:
        break;
    }
    throw std::runtime_error(fmt::format("text has unknown charset: {}", gf_encodingName(encoding)));
}

bool gf_readTextFileLines(TextEncoding encoding, const std::filesystem::path& path, std::vector<std::string>& lines) {
    lines.clear();
    try {
        if (encoding != TextEncoding::ANSI && encoding != TextEncoding::UTF8_with_BOM &&
            encoding != TextEncoding::UTF8_without_BOM && !isUtf16(encoding)) {
            throw unknownCharset(path, encoding);
        }
        return readKnownEncoding(encoding, path, lines);
    } catch (const std::exception& error) {
        lines.clear();
        gf_showUserMessage(fmt::format("Read failed for '{}': {}", gf_pathToUtf8(path), error.what()), true);
        return false;
    }
}

Utf16Tail gf_readUtf16StreamLines(std::istream& stream, std::vector<std::string>& lines,
                                  TextEncoding orderWithoutMark) {
    if (!stream.good()) {
        return Utf16Tail::whole;
    }
    const std::optional<std::string> bytes = gf_readWholeStream(stream);
    if (!bytes || bytes->empty()) {
        stream.clear();
        stream.seekg(0, std::ios::beg);
        return Utf16Tail::whole;
    }
    Utf16Tail tail = Utf16Tail::whole;
    gf_splitLines(gf_decodeUtf16(*bytes, orderWithoutMark, tail), lines);
    return tail;
}

Expected<std::span<const std::string>, std::string> gf_readAllLines(TextFileLines& file, std::size_t reserveHint) {
    file.lines.clear();
    const std::optional<std::string> text = gf_readWholeFile(file.path);
    if (!text) {
        return unexpected(std::string(kOpenFailed));
    }
    if (reserveHint > file.lines.capacity()) {
        file.lines.reserve(reserveHint);
    }
    gf_splitLines(*text, file.lines);
    return std::span<const std::string>(file.lines);
}

} // namespace kiv
