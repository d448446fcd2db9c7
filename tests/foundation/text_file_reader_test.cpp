#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/ansi_code_page.h"
#include "foundation/text_conversion.h"
#include "foundation/text_file_reader.h"
#include "foundation/user_message.h"
#include "test_support/file_contents.h"
#include "test_support/log_capture.h"
#include "test_support/temp_folder.h"

namespace kiv {
namespace {

using test_support::writeFile;

using namespace std::string_literals;
using enum TextEncoding;
using Lines = std::vector<std::string>;

// Catches what would go to the main window's message line.
class CapturedMessages {
public:
    CapturedMessages() {
        previous_ =
            gf_setUserMessageHandler([this](std::string_view text, bool log) { messages.emplace_back(text, log); });
    }
    ~CapturedMessages() { gf_setUserMessageHandler(std::move(previous_)); }
    std::vector<std::pair<std::string, bool>> messages;

private:
    UserMessageHandler previous_;
};

struct ReadCase {
    const char* what;
    std::string bytes;
    TextEncoding detected;
    Lines lines;
};

// Files as other programs write them, read through detection, as the callers do.
TEST(TextFileReader, ReadsEveryEncodingAsUtf8Lines) {
    const ReadCase cases[] = {
        {"UTF-16 LE with mark",
         "\xFF\xFE"
         "c\0a\0f\0\xE9\0\r\0\n\0=\0\x3D\xD8\x00\xDE"s,
         Unicode,
         {"caf\xC3\xA9", "=\xF0\x9F\x98\x80"}},
        {"UTF-16 BE with mark",
         "\xFE\xFF"
         "\0c\0a\0f\0\xE9\0\n\0="s,
         Unicode_big_endian,
         {"caf\xC3\xA9", "="}},
        {"UTF-16 LE without mark", "A\0B\0\n\0\xAC\x20"s, Unicode, {"AB", "\xE2\x82\xAC"}},
        {"UTF-16 BE without mark", "\0A\0B\0\r\0\n\x20\xAC"s, Unicode_big_endian, {"AB", "\xE2\x82\xAC"}},
        {"UTF-16 mark alone", "\xFF\xFE", Unicode, {}},
        {"UTF-16 with an odd last byte",
         "\xFF\xFE"
         "A\0B\0C"s,
         Unicode,
         {"AB"}},
        {"UTF-16 without mark, odd last byte", "A\0B\0C"s, Unicode, {"AB"}},
        {"UTF-8 with mark",
         "\xEF\xBB\xBF"
         "a\r\n\xC3\xA9\n",
         UTF8_with_BOM,
         {"a", "\xC3\xA9"}},
        {"UTF-8 with the mark twice",
         "\xEF\xBB\xBF\xEF\xBB\xBF"
         "a\nb",
         UTF8_with_BOM,
         {"a", "b"}},
        {"UTF-8 without mark", "x\n\ny\n", UTF8_without_BOM, {"x", "", "y"}},
        {"empty file", "", UTF8_without_BOM, {}},
        {"Windows-1252", "caf\xE9\r\n\x80 \x81 \x9F\n", ANSI, {"caf\xC3\xA9", "\xE2\x82\xAC \xC2\x81 \xC5\xB8"}},
        {"UTF-8 character across the sample end",
         std::string(4095, 'x') + "\xC3\xA9",
         UTF8_without_BOM,
         {std::string(4095, 'x') + "\xC3\xA9"}},
    };
    test_support::TempFolder folder;
    CapturedMessages captured;
    for (const ReadCase& c : cases) {
        const auto path = folder.path() / "file.txt";
        writeFile(path, c.bytes);
        const TextEncoding encoding = gf_detectTextEncoding(path);
        EXPECT_EQ(encoding, c.detected) << c.what;
        Lines lines{"stale"};
        EXPECT_TRUE(gf_readTextFileLines(encoding, path, lines)) << c.what;
        EXPECT_EQ(lines, c.lines) << c.what;
    }
    EXPECT_TRUE(captured.messages.empty());
}

TEST(TextFileReader, OddUtf16ByteIsDroppedAndLogged) {
    test_support::LogCapture log;
    const auto path = log.folder() / "odd.txt";
    writeFile(path, "A\0B\0C"s);
    Lines lines;
    ASSERT_TRUE(gf_readTextFileLines(Unicode, path, lines));
    EXPECT_EQ(lines, Lines{"AB"});
    EXPECT_EQ(log.lines(), Lines{"Dropped the odd last byte of the UTF-16 file " + gf_pathToUtf8(path)});
}

TEST(TextFileReader, FailuresAreToldToTheUserAndGiveNoLines) {
    test_support::TempFolder folder;
    const auto missing = folder.path() / "missing.txt";
    const auto badUtf16 = folder.path() / "bad.txt";
    writeFile(badUtf16, "\xFF\xFE"
                        "a\0\n\0\x00\xD8"s); // an unpaired high surrogate after a good line
    const std::string missingName = gf_pathToUtf8(missing);
    const std::string badName = gf_pathToUtf8(badUtf16);
    const struct {
        TextEncoding encoding;
        std::filesystem::path path;
        std::string message; // empty: no message
    } cases[] = {
        {none_found, missing,
         "Read failed for '" + missingName + "': file " + missingName + " has unknown charset: none_found"},
        {static_cast<TextEncoding>(9), missing,
         "Read failed for '" + missingName + "': file " + missingName + " has unknown charset: "},
        {Unicode, badUtf16, "Read failed for '" + badName + "': wide_to_utf8: invalid UTF-16"},
        {UTF8_without_BOM, missing, ""}, // vanished since the detection
        {ANSI, folder.path(), ""},
    };
    for (const auto& c : cases) {
        CapturedMessages captured;
        Lines lines{"stale"};
        EXPECT_FALSE(gf_readTextFileLines(c.encoding, c.path, lines)) << c.message;
        EXPECT_TRUE(lines.empty()) << c.message;
        if (c.message.empty()) {
            EXPECT_TRUE(captured.messages.empty());
        } else {
            ASSERT_EQ(captured.messages.size(), 1u);
            EXPECT_EQ(captured.messages[0].first, c.message);
            EXPECT_TRUE(captured.messages[0].second) << "the message must also be logged";
        }
    }
}

TEST(TextFileReader, WithoutAWindowTheMessageGoesToTheLog) {
    test_support::LogCapture log;
    gf_showUserMessage("Read failed for 'x': y", true);
    EXPECT_EQ(log.lines(), Lines{"Read failed for 'x': y"});
}

TEST(TextFileReader, Utf16StreamLinesAppendAndLeaveAFailedStreamAlone) {
    Lines lines{"kept"};
    std::istringstream bigEndian("\0a\0\n\0b"s);
    EXPECT_EQ(gf_readUtf16StreamLines(bigEndian, lines, Unicode_big_endian), Utf16Tail::whole);
    EXPECT_EQ(lines, (Lines{"kept", "a", "b"}));

    std::istringstream markWins("\xFF\xFE"
                                "c\0"s);
    EXPECT_EQ(gf_readUtf16StreamLines(markWins, lines, Unicode_big_endian), Utf16Tail::whole);
    EXPECT_EQ(lines.back(), "c");

    std::istringstream failed("a\0"s);
    failed.setstate(std::ios::failbit);
    gf_readUtf16StreamLines(failed, lines, Unicode);
    EXPECT_EQ(lines.size(), 4u);
}

TEST(TextFileReader, ReadAllLinesOfAUtf8File) {
    test_support::TempFolder folder;
    TextFileLines file{folder.path() / "list.txt", {"stale"}};
    writeFile(file.path, "\xEF\xBB\xBF"
                         "one\r\ntwo\n");
    const auto read = gf_readAllLines(file, 1024);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(Lines(read->begin(), read->end()), (Lines{"one", "two"}));
    EXPECT_EQ(read->data(), file.lines.data()) << "a view of the object's own lines";
    EXPECT_GE(file.lines.capacity(), 1024u);

    for (const auto& unreadable : {folder.path() / "missing.txt", folder.path()}) {
        TextFileLines missing{unreadable, {"stale"}};
        const auto failed = gf_readAllLines(missing, 1);
        ASSERT_FALSE(failed.has_value());
        EXPECT_EQ(failed.error(), "open_failed");
        EXPECT_TRUE(missing.lines.empty());
    }
}

TEST(AnsiCodePage, MapsBytesAsWindowsDoes) {
    const std::pair<unsigned char, char16_t> cases[] = {
        {0x00, u'\0'},     {0x41, u'A'},      {0x7F, u'\u007F'}, {0x80, u'\u20AC'}, {0x81, u'\u0081'},
        {0x8A, u'\u0160'}, {0x8D, u'\u008D'}, {0x8F, u'\u008F'}, {0x90, u'\u0090'}, {0x99, u'\u2122'},
        {0x9D, u'\u009D'}, {0x9F, u'\u0178'}, {0xA0, u'\u00A0'}, {0xE9, u'\u00E9'}, {0xFF, u'\u00FF'},
    };
    for (const auto& [byte, unit] : cases) {
        EXPECT_EQ(static_cast<unsigned>(gf_windows1252ToUtf16(byte)), static_cast<unsigned>(unit)) << int{byte};
    }
}

TEST(AnsiCodePage, EveryByteBecomesOneCharacter) {
    std::string allBytes;
    std::u16string expected;
    for (int byte = 0; byte < 256; ++byte) {
        allBytes.push_back(static_cast<char>(byte));
        expected.push_back(gf_windows1252ToUtf16(static_cast<unsigned char>(byte)));
    }
    const std::string utf8 = gf_ansiToUtf8(allBytes);
    EXPECT_EQ(utf8_to_wide(utf8), expected);
    EXPECT_EQ(gf_ansiToUtf8(""), "");
}

} // namespace
} // namespace kiv
