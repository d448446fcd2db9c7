#include <gtest/gtest.h>

#include "foundation/string_helpers.h"

namespace kiv {
namespace {

using Pieces = std::vector<std::string>;

TEST(StringHelpers, Trim) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""}, {" \t\r\n", ""}, {"  a b  ", "a b"}, {"\ta\n", "a"}, {"\va", "\va"}, // \v is not ours
    };
    for (const auto& [text, trimmed] : cases) {
        EXPECT_EQ(gf_trim(text), trimmed) << text;
    }
}

TEST(StringHelpers, SplitDropsEmptyPieces) {
    const std::pair<std::string, Pieces> cases[] = {
        {"", {}}, {" a , b, ,", {"a", "b"}}, {"a,,b", {"a", "b"}}, {",", {}}, {" x ", {"x"}},
    };
    for (const auto& [text, pieces] : cases) {
        EXPECT_EQ(gf_splitComma(text), pieces) << text;
    }
    EXPECT_EQ(gf_split("a;b ; c", ';'), (Pieces{"a", "b", "c"}));
}

TEST(StringHelpers, CommaListToSortedSetKeepsEmptyPieces) {
    const std::pair<std::string, Pieces> cases[] = {
        {"", {}}, {"b, a,b", {"a", "b"}}, {"a,,a", {"", "a"}}, {"a,", {"", "a"}}, {"KLM,AFR,KLM", {"AFR", "KLM"}},
    };
    for (const auto& [text, pieces] : cases) {
        EXPECT_EQ(gf_commaListToSortedSet(text), pieces) << text;
    }
}

TEST(StringHelpers, SplitOnCommaKeepsEmptyPiecesInOrder) {
    const std::pair<std::string, Pieces> cases[] = {
        {"", {}}, {"A,,B", {"A", "", "B"}}, {" b , a ", {"b", "a"}}, {",", {"", ""}}, {" ", {""}},
    };
    for (const auto& [text, pieces] : cases) {
        EXPECT_EQ(gf_splitOnComma(text), pieces) << text;
    }
}

TEST(StringHelpers, TrimInPlace) {
    const std::pair<std::string, std::string> cases[] = {
        {"a,,b", "a,,b"},     // no whitespace: untouched, empty items kept
        {"a, ,b", "a,b"},     // whitespace: rejoined without empty items
        {"a, b, c", "a,b,c"}, // blanks after commas removed
        {"", ""},
    };
    for (const auto& [before, after] : cases) {
        std::string text = before;
        gf_trimInPlace(text);
        EXPECT_EQ(text, after) << before;
    }
}

TEST(StringHelpers, FormatOneDecimal) {
    EXPECT_EQ(gf_formatOneDecimal(2.0f), "2");
    EXPECT_EQ(gf_formatOneDecimal(2.25f), "2.2"); // the exact value rounds to even
    EXPECT_EQ(gf_formatOneDecimal(-1.5f), "-1.5");
    EXPECT_EQ(gf_formatOneDecimal(0.0f), "0");
}

TEST(StringHelpers, BannerLine) {
    EXPECT_EQ(gf_bannerLine(70, 0, true, false, "parameters"),
              "\n" + std::string(34, '*') + " parameters " + std::string(34, '*'));
    EXPECT_EQ(gf_bannerLine(70, 10, false, true, ""), std::string(80, '*') + "\n");
    EXPECT_EQ(gf_bannerLine(3, 0, true, false, "abc"), "\nabc");
    EXPECT_EQ(gf_bannerLine(3, 0, false, false, ""), "****"); // odd counts round up
}

TEST(StringHelpers, UpperCase) {
    EXPECT_EQ(gf_toUpper("eham-1\xC3\xBC"), "EHAM-1\xC3\xBC"); // only a-z change
}

} // namespace
} // namespace kiv
