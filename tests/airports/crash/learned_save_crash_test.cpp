// Kills a process that saves the learned copy of an airport in a loop, alternating between two
// contents, at random moments; after every kill the learned copy must be whole: absent before
// the first save, else exactly one of the two contents, and readable as an airport file.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <thread>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "platform/child_process.h"
#include "test_support/file_contents.h"
#include "test_support/temp_folder.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;

constexpr int kKills = 220;
const fs::path kLearned = "airports/learned/stock/EHAM.xml";

std::string savedOnce(const char* which) {
    test_support::TempFolder folder;
    platform::ChildProcess child(KIV_LEARNED_SAVE_PROGRAM, {folder.path().string(), "once", which});
    EXPECT_EQ(child.wait(), 0);
    return test_support::readFile(folder.path() / kLearned);
}

TEST(LearnedSaveCrashConsistency, KilledSavesLeaveTheOldOrTheNewCopyWhole) {
    const auto started = std::chrono::steady_clock::now();
    const std::string a = savedOnce("a");
    const std::string b = savedOnce("b");
    const auto onceMicros =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started).count() / 2;
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    ASSERT_NE(a, b);

    test_support::TempFolder program;
    std::mt19937 random(20261211U);
    std::uniform_int_distribution<long> afterReadyMicros(0, onceMicros);
    std::map<std::string, int> seen;
    for (int kill = 0; kill < kKills; ++kill) {
        {
            platform::ChildProcess child(KIV_LEARNED_SAVE_PROGRAM, {program.path().string(), "loop"});
            ASSERT_EQ(child.readLine(), "ready") << "kill " << kill;
            std::this_thread::sleep_for(std::chrono::microseconds(afterReadyMicros(random)));
            child.killHard();
            EXPECT_EQ(child.wait(), -9) << "kill " << kill;
        }
        const fs::path learned = program.path() / kLearned;
        if (!fs::exists(learned)) {
            ++seen["none yet"];
            continue;
        }
        const std::string content = test_support::readFile(learned);
        pugi::xml_document document;
        ASSERT_TRUE(document.load_string(content.c_str())) << "kill " << kill;
        if (content == a) {
            ++seen["a"];
        } else if (content == b) {
            ++seen["b"];
        } else {
            FAIL() << "kill " << kill << ": the learned copy is neither save";
        }
    }
    EXPECT_GT(seen["a"], 0);
    EXPECT_GT(seen["b"], 0);
    std::printf("%d kills; whole copies: a %d, b %d, none yet %d\n", kKills, seen["a"], seen["b"], seen["none yet"]);
}

} // namespace
} // namespace kiv
