// One simulator frame of 500 AI pose writes (SetDataOnSimObject, 64 bytes each) through
// the real client and transport (the Unix-domain socket that stands for the pipe) into a
// sink thread of this program that reads and discards. Reports microseconds per object
// and heap allocations per frame (global operator new is counted here).
#include <array>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <random>
#include <stdexcept>
#include <thread>

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include "platform/named_pipe_path.h"
#include "platform/stream_socket.h"
#include "simlink/simconnect/simconnect_api.h"
#include "support/allocation_counter.h"

namespace kiv::simconnect {
namespace {

constexpr int kObjectsPerFrame = 500;
constexpr std::size_t kPacketSize = 36 + 64;

class Sink {
public:
    explicit Sink(const std::filesystem::path& path) {
        platform::SocketError error;
        auto listener = platform::StreamListener::listenLocal(path, error);
        if (!listener) {
            throw std::runtime_error(error.text);
        }
        listener_ = std::move(*listener);
        thread_ = std::thread([this] { run(); });
    }
    ~Sink() {
        stop_.store(true);
        thread_.join();
    }
    std::uint64_t received() const { return received_.load(); }

private:
    void run() {
        platform::SocketError error;
        auto peer = listener_.accept(std::chrono::seconds(10), error);
        if (!peer) {
            return;
        }
        std::array<std::uint8_t, 65536> buffer;
        while (!stop_.load()) {
            if (!peer->waitReadable(std::chrono::milliseconds(50))) {
                continue;
            }
            const auto result = peer->receive(buffer);
            if (result.status != platform::IoStatus::done) {
                return;
            }
            received_.fetch_add(result.bytes);
        }
    }
    platform::StreamListener listener_;
    std::atomic<std::uint64_t> received_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

void sendFrame(HSimConnect handle, const std::array<double, 8>& pose) {
    for (int object = 0; object < kObjectsPerFrame; ++object) {
        if (SimConnect_SetDataOnSimObject(handle, 402, 1000 + static_cast<std::uint32_t>(object), 0, 0, 64,
                                          pose.data()) != kS_OK) {
            throw std::runtime_error("SetDataOnSimObject failed");
        }
    }
}

void waitForBytes(const Sink& sink, std::uint64_t bytes) {
    while (sink.received() < bytes) {
        std::this_thread::yield();
    }
}

void BM_PoseFrame500(benchmark::State& state) {
    const auto folder = std::filesystem::temp_directory_path() / fmt::format("kiv-bench-{}", std::random_device{}());
    std::filesystem::create_directories(folder);
    {
        Sink sink(*platform::localPipePath("\\\\.\\pipe\\Lockheed Martin Prepar3D v5\\SimConnect", folder));
        ConnectEnvironment environment;
        environment.configFolders = {folder};
        environment.registry = platform::RegistryStore(folder / "registry.ini");
        environment.pipeFolder = folder;
        environment.clock = [] { return std::chrono::steady_clock::now(); };
        HSimConnect handle = nullptr;
        if (SimConnect_Open(&handle, "VELT_P3D bench", 0, 0, 0, 0, environment) != kS_OK) {
            state.SkipWithError("open failed");
            return;
        }
        const std::array<double, 8> pose = {47.45, 8.55, 0.01, 0.0, 1.2, 1500.0, -500.0, 140.0};
        std::uint64_t expected = 296;
        // Blocks and queues grow to their working size. The frames go out back to back, so
        // that more packets wait at once than a measured frame can ever have waiting: the
        // pool holds enough blocks however far the I/O thread falls behind later.
        for (int warm = 0; warm < 20; ++warm) {
            sendFrame(handle, pose);
            expected += kObjectsPerFrame * kPacketSize;
        }
        waitForBytes(sink, expected);
        const std::uint64_t allocationsBefore = bench::allocationCount.load();
        for (auto _ : state) {
            sendFrame(handle, pose);
            expected += kObjectsPerFrame * kPacketSize;
            waitForBytes(sink, expected);
        }
        const double frames = static_cast<double>(state.iterations());
        state.counters["allocs_per_frame"] =
            static_cast<double>(bench::allocationCount.load() - allocationsBefore) / frames;
        state.counters["us_per_object"] =
            benchmark::Counter(frames * kObjectsPerFrame, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
        if (sink.received() != expected) {
            state.SkipWithError("the sink did not receive every byte");
        }
        SimConnect_Close(handle);
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_PoseFrame500)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace
} // namespace kiv::simconnect
