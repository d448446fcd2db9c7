#include <cstdlib>
#include <map>

#include <gtest/gtest.h>

#include "platform/known_folders.h"

namespace kiv::platform {
namespace {

TEST(RoamingAppDataPath, FollowsTheXdgRule) {
    using Env = std::map<std::string, std::string>;
    const struct {
        Env env;
        std::optional<std::filesystem::path> expected;
    } cases[] = {
        {{{"XDG_CONFIG_HOME", "/x/config"}, {"HOME", "/home/u"}}, "/x/config"},
        {{{"XDG_CONFIG_HOME", "relative/config"}, {"HOME", "/home/u"}}, "/home/u/.config"},
        {{{"XDG_CONFIG_HOME", ""}, {"HOME", "/home/u"}}, "/home/u/.config"},
        {{{"HOME", "/home/u"}}, "/home/u/.config"},
        {{{"HOME", ""}}, std::nullopt},
        {{}, std::nullopt},
    };
    for (const auto& c : cases) {
        const EnvironmentLookup lookup = [&](std::string_view name) -> std::optional<std::string> {
            const auto found = c.env.find(std::string(name));
            return found == c.env.end() ? std::nullopt : std::optional<std::string>(found->second);
        };
        EXPECT_EQ(roamingAppDataPath(lookup), c.expected);
    }
}

TEST(EnvironmentVariable, TellsUnsetFromEmpty) {
    constexpr const char* kName = "KIV_TEST_VARIABLE_4711";
    ::unsetenv(kName);
    EXPECT_FALSE(environmentVariable(kName).has_value());
    ::setenv(kName, "", 1);
    EXPECT_EQ(environmentVariable(kName), std::optional<std::string>(""));
    ::setenv(kName, "/some/folder", 1);
    EXPECT_EQ(environmentVariable(kName), std::optional<std::string>("/some/folder"));
    ::unsetenv(kName);
}

} // namespace
} // namespace kiv::platform
