#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "airports/scan_transaction.h"
#include "test_support/folder_tree.h"
#include "test_support/working_folder.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;
using test_support::FolderTree;
using test_support::readFolderTree;
using test_support::writeTreeFile;

const FolderTree kBase{{"airports", "<dir>"}, {"airports/other", "<dir>"}, {"airports/other/KEEP.xml", "keep"}};
const FolderTree kOldSimaddon{{"airports/my_simaddon", "<dir>"}, {"airports/my_simaddon/EHAM.xml", "old sim"}};
const FolderTree kOldThirdparty{{"airports/my_thirdparty", "<dir>"}, {"airports/my_thirdparty/EDDF.txt", "old link"}};
const FolderTree kNew{
    {"airports/my_simaddon", "<dir>"}, {"airports/my_simaddon/LFPG.xml", "new"}, {"airports/my_thirdparty", "<dir>"}};

FolderTree join(std::initializer_list<FolderTree> parts) {
    FolderTree tree;
    for (const FolderTree& part : parts) {
        tree.insert(part.begin(), part.end());
    }
    return tree;
}

// Writes a tree given as relative paths, `prefix` put in front of its two output folders.
void put(const FolderTree& tree, const std::string& from = "", const std::string& to = "") {
    for (const auto& [name, content] : tree) {
        std::string path = name;
        if (!from.empty() && path.starts_with(from)) {
            path = to + path.substr(from.size());
        }
        if (content == "<dir>") {
            fs::create_directories(path);
        } else {
            writeTreeFile(path, content);
        }
    }
}

void putBackup(const FolderTree& tree, const std::string& folder) {
    put(tree, "airports/" + folder, "airports/" + folder + ".scan_backup");
}

std::string readFile(const fs::path& path) { return readFolderTree(path.parent_path())[path.filename().string()]; }

class ScanTransactionTest : public ::testing::Test {
protected:
    ~ScanTransactionTest() override { gf_setScanRenameForTesting(nullptr); }

    FolderTree tree() const { return readFolderTree("."); }
    static FolderTree old() { return join({kBase, kOldSimaddon, kOldThirdparty}); }

    test_support::WorkingFolder folder;
};

TEST_F(ScanTransactionTest, FirstScanMarksZeroZeroAndCreatesEmptyFolders) {
    ScanTransaction transaction = lf_beginScanTransaction();
    EXPECT_EQ(readFile(gf_scanMarkerPath()), "0 0\n");
    EXPECT_EQ(transaction.active, 1);
    EXPECT_EQ(tree(), (FolderTree{{"airports", "<dir>"},
                                  {"airports/.airport_scan_in_progress", "0 0\n"},
                                  {"airports/my_simaddon", "<dir>"},
                                  {"airports/my_thirdparty", "<dir>"}}));
    lf_rollbackScanTransaction(transaction);
    EXPECT_EQ(tree(), (FolderTree{{"airports", "<dir>"}}));
}

TEST_F(ScanTransactionTest, CommitKeepsTheNewFoldersAndDropsTheBackups) {
    put(old());
    ScanTransaction transaction = lf_beginScanTransaction();
    EXPECT_EQ(tree(), join({kBase,
                            {{"airports/.airport_scan_in_progress", "1 1\n"},
                             {"airports/my_simaddon", "<dir>"},
                             {"airports/my_thirdparty", "<dir>"},
                             {"airports/my_simaddon.scan_backup", "<dir>"},
                             {"airports/my_simaddon.scan_backup/EHAM.xml", "old sim"},
                             {"airports/my_thirdparty.scan_backup", "<dir>"},
                             {"airports/my_thirdparty.scan_backup/EDDF.txt", "old link"}}}));
    put(kNew);
    lf_commitScanTransaction(transaction);
    EXPECT_EQ(tree(), join({kBase, kNew}));
    lf_rollbackScanTransaction(transaction); // after a commit: nothing to do
    EXPECT_EQ(tree(), join({kBase, kNew}));
}

