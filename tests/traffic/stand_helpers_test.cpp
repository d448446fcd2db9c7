#include "traffic/stand_helpers.h"

#include <gtest/gtest.h>

#include "parking_test_support.h"
#include "test_support/log_capture.h"

namespace kiv {
namespace {

using test_support::daySlot;
using test_support::makeOption;

class StandHelpersTest : public ::testing::Test, public test_support::ParkingFixture {};

TEST_F(StandHelpersTest, StandByIdAcceptsOnlyAnElementHoldingThatId) {
    setStands(3);
    state.parkStands[2].number = 7; // out of order: no longer found by its position
    EXPECT_EQ(gf_standById(state, 0), nullptr);
    EXPECT_EQ(gf_standById(state, -1), nullptr);
    EXPECT_EQ(gf_standById(state, 4), nullptr);
    EXPECT_EQ(gf_standById(state, 3), nullptr);
    ASSERT_NE(gf_standById(state, 2), nullptr);
    EXPECT_EQ(gf_standById(state, 2)->id, "A2");
    EXPECT_EQ(gf_findParkStandByIdText(state, "A2"), &state.parkStands[1]);
    EXPECT_EQ(gf_findParkStandByIdText(state, "A9"), nullptr);
}

TEST_F(StandHelpersTest, StandExcludesItselfAndItsListOnly) {
    setStands(3);
    state.parkStands[0].overlaps = {3};
    EXPECT_TRUE(gf_standExcludes(state, 1, 1));
    EXPECT_TRUE(gf_standExcludes(state, 1, 3));
    EXPECT_FALSE(gf_standExcludes(state, 3, 1)); // not symmetric unless both lists say so
    EXPECT_FALSE(gf_standExcludes(state, 1, 2));
    EXPECT_FALSE(gf_standExcludes(state, 9, 3));
}

TEST_F(StandHelpersTest, FillStandMarksBlocksAndCounts) {
    setStands(4);
    state.parkStands[0].overlaps = {2, 0, 9};
    EXPECT_FALSE(gf_fillStand(state, 1, 2));
    EXPECT_TRUE(state.parkStands[0].filled);
    EXPECT_TRUE(state.parkStands[1].blocked);
    EXPECT_FALSE(state.parkStands[2].blocked);
    EXPECT_TRUE(gf_fillStand(state, 3, 2));
    // A filled stand is refused even though enough stands are filled.
    EXPECT_FALSE(gf_fillStand(state, 3, 1));
    EXPECT_FALSE(gf_fillStand(state, 0, 0));
    EXPECT_FALSE(gf_fillStand(state, 5, 0));
}

TEST_F(StandHelpersTest, MaxParkFromPercentageAndSelection) {
    struct Case {
        std::size_t stands;
        std::int32_t percentage;
        std::int32_t max;
        std::int32_t expected;
        const char* post;
    };
    const Case cases[] = {
        {3, 49, 500, 1, "MaxPark 1,33"}, {3, 50, 500, 2, "MaxPark 2,67"}, {4, 10, 500, 0, "MaxPark 0,0"},
        {0, 30, 500, 1, "MaxPark 1,0"},  {1, 0, 500, 1, "MaxPark 1,100"}, {10, 30, 2, 2, "MaxPark 2,20"},
        {10, 30, 0, 0, "MaxPark 0,0"},   {10, 25, 500, 3, "MaxPark 3,30"}, // 2.5 rounds away from zero
    };
    for (const Case& c : cases) {
        setStands(c.stands);
        shell.posts.clear();
        EXPECT_EQ(gf_computeMaxPark(state, {c.percentage, c.max}), c.expected) << c.stands << " " << c.percentage;
        EXPECT_EQ(state.maxParkCount, c.expected);
        EXPECT_EQ(shell.posts, std::vector<std::string>{c.post}) << c.stands << " " << c.percentage;
    }
}

TEST_F(StandHelpersTest, OptionFitsStandingLooksBackWithinTheDay) {
    setStands(1);
    AircraftInfo aircraft;
    aircraft.head.registration = "D-ABCD";
    aircraft.head.liveryKey = {5, 0, 1, 0, 1};
    FlightOption option = makeOption("D-ABCD", 2, {0});
    option.key = {5, 0, 1, 0, 0}; // the present flag is not compared
    state.parkStands[0].options = {option};
    EXPECT_TRUE(gf_optionFitsStanding(state, daySlot(2, 1), 5, false, 1, aircraft));
    EXPECT_FALSE(gf_optionFitsStanding(state, daySlot(2, 6), 5, false, 1, aircraft)); // slots 6..1
    EXPECT_FALSE(gf_optionFitsStanding(state, daySlot(3, 1), 5, false, 1, aircraft));
    EXPECT_TRUE(gf_optionFitsStanding(state, daySlot(3, 1), 5, true, 1, aircraft));
    EXPECT_FALSE(gf_optionFitsStanding(state, daySlot(2, 1), 5, false, 2, aircraft));
    aircraft.head.liveryKey.operatorId = 3;
    EXPECT_FALSE(gf_optionFitsStanding(state, daySlot(2, 1), 5, false, 1, aircraft));
}

TEST_F(StandHelpersTest, StaticFitLeavesOutAircraftParkedBeforeTheWeekTurned) {
    setStands(2);
    addStatic(1, 1).parkedSlot = daySlot(7, 47);
    addStatic(2, 2, SimState::adding2sim).parkedSlot = daySlot(7, 40);
    setNow(7, 47);
    EXPECT_EQ(gf_countStaticParked(state, true), 1);
    EXPECT_EQ(shell.posts.back(), "StaticFit 0.5");
    setNow(1, 0);
    EXPECT_EQ(gf_countStaticParked(state, true), 1);
    EXPECT_EQ(shell.posts.back(), "StaticFit 0.0");
    state.statics[0].parkedSlot = daySlot(1, 0);
    setNow(1, 6);
    gf_countStaticParked(state, true);
    EXPECT_EQ(shell.posts.back(), "StaticFit 3.5");
    shell.posts.clear();
    state.staticFitHidden = true;
    gf_countStaticParked(state, true);
    gf_countStaticParked(state, false);
    EXPECT_TRUE(shell.posts.empty());
}

TEST_F(StandHelpersTest, UserStandBlockingCoversItsExclusionsAndLogs) {
    test_support::LogCapture log;
    setStands(3);
    state.parkStands[1].overlaps = {3};
    gf_blockUserStandForStatic(state, "B7", "User");
    EXPECT_TRUE(log.lines().empty());
    gf_blockUserStandForStatic(state, "A2", "Reserved");
    EXPECT_FALSE(state.parkStands[0].blocked);
    EXPECT_TRUE(state.parkStands[1].blocked);
    EXPECT_TRUE(state.parkStands[2].blocked);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "Reserved user stand 'A2' blocked for static aircraft",
                               "A3 excluded by Reserved user stand 'A2' blocked for static aircraft",
                           }));
}

TEST_F(StandHelpersTest, UserOrReservedStandThroughTheStandOrItsExclusions) {
    setStands(3);
    state.parkStands[0].overlaps = {2};
    airports.userStand = "A2";
    EXPECT_TRUE(gf_isUserOrReservedStand(state, state.parkStands[0]));
    EXPECT_TRUE(gf_isUserOrReservedStand(state, state.parkStands[1]));
    EXPECT_FALSE(gf_isUserOrReservedStand(state, state.parkStands[2]));
    airports.userStand.reset();
    EXPECT_FALSE(gf_isUserOrReservedStand(state, state.parkStands[2]));
    // The user aircraft standing on A3.
    UserAircraftState user;
    user.latitude = state.parkStands[2].latitude;
    user.longitude = state.parkStands[2].longitude;
    user.onGround = true;
    link.user = user;
    state.publishedUser.store(std::make_shared<const UserAircraftState>(user));
    EXPECT_TRUE(gf_isUserOrReservedStand(state, state.parkStands[2]));
    EXPECT_FALSE(gf_isUserOrReservedStand(state, state.parkStands[0]));
}

} // namespace
} // namespace kiv
