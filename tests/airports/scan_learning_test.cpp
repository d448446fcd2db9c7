#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "airports/scan_learning.h"
#include "foundation/program_paths.h"
#include "platform/child_process.h"
#include "scan_fakes.h"
#include "test_support/folder_tree.h"
#include "test_support/log_capture.h"
#include "test_support/working_folder.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;
using test_support::FolderTree;
using test_support::writeTreeFile;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

// What Python's own zipfile module reads from the archive: "name size" per entry, then the
// result of its CRC check ("ok" or the first bad entry), then each entry's text.
std::vector<std::string> readWithPython(const fs::path& zip) {
    const std::string script = "import sys, zipfile\n"
                               "z = zipfile.ZipFile(sys.argv[1])\n"
                               "for i in z.infolist(): print(i.filename, i.file_size)\n"
                               "print(z.testzip() or 'ok')\n"
                               "for i in z.infolist(): print(z.read(i).decode())\n";
    platform::ChildProcess python("/usr/bin/python3", {"-c", script, fs::absolute(zip).string()});
    std::vector<std::string> lines;
    while (std::optional<std::string> line = python.readLine()) {
        lines.push_back(*line);
    }
    EXPECT_EQ(python.wait(), 0);
    return lines;
}

class ScanLearningTest : public ::testing::Test {
protected:
    ScanLearningTest() {
        tables.weekly = {"EHAM", "LFPG", "VHHX"};
        fs::create_directories(gf_paths().supportFolder);
    }

    void copyAndZip() {
        lf_copySimaddonsToTblo(tables);
        lf_copyThirdPartiesToTblo(tables);
        lf_zipTblo(shell, "support@example.org");
    }

    test_support::WorkingFolder folder;
    test_support::LogCapture log;
    test_support::FakeScanTables tables;
    test_support::RecordingScanShell shell;
};

TEST_F(ScanLearningTest, WeeklyAirportsAreZippedAndALinkedCopyLeavesItsFolder) {
    writeTreeFile("airports/my_simaddon/EHAM.xml", "generated EHAM");
    writeTreeFile("airports/my_simaddon/EHAM.txt", "archive/simaddon/EHAM.enc");
    writeTreeFile("airports/my_simaddon/VHHX.xml", "generated VHHX");
    writeTreeFile("airports/my_simaddon/EDDF.xml", "generated EDDF");
    writeTreeFile("airports/my_thirdparty/LFPG.xml", "generated LFPG");
    writeTreeFile("tblo/tblo.zip", "an archive of an earlier run");
    copyAndZip();

    EXPECT_EQ(test_support::readFolderTree("airports"),
              (FolderTree{{"my_simaddon", "<dir>"},
                          {"my_simaddon/EHAM.txt", "archive/simaddon/EHAM.enc"},
                          {"my_simaddon/VHHX.xml", "generated VHHX"},
                          {"my_simaddon/EDDF.xml", "generated EDDF"},
                          {"my_thirdparty", "<dir>"},
                          {"my_thirdparty/LFPG.xml", "generated LFPG"}}));
    const FolderTree tblo = test_support::readFolderTree("tblo");
    EXPECT_EQ(tblo.size(), 2u);
    EXPECT_EQ(tblo.at("email address.txt"), "support@example.org");
    std::vector<std::string> entries = readWithPython("tblo/tblo.zip");
    ASSERT_EQ(entries.size(), 5u);
    std::sort(entries.begin(), entries.begin() + 2);
    EXPECT_EQ(entries[0], "EHAM.xml 14");
    EXPECT_EQ(entries[1], "LFPG.xml 14");
    EXPECT_EQ(entries[2], "ok");
    EXPECT_THAT(entries, Contains("generated EHAM"));
    EXPECT_THAT(log.lines(), Contains("1 simaddon file copied to tblo folder"));
    EXPECT_THAT(shell.calls, ElementsAre("hint flag 1", "tblo button on", "support hint", "repaint 2"));
}

TEST_F(ScanLearningTest, NothingToLearnLeavesTbloEmpty) {
    writeTreeFile("airports/my_simaddon/EDDF.xml", "not supported this week");
    writeTreeFile("airports/my_thirdparty/VHHX.xml", "never sent");
    writeTreeFile("airports/my_thirdparty/LFPG.txt", "archive/thirdparty/P/LFPG.enc");
    copyAndZip();
    EXPECT_EQ(test_support::readFolderTree("tblo"), FolderTree{});
    EXPECT_THAT(log.lines(),
                Contains("All your simaddon and third party airports are recognised, no off line learning needed."));
    EXPECT_THAT(shell.calls, ElementsAre("hint flag 0"));
}

TEST_F(ScanLearningTest, AFailedZipKeepsTheCopies) {
    writeTreeFile("airports/my_simaddon/EHAM.xml", "generated EHAM");
    writeTreeFile("airports/my_simaddon/EHAM.txt", "archive/simaddon/EHAM.enc");
    // A folder where the archive should go: the zip cannot be written.
    writeTreeFile("tblo/tblo.zip/inside", "x");
    copyAndZip();
    EXPECT_FALSE(fs::exists("airports/my_simaddon/EHAM.xml"));
    EXPECT_EQ(test_support::WorkingFolder::read("tblo/EHAM.xml"), "generated EHAM");
    EXPECT_THAT(log.lines(), Contains("==> Zippen TBLO folder failed"));
    // The folder is still offered, so the user can send the files by hand.
    EXPECT_THAT(shell.calls, ElementsAre("hint flag 1", "tblo button on", "support hint", "repaint 2"));
}

TEST_F(ScanLearningTest, AZipNeedsAFileAndAFolder) {
    EXPECT_FALSE(lf_zipFolder("tblo/tblo.zip")); // nothing to add
    EXPECT_FALSE(fs::exists("tblo/tblo.zip"));
    writeTreeFile("tblo/EHAM.xml", "x");
    EXPECT_TRUE(lf_zipFolder("tblo/tblo.zip"));
    EXPECT_GT(fs::file_size("tblo/tblo.zip"), 0u);
    fs::remove_all("tblo");
    EXPECT_FALSE(lf_zipFolder("tblo.zip"));
    EXPECT_THAT(log.lines(), Contains("[zip] Not a directory: tblo"));
}

} // namespace
} // namespace kiv
