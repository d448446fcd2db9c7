// Pose streams, their interpolation and the per-frame pose writes.
#include <cmath>
#include <set>

#include <gtest/gtest.h>

#include "client_fixture.h"
#include "simlink/link_ids.h"
#include "support/allocation_counter.h"

namespace kiv {
namespace {

using test_support::ClientFixture;
using test_support::SimCall;
constexpr std::int64_t kMs = 1'000'000;

PoseSample at(std::int64_t timeNs, double latitude = 47.0, double longitude = 8.0, double altitudeFt = 1000.0,
              double headingRad = 1.0) {
    return ClientFixture::sample(timeNs, latitude, longitude, altitudeFt, headingRad);
}

PoseStream streamOf(std::initializer_list<PoseSample> samples) {
    PoseStream stream;
    for (const PoseSample& s : samples) {
        stream.accept(s);
    }
    return stream;
}

TEST(PoseInterpolation, TheFrameTimeLiesBetweenTwoSamples) {
    struct Case {
        const char* name;
        PoseSample a;
        PoseSample b;
        std::int64_t frameNs; // the stream plays 20 ms behind
        double latitude;
        double longitude;
        double headingRad;
    };
    const double twoPi = 2 * M_PI;
    const Case cases[] = {
        {"midpoint", at(0, 47.0, 8.0), at(10 * kMs, 47.001, 8.002), 25 * kMs, 47.0005, 8.001, 1.0},
        {"across the date line", at(0, 0.0, 179.9995), at(10 * kMs, 0.0, -179.9995), 25 * kMs, 0.0, 180.0, 1.0},
        {"across north", at(0, 47.0, 8.0, 1000.0, 6.2), at(10 * kMs, 47.0, 8.0, 1000.0, 0.1), 25 * kMs, 47.0, 8.0,
         std::fmod(6.2 + (0.1 + twoPi - 6.2) / 2, twoPi)},
        {"before the oldest", at(100 * kMs, 47.0), at(110 * kMs, 47.001), 110 * kMs, 47.0, 8.0, 1.0},
        {"after the newest", at(0, 47.0), at(10 * kMs, 47.001), 40 * kMs, 47.001, 8.0, 1.0},
        {"a quarter of the way", at(0, 47.0), at(100 * kMs, 47.001), 45 * kMs, 47.00025, 8.0, 1.0},
    };
    for (const Case& c : cases) {
        PoseStream stream = streamOf({c.a, c.b});
        const auto pose = lf_interpolatePose(stream, c.frameNs);
        ASSERT_TRUE(pose) << c.name;
        EXPECT_NEAR(pose->latitude, c.latitude, 1e-9) << c.name;
        EXPECT_NEAR(std::fabs(pose->longitude), std::fabs(c.longitude), 1e-9) << c.name;
        EXPECT_NEAR(pose->headingRad, c.headingRad, 1e-9) << c.name;
        EXPECT_GE(pose->headingRad, 0.0) << c.name;
    }
}

TEST(PoseInterpolation, OneSampleOrNoneAndOldSamplesDropped) {
    PoseStream empty;
    EXPECT_FALSE(lf_interpolatePose(empty, 0));
    PoseStream one = streamOf({at(50 * kMs, 47.5)});
    EXPECT_EQ(lf_interpolatePose(one, 0)->latitude, 47.5);
    EXPECT_EQ(lf_interpolatePose(one, 500 * kMs)->latitude, 47.5);

    PoseStream three = streamOf({at(0, 47.0), at(10 * kMs, 47.001), at(20 * kMs, 47.002)});
    EXPECT_NEAR(lf_interpolatePose(three, 35 * kMs)->latitude, 47.0015, 1e-9);
    EXPECT_EQ(three.size(), 2u); // the first sample lay wholly in the past
}

TEST(PoseStreams, ASampleThatDoesNotContinueTheStreamStartsItAfresh) {
    struct Case {
        const char* name;
        PoseSample next;
        std::size_t size;
    };
    const PoseSample first = at(0, 47.0, 8.0, 1000.0);
    const Case cases[] = {
        {"continues", at(100 * kMs, 47.001, 8.0, 1100.0), 2},
        {"250 ms later", at(250 * kMs, 47.0, 8.0), 2},
        {"300 ms later", at(300 * kMs, 47.0, 8.0), 1},
        {"same time", at(0, 47.0, 8.0), 1},
        {"earlier", at(-5 * kMs, 47.0, 8.0), 1},
        {"990 m away", at(10 * kMs, 47.0 + 990.0 / 1852.0 / 60.0, 8.0), 2},
        {"1010 m away", at(10 * kMs, 47.0 + 1010.0 / 1852.0 / 60.0, 8.0), 1},
        {"2000 ft lower", at(10 * kMs, 47.0, 8.0, -1000.0), 2},
        {"2001 ft higher", at(10 * kMs, 47.0, 8.0, 3001.0), 1},
        {"no altitude", at(10 * kMs, 47.0, 8.0, NAN), 1},
    };
    for (const Case& c : cases) {
        PoseStream stream = streamOf({first, c.next});
        EXPECT_EQ(stream.size(), c.size) << c.name;
        EXPECT_EQ(stream.newest().timeNs, c.next.timeNs) << c.name;
    }
}

TEST(PoseStreams, AStreamKeepsItsSixteenNewestSamples) {
    PoseStream stream;
    for (int i = 0; i < 20; ++i) {
        stream.accept(at(i * 10 * kMs));
    }
    ASSERT_EQ(stream.size(), 16u);
    EXPECT_EQ(stream.oldest().timeNs, 40 * kMs);
    EXPECT_EQ(stream.newest().timeNs, 190 * kMs);
}

std::vector<SimCall> poseWrites(ClientFixture& f) {
    std::vector<SimCall> writes;
    for (const SimCall& call : f.calls.named("SetDataOnSimObject")) {
        if (call.args[0] == link_ids::kDefinitionAiPose) {
            writes.push_back(call);
        }
    }
    f.calls.calls.clear();
    return writes;
}

TEST(FramePoses, EachFrameWritesThePoseBetweenTheReceivedSamples) {
    ClientFixture f;
    f.publish(1001, {at(1000 * kMs, 47.0), at(1010 * kMs, 47.001)});
    f.nowNs = 1025 * kMs;
    f.client.lf_pushFramePoses();
    auto writes = poseWrites(f);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].args, (std::vector<std::uint32_t>{402, 1001, 0, 64}));
    EXPECT_NEAR(writes[0].values()[0], 47.0005, 1e-9);

