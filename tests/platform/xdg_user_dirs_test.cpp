#include <map>

#include <gtest/gtest.h>

#include "platform/xdg_user_dirs.h"
#include "test_support/file_contents.h"
#include "test_support/temp_folder.h"

namespace kiv::platform {
namespace {

EnvironmentLookup fakeEnvironment(std::map<std::string, std::string> values) {
    return [values = std::move(values)](std::string_view name) -> std::optional<std::string> {
        const auto found = values.find(std::string(name));
        return found == values.end() ? std::nullopt : std::optional<std::string>(found->second);
    };
}

TEST(XdgUserDirs, FoldersFromEnvironmentFileAndFallbacks) {
    test_support::TempFolder temp;
    const auto config = temp.path() / "config";
    test_support::writeFile(config / "user-dirs.dirs", "# written by xdg-user-dirs-update\n"
                                                       "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n"
                                                       "XDG_PUBLICSHARE_DIR=\"/srv/share\"\n");
    const auto withFile = fakeEnvironment({{"HOME", "/home/pilot"}, {"XDG_CONFIG_HOME", config.string()}});
    EXPECT_EQ(documentsFolder(withFile), std::filesystem::path("/home/pilot/Dokumente"));
    EXPECT_EQ(publicShareFolder(withFile), std::filesystem::path("/srv/share"));

    const auto bare = fakeEnvironment({{"HOME", "/home/pilot"}, {"XDG_CONFIG_HOME", (temp.path() / "none").string()}});
    EXPECT_EQ(documentsFolder(bare), std::filesystem::path("/home/pilot/Documents"));
    EXPECT_EQ(publicShareFolder(bare), std::filesystem::path("/home/pilot/Public"));

    const auto overridden = fakeEnvironment({{"HOME", "/home/pilot"}, {"XDG_DOCUMENTS_DIR", "/data/docs"}});
    EXPECT_EQ(documentsFolder(overridden), std::filesystem::path("/data/docs"));
}

} // namespace
} // namespace kiv::platform
