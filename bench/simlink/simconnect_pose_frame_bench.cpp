// One simulator frame of 500 AI pose writes (SetDataOnSimObject, 64 bytes each) through
// the real client and transport (the Unix-domain socket that stands for the pipe) into a
// sink thread of this program that counts them. Reports microseconds per object
// and heap allocations per frame (global operator new is counted here).
#include <array>
#include <stdexcept>

#include <benchmark/benchmark.h>

#include "pose_sink.h"
#include "simlink/simconnect/simconnect_api.h"
#include "support/allocation_counter.h"

namespace kiv::simconnect {
namespace {

constexpr std::uint32_t kObjectsPerFrame = kPoseSinkFrameObjects;

void sendFrame(HSimConnect handle, const std::array<double, 8>& pose) {
    for (std::uint32_t object = 0; object < kObjectsPerFrame; ++object) {
        if (SimConnect_SetDataOnSimObject(handle, 402, 1000 + object, 0, 0, 64, pose.data()) != kS_OK) {
            throw std::runtime_error("SetDataOnSimObject failed");
        }
    }
}

void BM_PoseFrame500(benchmark::State& state) {
    BenchFolder folder;
    PoseSink sink(folder.pipe(), false);
    HSimConnect handle = nullptr;
    if (SimConnect_Open(&handle, "VELT_P3D bench", 0, 0, 0, 0, folder.environment()) != kS_OK) {
        state.SkipWithError("open failed");
        return;
    }
    const std::array<double, 8> pose = {47.45, 8.55, 0.01, 0.0, 1.2, 1500.0, -500.0, 140.0};
    std::uint64_t expected = 0;
    // Blocks and queues grow to their working size. The frames go out back to back to a
    // sink that does not read yet, so that more packets wait at once than a measured frame
    // can ever have waiting: the pool holds enough blocks however far the I/O thread falls
    // behind later.
    sink.hold(true);
    for (int warm = 0; warm < 20; ++warm) {
        sendFrame(handle, pose);
        expected += kObjectsPerFrame;
    }
    sink.hold(false);
    sink.waitForPoseWrites(expected);
    const std::uint64_t allocationsBefore = bench::allocationCount.load();
    for (auto _ : state) {
        sendFrame(handle, pose);
        expected += kObjectsPerFrame;
        sink.waitForPoseWrites(expected);
    }
    const double frames = static_cast<double>(state.iterations());
    state.counters["allocs_per_frame"] =
        static_cast<double>(bench::allocationCount.load() - allocationsBefore) / frames;
    state.counters["us_per_object"] =
        benchmark::Counter(frames * kObjectsPerFrame, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    SimConnect_Close(handle);
}
BENCHMARK(BM_PoseFrame500)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace
} // namespace kiv::simconnect