    // No new samples: the stale stream holds its newest pose.
    f.nowNs = 1500 * kMs;
    f.client.lf_pushFramePoses();
    writes = poseWrites(f);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].values()[0], 47.001);
    EXPECT_TRUE(f.client.session().lastWrite.made);
    EXPECT_EQ(f.client.session().lastWrite.objectId, 1001u);
}

TEST(FramePoses, ARemovedObjectOrAStoppedFlightLosesItsStream) {
    ClientFixture f;
    f.publish(1001, {at(1000 * kMs)});
    f.publish(1002, {at(1000 * kMs)});
    f.client.lf_pushFramePoses();
    poseWrites(f);

    f.link.gf_queueRemoveObject(1001);
    f.client.lf_pumpCommands();
    f.client.lf_pushFramePoses();
    auto writes = poseWrites(f);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].args[1], 1002u);

    f.link.dropAllPoseStreams();
    f.client.lf_pushFramePoses();
    EXPECT_TRUE(poseWrites(f).empty());
}

TEST(FramePoses, TheUserAircraftIsNeverWritten) {
    ClientFixture f;
    f.client.session().userObjectId = 1;
    f.publish(1, {at(1000 * kMs)});
    f.publish(1003, {at(1000 * kMs)});
    f.client.lf_pushFramePoses();
    const auto writes = poseWrites(f);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].args[1], 1003u);
}

