#include <gtest/gtest.h>

#include "traffic/park_stands.h"
#include "traffic_fakes.h"

namespace kiv {
namespace {

using test_support::TrafficFixture;

constexpr double kBaseLat = 50.0;
constexpr double kBaseLon = 8.5;

double northOf(double metres) { return kBaseLat + metres / 1852.0 / 60.0; }

Stand standAt(std::string id, std::uint32_t number, double latitude) {
    Stand stand;
    stand.id = std::move(id);
    stand.number = number;
    stand.latitude = latitude;
    stand.longitude = kBaseLon;
    return stand;
}

struct ParkStandsTest : TrafficFixture, ::testing::Test {
    void setStands(std::vector<Stand> stands) {
        state.parkStands = std::move(stands);
        gf_publishParkStands(state);
    }
    void setUserOnGround(bool onGround) {
        UserAircraftState user;
        user.onGround = onGround;
        state.publishedUser.store(std::make_shared<const UserAircraftState>(user));
    }
};

TEST_F(ParkStandsTest, NearestStandWithinTwentyMetres) {
    setUserOnGround(true);
    setStands({standAt("B15", 1, northOf(15.0)), standAt("A10", 2, northOf(-10.0)), standAt("C21", 3, northOf(40.0))});
    EXPECT_EQ(gf_findStandAtPosition(state, kBaseLat, kBaseLon), "A10");
    // 21 m from C21 and far from the others.
    EXPECT_EQ(gf_findStandAtPosition(state, northOf(61.0), kBaseLon), std::nullopt);
    EXPECT_EQ(gf_findStandAtPosition(state, northOf(40.0), kBaseLon), "C21");
}

TEST_F(ParkStandsTest, CacheAnswersNearbyQueriesUntilTheStandsChange) {
    setUserOnGround(true);
    setStands({standAt("A1", 1, northOf(0.0))});
    EXPECT_EQ(gf_findStandAtPosition(state, northOf(18.0), kBaseLon), "A1");
    // 5 m further lies outside the stand's 20 m, but within the cache's reach.
    EXPECT_EQ(gf_findStandAtPosition(state, northOf(23.0), kBaseLon), "A1");
    setStands({standAt("A1", 1, northOf(0.0))});
    EXPECT_EQ(gf_findStandAtPosition(state, northOf(23.0), kBaseLon), std::nullopt);
}

TEST_F(ParkStandsTest, NothingWhileTheUserIsAirborneOrWithoutStands) {
    setStands({standAt("A1", 1, kBaseLat)});
    setUserOnGround(false);
    EXPECT_EQ(gf_findStandAtPosition(state, kBaseLat, kBaseLon), std::nullopt);
    setUserOnGround(true);
    EXPECT_EQ(gf_findStandAtPosition(state, kBaseLat, kBaseLon), "A1");
    setStands({});
    EXPECT_EQ(gf_findStandAtPosition(state, kBaseLat, kBaseLon), std::nullopt);
}

TEST_F(ParkStandsTest, StandNames) {
    setStands({standAt("A1", 1, kBaseLat), standAt("B2", 7, kBaseLat)});
    const std::pair<std::int32_t, const char*> cases[] = {
        {0, "sid==0?"}, {-3, "sid==?"}, {1, "A1"}, {2, "sid==?"}, {3, "sid==?"}};
    for (const auto& [id, name] : cases) {
        EXPECT_EQ(gf_standName(state, id), name) << id;
    }
}

TEST_F(ParkStandsTest, ResetEmptiesEveryTableQueueAndTheMailbox) {
    addLive(100001);
    state.statics.emplace_back(AircraftInfo{}, 1, StandPose{}, false, "");
    setStands({standAt("A1", 1, kBaseLat)});
    state.removalQueue.push_back(5);
    state.liveCreationQueue.push_back({});
    state.addingStack.push_back(100001);
    state.delayedLightCommands.push_back({100001, 5, 0});
    state.failedSpawnSet.insert(42);
    state.fastPollFlag = true;
    state.currentSlot = 99;
    state.mailbox.slot.push_back({});
    state.mailbox.deliveryStopped = true;

    gf_resetTraffic(state);

    EXPECT_TRUE(state.live.empty());
    EXPECT_TRUE(state.statics.empty());
    EXPECT_TRUE(state.parkStands.empty());
    EXPECT_TRUE(state.parkStandsSnapshot.load()->empty());
    EXPECT_TRUE(state.removalQueue.empty());
    EXPECT_TRUE(state.liveCreationQueue.empty());
    EXPECT_TRUE(state.addingStack.empty());
    EXPECT_TRUE(state.delayedLightCommands.empty());
    EXPECT_TRUE(state.failedSpawnSet.empty());
    EXPECT_FALSE(state.fastPollFlag);
    EXPECT_EQ(state.currentSlot.load(), 0u);
    EXPECT_TRUE(state.mailbox.slot.empty());
    EXPECT_FALSE(state.mailbox.deliveryStopped);
    EXPECT_EQ(airports.clears, 1);
    EXPECT_EQ(models.liveryMapClears, 1);
    const std::vector<std::string> expectedPosts = {"LiveCount 0", "ParkCounts 0,0", "Repaint 2"};
    EXPECT_EQ(shell.posts, expectedPosts);
}

} // namespace
} // namespace kiv
