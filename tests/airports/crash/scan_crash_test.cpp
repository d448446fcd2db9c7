// Kills a process that runs airport scans in a loop, alternating between two scenery
// folders, at random moments; after every kill the next start's recovery must leave the
// output folders exactly as one whole scan left them (of either folder, or as they were
// before the first scan), with no marker and no backup behind.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "airports/scan_transaction.h"
#include "platform/child_process.h"
#include "test_support/bgl_builder.h"
#include "test_support/folder_tree.h"
#include "test_support/temp_folder.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;
using test_support::FolderTree;

constexpr int kKills = 220;
constexpr int kAirportsPerFolder = 8;

// One scenery folder of airports "<letter>000".."<letter>023", each in a file of its own.
void writeScenery(const fs::path& folder, char letter) {
    for (int i = 0; i < kAirportsPerFolder; ++i) {
        test_support::AirportSpec spec;
        spec.code = fmt::format("{}{:03}", letter, i);
        spec.names = {spec.code + " Field"};
        spec.parkings = {{10, 8, 1, 20.0f, 90.0f, 50.0 + i * 0.01, 5.0, {}},
                         {10, 8, 2, 20.0f, 90.0f, 50.001 + i * 0.01, 5.0, {}}};
        spec.helipads = {{50.002 + i * 0.01, 5.0, 20.0f, 0.0f}};
        const fs::path path = folder / spec.code / "scenery" / "AP.bgl";
        fs::create_directories(path.parent_path());
        test_support::writeBytes(path, test_support::buildAirportBgl({test_support::bglAirport(spec)}).bytes);
    }
}

FolderTree outputsOf(const fs::path& programFolder) {
    FolderTree tree = test_support::readFolderTree(programFolder / "airports");
    std::erase_if(tree, [](const auto& entry) { return entry.first.starts_with("other"); });
    return tree;
}

// Runs the helper once in a fresh program folder: the outputs one whole scan leaves.
FolderTree referenceScan(const fs::path& scenery) {
    test_support::TempFolder folder;
    platform::ChildProcess child(KIV_SCAN_LOOP_PROGRAM, {folder.path().string(), "once", scenery.string()});
    EXPECT_EQ(child.wait(), 0);
    return outputsOf(folder.path());
}

TEST(ScanCrashConsistency, KilledScansLeaveTheOldOrTheNewOutputWhole) {
    test_support::TempFolder scenery;
    writeScenery(scenery.path() / "A", 'A');
    writeScenery(scenery.path() / "B", 'B');
    const auto started = std::chrono::steady_clock::now();
    const FolderTree afterA = referenceScan(scenery.path() / "A");
    const FolderTree afterB = referenceScan(scenery.path() / "B");
    const auto onceMicros =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started).count() / 2;
    ASSERT_EQ(afterA.size(), 2u + kAirportsPerFolder);
    ASSERT_EQ(afterB.size(), 2u + kAirportsPerFolder);

    test_support::TempFolder program;
    // Airport files the scan must never touch.
    test_support::writeTreeFile(program.path() / "airports/other/KEEP.xml", "keep");
    std::mt19937 random(20250101U);
    std::uniform_int_distribution<long> afterReadyMicros(0, 2 * onceMicros);
    std::map<std::string, int> seen;
    int killsInTransaction = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        {
            platform::ChildProcess child(
                KIV_SCAN_LOOP_PROGRAM,
                {program.path().string(), "loop", (scenery.path() / "A").string(), (scenery.path() / "B").string()});
            ASSERT_EQ(child.readLine(), "ready") << "kill " << kill;
            std::this_thread::sleep_for(std::chrono::microseconds(afterReadyMicros(random)));
            child.killHard();
            EXPECT_EQ(child.wait(), -9) << "kill " << kill;
        }
        killsInTransaction += fs::exists(program.path() / "airports/.airport_scan_in_progress") ? 1 : 0;

        const fs::path previous = fs::current_path();
        fs::current_path(program.path());
        const bool recovered = lf_recoverInterruptedScan();
        fs::current_path(previous);
        ASSERT_TRUE(recovered) << "kill " << kill;

        const FolderTree outputs = outputsOf(program.path());
        if (outputs == afterA) {
            ++seen["A"];
        } else if (outputs == afterB) {
            ++seen["B"];
        } else if (outputs.empty()) {
            ++seen["none yet"];
        } else {
            std::string names;
            for (const auto& [name, content] : outputs) {
                names += " " + name;
            }
            FAIL() << "kill " << kill << ": the outputs are no whole scan:" << names;
        }
        EXPECT_EQ(test_support::readFolderTree(program.path() / "airports/other").size(), 1u) << "kill " << kill;
    }
    // The kills must have hit scans in flight and both whole results must have occurred.
    EXPECT_GT(killsInTransaction, 0);
    EXPECT_GT(seen["A"], 0);
    EXPECT_GT(seen["B"], 0);
    std::printf("%d kills, %d during a transaction; whole outputs: A %d, B %d, none yet %d\n", kKills,
                killsInTransaction, seen["A"], seen["B"], seen["none yet"]);
}

} // namespace
} // namespace kiv
