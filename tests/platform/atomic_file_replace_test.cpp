
#include <gtest/gtest.h>

#include "platform/atomic_file_replace.h"
#include "test_support/file_contents.h"
#include "test_support/temp_folder.h"

namespace kiv::platform {
namespace {

using test_support::readFile;
using test_support::writeFile;

TEST(AtomicFileReplace, ReplacementTakesTheTargetsPlace) {
    for (const bool targetExists : {true, false}) {
        test_support::TempFolder folder;
        const auto target = folder.path() / "parameters.xml";
        const auto replacement = folder.path() / "parameters.xml.tmp";
        if (targetExists) {
            writeFile(target, "old");
        }
        writeFile(replacement, "new");
        EXPECT_FALSE(replaceFileDurably(replacement, target)) << targetExists;
        EXPECT_EQ(readFile(target), "new");
        EXPECT_FALSE(std::filesystem::exists(replacement));
    }
}

TEST(AtomicFileReplace, MissingReplacementLeavesTargetAlone) {
    test_support::TempFolder folder;
    const auto target = folder.path() / "parameters.xml";
    writeFile(target, "old");
    EXPECT_TRUE(replaceFileDurably(folder.path() / "absent.tmp", target));
    EXPECT_EQ(readFile(target), "old");
}

TEST(AtomicFileReplace, TargetThatIsAFolderIsRefused) {
    test_support::TempFolder folder;
    const auto target = folder.path() / "busy";
    std::filesystem::create_directories(target / "inside");
    const auto replacement = folder.path() / "new.tmp";
    writeFile(replacement, "new");
    EXPECT_TRUE(replaceFileDurably(replacement, target));
    EXPECT_TRUE(std::filesystem::is_directory(target / "inside"));
    EXPECT_EQ(readFile(replacement), "new");
}

} // namespace
} // namespace kiv::platform
