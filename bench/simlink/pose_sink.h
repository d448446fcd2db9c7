// The simulator's side of the pose benchmarks: a temp folder for the pipe and the
// configuration, and a sink that accepts the client's connection on the pipe, reads its
// packets, counts the pose writes (SetDataOnSimObject with definition 402) and sends a
// FRAME message when asked. The sink's buffer is fixed, so it allocates nothing while it
// runs; its counters may be read from any thread.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <thread>

#include <fmt/format.h>

#include "platform/named_pipe_path.h"
#include "platform/registry_store.h"
#include "platform/stream_socket.h"
#include "simlink/simconnect/connector.h"

namespace kiv {

// Objects per frame; the sink times each frame by this count.
inline constexpr std::uint32_t kPoseSinkFrameObjects = 500;

// The simulator's side: reads the client's packets and counts the pose writes; sends a
// FRAME message when asked. Its buffer is fixed, so it allocates nothing while it runs.
class PoseSink {
public:
    // A spinning sink sends an asked-for frame at once; a waiting one spares the CPU.
    PoseSink(const std::filesystem::path& path, bool spin) : spin_(spin) {
        platform::SocketError error;
        auto listener = platform::StreamListener::listenLocal(path, error);
        if (!listener) {
            throw std::runtime_error(error.text);
        }
        listener_ = std::move(*listener);
        thread_ = std::thread([this] { run(); });
    }
    ~PoseSink() {
        stop_.store(true);
        thread_.join();
    }
    std::uint64_t poseWrites() const { return poseWrites_.load(); }
    // Summed over the frames: the time from a frame's first pose packet to its last.
    std::int64_t writeSpanNs() const { return writeSpanNs_.load(); }
    void requestFrame() { frameWanted_.store(true); }
    // While held the sink reads nothing: the socket fills and packets wait in the client, as
    // they do when a loaded machine keeps the client's I/O thread or the reader from running.
    void hold(bool held) { held_.store(held); }
    void waitForPoseWrites(std::uint64_t count) const {
        while (poseWrites_.load() < count) {
            std::this_thread::yield();
        }
    }

private:
    void run() {
        platform::SocketError error;
        auto peer = listener_.accept(std::chrono::seconds(10), error);
        if (!peer) {
            return;
        }
        peer->setNonBlocking(true);
        std::size_t filled = 0;
        while (!stop_.load()) {
            if (frameWanted_.exchange(false)) {
                const auto frame = frameMessage();
                if (peer->send(frame).bytes != frame.size()) {
                    return;
                }
            }
            if (held_.load()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            const auto result = peer->receive(std::span(buffer_).subspan(filled));
            if (result.status == platform::IoStatus::wouldBlock) {
                if (spin_) {
                    std::this_thread::yield();
                } else {
                    peer->waitReadable(std::chrono::milliseconds(1));
                }
                continue;
            }
            if (result.status != platform::IoStatus::done) {
                return;
            }
            filled += result.bytes;
            filled = countPackets(filled);
        }
    }
    // Counts the whole packets at the buffer's start and moves the rest to the front.
    std::size_t countPackets(std::size_t filled) {
        std::size_t at = 0;
        while (filled - at >= 20) {
            std::uint32_t size = 0;
            std::uint32_t type = 0;
            std::uint32_t define = 0;
            std::memcpy(&size, &buffer_[at], 4);
            std::memcpy(&type, &buffer_[at + 8], 4);
            std::memcpy(&define, &buffer_[at + 16], 4);
            if (filled - at < size) {
                break;
            }
            if (type == 0xF0000010u && define == 402) {
                notePoseWrite();
            }
            at += size;
        }
        std::memmove(buffer_.data(), buffer_.data() + at, filled - at);
        return filled - at;
    }
    void notePoseWrite() {
        const std::uint64_t count = poseWrites_.load() + 1;
        const std::int64_t now = std::chrono::steady_clock::now().time_since_epoch().count();
        if (count % kPoseSinkFrameObjects == 1) {
            firstOfFrameNs_ = now;
        } else if (count % kPoseSinkFrameObjects == 0) {
            writeSpanNs_.fetch_add(now - firstOfFrameNs_);
        }
        poseWrites_.store(count);
    }
    static std::array<std::uint8_t, 36> frameMessage() {
        std::array<std::uint8_t, 36> message{};
        const std::uint32_t words[7] = {36, 4, 7, 0xFFFFFFFFu, 204, 0, 0};
        std::memcpy(message.data(), words, sizeof(words));
        const float rateAndSpeed[2] = {60.0f, 1.0f};
        std::memcpy(message.data() + 28, rateAndSpeed, sizeof(rateAndSpeed));
        return message;
    }

    const bool spin_;
    platform::StreamListener listener_;
    std::array<std::uint8_t, 1 << 20> buffer_{};
    std::atomic<std::uint64_t> poseWrites_{0};
    std::int64_t firstOfFrameNs_ = 0; // sink thread only
    std::atomic<std::int64_t> writeSpanNs_{0};
    std::atomic<bool> frameWanted_{false};
    std::atomic<bool> held_{false};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

struct BenchFolder {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / fmt::format("kiv-link-bench-{}", std::random_device{}());
    BenchFolder() { std::filesystem::create_directories(path); }
    ~BenchFolder() { std::filesystem::remove_all(path); }
    simconnect::ConnectEnvironment environment() const {
        simconnect::ConnectEnvironment environment;
        environment.configFolders = {path};
        environment.registry = platform::RegistryStore(path / "registry.ini");
        environment.pipeFolder = path;
        environment.clock = [] { return std::chrono::steady_clock::now(); };
        return environment;
    }
    std::filesystem::path pipe() const {
        return *platform::localPipePath("\\\\.\\pipe\\Lockheed Martin Prepar3D v5\\SimConnect", path);
    }
};

} // namespace kiv
