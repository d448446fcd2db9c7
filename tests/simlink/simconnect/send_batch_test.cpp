#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "simlink/simconnect/send_batch.h"

namespace kiv::simconnect {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Packets of uneven lengths whose bytes tell where in the stream they sit, and a stand-in
// for the socket that takes as many bytes of the gathered blocks as each step allows.
class BatchFixture {
public:
    explicit BatchFixture(const std::vector<std::size_t>& lengths) {
        for (const std::size_t length : lengths) {
            Bytes packet(length);
            for (auto& byte : packet) {
                byte = static_cast<std::uint8_t>(stream_.size() % 251);
                stream_.push_back(byte);
            }
            ends_.push_back(stream_.size());
            queue_.push(pool_.acquire(packet, 1));
        }
    }

    // One gathered write that the socket cuts short after `allowed` bytes; returns how many
    // it took, which is less when the batch offers less.
    std::size_t write(std::size_t allowed) {
        batch_.refill(queue_);
        EXPECT_LE(batch_.size(), SendBatch::kCapacity);
        std::size_t taken = 0;
        for (const auto block : batch_.unwritten()) {
            const std::size_t part = std::min(block.size(), allowed - taken);
            wire_.insert(wire_.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(part));
            taken += part;
        }
        released_ += batch_.advance(taken);
        return taken;
    }

    std::size_t remaining() const { return stream_.size() - wire_.size(); }
    // Packets whose last byte is on the wire: exactly these may be back in the pool.
    std::size_t packetsWhollyWritten() const {
        return static_cast<std::size_t>(
            std::count_if(ends_.begin(), ends_.end(), [this](std::size_t end) { return end <= wire_.size(); }));
    }
    void expectConsistent(const std::string& where) const {
        ASSERT_LE(wire_.size(), stream_.size()) << where;
        EXPECT_TRUE(std::equal(wire_.begin(), wire_.end(), stream_.begin())) << where << ": bytes out of order";
        EXPECT_EQ(pool_.freeCount(), packetsWhollyWritten()) << where;
        EXPECT_EQ(released_, packetsWhollyWritten()) << where;
    }
    bool allWritten() const { return wire_ == stream_ && batch_.empty() && queue_.empty(); }

private:
    PacketPool pool_;
    PacketQueue queue_;
    SendBatch batch_;
    Bytes stream_;
    Bytes wire_;
    std::vector<std::size_t> ends_;
    std::size_t released_ = 0;
};

TEST(SendBatch, ResumesExactlyWhereAShortWriteStopped) {
    // Packets cover bytes [0,5) [5,12) [12,15) [15,25).
    const std::vector<std::size_t> lengths = {5, 7, 3, 10};
    struct Case {
        const char* name;
        std::vector<std::size_t> steps;
    };
    const Case cases[] = {
        {"inside the first packet, then past it", {2, 4, 19}},
        {"exactly at each packet boundary", {5, 7, 3, 10}},
        {"across two packets into the third", {13, 12}},
        {"twice inside the same packet", {6, 3, 1, 15}},
        {"a single byte at a time", std::vector<std::size_t>(25, 1)},
        {"everything at once", {25}},
    };
    for (const auto& c : cases) {
        BatchFixture fixture(lengths);
        for (std::size_t step = 0; step < c.steps.size(); ++step) {
            ASSERT_EQ(fixture.write(c.steps[step]), c.steps[step]) << c.name;
            fixture.expectConsistent(std::string(c.name) + ", step " + std::to_string(step));
        }
        EXPECT_TRUE(fixture.allWritten()) << c.name;
    }
}

TEST(SendBatch, KeepsOrderOverManyPacketsTakenInBatches) {
    std::vector<std::size_t> lengths;
    for (std::size_t index = 0; index < 1000; ++index) {
        lengths.push_back(1 + (index * 37) % 113);
    }
    BatchFixture fixture(lengths);
    // Short writes of uneven size, so that they end inside packets, on boundaries, and at
    // the end of what one batch holds.
    std::size_t step = 0;
    while (fixture.remaining() > 0) {
        ASSERT_GT(fixture.write(1 + (step * 7919) % 4001), 0u);
        fixture.expectConsistent("step " + std::to_string(step));
        if (::testing::Test::HasFailure()) {
            return;
        }
        ++step;
    }
    EXPECT_TRUE(fixture.allWritten());
}

TEST(SendBatch, ClearGivesEveryHeldBlockBack) {
    PacketPool pool;
    PacketQueue queue;
    SendBatch batch;
    const Bytes packet(10, 7);
    for (int index = 0; index < 3; ++index) {
        queue.push(pool.acquire(packet, 1));
    }
    batch.refill(queue);
    EXPECT_EQ(batch.advance(14), 1u);
    batch.clear();
    EXPECT_TRUE(batch.empty());
    EXPECT_EQ(pool.freeCount(), 3u);
    // A batch cleared mid-packet starts the next packet from its first byte.
    queue.push(pool.acquire(packet, 1));
    batch.refill(queue);
    ASSERT_EQ(batch.unwritten().size(), 1u);
    EXPECT_EQ(batch.unwritten()[0].size(), 10u);
}

} // namespace
} // namespace kiv::simconnect
