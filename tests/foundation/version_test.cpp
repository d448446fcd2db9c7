#include "foundation/version.h"

#include <gtest/gtest.h>

#include "foundation/program_identity.h"

namespace kiv {
namespace {

TEST(Version, ParsesTextAndJson) {
    const std::pair<const char*, Version> cases[] = {
        {"16.8.4", {16, 8, 4}},
        {"5.2", {5, 2, 0}},
        {"", {0, 0, 0}},
        {" 1.2.3", {0, 0, 0}},
        {"v1.2", {0, 0, 0}},
        {"1.2.3.4", {0, 0, 0}},
        {"1.2-beta", {0, 0, 0}},
        {"1..2", {0, 0, 0}},
        {"12345678901.0", {0, 0, 0}},
        {"2147483647.0.1", {2147483647, 0, 1}},
        {R"( {"major": 2, "minor": 1} )", {2, 1, 0}},
        {R"({"major": "2"})", {0, 0, 0}},
        {"{not json", {0, 0, 0}},
    };
    for (const auto& [text, version] : cases) {
        EXPECT_EQ(Version(text), version) << text;
    }
}

TEST(Version, OrdersByMajorMinorPatch) {
    EXPECT_GT(Version("1.10.0"), Version("1.9.9"));
    EXPECT_EQ(Version("2.0"), Version("2.0.0"));
    EXPECT_LT(Version("2.0.0"), Version("2.0.1"));
    EXPECT_EQ(gf_formatVersion(gf_programVersion()), "16.8.4");
}

} // namespace
} // namespace kiv
