#include <gtest/gtest.h>

#include "test_support/log_capture.h"
#include "traffic/sim_queues.h"
#include "traffic_fakes.h"

namespace kiv {
namespace {

using test_support::TrafficFixture;

struct SimQueuesTest : TrafficFixture, ::testing::Test {
    CreateCommand request(std::uint32_t hexId) {
        CreateCommand command;
        command.hexId = hexId;
        command.tailNumber = "CS" + std::to_string(hexId);
        return command;
    }
    // Runs the queue step tick by tick for `ms` milliseconds of 10 ms ticks.
    void runFor(int ms) {
        for (int t = 0; t < ms / 10; ++t) {
            lf_runSimQueues(state);
            ++elapsedTicks;
            for (std::size_t i = seenCreates; i < link.creates.size(); ++i) {
                createTimes.emplace_back(link.creates[i].hexId, elapsedTicks * 10);
            }
            seenCreates = link.creates.size();
            for (std::size_t i = seenRemovals; i < link.removals.size(); ++i) {
                removalTimes.push_back(elapsedTicks * 10);
            }
            seenRemovals = link.removals.size();
        }
    }
    int elapsedTicks = 0;
    std::size_t seenCreates = 0;
    std::size_t seenRemovals = 0;
    std::vector<std::pair<std::uint32_t, int>> createTimes;
    std::vector<int> removalTimes;
};

TEST_F(SimQueuesTest, CreationsArePacedLiveBeforeStatic) {
    for (std::uint32_t hexId : {200001u, 200002u, 200003u}) {
        state.liveCreationQueue.push_back(request(hexId));
    }
    state.staticCreationQueue.push_back(request(11));
    state.staticCreationQueue.push_back(request(12));
    runFor(1200);
    const std::vector<std::pair<std::uint32_t, int>> expected = {
        {200001, 200}, {200002, 400}, {200003, 600}, {11, 800}, {12, 1000}};
    EXPECT_EQ(createTimes, expected);
}

TEST_F(SimQueuesTest, RemovalsGoOnePerHundredMilliseconds) {
    state.removalQueue = {1, 2, 3, 4, 5};
    runFor(600);
    const std::vector<int> expected = {100, 200, 300, 400, 500};
    EXPECT_EQ(removalTimes, expected);
    const std::vector<std::uint32_t> order = {1, 2, 3, 4, 5};
    EXPECT_EQ(link.removals, order);
}

TEST_F(SimQueuesTest, LiveCreationWhoseStandHoldsAStaticWaitsWithoutBlockingTheNext) {
    test_support::LogCapture log;
    state.liveCreationQueue.push_back(request(200001));
    state.liveCreationQueue.push_back(request(200002));
    steps.standHeldFor = {200001};
    runFor(400);
    ASSERT_EQ(createTimes.size(), 1u);
    EXPECT_EQ(createTimes[0], std::make_pair(200002u, 400));
    ASSERT_EQ(state.waitingCreationQueue.size(), 1u);
    EXPECT_EQ(state.waitingCreationQueue.front().hexId, 200001u);
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "CS200001 live creation waits for parked static removal");
}

TEST_F(SimQueuesTest, StaticStepPreparesTheNextPlacement) {
    steps.pendingParked = 3;
    runFor(200);
    EXPECT_EQ(steps.count("lf_placeStaticAircraft"), 1);
}

TEST_F(SimQueuesTest, PublishedPoseListsKeepTheNewestSixteen) {
    for (int tick = 0; tick < 20; ++tick) {
        AiPose pose;
        pose.altitudeFt = tick;
        state.tickPoses = {{5, pose}, {6, pose}};
        if (tick >= 18) {
            state.tickPoses.pop_back(); // object 6 is gone from the last two ticks
        }
        clock.now += 10'000'000;
        lf_updateAllLiveAc(state);
        EXPECT_TRUE(state.tickPoses.empty());
    }
    ASSERT_EQ(link.poses[5].size(), 16u);
    EXPECT_EQ(link.poses[5].front().pose.altitudeFt, 4.0);
    EXPECT_EQ(link.poses[5].back().pose.altitudeFt, 19.0);
    EXPECT_EQ(link.poses[5].back().timeNs, clock.now);
    EXPECT_EQ(link.poses[6].size(), 16u);
    EXPECT_EQ(link.poses[6].back().pose.altitudeFt, 17.0);
}

TEST_F(SimQueuesTest, EraseAfterTheUpdateKeepsTheOrderOfTheRest) {
    for (std::uint32_t hexId = 300001; hexId <= 300005; ++hexId) {
        addLive(hexId);
    }
    state.live[1].removed = 1;
    state.live[3].creationCancelled = 1;
    steps.onUpdate = [](TrafficState&, LiveAircraft& aircraft) { return aircraft.info.hexId == 300005; };
    lf_updateAllLiveAc(state);
    ASSERT_EQ(state.live.size(), 3u);
    EXPECT_EQ(state.live[0].info.hexId, 300001u);
    EXPECT_EQ(state.live[1].info.hexId, 300003u);
    EXPECT_EQ(state.live[2].info.hexId, 300005u);
    EXPECT_EQ(steps.count("lf_cleanupLiveAircraft 300002"), 1);
    EXPECT_EQ(steps.count("lf_cleanupLiveAircraft 300004"), 1);
}

TEST_F(SimQueuesTest, NoEraseWhenNoUpdateAskedForIt) {
    addLive(300001).removed = 1;
    lf_updateAllLiveAc(state);
    EXPECT_EQ(state.live.size(), 1u);
}

TEST_F(SimQueuesTest, StaticEraseRechecksWaitingCreationsWhenTheCountChanged) {
    for (std::uint32_t hexId : {1u, 2u, 3u}) {
        state.statics.emplace_back(AircraftInfo{}, hexId, StandPose{}, false, "");
        state.statics.back().info.hexId = hexId;
        state.statics.back().objectId = 100 + hexId;
    }
    state.statics[1].removed = 1;
    state.staticEraseSignal = true;
    lf_updateAllLiveAc(state);
    ASSERT_EQ(state.statics.size(), 2u);
    EXPECT_EQ(state.statics[0].info.hexId, 1u);
    EXPECT_EQ(state.statics[1].info.hexId, 3u);
    EXPECT_FALSE(state.staticEraseSignal);
    EXPECT_EQ(steps.count("lf_cleanupCancelledStatic 2"), 1);
    EXPECT_EQ(steps.count("lf_recheckWaitingLiveCreations"), 1);
    EXPECT_EQ(steps.count("lf_releaseDeferredParkedAdds"), 1);

    state.staticEraseSignal = true; // nothing removed: no re-check
    lf_updateAllLiveAc(state);
    EXPECT_EQ(steps.count("lf_recheckWaitingLiveCreations"), 1);
}

TEST_F(SimQueuesTest, AddingStackCreatesTheNewestFirstAndSkipsMissingCallsigns) {
    test_support::LogCapture log;
    LiveAircraft& first = addLive(400001, SimState::adding2sim);
    first.pose = {50.0, 8.0, 0.05, -0.1, 3.14159265358979323846, 1200.0, 0.0, 0.0};
    first.samples.front().airborne = 0;
    first.info.liveryTitle = "Airbus A320 Lufthansa";
    addLive(400002, SimState::adding2sim, 0, "X").info.head.callsign.clear();
    state.addingStack = {400001, 400002, 499999};
    lf_handleAddingStack(state); // unknown hexid: nothing
    lf_handleAddingStack(state); // no callsign: logged, nothing queued
    EXPECT_TRUE(state.liveCreationQueue.empty());
    lf_handleAddingStack(state);
    ASSERT_EQ(state.liveCreationQueue.size(), 1u);
    const CreateCommand& command = state.liveCreationQueue.front();
    EXPECT_EQ(command.hexId, 400001u);
    EXPECT_EQ(command.tailNumber, "CS400001");
    EXPECT_EQ(command.title, "Airbus A320 Lufthansa");
    EXPECT_EQ(command.onGround, 1u);
    EXPECT_NEAR(command.headingDeg, 180.0, 1e-9);
    EXPECT_NEAR(command.bankDeg, -0.1 * 180.0 / 3.14159265358979323846, 1e-9);
    EXPECT_EQ(command.altitudeFt, 1200.0);
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("==> lf_handleAddingStack ", 0), 0u);
    EXPECT_NE(lines[0].find("callsign empty"), std::string::npos);
}

