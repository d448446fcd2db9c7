#include <algorithm>
#include <array>
#include <numeric>
#include <set>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/random.h"
#include "foundation/settings_readers.h"

namespace kiv {
namespace {

bool randomOff() { return false; }
bool randomOn() { return true; }

class RandomTest : public testing::Test {
protected:
    RandomTest() { gf_threadRng().seed(20240311u); }
    ~RandomTest() override { gf_installRandomFlagReader(nullptr); }
};

TEST_F(RandomTest, RandomIndexDrawsOnlyWhenThereIsAChoice) {
    const std::mt19937 before = gf_threadRng();
    EXPECT_EQ(gf_randomIndex(0), 0u);
    EXPECT_EQ(gf_randomIndex(1), 0u);
    EXPECT_EQ(gf_threadRng(), before) << "drew without a choice";

    std::set<std::uint64_t> seen;
    for (int i = 0; i < 500; ++i) {
        const std::uint64_t index = gf_randomIndex(7);
        ASSERT_LT(index, 7u);
        seen.insert(index);
    }
    EXPECT_EQ(seen.size(), 7u);
    EXPECT_NE(gf_threadRng(), before);
}

TEST_F(RandomTest, RandomOffMeansNoDrawsAndNoShuffle) {
    gf_installRandomFlagReader(&randomOff);
    const std::mt19937 before = gf_threadRng();
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(gf_randomIndex(1000), 0u);
    }
    std::vector<std::uint16_t> ids(20);
    std::iota(ids.begin(), ids.end(), std::uint16_t{100});
    const auto original = ids;
    gf_shuffleIds(ids);
    EXPECT_EQ(ids, original);
    EXPECT_EQ(gf_threadRng(), before);
}

TEST_F(RandomTest, ShuffleKeepsTheIdsAndFollowsTheEngine) {
    gf_installRandomFlagReader(&randomOn);
    std::vector<std::uint16_t> ids(20);
    std::iota(ids.begin(), ids.end(), std::uint16_t{100});
    const auto original = ids;

    gf_threadRng().seed(7u);
    gf_shuffleIds(ids);
    EXPECT_NE(ids, original);
    EXPECT_TRUE(std::is_permutation(ids.begin(), ids.end(), original.begin(), original.end()));

    auto again = original;
    gf_threadRng().seed(7u);
    gf_shuffleIds(again);
    EXPECT_EQ(again, ids);

    std::vector<std::uint16_t> single{42};
    const std::mt19937 before = gf_threadRng();
    gf_shuffleIds(single);
    EXPECT_EQ(single, std::vector<std::uint16_t>{42});
    EXPECT_EQ(gf_threadRng(), before);
}

TEST_F(RandomTest, VaryByPercentTakesItsSignFromOneDraw) {
    std::set<double> results;
    for (int i = 0; i < 64; ++i) {
        std::mt19937 copy = gf_threadRng();
        const double expected = (copy() & 1u) != 0 ? 90.0 : 110.0;
        EXPECT_DOUBLE_EQ(gf_varyByPercent(100.0, 10.0), expected);
        EXPECT_EQ(gf_threadRng(), copy) << "more than one draw";
        results.insert(expected);
    }
    EXPECT_EQ(results, (std::set<double>{90.0, 110.0}));

    for (const double percent : {0.0, -5.0}) {
        std::mt19937 copy = gf_threadRng();
        copy.discard(1);
        EXPECT_EQ(gf_varyByPercent(100.0, percent), 100.0);
        EXPECT_EQ(gf_threadRng(), copy) << "no draw for percent " << percent;
    }
}

TEST(RandomEngines, EachThreadHasItsOwnSeededApart) {
    // Fresh threads started together, each reporting its engine and its first draws: a seed
    // shared by all (or one left at the engine's default) makes the draws agree.
    constexpr int kThreads = 6;
    std::array<std::mt19937*, kThreads> engines{};
    std::array<std::array<std::uint32_t, 4>, kThreads> firstDraws{};
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&engines, &firstDraws, i] {
            engines[static_cast<std::size_t>(i)] = &gf_threadRng();
            for (std::uint32_t& draw : firstDraws[static_cast<std::size_t>(i)]) {
                draw = gf_threadRng()();
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    const std::set<std::mt19937*> distinctEngines(engines.begin(), engines.end());
    EXPECT_EQ(distinctEngines.size(), engines.size());
    EXPECT_FALSE(distinctEngines.contains(&gf_threadRng()));
    const std::set<std::array<std::uint32_t, 4>> distinctDraws(firstDraws.begin(), firstDraws.end());
    EXPECT_EQ(distinctDraws.size(), firstDraws.size());
}

} // namespace
} // namespace kiv
