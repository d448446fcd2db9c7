#include <algorithm>
#include <stdexcept>

#include <gtest/gtest.h>

#include "foundation/icao_code.h"
#include "foundation/socket_error_text.h"
#include "foundation/user_related_exception.h"

namespace kiv {
namespace {

TEST(UserRelatedException, TextIsCodeColonMessage) {
    const UserRelatedException withText(41, "abc");
    EXPECT_STREQ(withText.what(), "41: abc");
    EXPECT_EQ(withText.code(), 41);
    EXPECT_STREQ(UserRelatedException(2026, "").what(), "2026: ");

    const UserRelatedException copy = withText;
    EXPECT_STREQ(copy.what(), "41: abc");
    EXPECT_EQ(copy.code(), 41);
}

TEST(IcaoCode, ParsesFourLettersAndDigits) {
    const struct {
        const char* text;
        const char* parsed;
        std::uint32_t key;
    } cases[] = {
        {"EHAM", "EHAM", 0x4548414D},
        {"eham", "EHAM", 0x4548414D},
        {"0A12", "0A12", 0x30413132},
        {"zZ9a", "ZZ9A", 0x5A5A3941},
    };
    for (const auto& c : cases) {
        const IcaoCode code(c.text);
        EXPECT_EQ(code.text(), c.parsed);
        EXPECT_EQ(code.key(), c.key);
        ASSERT_TRUE(IcaoCode::tryParse(c.text).has_value());
        EXPECT_EQ(*IcaoCode::tryParse(c.text), code);
    }
}

TEST(IcaoCode, RefusesOtherTexts) {
    const std::string refused[] = {"", "EHA", "EHAMX", "EH-M", "EH\xC3\x84M", "EH M"};
    for (const std::string& text : refused) {
        EXPECT_FALSE(IcaoCode::tryParse(text).has_value()) << text;
        try {
            IcaoCode code(text);
            ADD_FAILURE() << "accepted " << text;
        } catch (const std::invalid_argument& e) {
            EXPECT_EQ(std::string(e.what()), "'" + text + "' IcaoCode: invalid string");
        }
    }
    EXPECT_FALSE(IcaoCode::tryParse(std::string("EH\0M", 4)).has_value());
}

TEST(IcaoCode, EmptyCodeHasKeyZeroAndNoText) {
    const IcaoCode empty;
    EXPECT_TRUE(empty.empty());
    EXPECT_EQ(empty.key(), 0u);
    EXPECT_EQ(empty.text(), "");
    EXPECT_FALSE(IcaoCode("EHAM").empty());
    EXPECT_LT(empty, IcaoCode("0000"));
}

TEST(IcaoCode, OrdersLikeTheText) {
    std::vector<IcaoCode> codes{IcaoCode("ZZZZ"), IcaoCode("AAAA"), IcaoCode("0A12"), IcaoCode("EHAM"),
                                IcaoCode("EGLL")};
    std::sort(codes.begin(), codes.end());
    std::vector<std::string_view> texts;
    for (const IcaoCode& code : codes) {
        texts.push_back(code.text());
    }
    EXPECT_EQ(texts, (std::vector<std::string_view>{"0A12", "AAAA", "EGLL", "EHAM", "ZZZZ"}));
}

TEST(SocketErrorText, KnownAndUnknownCodes) {
    const std::pair<std::int32_t, const char*> cases[] = {
        {10054, "10054 Connection reset by peer"},
        {10004, "10004 Interrupted system call"},
        {10040, "10040 Messenger too long"},
        {10058, "10058 Can't send numLines socket shutdown"},
        {10071, "10071 Too many levels of remote in path"},
        {10072, "10072 Unknown errror code"},
        {10090, "10090 Unknown errror code"},
        {10091, "10091 Network system is unavailable"},
        {11001, "11001 Host not found"},
        {11002, "11002 Unknown errror code"},
        {11004, "11004 No host data of that type was found"},
        {0, "0 Unknown errror code"},
        {-1, "-1 Unknown errror code"},
    };
    for (const auto& [code, text] : cases) {
        EXPECT_EQ(gf_socketErrorText(code), text);
    }
}

} // namespace
} // namespace kiv
