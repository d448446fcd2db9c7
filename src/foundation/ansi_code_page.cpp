#include "foundation/ansi_code_page.h"

#include <array>

#include "foundation/text_conversion.h"

namespace kiv {
namespace {

// 0x80..0x9F are the only bytes that differ from ISO-8859-1. 0x81, 0x8D, 0x8F, 0x90 and
// 0x9D are unassigned in the code page; MultiByteToWideChar passes them through as U+0081
// etc., and files written on Windows rely on that round trip.
constexpr std::array<char16_t, 32> kHighControlRange = {
    u'\u20AC', u'\u0081', u'\u201A', u'\u0192', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u02C6', u'\u2030', u'\u0160', u'\u2039', u'\u0152', u'\u008D', u'\u017D', u'\u008F',
    u'\u0090', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\u02DC', u'\u2122', u'\u0161', u'\u203A', u'\u0153', u'\u009D', u'\u017E', u'\u0178',
};

} // namespace

char16_t gf_windows1252ToUtf16(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) {
        return kHighControlRange[byte - 0x80];
    }
    return static_cast<char16_t>(byte);
}

std::string gf_ansiToUtf8(std::string_view ansi) {
    if (ansi.empty()) {
        return {};
    }
    std::u16string wide;
    wide.reserve(ansi.size());
    for (const char byte : ansi) {
        wide.push_back(gf_windows1252ToUtf16(static_cast<unsigned char>(byte)));
    }
    // No surrogates can come out of the table, so the conversion cannot fail.
    return wide_to_utf8(wide);
}

} // namespace kiv
