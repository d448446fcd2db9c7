#include <algorithm>
#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "test_support/log_capture.h"
#include "traffic/simulator_loop.h"
#include "traffic/traffic_exception.h"
#include "traffic/traffic_mailbox.h"
#include "traffic_fakes.h"

namespace kiv {
namespace {

using test_support::LogCapture;
using test_support::TrafficFixture;

constexpr std::int64_t kSecond = 1'000'000'000;

struct TrafficMailboxTest : TrafficFixture, ::testing::Test {
    TrafficMailboxTest() { gf_resumeDelivery(state); }

    // Records with hex ids first..first+count-1, each creating its own aircraft when decoded.
    TrafficBatch batch(std::uint32_t first, std::uint32_t count) {
        TrafficBatch result;
        for (std::uint32_t i = 0; i < count; ++i) {
            result.push_back(record(first + i, "CS" + std::to_string(first + i), 1000.0));
        }
        return result;
    }
    void postLive(TrafficBatch b) { gf_postTrafficBatch(state, b, kLiveStreamDelaySeconds, false); }
    bool known(std::uint32_t hexId) { return gf_findLive(state, hexId) != nullptr; }
};

TEST_F(TrafficMailboxTest, TakesTwoRecordsPerTickFromTheEnd) {
    postLive(batch(100001, 5));
    lf_takeTrafficBatch(state);
    EXPECT_EQ(state.live.size(), 2u);
    EXPECT_TRUE(known(100005));
    EXPECT_TRUE(known(100004));
    lf_takeTrafficBatch(state);
    lf_takeTrafficBatch(state);
    EXPECT_EQ(state.live.size(), 5u);
    EXPECT_EQ(state.live.back().samples.front().deliveryTick, 3000); // stamped at post time: tick 0 + 30 s
}

TEST_F(TrafficMailboxTest, ANewerBatchReplacesTheUndrainedOneAndTheLossIsLogged) {
    LogCapture log;
    postLive(batch(100001, 3));
    postLive(batch(200001, 2));
    for (int i = 0; i < 3; ++i) {
        lf_takeTrafficBatch(state);
    }
    EXPECT_EQ(state.live.size(), 2u);
    EXPECT_FALSE(known(100001));
    EXPECT_FALSE(known(100003));
    EXPECT_EQ(state.mailbox.lostRecords, 3u);
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("replaced 3 records"), std::string::npos) << lines[0];
}

TEST_F(TrafficMailboxTest, NothingIsAcceptedWhileDeliveryIsOff) {
    gf_pauseDelivery(state);
    for (bool discardWhenOff : {false, true}) {
        TrafficBatch b = batch(100001, 2);
        gf_postTrafficBatch(state, b, kLiveStreamDelaySeconds, discardWhenOff);
        EXPECT_TRUE(b.empty());
    }
    lf_takeTrafficBatch(state);
    EXPECT_TRUE(state.live.empty());
}

TEST_F(TrafficMailboxTest, WatchdogFiresOnceAfterAMinuteOfReplacements) {
    LogCapture log;
    postLive(batch(100001, 4));
    // Replacements every 10 s: the first arms the watchdog at t0, the one at t0 + 60 s fires it.
    for (int i = 1; i <= 6; ++i) {
        postLive(batch(100001 + 10 * i, 4));
        clock.now += 10 * kSecond;
        EXPECT_TRUE(state.mailbox.deliveryEnabled) << i;
    }
    postLive(batch(300001, 3));
    EXPECT_FALSE(state.mailbox.deliveryEnabled);
    EXPECT_TRUE(state.mailbox.deliveryStopped);
    EXPECT_TRUE(state.mailbox.slot.empty());
    ASSERT_EQ(shell.stopRequests.size(), 1u);
    EXPECT_EQ(shell.stopRequests[0], std::make_pair(kExitTrafficMailboxStalled, 0u));
    const auto lines = log.lines();
    const auto stall = std::find_if(lines.begin(), lines.end(),
                                    [](const std::string& l) { return l.find("stalled") != std::string::npos; });
    ASSERT_NE(stall, lines.end());
    EXPECT_EQ(
        *stall,
        "==> Traffic mailbox stalled: no messages consumed for 1 minute; 7 batches replaced, 4 pending and 3 incoming "
        "messages. Stopping traffic delivery and requesting shutdown.");

    // Delivery stays off; a resume does not undo the watchdog, only the reset does.
    postLive(batch(400001, 2));
    gf_resumeDelivery(state);
    postLive(batch(400001, 2));
    lf_takeTrafficBatch(state);
    EXPECT_TRUE(state.live.empty());
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.find("stalled") != std::string::npos; }),
              1);
    gf_resetTraffic(state);
    gf_resumeDelivery(state);
    EXPECT_TRUE(state.mailbox.deliveryEnabled);
}