TEST(FramePoses, TheFirstFailedWriteEndsTheFrameAndTheSession) {
    ClientFixture f;
    for (std::uint32_t id = 1001; id <= 1005; ++id) {
        f.publish(id, {at(1000 * kMs, 47.0 + id * 1e-6)});
    }
    f.calls.fails = [](const SimCall&) { return true; };
    f.client.lf_pushFramePoses();
    const auto writes = poseWrites(f);
    ASSERT_EQ(writes.size(), 1u);
    const std::uint32_t failed = writes[0].args[1];
    EXPECT_TRUE(f.logged(fmt::format("SimConnect_SetDataOnSimObject batch failed, objectid: {}", failed)));
    EXPECT_EQ(f.link.simulatorState(), static_cast<std::int32_t>(kSimulatorShuttingDown));
    EXPECT_EQ(gf_pendingStopRequest()->reason, ExitReason::simconnect_error);
    EXPECT_EQ(f.client.session().lastWrite.result, simconnect::kE_FAIL);
    f.client.session().tailNumbers[failed] = "TAIL7";
    f.client.logPoseDiagnostics();
    EXPECT_TRUE(f.logged(fmt::format("SimConnect diagnostic: last AI position update tailnumber='TAIL7', "
                                     "objectid={}, result=0x80004005, position=47.00",
                                     failed)));
}

// The traffic side's tick (publishing one sample per object) and the frame that takes them.
TEST(FramePoses, WarmTicksAndFramesAllocateNothing) {
    ClientFixture f;
    f.calls.recordPoseWrites = false;
    auto tick = [&](std::int64_t timeNs) {
        f.link.withPublishedPoses([&](PublishedPoseMap& published) {
            for (std::uint32_t id = 1001; id <= 1200; ++id) {
                published[id].push_back(at(timeNs, 47.0 + timeNs * 1e-15, 8.0));
            }
        });
    };
    std::int64_t time = 1000 * kMs;
    for (int frame = 0; frame < 10; ++frame, time += 10 * kMs) {
        tick(time);
        f.nowNs = time;
        f.client.lf_pushFramePoses();
    }
    std::uint64_t allocations = 0;
    for (int frame = 0; frame < 10; ++frame, time += 10 * kMs) {
        const std::uint64_t before = bench::allocationCount.load();
        tick(time);
        f.nowNs = time;
        f.client.lf_pushFramePoses();
        allocations += bench::allocationCount.load() - before;
    }
    EXPECT_EQ(f.calls.poseWritesUnrecorded, 20u * 200u);
    EXPECT_EQ(allocations, 0u);
}

TEST(FramePoses, ARemovedObjectLeavesNoTraceInThePoseMaps) {
    ClientFixture f;
    auto publishedKeys = [&] {
        std::set<std::uint32_t> keys;
        f.link.withPublishedPoses([&](PublishedPoseMap& published) {
            for (const auto& entry : published) {
                keys.insert(entry.first);
            }
        });
        return keys;
    };
    std::int64_t time = 1000 * kMs;
    for (int frame = 0; frame < 3; ++frame, time += 10 * kMs) {
        f.publish(1001, {at(time)});
        f.publish(1002, {at(time)});
        f.nowNs = time;
        f.client.lf_pushFramePoses();
    }
    // The removal goes out with the next frame's commands, after that frame's poses.
    f.link.gf_queueRemoveObject(1001);
    for (int frame = 0; frame < 4; ++frame, time += 10 * kMs) {
        f.publish(1002, {at(time)});
        f.nowNs = time;
        f.client.lf_pushFramePoses();
        f.client.lf_pumpCommands();
        if (frame >= 2) {
            EXPECT_FALSE(publishedKeys().contains(1001)) << frame;
        }
    }
    EXPECT_EQ(f.calls.named("AIRemoveObject").size(), 1u);
}

} // namespace
} // namespace kiv
