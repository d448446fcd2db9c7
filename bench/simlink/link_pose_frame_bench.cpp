// One simulator frame of pose writes for 500 AI objects through the link's pose path: the
// traffic side publishes one sample per object, the frame takes them into the streams,
// interpolates and writes each pose with SetDataOnSimObject through the real client and its
// I/O thread into the Unix-domain socket that stands for the pipe, where a sink of this
// program counts the pose packets. Reports microseconds per object and heap allocations per
// frame (global operator new is counted):
//  - BM_LinkPoseFrame500: the frame's work called on the benchmark's thread (manual time:
//    from the frame's start until the sink has every pose packet);
//  - BM_LinkPoseFrame500OnSimClientThread: the whole SimClient thread, woken by a FRAME
//    message from the sink; the time includes the thread's wait of up to 1 ms between
//    dispatches, so it shows the latency of a frame; the pace per object is the time from a
//    frame's first pose packet at the sink to its last.
#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <thread>

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include "pose_sink.h"
#include "simlink/link_fakes.h"
#include "simlink/sim_client.h"
#include "support/allocation_counter.h"

namespace kiv {
namespace {

constexpr std::uint32_t kObjects = kPoseSinkFrameObjects;
constexpr std::uint32_t kFirstObject = 1000;
constexpr std::int64_t kTickNs = 10'000'000;

// The traffic side's tick: one new sample per object, 10 ms after the last.
void publishTick(SimLink& link, std::int64_t timeNs) {
    link.withPublishedPoses([&](PublishedPoseMap& published) {
        for (std::uint32_t i = 0; i < kObjects; ++i) {
            PoseSample sample;
            sample.timeNs = timeNs;
            sample.pose = {47.45 + i * 1e-4, 8.55, 0.01, 0.0, 1.2, 1500.0, -500.0, 140.0};
            published[kFirstObject + i].push_back(sample);
        }
    });
}

// The link on the sink's pipe: its shared state, a session, and a SimClient on a clock that
// the benchmark moves one tick per frame.
struct BenchLink {
    explicit BenchLink(bool spinningSink) : sink(folder.pipe(), spinningSink) { link.gf_prepareSimClient(5); }

    // Publishes the next tick's samples and measures `frame` (which must see them written).
    template <typename Frame> void measure(benchmark::State& state, Frame&& frame) {
        std::uint64_t allocations = 0;
        for (auto _ : state) {
            publishTick(link, nowNs + kTickNs);
            const auto start = std::chrono::steady_clock::now();
            const std::uint64_t before = bench::allocationCount.load();
            frame();
            allocations += bench::allocationCount.load() - before;
            state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
        state.counters["allocs_per_frame"] = static_cast<double>(allocations) / static_cast<double>(state.iterations());
    }

    BenchFolder folder;
    PoseSink sink;
    SessionCalls calls{folder.environment()};
    SimLink link;
    test_support::RecordingLinkShell shell;
    test_support::FakeLinkNeighbours neighbours;
    std::atomic<std::int64_t> nowNs{1'000'000'000};
    SimClient client{link, calls, shell, neighbours, SimClientOptions{[this] { return nowNs.load(); }, {}, {}}};
    std::uint64_t expected = 0; // pose writes the sink is to have seen
};

void BM_LinkPoseFrame500(benchmark::State& state) {
    BenchLink b(false);
    if (b.calls.open("VELT_P3D bench") != simconnect::kS_OK) {
        state.SkipWithError("open failed");
        return;
    }
    auto frame = [&] {
        b.nowNs += kTickNs;
        b.client.lf_pushFramePoses();
        b.expected += kObjects;
    };
    // The streams, maps and packet blocks grow to their working size. The first frames go
    // out back to back to a sink that does not read yet, so that more packets wait at once
    // than a measured frame can ever have waiting, however far the I/O thread falls behind.
    b.sink.hold(true);
    for (int warm = 0; warm < 20; ++warm) {
        publishTick(b.link, b.nowNs + kTickNs);
        frame();
    }
    b.sink.hold(false);
    b.sink.waitForPoseWrites(b.expected);
    b.measure(state, [&] {
        frame();
        b.sink.waitForPoseWrites(b.expected);
    });
    state.counters["us_per_object"] = benchmark::Counter(static_cast<double>(state.iterations()) * kObjects,
                                                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    if (b.link.simulatorState() == static_cast<std::int32_t>(kSimulatorShuttingDown)) {
        state.SkipWithError("a pose write failed");
    }
    b.calls.close();
}
BENCHMARK(BM_LinkPoseFrame500)->Unit(benchmark::kMicrosecond)->UseManualTime();

void BM_LinkPoseFrame500OnSimClientThread(benchmark::State& state) {
    BenchLink b(true);
    std::jthread thread([&](std::stop_token stop) { b.client.run(stop); });
    auto frame = [&] {
        b.nowNs += kTickNs;
        b.sink.requestFrame();
        b.expected += kObjects;
        b.sink.waitForPoseWrites(b.expected);
    };
    // Received frames and sent poses share the packet blocks, which grow to the larger size
    // as they take turns; a few hundred frames see every block grown.
    for (int warm = 0; warm < 300; ++warm) {
        publishTick(b.link, b.nowNs + kTickNs);
        frame();
    }
    const std::int64_t spanBefore = b.sink.writeSpanNs();
    b.measure(state, frame);
    // From a frame's first pose packet to its last, per object: the thread's pace of writing.
    state.counters["write_us_per_object"] = static_cast<double>(b.sink.writeSpanNs() - spanBefore) / 1000.0 /
                                            (static_cast<double>(state.iterations()) * (kObjects - 1));
    thread.request_stop();
}
BENCHMARK(BM_LinkPoseFrame500OnSimClientThread)->Unit(benchmark::kMicrosecond)->UseManualTime();

} // namespace
} // namespace kiv