TEST_F(TrafficMailboxTest, AnyTakeRearmsTheWatchdog) {
    postLive(batch(100001, 10));
    for (int i = 1; i <= 5; ++i) {
        postLive(batch(100001 + 100 * i, 10));
        clock.now += 10 * kSecond;
    }
    lf_takeTrafficBatch(state); // the slot keeps records, but the window starts again
    for (int i = 6; i <= 11; ++i) {
        postLive(batch(100001 + 100 * i, 10));
        clock.now += 10 * kSecond;
    }
    EXPECT_TRUE(state.mailbox.deliveryEnabled);
    EXPECT_TRUE(shell.stopRequests.empty());
    postLive(batch(900001, 10));
    EXPECT_FALSE(state.mailbox.deliveryEnabled);
}

TEST_F(TrafficMailboxTest, HistoryIsDecodedAtOnceBeforeTheLoopAndByTheLoopAfterwards) {
    TrafficBatch early = batch(100001, 3);
    gf_postTrafficBatch(state, early, 6, false);
    EXPECT_TRUE(early.empty());
    EXPECT_EQ(state.live.size(), 3u);
    EXPECT_EQ(state.live.front().samples.front().deliveryTick, 600);

    gf_mailboxLoopStarted(state);
    TrafficBatch late = batch(200001, 3);
    gf_postTrafficBatch(state, late, 12, false);
    EXPECT_TRUE(late.empty());
    EXPECT_EQ(state.live.size(), 3u); // the feed thread never touches the tables once the loop owns them
    lf_takeTrafficBatch(state);
    EXPECT_EQ(state.live.size(), 6u); // a history buffer is decoded whole, not two records at a time
}

// A history buffer due 30 s on (the sixth slice of a buffer) is still history: decoded whole,
// never put into the live slot where a newer batch could replace it.
TEST_F(TrafficMailboxTest, HistoryDueThirtySecondsOnIsNotTakenForTheLiveStream) {
    TrafficBatch sixth = batch(100001, 3);
    gf_postTrafficBatch(state, sixth, BatchKind::history, 30, false);
    EXPECT_TRUE(sixth.empty());
    EXPECT_TRUE(state.mailbox.slot.empty());
    ASSERT_EQ(state.live.size(), 3u);
    EXPECT_EQ(state.live.front().samples.front().deliveryTick, 3000);

    TrafficBatch live = batch(200001, 2);
    gf_postTrafficBatch(state, live, BatchKind::live, kLiveStreamDelaySeconds, false);
    EXPECT_EQ(state.mailbox.slot.size(), 2u);
}

TEST_F(TrafficMailboxTest, HistoryPostedWhileTheLoopStartsItsParkingWaitsForTheFirstTick) {
    airports.parkAirport = {"EDDF", 50.03, 8.57};
    airports.fileExists = true;
    std::size_t liveDuringParking = 99;
    steps.onRegenerateParking = [&] {
        TrafficBatch history = batch(100001, 3);
        gf_postTrafficBatch(state, history, 6, false);
        liveDuringParking = state.live.size();
    };
    shell.running = false; // one tick, then the loop ends
    gf_simulatorLoop(state);
    EXPECT_EQ(liveDuringParking, 0u);
    EXPECT_EQ(state.live.size(), 3u);
}

