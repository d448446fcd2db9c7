#include <functional>
#include <sstream>

#include <gtest/gtest.h>

#include "foundation/line_files.h"
#include "test_support/file_contents.h"
#include "test_support/temp_folder.h"

namespace kiv {
namespace {

using Lines = std::vector<std::string>;

TEST(LineFiles, SplitLines) {
    const std::pair<std::string, Lines> cases[] = {
        {"", {}},
        {"\xEF\xBB\xBF", {}},
        {"\xEF\xBB\xBF"
         "a",
         {"a"}},
        {"a", {"a"}},
        {"a\n", {"a"}},       // no empty line after a final LF
        {"a\n\n", {"a", ""}}, // but an empty line before it is kept
        {"\n", {""}},
        {"x\r\ny", {"x", "y"}}, // CR LF
        {"x\ry\n", {"x\ry"}},   // a lone CR stays in the line
        {"x\r\r\n", {"x\r"}},   // only one CR is dropped
        {"a\nb\r\n\nc", {"a", "b", "", "c"}},
    };
    for (const auto& [text, lines] : cases) {
        Lines result{"kept"};
        gf_splitLines(text, result);
        Lines expected{"kept"};
        expected.insert(expected.end(), lines.begin(), lines.end());
        EXPECT_EQ(result, expected) << testing::PrintToString(text);
    }
}

TEST(LineFiles, ReadStreamLines) {
    std::istringstream stream("one\r\ntwo\n");
    Lines lines;
    gf_readStreamLines(stream, lines);
    EXPECT_EQ(lines, (Lines{"one", "two"}));

    std::istringstream empty("");
    gf_readStreamLines(empty, lines);
    EXPECT_EQ(lines.size(), 2u);
    EXPECT_TRUE(empty.good());

    std::istringstream failed("x");
    failed.setstate(std::ios::failbit);
    gf_readStreamLines(failed, lines);
    EXPECT_EQ(lines.size(), 2u);
}

TEST(LineFiles, ReadWholeFileGivesTheBytesOrNothing) {
    test_support::TempFolder folder;
    const std::string bytes("a\r\n\0b\xEF\xBB\xBF\n\nno end", 17);
    test_support::writeFile(folder.path() / "bytes.bin", bytes);
    test_support::writeFile(folder.path() / "empty.txt", "");
    const struct {
        const char* name;
        std::filesystem::path path;
        std::optional<std::string> expected;
    } cases[] = {
        {"bytes as they are", folder.path() / "bytes.bin", bytes},
        {"empty file", folder.path() / "empty.txt", std::string()},
        {"missing file", folder.path() / "missing.txt", std::nullopt},
        {"folder", folder.path(), std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gf_readWholeFile(c.path), c.expected) << c.name;
    }
}

TEST(LineFiles, WritesLfLinesAndReportsUnopenableFiles) {
    test_support::TempFolder folder;
    const auto path = folder.path() / "lines.txt";
    ASSERT_TRUE(gf_writeLinesToFile({"a", "", "b"}, path));
    EXPECT_EQ(test_support::readFile(path), "a\n\nb\n");

    ASSERT_TRUE(gf_writeTextFile("text", path, false));
    EXPECT_EQ(test_support::readFile(path), "text");

    EXPECT_FALSE(gf_writeLinesToFile({"a"}, folder.path() / "missing" / "x.txt"));
    EXPECT_FALSE(gf_writeTextFile("a", folder.path() / "missing" / "x.txt", true));
}

// A device that opens for writing but refuses every byte, as a full disk does.
TEST(LineFiles, WriteThatCannotBeCompletedIsReportedAsFailure) {
    const std::filesystem::path fullDisk = "/dev/full";
    if (!std::filesystem::exists(fullDisk)) {
        GTEST_SKIP() << "no full device on this system";
    }
    const struct {
        const char* what;
        std::function<bool()> write;
    } cases[] = {
        {"one short line", [&] { return gf_writeLinesToFile({"a"}, fullDisk); }},
        {"text", [&] { return gf_writeTextFile("text", fullDisk, false); }},
        {"line end only", [&] { return gf_writeTextFile("", fullDisk, true); }},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(c.write()) << c.what;
    }
}

} // namespace
} // namespace kiv
