// Kills a process that keeps storing settings at random moments and checks, after every
// kill, that "parameters.xml" is whole: it parses, holds every key once, the settings the
// process did not touch are as they were, and each stored setting holds the value of its
// last completed store or of the one in flight, never less than before (nothing lost).
// Its ".bak" must be just as whole and hold the file as it was before the latest save: at
// most one store behind the file.
#include <array>
#include <chrono>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <thread>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "platform/child_process.h"
#include "settings/data_folder.h"
#include "settings/parameters_file.h"
#include "test_support/temp_folder.h"

namespace kiv {
namespace {

constexpr int kKills = 200;
// In store order, as the helper program writes them; texts carry an "R" before the round.
constexpr std::array<std::string_view, 4> kLoopKeys{"LAST_EPOCH_TIME:", "BLOCK_AIRCRAFT", "BLOCK_HEXIDDEC",
                                                    "DESTINATION"};

using FileValues = std::map<std::string, std::string>;

// Every key's value; empty when the file does not parse or holds a key twice.
std::optional<FileValues> readFileValues(const std::filesystem::path& path) {
    pugi::xml_document document;
    if (!document.load_file(path.c_str())) {
        return std::nullopt;
    }
    FileValues values;
    for (const pugi::xml_node element : document.child("root").child("parameters").children("parameter")) {
        if (!values.emplace(element.attribute("name").value(), element.attribute("value").value()).second) {
            return std::nullopt;
        }
    }
    return values;
}

// Round 0 is the start: the texts are empty then.
std::int64_t roundOf(const std::string& text) {
    if (text.empty()) {
        return 0;
    }
    return std::stoll(text.starts_with('R') ? text.substr(1) : text);
}

// The rounds of the loop keys must read n, .., n, n-1, .., n-1: the stores of one round
// complete in key order, so a later key can only be one round behind an earlier one.
::testing::AssertionResult roundsAreConsistent(const std::array<std::int64_t, 4>& rounds) {
    for (std::size_t i = 1; i < rounds.size(); ++i) {
        const std::int64_t step = rounds[i - 1] - rounds[i];
        if (step < 0 || step > 1 || rounds[0] - rounds[i] > 1) {
            return ::testing::AssertionFailure()
                   << "rounds " << rounds[0] << "," << rounds[1] << "," << rounds[2] << "," << rounds[3];
        }
    }
    return ::testing::AssertionSuccess();
}

std::filesystem::path sibling(const std::filesystem::path& file, std::string_view suffix) {
    return std::filesystem::path(file.string() + std::string(suffix));
}

// Parses, holds every key once, the settings the loop does not store are as they were at the
// start, and the loop keys are consistent; `rounds` receives their rounds.
::testing::AssertionResult checkWhole(const std::filesystem::path& path, const FileValues& initial,
                                      std::array<std::int64_t, 4>& rounds) {
    const std::optional<FileValues> values = readFileValues(path);
    if (!values) {
        return ::testing::AssertionFailure() << path.filename().string() << " does not parse or holds a key twice";
    }
    if (values->size() != initial.size()) {
        return ::testing::AssertionFailure() << path.filename().string() << " holds " << values->size() << " keys";
    }
    for (std::size_t i = 0; i < kLoopKeys.size(); ++i) {
        rounds[i] = roundOf(values->at(std::string(kLoopKeys[i])));
    }
    for (const auto& [key, value] : initial) {
        if (std::find(kLoopKeys.begin(), kLoopKeys.end(), key) == kLoopKeys.end() && values->at(key) != value) {
            return ::testing::AssertionFailure() << path.filename().string() << ": " << key << " changed";
        }
    }
    return roundsAreConsistent(rounds);
}

// The backup is the file before the latest save, or the file itself when the process died
// between keeping the backup and replacing the file: one key at most, one round behind.
bool atMostOneStoreBehind(const std::array<std::int64_t, 4>& backup, const std::array<std::int64_t, 4>& file) {
    int behind = 0;
    for (std::size_t i = 0; i < file.size(); ++i) {
        const std::int64_t step = file[i] - backup[i];
        if (step < 0 || step > 1) {
            return false;
        }
        behind += static_cast<int>(step);
    }
    return behind <= 1;
}

TEST(CrashConsistency, KilledStoresLeaveAWholeFileWithOldOrNewValues) {
    test_support::TempFolder folder;
    gf_setDataFolderForTesting(folder.path());
    gf_writeDefaultParameters();
    const std::filesystem::path file = gf_parametersFilePath();
    std::optional<FileValues> initial = readFileValues(file);
    ASSERT_TRUE(initial);

    std::mt19937 random(20240611U);
    std::uniform_int_distribution<int> afterReadyMicros(0, 4000);
    std::uniform_int_distribution<int> duringStartMicros(0, 30000);
    std::array<std::int64_t, 4> previous{0, 0, 0, 0};
    int killsDuringSave = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        {
            platform::ChildProcess child(KIV_STORE_LOOP_PROGRAM, {}, {{"VELT_P3D_DATA_DIR", folder.path().string()}});
            // Most kills hit the store loop; every fourth may also hit the start-up load.
            if (kill % 4 == 0) {
                std::this_thread::sleep_for(std::chrono::microseconds(duringStartMicros(random)));
            } else {
                ASSERT_EQ(child.readLine(), "ready") << "kill " << kill;
                std::this_thread::sleep_for(std::chrono::microseconds(afterReadyMicros(random)));
            }
            child.killHard();
            EXPECT_EQ(child.wait(), -9) << "kill " << kill;
        }
        killsDuringSave +=
            std::filesystem::exists(sibling(file, ".tmp")) || std::filesystem::exists(sibling(file, ".bak.tmp")) ? 1
                                                                                                                 : 0;

        std::array<std::int64_t, 4> rounds{};
        ASSERT_TRUE(checkWhole(file, *initial, rounds)) << "kill " << kill;
        for (std::size_t i = 0; i < kLoopKeys.size(); ++i) {
            EXPECT_GE(rounds[i], previous[i]) << "kill " << kill << ": " << kLoopKeys[i] << " lost a completed store";
        }
        // The first save of the run makes the backup; from then on it is always there.
        if (std::filesystem::exists(sibling(file, ".bak")) || previous[0] > 0) {
            std::array<std::int64_t, 4> backupRounds{};
            ASSERT_TRUE(checkWhole(sibling(file, ".bak"), *initial, backupRounds)) << "kill " << kill << ": .bak";
            EXPECT_TRUE(atMostOneStoreBehind(backupRounds, rounds)) << "kill " << kill << ": .bak";
        }
        previous = rounds;
    }
    // Without any completed store the test would have checked nothing but the start.
    EXPECT_GT(previous[0], 0);
    EXPECT_GT(killsDuringSave, 0) << "no kill landed during a save: the test proved nothing about torn files";
    std::printf("%d kills, %d during a save, %lld rounds stored\n", kKills, killsDuringSave,
                static_cast<long long>(previous[0]));
}

} // namespace
} // namespace kiv
