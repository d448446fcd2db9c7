#include <stdexcept>

#include <gtest/gtest.h>

#include "foundation/text_conversion.h"

namespace kiv {
namespace {

TEST(TextConversion, RoundTripsEveryPlane) {
    const std::string samples[] = {
        "",                                  // empty
        "EHAM Schiphol",                     // ASCII
        "Z\xC3\xBCrich",                     // 2-byte (ü)
        "\xE2\x82\xAC 100",                  // 3-byte (€)
        "\xEF\xBF\xBF",                      // U+FFFF, last of the BMP
        "\xF0\x9F\x9B\xA9 \xF4\x8F\xBF\xBF", // 4-byte: U+1F6E9 and U+10FFFF
    };
    for (const std::string& utf8 : samples) {
        EXPECT_EQ(wide_to_utf8(utf8_to_wide(utf8)), utf8) << utf8;
    }
    EXPECT_EQ(utf8_to_wide("\xF0\x9F\x9B\xA9"), (std::u16string{0xD83D, 0xDEE9}));
}

TEST(TextConversion, RefusesInvalidUtf8) {
    const std::string invalid[] = {
        "\xFF",             // never a UTF-8 byte
        "\x80",             // lone continuation
        "\xC3",             // cut after the lead byte
        "\xE2\x82",         // cut inside a 3-byte sequence
        "\xC0\xAF",         // overlong '/'
        "\xE0\x80\xAF",     // overlong 3-byte
        "\xED\xA0\x80",     // UTF-16 surrogate encoded in UTF-8
        "\xF4\x90\x80\x80", // beyond U+10FFFF
        "ok\xC3(",          // continuation missing
    };
    for (const std::string& bytes : invalid) {
        try {
            utf8_to_wide(bytes);
            ADD_FAILURE() << "accepted invalid UTF-8";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "utf8_to_wide: invalid UTF-8");
        }
        EXPECT_FALSE(gf_isValidUtf8(bytes));
    }
}

TEST(TextConversion, RefusesLoneSurrogates) {
    const std::u16string invalid[] = {
        {0xD800},         // lone high surrogate
        {0xDC00},         // lone low surrogate
        {u'a', 0xD83D},   // high surrogate at the end
        {0xDEE9, 0xD83D}, // pair in the wrong order
    };
    for (const std::u16string& wide : invalid) {
        try {
            wide_to_utf8(wide);
            ADD_FAILURE() << "accepted invalid UTF-16";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "wide_to_utf8: invalid UTF-16");
        }
    }
}

TEST(TextConversion, PathWithInvalidBytesPrintsLossilyWithoutThrowing) {
    const std::filesystem::path path("/tmp/bad\xFFname.xml");
    EXPECT_EQ(gf_pathToUtf8(path), "/tmp/bad\xEF\xBF\xBDname.xml");
    EXPECT_EQ(gf_pathToUtf8(gf_utf8ToPath("Z\xC3\xBCrich/a.xml")), "Z\xC3\xBCrich/a.xml");
}

} // namespace
} // namespace kiv
