#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "foundation/program_identity.h"
#include "foundation/version.h"
#include "test_support/log_capture.h"

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

TEST(Version, JsonNumbersOutsideThirtyTwoBitsCountAsNoNumber) {
    const std::pair<const char*, std::uint32_t> cases[] = {
        {R"({"v": 7})", 7},
        {R"({"v": 4294967295})", 4294967295u},
        {R"({"v": -1})", 0}, // would otherwise read as 4294967295, newer than anything
        {R"({"v": -4294967295})", 0},
        {R"({"v": 4294967296})", 0},
        {R"({"v": 18446744073709551615})", 0},
        {R"({"v": 1.5})", 0},
        {R"({"v": null})", 0},
        {R"({})", 0},
    };
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(gf_versionFromJson(nlohmann::json::parse(text), "v"), value) << text;
    }
    EXPECT_EQ(Version(R"({"major": -1, "minor": 2})"), (Version{0, 2, 0}));
}

TEST(Version, BadTextsLeaveOneLogLine) {
    using Lines = std::vector<std::string>;
    const std::pair<const char*, Lines> cases[] = {
        {"", {}},
        {R"({"major": "2"})", {}}, // a string value reads as 0 without complaint
        {"1.2-beta", {"VersionData exception: invalid version format"}},
        {"  ", {"VersionData exception: invalid version format"}},
        {"{not json", {"VersionData exception: invalid version format"}},
        {"[1, 2]", {"VersionData exception: invalid version format"}},
        {"12345678901.0", {"VersionData exception: parse error in version string"}},
        {"1.2147483648", {"VersionData exception: parse error in version string"}},
    };
    for (const auto& [text, lines] : cases) {
        test_support::LogCapture log;
        EXPECT_EQ(Version(text), Version{}) << text;
        EXPECT_EQ(log.lines(), lines) << text;
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
