#include <string>

#include <gtest/gtest.h>

#include "foundation/text_encoding.h"
#include "test_support/file_contents.h"
#include "test_support/temp_folder.h"

namespace kiv {
namespace {

using test_support::writeFile;

using enum TextEncoding;

std::string ascii(std::size_t count) { return std::string(count, 'x'); }

TEST(TextEncoding, Names) {
    const std::pair<TextEncoding, std::string_view> cases[] = {
        {ANSI, "ANSI"},
        {Unicode, "Unicode"},
        {Unicode_big_endian, "Unicode_big_endian"},
        {UTF8_with_BOM, "UTF8_with_BOM"},
        {UTF8_without_BOM, "UTF8_without_BOM"},
        {none_found, "none_found"},
        {static_cast<TextEncoding>(9), ""},
    };
    for (const auto& [encoding, name] : cases) {
        EXPECT_EQ(gf_encodingName(encoding), name);
    }
}

struct DetectionCase {
    const char* what;
    std::string bytes;
    TextEncoding expected;
};

TEST(TextEncoding, DetectsFromTheFirstBytesOfTheFile) {
    using namespace std::string_literals;
    const DetectionCase cases[] = {
        {"empty file", "", UTF8_without_BOM},
        {"one ASCII letter", "A", UTF8_without_BOM},
        {"UTF-8 mark",
         "\xEF\xBB\xBF"
         "a",
         UTF8_with_BOM},
        {"UTF-8 mark cut short", "\xEF\xBB", ANSI},
        {"UTF-16 LE mark alone", "\xFF\xFE", Unicode},
        {"UTF-16 BE mark alone", "\xFE\xFF", Unicode_big_endian},
        {"UTF-16 LE without mark", "A\0B\0"s, Unicode},
        {"UTF-16 BE without mark", "\0A\0B"s, Unicode_big_endian},
        {"two bytes, second zero", "A\0"s, Unicode},
        {"second zero but fourth not", "A\0BC"s, UTF8_without_BOM},
        {"two-byte character", "\xC3\xA9", UTF8_without_BOM},
        {"lead byte cut by the end of the file", "\xC3", ANSI},
        {"overlong two-byte form", "\xC0\x80", ANSI},
        {"stray continuation byte", "a\x80", ANSI},
        {"lead byte without continuation",
         "\xC3"
         "A",
         ANSI},
        {"Windows-1252 letter", "caf\xE9", ANSI},
        {"overlong three-byte form", "\xE0\x80\x80", ANSI},
        {"smallest three-byte form", "\xE0\xA0\x80", UTF8_without_BOM},
        {"encoded surrogate passes", "\xED\xA0\x80", UTF8_without_BOM},
        {"overlong four-byte form", "\xF0\x80\x80\x80", ANSI},
        {"smallest four-byte form", "\xF0\x90\x80\x80", UTF8_without_BOM},
        {"U+10FFFF", "\xF4\x8F\xBF\xBF", UTF8_without_BOM},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", ANSI},
        {"F5 lead byte", "\xF5\x80\x80\x80", ANSI},
        // The 4096-byte sample is our own boundary: a character that straddles it is whole.
        {"two-byte character across the sample end", ascii(4095) + "\xC3\xA9" + ascii(10), UTF8_without_BOM},
        {"euro sign across the sample end", ascii(4095) + "\xE2\x82\xAC" + ascii(10), UTF8_without_BOM},
        {"four-byte character across the sample end", ascii(4095) + "\xF0\x9F\x98\x80", UTF8_without_BOM},
        {"four-byte character ending the sample", ascii(4092) + "\xF0\x9F\x98\x80" + "\xFF", UTF8_without_BOM},
        {"character across the sample end cut by the file end", ascii(4095) + "\xE2\x82", ANSI},
        {"character across the sample end, bad continuation",
         ascii(4095) +
             "\xE2\x82"
             "A" +
             ascii(10),
         ANSI},
        {"beyond the sample is not looked at", ascii(4096) + "\xFF", UTF8_without_BOM},
        {"invalid byte at the end of the sample", ascii(4095) + "\xFF", ANSI},
        {"zero bytes decide only within the sample", ascii(4096) + "\0\0"s, UTF8_without_BOM},
    };
    test_support::TempFolder folder;
    for (const DetectionCase& c : cases) {
        const auto path = folder.path() / "sample.txt";
        writeFile(path, c.bytes);
        EXPECT_EQ(gf_detectTextEncoding(path), c.expected) << c.what;
        EXPECT_EQ(gf_detectTextEncodingOfBytes(c.bytes), c.expected) << c.what;
    }
}

TEST(TextEncoding, NoneFoundForWhatCannotBeOpenedAsAFile) {
    test_support::TempFolder folder;
    EXPECT_EQ(gf_detectTextEncoding(folder.path() / "missing.txt"), none_found);
    EXPECT_EQ(gf_detectTextEncoding(folder.path()), none_found);
}

} // namespace
} // namespace kiv
