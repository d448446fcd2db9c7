#include "foundation/line_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "test_support/temp_folder.h"

namespace kiv {
namespace {

using Lines = std::vector<std::string>;

TEST(LineFiles, SplitLines) {
    const std::pair<std::string, Lines> cases[] = {
        {"", {}},
        {"\xEF\xBB\xBF", {}},
        {"\xEF\xBB\xBF" "a", {"a"}},
        {"a", {"a"}},
        {"a\n", {"a"}},           // no empty line after a final LF
        {"a\n\n", {"a", ""}},     // but an empty line before it is kept
        {"\n", {""}},
        {"x\r\ny", {"x", "y"}},   // CR LF
        {"x\ry\n", {"x\ry"}},     // a lone CR stays in the line
        {"x\r\r\n", {"x\r"}},     // only one CR is dropped
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

TEST(LineFiles, WritesLfLinesAndReportsUnopenableFiles) {
    test_support::TempFolder folder;
    const auto path = folder.path() / "lines.txt";
    ASSERT_TRUE(gf_writeLinesToFile({"a", "", "b"}, path));
    std::ifstream file(path, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(file)), {});
    EXPECT_EQ(content, "a\n\nb\n");

    ASSERT_TRUE(gf_writeTextFile("text", path, false));
    std::ifstream again(path, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(again)), {}), "text");

    EXPECT_FALSE(gf_writeLinesToFile({"a"}, folder.path() / "missing" / "x.txt"));
    EXPECT_FALSE(gf_writeTextFile("a", folder.path() / "missing" / "x.txt", true));
}

} // namespace
} // namespace kiv
