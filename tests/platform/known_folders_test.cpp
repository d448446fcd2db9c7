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
    EXPECT_FALSE(environmentVariable("KIV_SURELY_NOT_SET_ANYWHERE_4711").has_value());
    ASSERT_TRUE(environmentVariable("PATH").has_value());
}

} // namespace
} // namespace kiv::platform