TEST_F(TrafficMailboxTest, HistoryPostedDuringTheResetIsDroppedAndLaterPostsDecodeAtOnce) {
    for (bool loopRan : {true, false}) {
        SCOPED_TRACE(loopRan ? "after a loop" : "without a loop");
        gf_initTraffic(state);
        if (loopRan) {
            gf_mailboxLoopStarted(state);
        }
        feeds.onResetQnh = [&] {
            TrafficBatch history = batch(100001, 3);
            gf_postTrafficBatch(state, history, 6, false);
            EXPECT_TRUE(state.live.empty());
        };
        gf_resetTraffic(state);
        feeds.onResetQnh = nullptr;
        EXPECT_TRUE(state.live.empty());
        lf_takeTrafficBatch(state);
        EXPECT_TRUE(state.live.empty()); // the old run's history never reaches the next one

        TrafficBatch next = batch(200001, 2);
        gf_postTrafficBatch(state, next, 6, false);
        EXPECT_EQ(state.live.size(), 2u);
    }
}

TEST_F(TrafficMailboxTest, FeedThreadPostsWhileTheLoopDecodes) {
    gf_mailboxLoopStarted(state);
    std::atomic<bool> done{false};
    std::thread feed([&] {
        for (std::uint32_t i = 0; i < 200; ++i) {
            TrafficBatch history = batch(100001 + 10 * i, 10);
            gf_postTrafficBatch(state, history, 6, false);
            TrafficBatch live = batch(900001 + 10 * i, 10);
            gf_postTrafficBatch(state, live, kLiveStreamDelaySeconds, false);
        }
        done = true;
    });
    while (!done) {
        lf_takeTrafficBatch(state);
    }
    feed.join();
    for (int i = 0; i < 10; ++i) {
        lf_takeTrafficBatch(state);
    }
    // Every history record arrives (live ones may be replaced before they are taken).
    const auto history = std::count_if(state.live.begin(), state.live.end(),
                                       [](const LiveAircraft& a) { return a.info.hexId < 900001; });
    EXPECT_EQ(history, 2000);
    EXPECT_TRUE(known(900001 + 10 * 199 + 9));
}

TEST(TrafficMailboxSteps, AThrowingStepCostsOnlyItsRecordOnEveryRoad) {
    enum class Road { historyAtStartUp, historyTakenByTheLoop, liveSlot };
    struct Case {
        const char* name;
        Road road;
        const char* step;
    };
    const Case cases[] = {
        {"history on the feed thread, respawn check", Road::historyAtStartUp, "lf_checkRespawn"},
        {"history on the feed thread, sample decode", Road::historyAtStartUp, "decodeExisting"},
        {"history taken by the loop, respawn check", Road::historyTakenByTheLoop, "lf_checkRespawn"},
        {"live slot, sample decode", Road::liveSlot, "decodeExisting"},
        {"live slot, respawn check", Road::liveSlot, "lf_checkRespawn"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TrafficFixture f;
        LogCapture log;
        gf_resetTrafficExceptionCountForTesting();
        gf_resumeDelivery(f.state);
        f.addLive(100002); // known: its record goes through the steps
        f.steps.throwingStep = c.step;
        f.steps.throwingHexId = 100002;
        // The slot is drained from its end: the failing record is taken first.
        TrafficBatch batch = {TrafficFixture::record(100001, "NEW1", 1010.0),
                              TrafficFixture::record(100003, "NEW3", 1010.0),
                              TrafficFixture::record(100002, "CS100002", 1010.0)};
        switch (c.road) {
        case Road::historyAtStartUp:
            gf_postTrafficBatch(f.state, batch, 6, false);
            break;
        case Road::historyTakenByTheLoop:
            gf_mailboxLoopStarted(f.state);
            gf_postTrafficBatch(f.state, batch, 6, false);
            lf_takeTrafficBatch(f.state);
            break;
        case Road::liveSlot:
            gf_postTrafficBatch(f.state, batch, kLiveStreamDelaySeconds, false);
            lf_takeTrafficBatch(f.state);
            EXPECT_NE(gf_findLive(f.state, 100003), nullptr) << "the second record of the same tick";
            lf_takeTrafficBatch(f.state);
            break;
        }
        EXPECT_NE(gf_findLive(f.state, 100001), nullptr);
        EXPECT_NE(gf_findLive(f.state, 100003), nullptr);
        EXPECT_EQ(gf_trafficExceptionCount(), 1u);
        const auto lines = log.lines();
        EXPECT_NE(std::find(lines.begin(), lines.end(),
                            "==> Traffic exception in decodeMessage: " + std::string(c.step) + " failed"),
                  lines.end());
    }
    gf_resetTrafficExceptionCountForTesting();
}

} // namespace
} // namespace kiv
