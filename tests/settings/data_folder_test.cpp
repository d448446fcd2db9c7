#include <map>

#include <gtest/gtest.h>

#include "settings/data_folder.h"
#include "test_support/temp_folder.h"

namespace kiv {
namespace {

TEST(DataFolder, OverrideThenAppDataThenAProblem) {
    using Env = std::map<std::string, std::string>;
    using Folder = std::optional<std::filesystem::path>;
    const struct {
        Env env;
        Folder appData;
        std::filesystem::path folder;
    } cases[] = {
        {{{"VELT_P3D_DATA_DIR", "/tmp/kiv data"}}, Folder("/home/u/.config"), "/tmp/kiv data"},
        {{{"VELT_P3D_DATA_DIR", ""}}, Folder("/home/u/.config"), "/home/u/.config/VELT_P3D"},
        {{}, Folder("/home/u/.config"), "/home/u/.config/VELT_P3D"},
        {{}, std::nullopt, ""},
    };
    for (const auto& c : cases) {
        const DataFolderPaths paths = gf_computeDataFolder(
            [&](std::string_view name) -> std::optional<std::string> {
                const auto found = c.env.find(std::string(name));
                return found == c.env.end() ? std::nullopt : std::optional<std::string>(found->second);
            },
            [&] { return c.appData; });
        EXPECT_EQ(paths.folder, c.folder);
        if (c.folder.empty()) {
            EXPECT_EQ(paths.problem, "Could not find the AppData path");
            EXPECT_TRUE(paths.parametersFile.empty());
        } else {
            EXPECT_FALSE(paths.problem.has_value());
            EXPECT_EQ(paths.parametersFile, c.folder / "parameters.xml");
            EXPECT_EQ(paths.parametersFileUtf8, (c.folder / "parameters.xml").string());
        }
    }
}

TEST(DataFolder, TestsCanMoveIt) {
    test_support::TempFolder folder;
    gf_setDataFolderForTesting(folder.path());
    EXPECT_EQ(gf_dataFolder(), folder.path());
    EXPECT_EQ(gf_parametersFilePath(), folder.path() / "parameters.xml");
}

} // namespace
} // namespace kiv