TEST_F(ScanTransactionTest, RollbackRestoresThePreviousFoldersExactly) {
    for (const FolderTree& before : {old(), join({kBase, kOldSimaddon}), join({kBase, kOldThirdparty})}) {
        fs::remove_all("airports");
        put(before);
        ScanTransaction transaction = lf_beginScanTransaction();
        put(kNew);
        lf_rollbackScanTransaction(transaction);
        EXPECT_EQ(tree(), before);
        EXPECT_EQ(transaction.active, 0);
    }
}

TEST_F(ScanTransactionTest, AFailedCommitLeavesTheRollbackItsBackups) {
    put(old());
    ScanTransaction transaction = lf_beginScanTransaction();
    put(kNew);
    fs::remove(gf_scanMarkerPath());
    EXPECT_THROW(
        {
            try {
                lf_commitScanTransaction(transaction);
            } catch (const std::runtime_error& error) {
                EXPECT_THAT(error.what(), ::testing::StartsWith("could not commit airport scan transaction: "));
                throw;
            }
        },
        std::runtime_error);
    lf_rollbackScanTransaction(transaction);
    EXPECT_EQ(tree(), old());
}

TEST_F(ScanTransactionTest, AnUnreadableMarkerStopsTheScanAndStays) {
    put(join({kOldSimaddon, kOldThirdparty}));
    writeTreeFile(gf_scanMarkerPath(), "one two\n");
    const FolderTree before = tree();
    EXPECT_FALSE(lf_recoverInterruptedScan());
    EXPECT_THROW(
        {
            try {
                lf_beginScanTransaction();
            } catch (const std::runtime_error& error) {
                EXPECT_STREQ(error.what(), "could not recover airport data from an interrupted scan");
                throw;
            }
        },
        std::runtime_error);
    EXPECT_EQ(tree(), before);
}

// Fails every move of an output folder to its backup.
std::error_code refuseBackups(const fs::path& from, const fs::path& to) {
    if (to.filename().string().ends_with(".scan_backup")) {
        return std::make_error_code(std::errc::device_or_resource_busy);
    }
    fs::rename(from, to);
    return {};
}

// Fails only the move of my_thirdparty to its backup.
std::error_code refuseThirdpartyBackup(const fs::path& from, const fs::path& to) {
    if (to.filename() == "my_thirdparty.scan_backup") {
        return std::make_error_code(std::errc::device_or_resource_busy);
    }
    fs::rename(from, to);
    return {};
}

TEST_F(ScanTransactionTest, ABackupThatFailsBeforeAFolderMovedLeavesThatFolderAlone) {
    for (const ScanRenameFunction rename : {&refuseBackups, &refuseThirdpartyBackup}) {
        fs::remove_all("airports");
        put(old());
        gf_setScanRenameForTesting(rename);
        EXPECT_THROW(
            {
                try {
                    lf_beginScanTransaction();
                } catch (const std::runtime_error& error) {
                    EXPECT_THAT(error.what(), ::testing::StartsWith("could not preserve airports/my_"));
                    throw;
                }
            },
            std::runtime_error);
        EXPECT_EQ(tree(), old());
    }
}

std::error_code refuseEveryMove(const fs::path&, const fs::path&) {
    return std::make_error_code(std::errc::device_or_resource_busy);
}

TEST_F(ScanTransactionTest, ARollbackThatCannotFinishKeepsTheMarkerForTheNextRecovery) {
    put(old());
    ScanTransaction transaction = lf_beginScanTransaction();
    put(kNew);
    gf_setScanRenameForTesting(&refuseEveryMove);
    lf_rollbackScanTransaction(transaction);
    EXPECT_TRUE(fs::exists(gf_scanMarkerPath()));
    gf_setScanRenameForTesting(nullptr);
    EXPECT_TRUE(lf_recoverInterruptedScan());
    EXPECT_EQ(tree(), old());
}

