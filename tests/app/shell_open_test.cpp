#include <filesystem>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "app/shell_open.h"
#include "test_support/file_contents.h"
#include "test_support/working_folder.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;

TEST(ShellOpen, OpensTheFolderThatHoldsAnExistingFile) {
    test_support::WorkingFolder folder;
    folder.write("tblo/tblo.zip", "zip");
    folder.write("tblo/deep/file.txt", "text");
    folder.write("loose.txt", "text");
    struct Case {
        const char* name;
        fs::path file;
        bool opened;
        std::optional<fs::path> folderShown;
    };
    for (const Case& c : {Case{"a file in a folder shows that folder", "tblo/tblo.zip", true, fs::path("tblo")},
                          Case{"a folder itself shows the folder that holds it", "tblo/deep", true,
                               fs::path("tblo")},
                          Case{"a missing file asks nobody", "tblo/absent.zip", false, std::nullopt},
                          Case{"a file without a folder in its path asks nobody", "loose.txt", false, std::nullopt}}) {
        SCOPED_TRACE(c.name);
        std::optional<fs::path> shown;
        const bool opened = gf_shellOpen(c.file, [&](const fs::path& target) {
            shown = target;
            return true;
        });
        EXPECT_EQ(opened, c.opened);
        EXPECT_EQ(shown, c.folderShown);
    }
}

TEST(ShellOpen, AFailingOpenerIsReported) {
    test_support::WorkingFolder folder;
    folder.write("new_version/README.txt", "read me");
    EXPECT_FALSE(gf_shellOpen("new_version/README.txt", [](const fs::path&) { return false; }));
}

} // namespace
} // namespace kiv
