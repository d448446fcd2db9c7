// Kills a process that keeps rewriting the livery scan result store at random moments and
// checks after every kill that the store is whole: it parses and holds exactly one of the two
// sets of liveries the process alternates between, never a mixture or a cut file.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "platform/child_process.h"
#include "test_support/temp_folder.h"

namespace kiv {
namespace {

constexpr int kKills = 200;

// 'A' or 'B' when the store holds that whole set; 0 otherwise.
char storedSet(const std::filesystem::path& store) {
    pugi::xml_document document;
    if (!document.load_file(store.c_str())) {
        return 0;
    }
    std::size_t count = 0;
    char set = 0;
    for (const pugi::xml_node element : document.child("root").child("liveries").children("l")) {
        const char first = element.attribute("t").value()[0];
        if (set == 0) {
            set = first;
        }
        if (first != set || !element.attribute("a") || !element.attribute("m")) {
            return 0;
        }
        ++count;
    }
    return (set == 'A' && count == 100) || (set == 'B' && count == 150) ? set : 0;
}

TEST(StoreCrashConsistency, KilledWritesLeaveTheOldOrTheNewStoreWhole) {
    test_support::TempFolder folder;
    const std::filesystem::path store = folder.path() / "LiveriesScanned.xml";
    std::filesystem::path temporary = store;
    temporary += ".scan_tmp";

    std::mt19937 random(20240612U);
    std::uniform_int_distribution<int> afterReadyMicros(0, 40000);
    int seen[2] = {0, 0};
    int killsDuringWrite = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        {
            platform::ChildProcess child(KIV_STORE_LOOP_PROGRAM, {store.string()});
            ASSERT_EQ(child.readLine(), "ready") << "kill " << kill;
            // The first run must complete one store so that there is an old one to keep.
            const int micros = afterReadyMicros(random);
            if (kill == 0) {
                while (!std::filesystem::exists(store)) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
            }
            std::this_thread::sleep_for(std::chrono::microseconds(micros));
            child.killHard();
            EXPECT_EQ(child.wait(), -9) << "kill " << kill;
        }
        killsDuringWrite += std::filesystem::exists(temporary) ? 1 : 0;
        const char set = storedSet(store);
        ASSERT_NE(set, 0) << "kill " << kill << ": the store is not one whole set";
        ++seen[set - 'A'];
    }
    // Kills that never hit a write, or stores of one set only, would have checked little.
    EXPECT_GT(killsDuringWrite, 0);
    EXPECT_GT(seen[0], 0);
    EXPECT_GT(seen[1], 0);
    std::printf("%d kills, %d during a write, set A %d times, set B %d times\n", kKills, killsDuringWrite, seen[0],
                seen[1]);
}

} // namespace
} // namespace kiv