struct CrashPoint {
    std::string name;
    std::function<void()> leaveOnDisk;
    FolderTree afterRecovery;
};

// Every point of the transaction at which the program may die, as the disk then looks,
// and what the next start's recovery must make of it.
std::vector<CrashPoint> crashPoints() {
    const FolderTree oldTree = join({kBase, kOldSimaddon, kOldThirdparty});
    const auto marker = [](const std::string& existed) { writeTreeFile(gf_scanMarkerPath(), existed + "\n"); };
    return {
        {"before the marker, with stale backups of a committed scan",
         [=] {
             put(oldTree);
             putBackup({{"airports/my_simaddon/X.xml", "stale"}}, "my_simaddon");
             putBackup({{"airports/my_thirdparty", "<dir>"}}, "my_thirdparty");
             writeTreeFile("airports/.airport_scan_in_progress.tmp", "1 ");
         },
         oldTree},
        {"marker written, nothing moved",
         [=] {
             put(oldTree);
             marker("1 1");
         },
         oldTree},
        {"my_simaddon moved, not yet made again",
         [=] {
             put(join({kBase, kOldThirdparty}));
             putBackup(kOldSimaddon, "my_simaddon");
             marker("1 1");
         },
         oldTree},
        {"my_simaddon moved and made again",
         [=] {
             put(join({kBase, kOldThirdparty}));
             putBackup(kOldSimaddon, "my_simaddon");
             fs::create_directories("airports/my_simaddon");
             marker("1 1");
         },
         oldTree},
        {"both moved, the scan half done",
         [=] {
             put(join({kBase, kNew}));
             putBackup(kOldSimaddon, "my_simaddon");
             putBackup(kOldThirdparty, "my_thirdparty");
             marker("1 1");
         },
         oldTree},
        {"first scan ever, half done",
         [=] {
             put(join({kBase, kNew}));
             marker("0 0");
         },
         kBase},
        {"only my_simaddon existed, the scan half done",
         [=] {
             put(join({kBase, kNew}));
             putBackup(kOldSimaddon, "my_simaddon");
             marker("1 0");
         },
         join({kBase, kOldSimaddon})},
        {"the commit removed the marker, not the backups",
         [=] {
             put(join({kBase, kNew}));
             putBackup(kOldSimaddon, "my_simaddon");
             putBackup(kOldThirdparty, "my_thirdparty");
         },
         join({kBase, kNew})},
        {"rollback restored my_simaddon, not yet my_thirdparty",
         [=] {
             put(join({kBase, kOldSimaddon, kNew}));
             fs::remove("airports/my_simaddon/LFPG.xml");
             putBackup(kOldThirdparty, "my_thirdparty");
             marker("1 1");
         },
         oldTree},
        {"rollback removed my_simaddon, its backup not yet moved back",
         [=] {
             put(join({kBase, kOldThirdparty}));
             putBackup(kOldSimaddon, "my_simaddon");
             fs::remove_all("airports/my_thirdparty");
             fs::create_directories("airports/my_thirdparty");
             putBackup(kOldThirdparty, "my_thirdparty");
             marker("1 1");
         },
         oldTree},
    };
}

TEST_F(ScanTransactionTest, RecoveryAfterEveryCrashPointLeavesTheOldOrTheNewFoldersWhole) {
    for (const CrashPoint& point : crashPoints()) {
        fs::remove_all("airports");
        point.leaveOnDisk();
        EXPECT_TRUE(lf_recoverInterruptedScan()) << point.name;
        EXPECT_EQ(tree(), point.afterRecovery) << point.name;
        // A second start finds nothing left to do.
        EXPECT_TRUE(lf_recoverInterruptedScan()) << point.name;
        EXPECT_EQ(tree(), point.afterRecovery) << point.name;
    }
}

} // namespace
} // namespace kiv