TEST_F(SimQueuesTest, UserPollCadence) {
    link.user.latitude = 51.0;
    link.user.onGround = true;
    link.user.altitudeAboveGroundFt = 10.0;
    for (int i = 0; i < 200; ++i) {
        lf_pollUserAircraft(state);
    }
    auto count = [&](std::uint32_t kind) {
        return std::count_if(link.dataRequests.begin(), link.dataRequests.end(),
                             [&](const auto& r) { return r.kind == kind; });
    };
    EXPECT_EQ(count(0), 2);  // every 100 ticks
    EXPECT_EQ(count(3), 10); // every 20 ticks
    EXPECT_EQ(state.user.latitude, 51.0);
    EXPECT_EQ(state.publishedUser.load()->latitude, 51.0);
    EXPECT_EQ(steps.count("gf_checkUserAcGndCollisions"), 10);
    EXPECT_TRUE(feeds.calls.empty()); // RT Direct: no pose to the RT App

    state.fastPollFlag = true;
    link.dataRequests.clear();
    for (int i = 0; i < 100; ++i) {
        lf_pollUserAircraft(state);
    }
    EXPECT_EQ(count(0), 5); // every 20 ticks while the curve movement asks for it
}

TEST_F(SimQueuesTest, FurthestLiveAircraft) {
    state.user.latitude = 50.0;
    state.user.longitude = 8.0;
    auto place = [&](std::uint32_t hexId, double nmNorth, SimState simState = SimState::active) {
        LiveAircraft& a = addLive(hexId, simState, hexId - 500000);
        a.pose.latitude = 50.0 + nmNorth / 60.0;
        a.pose.longitude = 8.0;
    };
    place(500001, 10.0);
    place(500002, 30.0);
    place(500003, 30.0);  // equal distance: the first in table order stays the candidate
    place(500004, 30.05); // not 0.1 NM further when a distance is given
    place(500005, 90.0, SimState::adding2sim);

    EXPECT_TRUE(lf_isThisTheFurthestLive(state, 29.96));
    EXPECT_TRUE(state.removalQueue.empty());
    EXPECT_FALSE(lf_isThisTheFurthestLive(state, 20.0));
    ASSERT_EQ(state.removalQueue.size(), 1u);
    EXPECT_EQ(state.removalQueue.back(), 2u); // 500002: 500004 is not 0.1 NM beyond it

    EXPECT_FALSE(lf_isThisTheFurthestLive(state, -1.0));
    EXPECT_EQ(state.removalQueue.back(), 4u); // without a distance the strictly furthest active one
}

} // namespace
} // namespace kiv
